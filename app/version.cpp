#include "app/version.h"

#include <charconv>

namespace zen {

std::string_view VersionText() { return ZEN_VERSION; }

double VersionNumber() {
  const std::string_view text = VersionText();
  double number = 0;
  std::from_chars(text.data(), text.data() + text.size(), number);  // not the locale's decimal sign
  return number;
}

}  // namespace zen
