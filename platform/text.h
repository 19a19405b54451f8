#pragma once
// Text inside the program is UTF-16; UTF-8 only where text meets the operating system.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zen {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view bytes);

// The field conversion used wherever a field's text becomes a number: leading spaces
// and tabs skipped, an optional sign, then digits up to the first other character
// ("$" after the sign selects hexadecimal digits, "%" binary); no digits gives 0.
int64_t TextToInt(std::u16string_view text);
// Plain decimal, a minus sign for negative values, no padding.
std::u16string IntToText(int64_t value);

// Bytes as a URI spells them: letters, digits and the `kept` characters as they are, every
// other byte as "%" and two upper-case hex digits.
std::string PercentEncoded(std::string_view bytes, std::string_view kept);

// A list of file names as one text, as a drop carries it: joined by line feeds, or by
// U+0000 (which no file name holds) when a name holds a line feed. SplitNames reads both,
// leaving out empty names.
std::u16string JoinedNames(const std::vector<std::u16string>& names);
std::vector<std::u16string> SplitNames(std::u16string_view text);

}  // namespace zen
