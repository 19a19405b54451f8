#pragma once
// libjpeg used directly with its default settings, as the reference the codecs and the
// converter are compared with and the floor the benchmarks measure against. Errors end the
// program (libjpeg's own handler), which is fine for tests and benchmarks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

namespace zen::test {

struct DirectJpeg {
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<uint8_t> samples;  // top row first, `components` bytes per pixel
};

DirectJpeg DirectJpegDecode(const std::vector<uint8_t>& file, J_COLOR_SPACE out = JCS_RGB);
// Empty when the file cannot be read.
std::optional<DirectJpeg> DirectJpegDecodeFile(const std::string& path, J_COLOR_SPACE out = JCS_RGB);

// The header alone: the size and the quantisation tables as stored.
struct DirectJpegHeader {
  int width = 0;
  int height = 0;
  std::vector<std::vector<uint16_t>> tables;
};
DirectJpegHeader DirectJpegReadHeader(const std::vector<uint8_t>& file);

// Rows of samples to encode, top row first.
struct JpegSamples {
  const uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int components = 3;
  J_COLOR_SPACE space = JCS_RGB;
};
// The library's defaults and its tables for `quality` (0-100, not forced to baseline),
// stored in `stored` when given.
std::vector<uint8_t> DirectJpegEncode(const JpegSamples& samples, int quality, J_COLOR_SPACE stored = JCS_UNKNOWN);
// The same into a file; false when it cannot be written.
bool DirectJpegEncodeFile(const std::string& path, const JpegSamples& samples, int quality);

}  // namespace zen::test
