#include "batch/batch_sources.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/text.h"
#include "sources/folder_files.h"
#include "sources/path_helpers.h"
#include "sources/source_list.h"

namespace zen::batch {
namespace fs = std::filesystem;

namespace {

// The files grouped by the folder that holds them, folders in order of first appearance.
std::vector<std::u16string> DropPerFolder(const std::vector<std::u16string>& names) {
  std::vector<std::pair<std::u16string, std::vector<std::u16string>>> folders;
  for (const std::u16string& name : names) {
    const std::u16string_view folder = FolderPart(name);
    auto group = std::find_if(folders.begin(), folders.end(), [&](const auto& f) { return f.first == folder; });
    if (group == folders.end()) group = folders.insert(folders.end(), {std::u16string(folder), {}});
    group->second.push_back(name);
  }
  std::vector<std::u16string> drops;
  for (const auto& [folder, files] : folders) drops.push_back(DropTextOf(files));
  return drops;
}

}  // namespace

std::vector<std::u16string> DropTextsOfPaths(const std::vector<std::string>& paths, std::FILE* err) {
  std::vector<std::u16string> names;
  for (const std::string& given : paths) {
    std::error_code error;
    const fs::path path = fs::absolute(fs::path(given), error).lexically_normal();
    if (fs::is_directory(path, error)) {
      std::vector<std::u16string> files = ImageFilesIn(FromUtf8(path.string()));
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
  return DropPerFolder(names);
}

}  // namespace zen::batch
