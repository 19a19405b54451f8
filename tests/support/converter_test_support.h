#pragma once
// Shared pieces of the converter tests: a temporary folder, a strict reader for the BMP
// files the converter writes, PNG/JPEG writers and reference decoders over libpng and
// libjpeg, and a way to run the built ZenHelper.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zen::test {

struct RgbImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgb;  // top row first, 3 bytes per pixel
};

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // FOLDER with its trailing "/", as the program passes it.
  std::string Slash() const { return path_.string() + "/"; }
  std::vector<std::string> Names() const;

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// A 24-bit bottom-up BMP with a 54-byte header, or a test failure.
bool ReadBmp24(const std::string& path, RgbImage& image);

void WritePng(const std::string& path, const RgbImage& image, bool interlaced = false);
bool DecodePng(const std::string& path, RgbImage& image);
void WriteJpeg(const std::string& path, const RgbImage& image, int quality = 90);
bool DecodeJpeg(const std::string& path, RgbImage& image);

// A deterministic picture with edges, gradients and flat areas.
RgbImage PatternImage(uint32_t width, uint32_t height);

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};
// Runs the bundle's ZenHelper with these words (no shell in between).
RunResult RunHelper(const std::vector<std::string>& words);
std::string HelperPath();

// Runs a shell command line; true when it exits with 0.
bool Shell(const std::string& command);

}  // namespace zen::test
