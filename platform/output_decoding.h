#pragma once
// Inside the runner: a program's output decoded from UTF-8, one character at a time, from
// whatever hands out its bytes (the pipe reader, or a line already read whole).
#include <cstdint>

namespace zen {

// The most bytes of one output line that are kept; the rest of the line is dropped, so a
// program printing without end cannot take the memory with it.
inline constexpr int64_t ProgramLineLimit = int64_t{1} << 20;

// Decodes one character into `units` with next() giving the bytes (-1 at the end); the
// number of units (1 or 2), or 0 at the end, also when the output ends inside a sequence.
// Stray continuation bytes and impossible lead bytes become a space.
template <typename NextByte>
int DecodeCharacter(NextByte&& next, char16_t units[2]) {
  int b0 = next();
  if (b0 < 0) return 0;
  int more = 0;
  uint32_t value = 0;
  if (b0 < 0x80) {
    units[0] = static_cast<char16_t>(b0);
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    more = 1;
    value = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    more = 2;
    value = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    more = 3;
    value = b0 & 0x07;
  } else {
    units[0] = u' ';
    return 1;
  }
  for (int i = 0; i < more; ++i) {
    int b = next();
    if (b < 0) return 0;
    value = (value << 6) | (static_cast<uint32_t>(b) & 0x3F);
  }
  if (more < 3) {
    units[0] = static_cast<char16_t>(value);
    return 1;
  }
  if (value < 0x10000 || value > 0x10FFFF) {
    units[0] = u' ';  // no surrogate pair can hold it
    return 1;
  }
  value -= 0x10000;
  units[0] = static_cast<char16_t>(0xD800 | (value >> 10));
  units[1] = static_cast<char16_t>(0xDC00 | (value & 0x3FF));
  return 2;
}

}  // namespace zen
