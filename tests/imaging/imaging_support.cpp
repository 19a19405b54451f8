#include "imaging_support.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/text.h"

namespace zen::test {

std::filesystem::path CorpusDir() { return std::filesystem::path(ZEN_TEST_DATA_DIR) / "imaging"; }

std::u16string U16(const std::filesystem::path& path) { return FromUtf8(path.string()); }

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::vector<uint8_t>> ReferenceRgba(const std::filesystem::path& path, int* width, int* height) {
  const std::string size_cmd = "identify -format '%w %h' '" + path.string() + "' 2>/dev/null";
  std::FILE* pipe = popen(size_cmd.c_str(), "r");
  if (!pipe) return std::nullopt;
  int w = 0;
  int h = 0;
  const int got = std::fscanf(pipe, "%d %d", &w, &h);
  pclose(pipe);
  if (got != 2 || w <= 0 || h <= 0) return std::nullopt;
  const std::string cmd = "convert '" + path.string() + "' -depth 8 RGBA:- 2>/dev/null";
  pipe = popen(cmd.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  const size_t read = std::fread(rgba.data(), 1, rgba.size(), pipe);
  pclose(pipe);
  if (read != rgba.size()) return std::nullopt;
  *width = w;
  *height = h;
  return rgba;
}

std::array<uint8_t, 4> PixelOf(ImageId id, int32_t x, int32_t y) {
  const NativeImage* image = ImageNativeObject(id);
  const uint8_t* p = image->Row(y) + static_cast<size_t>(x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

void SetPixel(ImageId id, int32_t x, int32_t y, std::array<uint8_t, 4> rgba) {
  NativeImage* image = ImageNativeObject(id);
  uint8_t* p = image->Row(y) + static_cast<size_t>(x) * 4;
  for (size_t i = 0; i < 4; ++i) p[i] = rgba[i];
}

void ImagingTest::SetUp() {
  ResetImageTable();
  ResetCodecs();
  RegisterAllCodecs();
  std::random_device seed;
  temp_ = std::filesystem::temp_directory_path() / ("zen-imaging-" + std::to_string(seed()));
  std::filesystem::create_directories(temp_);
}

void ImagingTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(temp_, ignored);
  ResetImageTable();
}

}  // namespace zen::test
