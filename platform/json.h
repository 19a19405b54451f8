#pragma once
// JSON as the batch command line writes its report and reads a plan back: a string
// literal writer, and a reader into a small tree that refuses anything malformed (with
// the byte offset of the first problem) and nests no deeper than 64 levels.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zen {

// A JSON string literal of UTF-16 text, quotes included.
std::string JsonString(std::u16string_view text);

struct JsonMember;

struct JsonValue {
  enum class Type { Null, Bool, Number, String, Array, Object };
  Type type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text;  // UTF-8
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;  // an object's, in their order

  // The member of an object with this key (the first one), or null.
  const JsonValue* Find(std::string_view key) const;
  // A number without fraction that fits 53 bits, or nothing.
  std::optional<int64_t> Integer() const;
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

struct JsonResult {
  std::optional<JsonValue> value;
  size_t error_offset = 0;  // where the text stopped making sense, when value is empty
};

JsonResult ParseJson(std::string_view text);

}  // namespace zen
