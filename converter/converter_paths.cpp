#include "converter/converter_paths.h"

#include <sys/stat.h>

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
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  for (size_t i = name.size(); i-- > 1;) {
    if (name[i] == ' ') break;
    if (name[i] == '.') {
      if (i + 1 == name.size()) break;
      return std::string(name.substr(0, i));
    }
  }
  return std::string(name);
}

std::string FolderWithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string WholeOutputPath(const std::string& folder, std::string_view source) {
  return FolderWithSlash(folder) + ConverterBaseName(source) + ".bmp";
}

std::string StripOutputPath(const std::string& folder, std::string_view source, int index) {
  return FolderWithSlash(folder) + ConverterBaseName(source) + "P" + std::to_string(index) + ".bmp";
}

}  // namespace zen
