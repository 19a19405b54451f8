#include "direct_codecs.h"

#include <png.h>

#include <cstdio>

#include <cstdlib>
#include <optional>

#include "tests/support/jpeg_direct.h"

namespace zen::bench {
namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "direct codec failed: %s\n", what);
  std::exit(2);
}

}  // namespace

RgbImage DirectJpegDecode(const std::string& path) {
  std::optional<test::DirectJpeg> decoded = test::DirectJpegDecodeFile(path);
  if (!decoded) Fail("open");
  return {decoded->width, decoded->height, std::move(decoded->samples)};
}

void DirectJpegEncode(const RgbImage& image, const std::string& path, int quality) {
  if (!test::DirectJpegEncodeFile(path, {image.rgb.data(), image.width, image.height}, quality)) Fail("write");
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
  RgbImage image{
      static_cast<int>(png_get_image_width(png, info)), static_cast<int>(png_get_image_height(png, info)), {}};
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
