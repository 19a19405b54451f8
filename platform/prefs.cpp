// The open preferences document: opening, creating, reading and writing values, closing.
#include "platform/prefs.h"

#include <cerrno>
#include <climits>
#include <iterator>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/prefs_file.h"
#include "platform/text.h"

namespace zen {

namespace {

using EntryIt = std::list<PrefsEntry>::iterator;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The key among the leading entries (before the first group); the first match wins.
EntryIt FindKey(PrefsDocument& doc, std::string_view key) {
  for (auto it = doc.entries.begin(); it != doc.entries.end(); ++it) {
    if (it->kind == PrefsEntryKind::Group) break;
    if (it->kind == PrefsEntryKind::Key && SameKey(it->first, key)) return it;
  }
  return doc.entries.end();
}

// New keys go directly after the last leading entry, or first when there is none.
EntryIt InsertionPoint(PrefsDocument& doc) {
  EntryIt place = doc.entries.begin();
  for (auto it = doc.entries.begin(); it != doc.entries.end() && it->kind != PrefsEntryKind::Group; ++it) {
    place = std::next(it);
  }
  return place;
}

void WriteValue(std::u16string_view key, std::string value) {
  PrefsDocument& doc = Prefs();
  if (doc.fd < 0 && doc.rememberedPath.empty()) return;  // nowhere to write it
  std::string name = ToUtf8(key);
  EntryIt found = FindKey(doc, name);
  if (found != doc.entries.end()) {
    found->first = std::move(name);  // the letter case of this write
    found->second = std::move(value);
  } else {
    doc.entries.insert(InsertionPoint(doc), PrefsEntry{PrefsEntryKind::Key, std::move(name), std::move(value)});
  }
  doc.modified = true;
}

// The C "%lld" reading: white space, an optional sign, digits; out of range clamps.
int64_t ParseInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > limit) {
      magnitude = limit;
      while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') ++i;
    }
  }
  if (negative) return magnitude == limit ? INT64_MIN : -static_cast<int64_t>(magnitude);
  return static_cast<int64_t>(magnitude);
}

// Takes over an opened file: reads it, removes the byte-order mark, decodes Latin-1.
bool LoadOpenedFile(PrefsDocument& doc, int fd, int encoding) {
  std::optional<std::string> content = ReadWholeFile(fd);
  if (!content) return false;
  doc.utf8 = encoding == PrefsUtf8;
  if (content->size() > 2 && content->compare(0, 3, "\xEF\xBB\xBF") == 0) {
    doc.utf8 = true;
    content->erase(0, 3);
  }
  if (!content->empty() && !doc.utf8) *content = Latin1ToUtf8(*content);
  // Whatever is written into the document is UTF-8, so a rewrite is always marked (also
  // of an empty file), and the next reading cannot mistake the values for Latin-1.
  doc.utf8 = true;
  doc.entries = ParsePrefsText(*content);
  return true;
}

bool WriteOut(PrefsDocument& doc) {
  if (doc.readOnly) return false;  // the changes are dropped without a message
  std::string path = doc.fd >= 0 ? doc.openPath : doc.rememberedPath;
  if (path.empty()) return false;
  int mode = -1;
  struct stat info {};
  if (doc.fd >= 0 && fstat(doc.fd, &info) == 0) mode = static_cast<int>(info.st_mode & 07777);
  if (!ReplaceFile(path, FormatPrefsText(doc.entries, doc.utf8, doc.flags), mode)) return false;
  doc.modified = false;
  doc.readOnly = false;
  return true;
}

}  // namespace

PrefsDocument& Prefs() {
  static PrefsDocument document;
  return document;
}

void ResetPrefs() {
  PrefsDocument& doc = Prefs();
  if (doc.fd >= 0) close(doc.fd);
  doc = PrefsDocument{};
}

int PrefsOpen(std::u16string_view path, int flags, int encoding) {
  PrefsClose();
  PrefsDocument& doc = Prefs();
  doc.flags = flags;
  doc.utf8 = true;
  std::string name = ToUtf8(path);
  int fd = open(name.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno != ENOENT) {
    fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    doc.readOnly = fd >= 0;
  }
  if (fd < 0) {
    // Only a file that does not exist is created at close; one we may not open is kept.
    if (errno == ENOENT) doc.rememberedPath = name;
    return 0;
  }
  bool loaded = false;
  try {
    loaded = LoadOpenedFile(doc, fd, encoding);
  } catch (const std::bad_alloc&) {
    doc.entries.clear();
  }
  if (!loaded) {
    close(fd);
    doc.readOnly = false;
    return 0;
  }
  doc.fd = fd;
  doc.openPath = name;
  return 1;
}

int PrefsCreate(std::u16string_view path, int flags) {
  PrefsClose();
  PrefsDocument& doc = Prefs();
  std::string name = ToUtf8(path);
  // Nothing is created or truncated here: the file comes into being only by the rename of
  // the write-out, so a save cut short never leaves an empty file.
  int fd = open(name.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT || !CanCreateIn(FolderOfPath(name))) return 0;
    doc.rememberedPath = name;
  } else {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      close(fd);
      return 0;
    }
    doc.fd = fd;
    doc.openPath = name;
  }
  doc.flags = flags;
  doc.utf8 = true;
  doc.modified = true;
  return 1;
}

int64_t PrefsReadInt(std::u16string_view key, int64_t defaultValue) {
  PrefsDocument& doc = Prefs();
  EntryIt found = FindKey(doc, ToUtf8(key));
  return found == doc.entries.end() ? defaultValue : ParseInteger(found->second);
}

std::u16string PrefsReadText(std::u16string_view key, std::u16string_view defaultValue) {
  PrefsDocument& doc = Prefs();
  EntryIt found = FindKey(doc, ToUtf8(key));
  if (found == doc.entries.end()) return std::u16string(defaultValue);
  std::string_view value = found->second;
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  return FromUtf8(value);
}

void PrefsWriteInt(std::u16string_view key, int64_t value) { WriteValue(key, std::to_string(value)); }

void PrefsWriteText(std::u16string_view key, std::u16string_view value) { WriteValue(key, ToUtf8(value)); }

int PrefsClose() {
  PrefsDocument& doc = Prefs();
  bool ok = true;
  if (doc.modified) ok = WriteOut(doc);
  ResetPrefs();
  return ok ? 1 : 0;
}

}  // namespace zen
