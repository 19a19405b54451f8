#include "platform/text.h"

namespace zen {

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  auto cont = [&](size_t k) { return k < bytes.size() && (static_cast<uint8_t>(bytes[k]) & 0xC0) == 0x80; };
  while (i < bytes.size()) {
    uint8_t b = static_cast<uint8_t>(bytes[i]);
    uint32_t c = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
      c = ((b & 0x1Fu) << 6) | (static_cast<uint8_t>(bytes[i + 1]) & 0x3F);
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2)) {
      c = ((b & 0x0Fu) << 12) | ((static_cast<uint8_t>(bytes[i + 1]) & 0x3Fu) << 6) |
          (static_cast<uint8_t>(bytes[i + 2]) & 0x3F);
      len = 3;
      if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
      c = ((b & 0x07u) << 18) | ((static_cast<uint8_t>(bytes[i + 1]) & 0x3Fu) << 12) |
          ((static_cast<uint8_t>(bytes[i + 2]) & 0x3Fu) << 6) | (static_cast<uint8_t>(bytes[i + 3]) & 0x3F);
      len = 4;
      if (c < 0x10000 || c > 0x10FFFF) c = 0xFFFD;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += len;
  }
  return out;
}

int64_t TextToInt(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == u'$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == u'%') {
    base = 2;
    ++i;
  }
  // Unsigned accumulation wraps like the 64-bit arithmetic of the original conversion.
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    int digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    if (digit >= base) break;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

std::u16string IntToText(int64_t value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::string PercentEncoded(std::string_view bytes, std::string_view kept) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : bytes) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum || (c < 128 && kept.find(static_cast<char>(c)) != std::string_view::npos)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::u16string JoinedNames(const std::vector<std::u16string>& names) {
  bool line_feed = false;
  for (const std::u16string& name : names) line_feed = line_feed || name.find(u'\n') != std::u16string::npos;
  const char16_t separator = line_feed ? u'\0' : u'\n';
  std::u16string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) text += separator;
    text += names[i];
  }
  return text;
}

std::vector<std::u16string> SplitNames(std::u16string_view text) {
  const char16_t separator = text.find(u'\0') != std::u16string_view::npos ? u'\0' : u'\n';
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) names.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace zen
