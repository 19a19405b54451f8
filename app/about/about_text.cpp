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

std::string PercentEncode(std::u16string_view text) {
  static const std::string kKept = "!#$&'()*,-./:;=?@_~";
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : ToUtf8(text)) {
    bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum || (c < 128 && kKept.find(static_cast<char>(c)) != std::string::npos)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::u16string UpdateAddress(std::u16string_view base, double version) {
  std::u16string address(base);
  address += u"/checkupdate.php?ver=";
  address += AboutVersionText(version);
  return FromUtf8(PercentEncode(address)) + u"&mac=1";
}

}  // namespace zen
