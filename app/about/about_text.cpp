#include <cstdio>
#include <string>

#include "app/about/about_window.h"
#include "platform/text.h"

namespace zen {

std::u16string AboutVersionText(double version) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.10f", version);
  std::string text = buffer;
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return FromUtf8(text);
}

std::string PercentEncode(std::u16string_view text) { return PercentEncoded(ToUtf8(text), "!#$&'()*,-./:;=?@_~"); }

std::u16string UpdateAddress(std::u16string_view base, double version) {
  std::u16string address(base);
  address += u"/checkupdate.php?ver=";
  address += AboutVersionText(version);
  return FromUtf8(PercentEncode(address)) + u"&mac=1";
}

}  // namespace zen
