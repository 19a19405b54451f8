#pragma once
// The preferences file: a line-oriented key/value text with optional groups and
// comments, stored as UTF-8 with a byte-order mark. One document is open at a time.
#include <cstdint>
#include <list>
#include <string>
#include <string_view>

namespace zen {

// Writing flags (bit values). The application passes 0.
enum PrefsFlag : int {
  PrefsNoSpaces = 1,        // "=" instead of " = " between key and value
  PrefsGroupSeparator = 2,  // an empty line before every group but the first
  PrefsNoBom = 4,           // no byte-order mark
};

// Encoding argument of PrefsOpen: PrefsUtf8 means UTF-8 even without a byte-order mark;
// anything else (the default PrefsLatin1UnlessMarked) reads an unmarked file as Latin-1.
inline constexpr int PrefsUtf8 = 2;
inline constexpr int PrefsLatin1UnlessMarked = -1;

enum class PrefsEntryKind { Key, Group, Comment };

// One meaningful line: a key with its value, a group with its name, or a comment with
// its text (all UTF-8; `first` is empty for groups and comments).
struct PrefsEntry {
  PrefsEntryKind kind = PrefsEntryKind::Key;
  std::string first;
  std::string second;
};

// The single process-wide document, empty while nothing is open.
struct PrefsDocument {
  int fd = -1;                 // the open file, or -1
  std::string rememberedPath;  // kept when the file did not exist at open time
  std::string openPath;        // the open file's path (UTF-8)
  bool modified = false;
  bool readOnly = false;
  bool utf8 = false;  // decides whether the byte-order mark is written
  int flags = 0;
  std::list<PrefsEntry> entries;  // in file order
};

// The process-wide document.
PrefsDocument& Prefs();

// Closes any open document (writing it out if modified), then opens `path`. Non-zero
// when the file was opened (also read-only); 0 when it does not exist or cannot be
// opened. A missing file still gives an empty document that closing will create.
int PrefsOpen(std::u16string_view path, int flags = 0, int encoding = PrefsLatin1UnlessMarked);
// Closes any open document, then starts a new one for `path`, which the write-out at
// close makes (or replaces) by a rename; nothing is created before. The new document is
// empty, UTF-8 and modified. 0 when the file cannot be made there; the document then
// accepts no writes.
int PrefsCreate(std::u16string_view path, int flags = 0);

// Signed 64-bit value of `key` ("%lld" rules, 0 when no number parses), or
// `defaultValue` when the key is absent from the leading entries.
int64_t PrefsReadInt(std::u16string_view key, int64_t defaultValue);
// Text of `key` with leading and trailing spaces and tabs removed, or `defaultValue`.
std::u16string PrefsReadText(std::u16string_view key, std::u16string_view defaultValue);

// Set a value among the leading entries, adding the key if needed.
void PrefsWriteInt(std::u16string_view key, int64_t value);
void PrefsWriteText(std::u16string_view key, std::u16string_view value);

// Writes the file out if the document is modified, then empties the document. The file
// is replaced as a whole (a temporary file renamed over it), so a failed write-out leaves
// the old file as it was. 0 when written values were not saved (a read-only file, a
// failed write-out), else non-zero.
int PrefsClose();

// The pieces, for tests and the fuzz target.
// Every byte of Latin-1 text as UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);
// The entries of a file's text (after its byte-order mark).
std::list<PrefsEntry> ParsePrefsText(std::string_view text);
// The file content of entries in normal form; `mark` writes the byte-order mark line.
std::string FormatPrefsText(const std::list<PrefsEntry>& entries, bool mark, int flags);

// Tests only: empties the document without writing anything.
void ResetPrefs();

}  // namespace zen
