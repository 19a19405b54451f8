#pragma once
// A temporary folder for one test, removed with everything in it at the end.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace zen::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("zen-platform-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  // Writes `bytes` to the file `name` (folders created), with the given access mode.
  std::string Write(const std::string& name, const std::string& bytes, int mode = 0644) const {
    std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
      std::fwrite(bytes.data(), 1, bytes.size(), out);
      std::fclose(out);
    }
    chmod(file.c_str(), static_cast<mode_t>(mode));
    return file.string();
  }
  // A shell script `name` running `body`.
  std::string Script(const std::string& name, const std::string& body) const {
    return Write(name, "#!/bin/sh\n" + body + "\n", 0755);
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
    char block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, in)) > 0) bytes.append(block, got);
    std::fclose(in);
  }
  return bytes;
}

}  // namespace zen::testing
