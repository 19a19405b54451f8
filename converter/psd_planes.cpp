#include "converter/psd_planes.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "interchange/byte_order.h"

namespace zen {
namespace {

class RawPlaneReader final : public PsdPlaneReader {
 public:
  RawPlaneReader(ByteSource& source, uint64_t data, uint64_t row_bytes, uint32_t height, int channels)
      : source_(source), data_(data), row_bytes_(row_bytes), height_(height), next_row_(channels, 0) {}

  bool ReadRows(int channel, uint32_t count, uint8_t* out, std::string& error) override {
    uint32_t& row = next_row_[channel];
    uint64_t offset = data_ + (uint64_t{static_cast<uint32_t>(channel)} * height_ + row) * row_bytes_;
    if (count > height_ - row || !source_.ReadAt(offset, out, count * row_bytes_)) {
      error = "PSD: raw image data ends early";
      return false;
    }
    row += count;
    return true;
  }

 private:
  ByteSource& source_;
  uint64_t data_;
  uint64_t row_bytes_;
  uint32_t height_;
  std::vector<uint32_t> next_row_;
};

class RlePlaneReader final : public PsdPlaneReader {
 public:
  RlePlaneReader(ByteSource& source, uint64_t row_bytes, uint32_t height)
      : source_(source), row_bytes_(row_bytes), height_(height) {}

  // Reads the row-length table; keeps the lengths of the channels in use and the
  // offset where each channel's packed rows begin.
  bool Load(const PsdLayout& layout, int channels, std::string& error);
  bool ReadRows(int channel, uint32_t count, uint8_t* out, std::string& error) override;

 private:
  ByteSource& source_;
  uint64_t row_bytes_;
  uint32_t height_;
  std::vector<uint32_t> lengths_;  // channel * height + row
  std::vector<uint64_t> cursor_;   // file offset of each channel's next packed row
  std::vector<uint32_t> next_row_;
  std::vector<uint8_t> packed_;
};

bool RlePlaneReader::Load(const PsdLayout& layout, int channels, std::string& error) {
  const PsdHeader& header = layout.header;
  uint64_t field = header.large ? 4 : 2;
  uint64_t rows = uint64_t{header.channels} * height_;
  uint64_t table = layout.image_data + 2;
  if (rows * field > source_.Size() - std::min(source_.Size(), table)) {
    error = "PSD: RLE row-length table runs past the end of the file";
    return false;
  }
  // Tight packing adds one byte per 128; writers that pack poorly (a header byte per
  // byte or two) stay well under three times the row. Longer lengths can only be lies.
  uint64_t longest = 3 * row_bytes_ + 256;
  lengths_.resize(uint64_t{static_cast<uint32_t>(channels)} * height_);
  cursor_.assign(channels, 0);
  next_row_.assign(channels, 0);
  SequentialReader reader(source_, table);
  uint64_t offset = table + rows * field;
  for (uint64_t i = 0; i < rows; ++i) {
    uint8_t bytes[4];
    if (reader.Read(bytes, field) != field) return false;
    uint32_t length = field == 4 ? LoadBig32(bytes) : LoadBig16(bytes);
    if (length > longest) {
      error = "PSD: RLE row length " + std::to_string(length) + " is longer than any packed row";
      return false;
    }
    uint64_t channel = i / height_;
    if (channel < static_cast<uint64_t>(channels)) {
      lengths_[i] = length;
      if (i % height_ == 0) cursor_[channel] = offset;
    }
    offset += length;
  }
  if (offset > source_.Size()) {
    error = "PSD: RLE image data runs past the end of the file";
    return false;
  }
  return true;
}

bool RlePlaneReader::ReadRows(int channel, uint32_t count, uint8_t* out, std::string& error) {
  uint32_t& row = next_row_[channel];
  if (count > height_ - row) {
    error = "PSD: more RLE rows asked for than the image has";
    return false;
  }
  const uint32_t* lengths = lengths_.data() + uint64_t{static_cast<uint32_t>(channel)} * height_ + row;
  uint64_t total = 0;
  for (uint32_t i = 0; i < count; ++i) total += lengths[i];
  packed_.resize(total);
  if (!source_.ReadAt(cursor_[channel], packed_.data(), total)) {
    error = "PSD: RLE image data ends early";
    return false;
  }
  const uint8_t* in = packed_.data();
  for (uint32_t i = 0; i < count; ++i, out += row_bytes_) {
    if (!UnpackBitsRow(in, lengths[i], out, row_bytes_)) {
      error = "PSD: RLE row " + std::to_string(row + i) + " of channel " + std::to_string(channel) +
              " does not unpack to its width";
      return false;
    }
    in += lengths[i];
  }
  cursor_[channel] += total;
  row += count;
  return true;
}

// One inflate position per channel, each reading the one stream from its start and
// skipping the planes before its own; a stream that ends at a plane boundary may be
// followed by another (one stream per channel).
class ZipPlaneReader final : public PsdPlaneReader {
 public:
  ZipPlaneReader(ByteSource& source, const PsdLayout& layout, uint64_t row_bytes, int channels);
  ~ZipPlaneReader() override;
  ZipPlaneReader(const ZipPlaneReader&) = delete;
  ZipPlaneReader& operator=(const ZipPlaneReader&) = delete;
  bool ReadRows(int channel, uint32_t count, uint8_t* out, std::string& error) override;

