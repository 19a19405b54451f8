#include "tests/support/converter_test_support.h"

#include <fcntl.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/support/jpeg_direct.h"

namespace zen::test {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("zen-converter-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {
uint32_t Little32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
}  // namespace

bool ReadBmp24(const std::string& path, RgbImage& image) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  int32_t width = static_cast<int32_t>(Little32(&bytes[18]));
  int32_t height = static_cast<int32_t>(Little32(&bytes[22]));
  uint32_t offset = Little32(&bytes[10]);
  if (width <= 0 || height <= 0 || offset != 54 || bytes[28] != 24 || Little32(&bytes[30]) != 0) return false;
  if (bytes[6] || bytes[7] || bytes[8] || bytes[9]) return false;  // reserved fields
  uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
  if (bytes.size() != 54 + stride * height || Little32(&bytes[2]) != bytes.size()) return false;
  image.width = static_cast<uint32_t>(width);
  image.height = static_cast<uint32_t>(height);
  image.rgb.resize(uint64_t(width) * height * 3);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = &bytes[54 + (height - 1 - y) * stride];
    uint8_t* out = &image.rgb[uint64_t(y) * width * 3];
    for (int32_t x = 0; x < width; ++x) {
      out[3 * x] = row[3 * x + 2];
      out[3 * x + 1] = row[3 * x + 1];
      out[3 * x + 2] = row[3 * x];
    }
  }
  return true;
}

void WritePng(const std::string& path, const RgbImage& image, bool interlaced) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop header = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng write failed");
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, header, image.width, image.height, 8, PNG_COLOR_TYPE_RGB,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, header);
  int passes = interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (uint32_t y = 0; y < image.height; ++y) {
      png_write_row(png, const_cast<png_bytep>(&image.rgb[uint64_t(y) * image.width * 3]));
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &header);
  std::fclose(file);
}

bool DecodePng(const std::string& path, RgbImage& image) {
  png_image info{};
  info.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&info, path.c_str())) return false;
  info.format = PNG_FORMAT_RGB;
  image.width = info.width;
  image.height = info.height;
  image.rgb.resize(PNG_IMAGE_SIZE(info));
  bool ok = png_image_finish_read(&info, nullptr, image.rgb.data(), 0, nullptr) != 0;
  png_image_free(&info);
  return ok;
}

void WriteJpeg(const std::string& path, const RgbImage& image, int quality) {
  const JpegSamples samples{image.rgb.data(), static_cast<int>(image.width), static_cast<int>(image.height)};
  if (!DirectJpegEncodeFile(path, samples, quality)) throw std::runtime_error("cannot write " + path);
}

// The plain library decode: default settings, RGB out.
bool DecodeJpeg(const std::string& path, RgbImage& image) {
  std::optional<DirectJpeg> decoded = DirectJpegDecodeFile(path);
  if (!decoded) return false;
  image = {static_cast<uint32_t>(decoded->width), static_cast<uint32_t>(decoded->height), std::move(decoded->samples)};
  return true;
}

RgbImage PatternImage(uint32_t width, uint32_t height) {
  RgbImage image{width, height, std::vector<uint8_t>(uint64_t(width) * height * 3)};
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = &image.rgb[uint64_t(y) * width * 3];
    bool gutter = (y / 700) % 3 == 2;
    for (uint32_t x = 0; x < width; ++x) {
      if (gutter) {
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 255;
        continue;
      }
      row[3 * x] = static_cast<uint8_t>(x * 255 / std::max(1u, width - 1));
      row[3 * x + 1] = static_cast<uint8_t>((y * 7) ^ (x * 3));
      row[3 * x + 2] = static_cast<uint8_t>(((x / 16 + y / 16) & 1) ? 200 : 30);
    }
  }
  return image;
}

std::string HelperPath() { return std::string(ZEN_BUNDLE_DIR) + "/MacOS/ZenHelper"; }

namespace {
std::string Slurp(const std::string& path) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
}  // namespace

RunResult RunHelper(const std::vector<std::string>& words) {
  TempFolder capture;
  std::string out_path = capture.File("out.txt");
  std::string err_path = capture.File("err.txt");
  std::string program = HelperPath();
  pid_t child = fork();
  if (child == 0) {
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = Slurp(out_path);
  result.err = Slurp(err_path);
  return result;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

}  // namespace zen::test
