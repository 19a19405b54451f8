#include "tests/support/jpeg_direct.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace zen::test {
namespace {

// A decompressor over the bytes with the header read.
class Decompressor {
 public:
  explicit Decompressor(const std::vector<uint8_t>& file) {
    info_.err = jpeg_std_error(&errors_);
    jpeg_create_decompress(&info_);
    jpeg_mem_src(&info_, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info_, TRUE);
  }
  ~Decompressor() { jpeg_destroy_decompress(&info_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  jpeg_decompress_struct& info() { return info_; }

 private:
  jpeg_decompress_struct info_{};
  jpeg_error_mgr errors_{};
};

}  // namespace

DirectJpeg DirectJpegDecode(const std::vector<uint8_t>& file, J_COLOR_SPACE out) {
  Decompressor decompressor(file);
  jpeg_decompress_struct& d = decompressor.info();
  d.out_color_space = out;
  jpeg_start_decompress(&d);
  DirectJpeg image{static_cast<int>(d.output_width), static_cast<int>(d.output_height), d.output_components, {}};
  const size_t row = static_cast<size_t>(image.width) * static_cast<size_t>(image.components);
  image.samples.resize(row * static_cast<size_t>(image.height));
  while (d.output_scanline < d.output_height) {
    JSAMPROW rows[16];
    const JDIMENSION count = std::min<JDIMENSION>(d.output_height - d.output_scanline, 16);
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = image.samples.data() + row * (d.output_scanline + i);
    jpeg_read_scanlines(&d, rows, count);
  }
  jpeg_finish_decompress(&d);
  return image;
}

std::optional<DirectJpeg> DirectJpegDecodeFile(const std::string& path, J_COLOR_SPACE out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return DirectJpegDecode(file, out);
}

DirectJpegHeader DirectJpegReadHeader(const std::vector<uint8_t>& file) {
  Decompressor decompressor(file);
  jpeg_decompress_struct& d = decompressor.info();
  DirectJpegHeader header{static_cast<int>(d.image_width), static_cast<int>(d.image_height), {}};
  for (int t = 0; t < NUM_QUANT_TBLS && d.quant_tbl_ptrs[t]; ++t) {
    header.tables.emplace_back(d.quant_tbl_ptrs[t]->quantval, d.quant_tbl_ptrs[t]->quantval + DCTSIZE2);
  }
  return header;
}

std::vector<uint8_t> DirectJpegEncode(const JpegSamples& samples, int quality, J_COLOR_SPACE stored) {
  jpeg_compress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(samples.width);
  c.image_height = static_cast<JDIMENSION>(samples.height);
  c.input_components = samples.components;
  c.in_color_space = samples.space;
  jpeg_set_defaults(&c);
  if (stored != JCS_UNKNOWN) jpeg_set_colorspace(&c, stored);
  jpeg_set_quality(&c, quality, FALSE);
  jpeg_start_compress(&c, TRUE);
  const size_t row = static_cast<size_t>(samples.width) * static_cast<size_t>(samples.components);
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = const_cast<JSAMPROW>(samples.data + row * c.next_scanline);
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> file(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return file;
}

bool DirectJpegEncodeFile(const std::string& path, const JpegSamples& samples, int quality) {
  const std::vector<uint8_t> file = DirectJpegEncode(samples, quality);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  return !out.fail();
}

}  // namespace zen::test
