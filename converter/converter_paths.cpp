#include "converter/converter_paths.h"

#include <sys/stat.h>

#include "interchange/converter_files.h"

namespace zen {

std::string StripFirstImageSuffix(const std::string& path) {
  constexpr std::string_view kSuffix = "[0]";
  if (path.size() <= kSuffix.size() || path.compare(path.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) {
    return path;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return path;
  return path.substr(0, path.size() - kSuffix.size());
}

std::string ConverterBaseName(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(BaseNameOf(slash == std::string_view::npos ? path : path.substr(slash + 1)));
}

std::string FolderWithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string WholeOutputPath(const std::string& folder, std::string_view source) {
  return FolderWithSlash(folder) + ConvertedWholeName<char>(ConverterBaseName(source));
}

std::string StripOutputPath(const std::string& folder, std::string_view source, int index) {
  return FolderWithSlash(folder) + ConvertedStripName<char>(ConverterBaseName(source), index);
}

}  // namespace zen
