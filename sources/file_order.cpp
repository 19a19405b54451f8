#include "sources/file_order.h"

#include <algorithm>
#include <cstdint>

namespace zen {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

size_t DigitRunEnd(std::u16string_view text, size_t start) {
  while (start < text.size() && IsDigit(text[start])) ++start;
  return start;
}

// Compares two digit runs by value without converting them (a run may be any length):
// negative, zero or positive.
int CompareDigitRuns(std::u16string_view a, std::u16string_view b) {
  const size_t a_zeros = std::min(a.find_first_not_of(u'0'), a.size());
  const size_t b_zeros = std::min(b.find_first_not_of(u'0'), b.size());
  const std::u16string_view a_value = a.substr(a_zeros);
  const std::u16string_view b_value = b.substr(b_zeros);
  if (a_value.size() != b_value.size()) return a_value.size() < b_value.size() ? -1 : 1;
  if (const int by_digits = a_value.compare(b_value); by_digits != 0) return by_digits;
  // Equal values: the longer run first, so "02" comes before "2".
  if (a.size() != b.size()) return a.size() > b.size() ? -1 : 1;
  return 0;
}

int SignedUnit(std::u16string_view text, size_t i) { return i < text.size() ? static_cast<int16_t>(text[i]) : 0; }

}  // namespace

bool NaturalLess(std::u16string_view a, std::u16string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && IsDigit(a[i]) && IsDigit(b[j])) {
      const size_t a_end = DigitRunEnd(a, i);
      const size_t b_end = DigitRunEnd(b, j);
      const int order = CompareDigitRuns(a.substr(i, a_end - i), b.substr(j, b_end - j));
      if (order != 0) return order < 0;
      i = a_end;
      j = b_end;
      continue;
    }
    const int ca = SignedUnit(a, i);
    const int cb = SignedUnit(b, j);
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  return false;
}

void SortNaturally(std::vector<std::u16string>& paths) {
  std::stable_sort(paths.begin(), paths.end(),
                   [](const std::u16string& a, const std::u16string& b) { return NaturalLess(a, b); });
}

}  // namespace zen
