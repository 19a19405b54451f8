#pragma once
// The order in which file names are listed: the order an artist numbering pages expects.
#include <string>
#include <string_view>
#include <vector>

namespace zen {

// Natural order of two paths. Runs of ASCII digits compare by their value, and equal
// values by length, the longer (more leading zeros) first: "2" < "10", "02" < "2". Every
// other code unit compares as a signed 16-bit number with the end of a text as 0, so
// Hangul (0xAC00...) sorts before ASCII and before the end of a shorter text.
bool NaturalLess(std::u16string_view a, std::u16string_view b);

// Sorts paths by NaturalLess; paths that compare equal keep their order.
void SortNaturally(std::vector<std::u16string>& paths);

}  // namespace zen
