#include "direct_codecs.h"

#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace zen::bench {
namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "direct codec failed: %s\n", what);
  std::exit(2);
}

}  // namespace

RgbImage DirectJpegDecode(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  jpeg_decompress_struct d{};
  jpeg_error_mgr err{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  d.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&d);
  RgbImage image{static_cast<int>(d.output_width), static_cast<int>(d.output_height), {}};
  const size_t row = static_cast<size_t>(image.width) * 3;
  image.rgb.resize(row * static_cast<size_t>(image.height));
  while (d.output_scanline < d.output_height) {
    JSAMPROW rows[16];
    const JDIMENSION left = d.output_height - d.output_scanline;
    const JDIMENSION count = left < 16 ? left : 16;
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = image.rgb.data() + row * (d.output_scanline + i);
    jpeg_read_scanlines(&d, rows, count);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return image;
}

void DirectJpegEncode(const RgbImage& image, const std::string& path, int quality) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) Fail("open");
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, file);
  c.image_width = static_cast<JDIMENSION>(image.width);
  c.image_height = static_cast<JDIMENSION>(image.height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, FALSE);
  jpeg_start_compress(&c, TRUE);
  const size_t row = static_cast<size_t>(image.width) * 3;
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = const_cast<JSAMPROW>(image.rgb.data() + row * c.next_scanline);
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(file);
}

RgbImage DirectPngDecode(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) Fail("open");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) Fail("png read");
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_expand(png);
  png_read_update_info(png, info);
  if (png_get_channels(png, info) != 3) Fail("not RGB");
  RgbImage image{static_cast<int>(png_get_image_width(png, info)), static_cast<int>(png_get_image_height(png, info)), {}};
  const size_t row = static_cast<size_t>(image.width) * 3;
  image.rgb.resize(row * static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) png_read_row(png, image.rgb.data() + row * static_cast<size_t>(y), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return image;
}

void DirectPngEncode(const RgbImage& image, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) Fail("open");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) Fail("png write");
  png_init_io(png, file);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t row = static_cast<size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y) png_write_row(png, image.rgb.data() + row * static_cast<size_t>(y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

}  // namespace zen::bench
