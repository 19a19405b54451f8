// A stand-in for the converter program in the slicing tests and benchmark. It honours the
// converter's command lines on PNG and JPEG files (a ".psd"/".psb" file is read as the PNG
// it really holds):
//   -logfile - -info "<path>[0]"                          prints "[IMAGE SIZE]WxH"
//   -logfile - -convertSlice "<path>" -configPath "<dir>"   writes <base>P0.bmp .. P19.bmp
//   -logfile - -convert "<path>" -configPath "<dir>"        writes <base>.bmp
// Environment: ZEN_STANDIN_LOG names a file that receives one line per call (the words
// separated by tabs); ZEN_STANDIN_NO_OUTPUT=1 makes conversions write nothing and the size
// query print nothing; ZEN_STANDIN_HANG=COMMAND (-info, -convert, -convertSlice) makes that
// command do its work and then hang, silent, until it is killed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <png.h>
#include <unistd.h>

#include "tests/support/jpeg_direct.h"

namespace {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

std::string WithoutFirstImageSuffix(std::string path) {
  if (path.size() > 3 && path.compare(path.size() - 3, 3, "[0]") == 0) path.resize(path.size() - 3);
  return path;
}

std::string BaseNameOf(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0 && dot + 1 < name.size()) name.resize(dot);
  return name;
}

bool ReadPng(const std::string& path, Picture& picture, bool header_only) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  if (header_only) {
    png_image_free(&image);
    return true;
  }
  image.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

bool ReadJpegSize(const std::string& path, Picture& picture) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) return false;
  const zen::test::DirectJpegHeader header = zen::test::DirectJpegReadHeader(file);
  picture.width = header.width;
  picture.height = header.height;
  return true;
}

bool WriteBmp(const std::string& path, const Picture& picture, int first_row, int rows) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const int stride = (picture.width * 3 + 3) / 4 * 4;
  const uint32_t data_size = static_cast<uint32_t>(stride) * static_cast<uint32_t>(rows);
  unsigned char header[54] = {'B', 'M'};
  auto put32 = [&header](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  put32(2, 54 + data_size);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(picture.width));
  put32(22, static_cast<uint32_t>(rows));
  header[26] = 1;
  header[28] = 24;
  put32(34, data_size);
  std::fwrite(header, 1, sizeof header, file);
  std::vector<unsigned char> line(static_cast<size_t>(stride), 0);
  for (int r = rows - 1; r >= 0; --r) {
    const unsigned char* rgb = &picture.rgb[(static_cast<size_t>(first_row + r) * picture.width) * 3];
    for (int x = 0; x < picture.width; ++x) {
      line[x * 3] = rgb[x * 3 + 2];
      line[x * 3 + 1] = rgb[x * 3 + 1];
      line[x * 3 + 2] = rgb[x * 3];
    }
    std::fwrite(line.data(), 1, line.size(), file);
  }
  return std::fclose(file) == 0;
}

void LogCall(int argc, char** argv) {
  const char* log = std::getenv("ZEN_STANDIN_LOG");
  if (!log || !*log) return;
  FILE* file = std::fopen(log, "a");
  if (!file) return;
  for (int i = 1; i < argc; ++i) std::fprintf(file, "%s%s", i > 1 ? "\t" : "", argv[i]);
  std::fputc('\n', file);
  std::fclose(file);
}

int Info(const std::string& path) {
  Picture picture;
  if (!ReadPng(path, picture, true) && !ReadJpegSize(path, picture)) return 1;
  std::printf("reading %s\n[IMAGE SIZE]%dx%d\n", path.c_str(), picture.width, picture.height);
  return 0;
}

int Convert(const std::string& path, const std::string& folder, bool in_strips) {
  Picture picture;
  if (!ReadPng(path, picture, false)) return 1;
  const std::string base = folder + BaseNameOf(path);
  if (!in_strips) return WriteBmp(base + ".bmp", picture, 0, picture.height) ? 0 : 1;
  const int strip = picture.height / 20;
  for (int i = 0; i < 20; ++i) {
    const int rows = i < 19 ? strip : picture.height - 19 * strip;
    if (!WriteBmp(base + "P" + std::to_string(i) + ".bmp", picture, i * strip, rows)) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  LogCall(argc, argv);
  const char* no_output = std::getenv("ZEN_STANDIN_NO_OUTPUT");
  if (no_output && std::strcmp(no_output, "1") == 0) return 0;
  std::string command;
  std::string source;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if ((word == "-info" || word == "-convertSlice" || word == "-convert") && i + 1 < argc) {
      command = word;
      source = WithoutFirstImageSuffix(argv[++i]);
    } else if (word == "-configPath" && i + 1 < argc) {
      folder = argv[++i];
    }
  }
  int status = 2;
  // A conversion that fails with this exit status, saying why on its log.
  const char* fail = std::getenv("ZEN_STANDIN_FAIL_STATUS");
  if (command == "-info") {
    status = Info(source);
  } else if (fail && *fail) {
    std::printf("ZenHelper: failed: the stand-in refuses\n");
    status = std::atoi(fail);
  } else if (command == "-convertSlice") {
    status = Convert(source, folder, true);
  } else if (command == "-convert") {
    status = Convert(source, folder, false);
  }
  const char* hang = std::getenv("ZEN_STANDIN_HANG");
  if (hang && command == hang) {
    std::fflush(stdout);
    for (;;) pause();
  }
  return status;
}
