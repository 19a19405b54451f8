#pragma once
// What ZenHelper's exit status tells the user. The converter exits with 3 when a PSD/PSB was
// saved without its merged image and its layers hold something it cannot draw exactly
// (adjustment layers, layer effects, ...); 0 is success and 1 or 2 a failure without a
// reason of its own.
#include <string_view>

namespace zen {

constexpr int ConverterNeedsComposite = 3;

// The Korean sentence for a failed conversion's exit status, or empty when the status has
// no reason of its own to show.
std::u16string_view ConverterFailureText(int exit_status);

}  // namespace zen
