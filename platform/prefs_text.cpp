// The preferences file's text: Latin-1 conversion, parsing into entries, normal form.
#include "platform/prefs.h"

namespace zen {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// The parser's position in the text; every step stays within its bounds.
struct Cursor {
  std::string_view text;
  size_t at = 0;

  bool AtEnd() const { return at >= text.size(); }
  char Peek() const { return text[at]; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) ++at;
  }
  // From here to the end of the line (not including it).
  std::string_view RestOfLine() {
    size_t start = at;
    while (!AtEnd() && !IsLineEnd(Peek())) ++at;
    return text.substr(start, at - start);
  }
  void SkipLineEnds() {
    while (!AtEnd() && IsLineEnd(Peek())) ++at;
  }
};

PrefsEntry ParseComment(Cursor& cursor) {
  ++cursor.at;  // ";"
  if (!cursor.AtEnd() && cursor.Peek() == ' ') ++cursor.at;
  return {PrefsEntryKind::Comment, {}, std::string(cursor.RestOfLine())};
}

PrefsEntry ParseGroup(Cursor& cursor) {
  ++cursor.at;  // "["
  std::string_view line = cursor.RestOfLine();
  return {PrefsEntryKind::Group, {}, std::string(line.substr(0, line.find(']')))};
}

// A line without "=" is kept as a key with an empty value, so a save does not lose it.
PrefsEntry ParseKey(Cursor& cursor) {
  std::string_view line = cursor.RestOfLine();
  size_t equals = line.find('=');
  std::string_view key = line.substr(0, equals);
  while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
  std::string_view value;
  if (equals != std::string_view::npos) {
    value = line.substr(equals + 1);
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  }
  return {PrefsEntryKind::Key, std::string(key), std::string(value)};
}

}  // namespace

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

std::list<PrefsEntry> ParsePrefsText(std::string_view text) {
  std::list<PrefsEntry> entries;
  Cursor cursor{text};
  while (!cursor.AtEnd()) {
    cursor.SkipBlanks();
    if (cursor.AtEnd() || IsLineEnd(cursor.Peek())) {
      cursor.SkipLineEnds();  // a blank line
      continue;
    }
    if (cursor.Peek() == ';') {
      entries.push_back(ParseComment(cursor));
    } else if (cursor.Peek() == '[') {
      entries.push_back(ParseGroup(cursor));
    } else {
      entries.push_back(ParseKey(cursor));
    }
    cursor.SkipLineEnds();
  }
  return entries;
}

std::string FormatPrefsText(const std::list<PrefsEntry>& entries, bool mark, int flags) {
  std::string out;
  if (mark && !(flags & PrefsNoBom)) out += "\xEF\xBB\xBF\n";
  const char* between = (flags & PrefsNoSpaces) ? "=" : " = ";
  bool firstGroup = true;
  for (const PrefsEntry& entry : entries) {
    switch (entry.kind) {
      case PrefsEntryKind::Key: out += entry.first + between + entry.second; break;
      case PrefsEntryKind::Group:
        if ((flags & PrefsGroupSeparator) && !firstGroup) out += '\n';
        firstGroup = false;
        out += "[" + entry.second + "]";
        break;
      case PrefsEntryKind::Comment: out += "; " + entry.second; break;
    }
    out += '\n';
  }
  return out;
}

}  // namespace zen
