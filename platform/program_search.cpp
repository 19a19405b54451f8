#include "platform/program_search.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"

namespace zen {

namespace {

// The desktop's opener of folders and web addresses on this platform.
constexpr const char* DesktopOpener = "xdg-open";

bool IsOpenerName(std::u16string_view name) {
  static constexpr std::u16string_view Open = u"open";
  if (name.size() != Open.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != Open[i]) return false;
  }
  return true;
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

std::string SystemProgramName(std::u16string_view name) {
  if (IsOpenerName(name)) return DesktopOpener;
  return ToUtf8(name);
}

bool IsUsableProgramFile(const std::string& path) {
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode) || info.st_size <= 0) return false;
  return access(path.c_str(), X_OK) == 0;
}

std::string LocateProgram(std::string_view name, const char* searchPath) {
  std::string wanted(name);
  if (wanted.find('/') != std::string::npos && IsUsableProgramFile(wanted)) return wanted;
  if (wanted.starts_with('/') || wanted.starts_with("./")) return {};
  if (searchPath == nullptr) return {};
  std::string_view rest(searchPath);
  for (;;) {
    size_t colon = rest.find(':');
    std::string_view folder = rest.substr(0, colon);
    if (!folder.empty()) {
      std::string candidate(folder);
      if (!candidate.ends_with('/')) candidate.push_back('/');
      candidate += wanted;
      if (IsUsableProgramFile(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return {};
}

std::vector<std::string> SplitParameters(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  const size_t n = text.size();
  for (;;) {
    while (i < n && IsSeparator(text[i])) ++i;
    if (i == n) break;
    size_t start = i;
    if (text[i] == '"') {
      start = ++i;
      while (i < n && text[i] != '"' && text[i] != '\n') ++i;
      words.emplace_back(text.substr(start, i - start));
      if (i < n) ++i;  // the closing quote, or the line feed that ends the word
    } else {
      while (i < n && !IsSeparator(text[i])) ++i;
      words.emplace_back(text.substr(start, i - start));
    }
  }
  return words;
}

}  // namespace zen
