#include "converter/jpeg_rows.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <utility>
#include <vector>

#include "interchange/pixel_rules.h"

namespace zen {
namespace {

struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

struct JpegInput {
  jpeg_source_mgr base;
  SequentialReader* reader;
  bool ended;  // the file's bytes ran out and an end marker was supplied
  bool cut;    // ... and the compressed rows still wanted more
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr info) {
  auto* input = reinterpret_cast<JpegInput*>(info->src);
  size_t length = 0;
  const uint8_t* block = input->reader->NextBlock(length);
  if (length == 0) {
    // The file ends: supply the end marker, which writers sometimes leave out. Rows are
    // missing only if the decoder then runs short of data (a warning, caught below).
    input->ended = true;
    WARNMS(info, JWRN_JPEG_EOF);
    input->base.next_input_byte = kEndOfImage;
    input->base.bytes_in_buffer = 2;
  } else {
    input->base.next_input_byte = block;
    input->base.bytes_in_buffer = length;
  }
  return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
  auto* input = reinterpret_cast<JpegInput*>(info->src);
  while (count > 0) {
    if (input->base.bytes_in_buffer == 0) FillInput(info);
    size_t take = std::min(static_cast<size_t>(count), input->base.bytes_in_buffer);
    input->base.next_input_byte += take;
    input->base.bytes_in_buffer -= take;
    count -= static_cast<long>(take);
  }
}

void OnError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr) {}

void OnEmit(j_common_ptr info, int level) {
  if (level >= 0 || info->err->msg_code != JWRN_HIT_MARKER || !info->is_decompressor) return;
  auto* input = reinterpret_cast<JpegInput*>(reinterpret_cast<j_decompress_ptr>(info)->src);
  if (input && input->ended) input->cut = true;
}

class JpegRowSource final : public RowSource {
 public:
  explicit JpegRowSource(ByteSource& source) : reader_(source) {}
  ~JpegRowSource() override {
    if (created_) jpeg_destroy_decompress(&info_);
  }
  JpegRowSource(const JpegRowSource&) = delete;
  JpegRowSource& operator=(const JpegRowSource&) = delete;

  bool Start();
  uint32_t Width() const override { return info_.output_width; }
  uint32_t Height() const override { return info_.output_height; }
  bool ReadRow(uint8_t* bgr) override;

 private:
  bool Begin();
  bool ReadLine(uint8_t* line);
  bool Failed() { return Fail(std::string("JPEG: ") + errors_.message); }

  SequentialReader reader_;
  jpeg_decompress_struct info_{};
  JpegErrors errors_{};
  JpegInput input_{};
  bool created_ = false;
  bool cmyk_ = false;
  bool swap_ = false;  // RGB rows to be turned into BGR
  std::vector<uint8_t> line_;
};

// Every libjpeg call sits in a function that sets the jump point first and holds no
// object with a destructor.
bool JpegRowSource::Begin() {
  if (setjmp(errors_.jump)) return false;
  jpeg_create_decompress(&info_);
  created_ = true;
  input_.base.init_source = InitSource;
  input_.base.fill_input_buffer = FillInput;
  input_.base.skip_input_data = SkipInput;
  input_.base.resync_to_restart = jpeg_resync_to_restart;
  input_.base.term_source = TermSource;
  input_.reader = &reader_;
  info_.src = &input_.base;
  jpeg_read_header(&info_, TRUE);
  switch (info_.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
#ifdef JCS_EXTENSIONS
      info_.out_color_space = JCS_EXT_BGR;  // libjpeg-turbo: rows in the order BMP stores
#else
      info_.out_color_space = JCS_RGB;
      swap_ = true;
#endif
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      info_.out_color_space = JCS_CMYK;
      cmyk_ = true;
      break;
    default: std::snprintf(errors_.message, sizeof errors_.message, "unknown colour space"); return false;
  }
  info_.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&info_);
  return true;
}

bool JpegRowSource::Start() {
  info_.err = jpeg_std_error(&errors_.base);
  errors_.base.error_exit = OnError;
  errors_.base.output_message = OnMessage;
  errors_.base.emit_message = OnEmit;
  std::snprintf(errors_.message, sizeof errors_.message, "damaged file");
  if (!Begin()) return Failed();
  // Headers, and a progressive file's scans (read whole here), must come before the end:
  // a progressive file cut between scans would otherwise pass as a blurred picture.
  if (input_.ended) return Fail("JPEG: file ends early");
  try {
    line_.resize(uint64_t{info_.output_width} * info_.output_components);
  } catch (const std::bad_alloc&) {
    return Fail("JPEG: out of memory");
  }
  return true;
}

bool JpegRowSource::ReadLine(uint8_t* line) {
  if (setjmp(errors_.jump)) return false;
  JSAMPROW rows[1] = {line};
  return jpeg_read_scanlines(&info_, rows, 1) == 1 && !input_.cut;
}

bool JpegRowSource::ReadRow(uint8_t* bgr) {
  if (!Error().empty()) return false;
  if (info_.output_scanline >= Height()) return Fail("JPEG: more rows asked for than the image has");
  if (!ReadLine(cmyk_ ? line_.data() : bgr)) {
    return input_.cut ? Fail("JPEG: file ends early") : Failed();
  }
  if (cmyk_) {
    for (uint32_t x = 0; x < Width(); ++x) {
      const uint8_t* p = line_.data() + 4 * x;
      for (int k = 0; k < 3; ++k) bgr[3 * x + 2 - k] = FromCmyk(p[k], p[3]);
    }
  } else if (swap_) {
    for (uint32_t x = 0; x < Width(); ++x) std::swap(bgr[3 * x], bgr[3 * x + 2]);
  }
  return true;
}

}  // namespace

std::unique_ptr<RowSource> OpenJpegRows(ByteSource& source, std::string& error) {
  auto rows = std::make_unique<JpegRowSource>(source);
  if (!rows->Start()) {
    error = rows->Error();
    return nullptr;
  }
  return rows;
}

}  // namespace zen
