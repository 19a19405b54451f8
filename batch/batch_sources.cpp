#include "batch/batch_sources.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/text.h"
#include "sources/path_helpers.h"
#include "sources/source_list.h"

namespace zen::batch {
namespace fs = std::filesystem;

namespace {

std::vector<std::u16string> FilesOfFolder(const fs::path& folder) {
  std::vector<std::u16string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error)) files.push_back(FromUtf8(entry.path().string()));
  }
  return files;
}

}  // namespace

std::u16string DropTextOfPaths(const std::vector<std::string>& paths, std::FILE* err) {
  std::vector<std::u16string> names;
  for (const std::string& given : paths) {
    std::error_code error;
    const fs::path path = fs::absolute(fs::path(given), error).lexically_normal();
    if (fs::is_directory(path, error)) {
      std::vector<std::u16string> files = FilesOfFolder(path);
      names.insert(names.end(), files.begin(), files.end());
      continue;
    }
    std::u16string name = FromUtf8(path.string());
    if (!IsAcceptedImage(name)) {
      std::fprintf(err, "zentrova-slice: ignored, not a jpg, jpeg, png, psd or psb file: %s\n", given.c_str());
      continue;
    }
    names.push_back(std::move(name));
  }
  return DropTextOf(names);
}

}  // namespace zen::batch