 private:
  struct Cursor {
    z_stream stream{};
    bool ready = false;
    std::unique_ptr<SequentialReader> input;
    uint64_t skip = 0;  // plane bytes still to pass over
  };
  bool Inflate(Cursor& cursor, uint8_t* out, uint64_t size, std::string& error);
  void Unpredict(uint8_t* row) const;

  ByteSource& source_;
  uint64_t data_;
  uint64_t row_bytes_;
  uint32_t width_;
  uint16_t depth_;
  bool predicted_;
  std::vector<Cursor> cursors_;
  std::vector<uint8_t> scratch_;
};

ZipPlaneReader::ZipPlaneReader(ByteSource& source, const PsdLayout& layout, uint64_t row_bytes, int channels)
    : source_(source),
      data_(layout.image_data + 2),
      row_bytes_(row_bytes),
      width_(layout.header.width),
      depth_(layout.header.depth),
      predicted_(layout.compression == PsdZipPredicted),
      cursors_(channels) {
  for (int c = 0; c < channels; ++c) cursors_[c].skip = row_bytes * layout.header.height * c;
}

ZipPlaneReader::~ZipPlaneReader() {
  for (Cursor& cursor : cursors_) {
    if (cursor.ready) inflateEnd(&cursor.stream);
  }
}

bool ZipPlaneReader::Inflate(Cursor& cursor, uint8_t* out, uint64_t size, std::string& error) {
  if (!cursor.ready) {
    if (inflateInit(&cursor.stream) != Z_OK) {
      error = "PSD: cannot start inflating";
      return false;
    }
    cursor.ready = true;
    cursor.input = std::make_unique<SequentialReader>(source_, data_);
  }
  z_stream& z = cursor.stream;
  while (size > 0) {
    if (z.avail_in == 0) {
      size_t length = 0;
      const uint8_t* block = cursor.input->NextBlock(length);
      if (length == 0) break;
      z.next_in = const_cast<Bytef*>(block);
      z.avail_in = static_cast<uInt>(length);
    }
    z.next_out = out;
    z.avail_out = static_cast<uInt>(std::min<uint64_t>(size, 1u << 30));
    int status = inflate(&z, Z_NO_FLUSH);
    uint64_t made = static_cast<uint64_t>(z.next_out - out);
    out += made;
    size -= made;
    if (status == Z_STREAM_END) {
      if (inflateReset(&z) != Z_OK) break;
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      error = std::string("PSD: ZIP image data is damaged") + (z.msg ? std::string(": ") + z.msg : "");
      return false;
    } else if (made == 0 && z.avail_in > 0) {
      break;
    }
  }
  if (size > 0) {
    error = "PSD: ZIP image data ends early";
    return false;
  }
  return true;
}

bool ZipPlaneReader::ReadRows(int channel, uint32_t count, uint8_t* out, std::string& error) {
  Cursor& cursor = cursors_[channel];
  while (cursor.skip > 0) {
    scratch_.resize(std::min<uint64_t>(cursor.skip, 1 << 20));
    if (!Inflate(cursor, scratch_.data(), scratch_.size(), error)) return false;
    cursor.skip -= scratch_.size();
  }
  if (!Inflate(cursor, out, count * row_bytes_, error)) return false;
  if (predicted_) {
    for (uint32_t i = 0; i < count; ++i) Unpredict(out + i * row_bytes_);
  }
  return true;
}

void ZipPlaneReader::Unpredict(uint8_t* row) const { UnpredictPsdRow(row, width_, depth_); }

}  // namespace

// Per byte at 8 bits, per 16-bit big-endian sample at 16 bits, and at 32 bits per byte over
// the row's bytes regrouped by significance.
void UnpredictPsdRow(uint8_t* row, uint32_t width, uint16_t depth) {
  const uint64_t row_bytes = uint64_t{width} * (depth / 8);
  if (depth == 8) {
    for (uint64_t i = 1; i < row_bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - 1]);
  } else if (depth == 16) {
    uint16_t previous = 0;
    for (uint32_t x = 0; x < width; ++x) {
      uint16_t value = static_cast<uint16_t>(LoadBig16(row + 2 * x) + previous);
      row[2 * x] = static_cast<uint8_t>(value >> 8);
      row[2 * x + 1] = static_cast<uint8_t>(value);
      previous = value;
    }
  } else if (depth == 32) {
    for (uint64_t i = 1; i < row_bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - 1]);
    std::vector<uint8_t> planes(row, row + row_bytes);
    for (uint32_t x = 0; x < width; ++x) {
      for (uint32_t b = 0; b < 4; ++b) row[4 * x + b] = planes[b * width + x];
    }
  }
}

