#include "platform/json.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/text.h"

namespace zen {
namespace {

constexpr int kMaxDepth = 64;

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  JsonResult Run() {
    JsonValue value;
    if (Value(value, 0)) {
      SkipSpace();
      if (at_ == text_.size()) return {std::move(value), 0};
    }
    return {std::nullopt, at_};
  }

 private:
  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Take(char c) {
    SkipSpace();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& value, int depth) {
    SkipSpace();
    if (at_ >= text_.size() || depth > kMaxDepth) return false;
    switch (text_[at_]) {
      case '{': value.type = JsonValue::Type::Object; return Object(value, depth);
      case '[': value.type = JsonValue::Type::Array; return Array(value, depth);
      case '"': value.type = JsonValue::Type::String; return String(value.text);
      case 't':
        value.type = JsonValue::Type::Bool;
        value.boolean = true;
        return Word("true");
      case 'f': value.type = JsonValue::Type::Bool; return Word("false");
      case 'n': return Word("null");
      default: value.type = JsonValue::Type::Number; return Number(value.number);
    }
  }

  bool Object(JsonValue& value, int depth) {
    ++at_;
    if (Take('}')) return true;
    do {
      JsonMember member;
      SkipSpace();
      if (at_ >= text_.size() || text_[at_] != '"' || !String(member.key) || !Take(':') ||
          !Value(member.value, depth + 1)) {
        return false;
      }
      value.members.push_back(std::move(member));
    } while (Take(','));
    return Take('}');
  }

  bool Array(JsonValue& value, int depth) {
    ++at_;
    if (Take(']')) return true;
    do {
      value.items.emplace_back();
      if (!Value(value.items.back(), depth + 1)) return false;
    } while (Take(','));
    return Take(']');
  }

  bool Number(double& number) {
    const size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    const size_t digits = at_;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    if (at_ == digits || (text_[digits] == '0' && at_ - digits > 1)) return false;
    if (at_ < text_.size() && text_[at_] == '.') {
      const size_t fraction = ++at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      if (at_ == fraction) return false;
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      const size_t exponent = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      if (at_ == exponent) return false;
    }
    const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + at_, number);
    return error == std::errc() && end == text_.data() + at_ && std::isfinite(number);
  }

  bool Hex4(uint32_t& unit) {
    if (at_ + 4 > text_.size()) return false;
    const auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, unit, 16);
    if (error != std::errc() || end != text_.data() + at_ + 4) return false;
    at_ += 4;
    return true;
  }

  bool Escape(std::u16string& units) {
    static constexpr std::string_view kFrom = "\"\\/bfnrt";
    static constexpr std::u16string_view kTo = u"\"\\/\b\f\n\r\t";
    if (at_ >= text_.size()) return false;
    const char c = text_[at_++];
    if (const size_t i = kFrom.find(c); i != std::string_view::npos) {
      units += kTo[i];
      return true;
    }
    uint32_t unit = 0;
    if (c != 'u' || !Hex4(unit)) return false;
    units += static_cast<char16_t>(unit);
    return true;
  }

  // The text in UTF-8; \u escapes (surrogate pairs too) are decoded as UTF-16 units.
  bool String(std::string& out) {
    ++at_;
    std::u16string units;
    size_t plain = at_;
    auto flush = [&] { units += FromUtf8(text_.substr(plain, at_ - plain)); };
    while (at_ < text_.size() && text_[at_] != '"') {
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c < 0x20) return false;
      if (c != '\\') {
        ++at_;
        continue;
      }
      flush();
      ++at_;
      if (!Escape(units)) return false;
      plain = at_;
    }
    if (at_ >= text_.size()) return false;
    flush();
    ++at_;
    out = ToUtf8(units);
    return true;
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

std::string JsonString(std::u16string_view text) {
  const std::string utf8 = ToUtf8(text);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (const JsonMember& member : members) {
    if (member.key == key) return &member.value;
  }
  return nullptr;
}

std::optional<int64_t> JsonValue::Integer() const {
  constexpr double kLimit = 9007199254740992.0;  // 2^53
  if (type != Type::Number || std::floor(number) != number || std::fabs(number) > kLimit) return std::nullopt;
  return static_cast<int64_t>(number);
}

JsonResult ParseJson(std::string_view text) { return Reader(text).Run(); }

}  // namespace zen
