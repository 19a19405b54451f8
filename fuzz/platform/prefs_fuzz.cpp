// The preferences parser on arbitrary bytes: parsing never reads out of bounds, the
// lookups work on whatever it yields, and a written-out document parses back to itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/prefs.h"
#include "platform/text.h"

namespace {

void CheckNormalFormIsStable(std::string_view text, int flags) {
  std::list<zen::PrefsEntry> entries = zen::ParsePrefsText(text);
  std::string once = zen::FormatPrefsText(entries, false, flags & zen::PrefsNoSpaces);
  std::string twice = zen::FormatPrefsText(zen::ParsePrefsText(once), false, flags & zen::PrefsNoSpaces);
  if (once != twice) std::abort();
}

void ExerciseLookups(std::string_view text, std::string_view key) {
  zen::PrefsDocument& doc = zen::Prefs();
  doc.entries = zen::ParsePrefsText(text);
  doc.rememberedPath = "unused";  // lets writes into the document; ResetPrefs writes nothing
  std::u16string name = zen::FromUtf8(key);
  (void)zen::PrefsReadInt(name, 7);
  (void)zen::PrefsReadText(name, u"d");
  zen::PrefsWriteText(name, u"v");
  // The value just written is the one read back, whatever the key and the entries.
  if (zen::PrefsReadText(name, u"d") != u"v") std::abort();
  zen::ResetPrefs();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  int flags = size > 0 ? data[0] : 0;
  CheckNormalFormIsStable(bytes, flags);
  CheckNormalFormIsStable(zen::Latin1ToUtf8(bytes), flags);
  size_t split = bytes.find('\x01');
  std::string_view key = split == std::string_view::npos ? std::string_view("SliceType") : bytes.substr(split + 1, 32);
  ExerciseLookups(bytes.substr(0, split), key);
  return 0;
}