uint64_t PsdRowBytes(const PsdHeader& header) {
  if (header.depth == 1) return (uint64_t{header.width} + 7) / 8;
  return uint64_t{header.width} * (header.depth / 8);
}

bool UnpackBitsRow(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size) {
  size_t i = 0;
  size_t o = 0;
  while (o < out_size) {
    if (i >= in_size) return false;
    int n = static_cast<int8_t>(in[i++]);
    if (n >= 0) {
      size_t run = static_cast<size_t>(n) + 1;
      if (run > in_size - i || run > out_size - o) return false;
      std::memcpy(out + o, in + i, run);
      i += run;
      o += run;
    } else if (n != -128) {
      size_t run = static_cast<size_t>(1 - n);
      if (i >= in_size || run > out_size - o) return false;
      std::memset(out + o, in[i++], run);
      o += run;
    }
  }
  return true;
}

std::unique_ptr<PsdPlaneReader> MakePsdPlaneReader(ByteSource& source, const PsdLayout& layout, int channels,
                                                   std::string& error) {
  uint64_t row_bytes = PsdRowBytes(layout.header);
  uint64_t data = layout.image_data + 2;
  uint32_t height = layout.header.height;
  switch (layout.compression) {
    case PsdRaw:
      if (row_bytes * height * static_cast<uint64_t>(channels) > source.Size() - std::min(source.Size(), data)) {
        error = "PSD: raw image data runs past the end of the file";
        return nullptr;
      }
      return std::make_unique<RawPlaneReader>(source, data, row_bytes, height, channels);
    case PsdRle: {
      auto reader = std::make_unique<RlePlaneReader>(source, row_bytes, height);
      if (!reader->Load(layout, channels, error)) {
        if (error.empty()) error = "PSD: RLE row-length table is unreadable";
        return nullptr;
      }
      return reader;
    }
    case PsdZip:
    case PsdZipPredicted:
      if (layout.compression == PsdZipPredicted && layout.header.depth == 1) {
        error = "PSD: ZIP prediction on 1-bit data is not defined";
        return nullptr;
      }
      return std::make_unique<ZipPlaneReader>(source, layout, row_bytes, channels);
    default: error = "PSD: unknown compression"; return nullptr;
  }
}

}  // namespace zen
