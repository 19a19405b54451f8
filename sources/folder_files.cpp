#include "sources/folder_files.h"

#include <filesystem>
#include <system_error>

#include "platform/text.h"
#include "sources/file_order.h"
#include "sources/path_helpers.h"

namespace zen {
namespace fs = std::filesystem;

bool IsFolder(std::u16string_view path) {
  std::error_code error;
  return !path.empty() && fs::is_directory(fs::path(ToUtf8(path)), error);
}

std::vector<std::u16string> ImageFilesIn(std::u16string_view folder) {
  std::vector<std::u16string> files;
  std::u16string prefix(folder);
  if (prefix.empty() || prefix.back() != u'/') prefix += u'/';
  std::error_code error;
  for (fs::directory_iterator it(fs::path(ToUtf8(folder)), error), end; !error && it != end; it.increment(error)) {
    const std::u16string name = FromUtf8(it->path().filename().string());
    // Hidden files include the "._" companions other systems leave beside each picture.
    if (name.empty() || name.front() == u'.') continue;
    std::error_code kind_error;
    if (!it->is_regular_file(kind_error)) continue;
    std::u16string path = prefix + name;
    if (IsAcceptedImage(path)) files.push_back(std::move(path));
  }
  SortNaturally(files);
  return files;
}

std::vector<std::u16string> ExpandFolders(const std::vector<std::u16string>& names) {
  std::vector<std::u16string> expanded;
  for (const std::u16string& name : names) {
    if (!IsFolder(name)) {
      expanded.push_back(name);
      continue;
    }
    std::vector<std::u16string> files = ImageFilesIn(name);
    expanded.insert(expanded.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
  }
  return expanded;
}

}  // namespace zen
