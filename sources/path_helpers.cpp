#include "sources/path_helpers.h"

#include <array>

#include "interchange/converter_files.h"

namespace zen {
namespace {

constexpr size_t npos = std::u16string_view::npos;

// A quoted path gives the same parts as the bare one.
std::u16string_view SkipLeadingQuote(std::u16string_view path) {
  if (!path.empty() && path.front() == u'"') path.remove_prefix(1);
  return path;
}

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (AsciiLower(text[i]) != lower[i]) return false;
  }
  return true;
}

}  // namespace

std::u16string_view FolderPart(std::u16string_view path) {
  path = SkipLeadingQuote(path);
  const size_t slash = path.rfind(u'/');
  if (slash == npos) return {};
  return path.substr(0, slash + 1);
}

std::u16string_view FilePart(std::u16string_view path) {
  // A quoted path ends at its closing quote; a file's own name keeps any quote it holds
  // (cut there, it would name another file and lose its converter output).
  if (!path.empty() && path.front() == u'"') {
    path.remove_prefix(1);
    path = path.substr(0, path.find(u'"'));
  }
  const size_t slash = path.rfind(u'/');
  return slash == npos ? path : path.substr(slash + 1);
}

std::u16string_view ExtensionPart(std::u16string_view path) {
  for (size_t i = path.size(); i-- > 0;) {
    const char16_t c = path[i];
    if (c == u' ' || c == u'/') return {};
    if (c != u'.') continue;
    // A dot that opens a name (".profile", "\.x") marks a hidden file, not an extension.
    if (i == 0 || path[i - 1] == u'/' || path[i - 1] == u'\\') return {};
    return path.substr(i + 1);
  }
  return {};
}

std::u16string_view ParentFolderName(std::u16string_view path) {
  path = SkipLeadingQuote(path);
  const size_t last = path.rfind(u'/');
  if (last == npos || last == 0) return {};
  const size_t before = path.rfind(u'/', last - 1);
  const size_t start = before == npos ? 0 : before + 1;
  return path.substr(start, last - start);
}

bool IsAcceptedImage(std::u16string_view path) {
  static constexpr std::array<std::u16string_view, 5> kAccepted = {u"jpg", u"jpeg", u"png", u"psd", u"psb"};
  const std::u16string_view extension = ExtensionPart(path);
  for (std::u16string_view accepted : kAccepted) {
    if (EqualsIgnoringAsciiCase(extension, accepted)) return true;
  }
  return false;
}

std::u16string_view BaseName(std::u16string_view path) { return BaseNameOf(FilePart(path)); }

}  // namespace zen
