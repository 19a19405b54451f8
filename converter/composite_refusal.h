#pragma once
// A document saved without its merged image whose layers the converter cannot draw exactly
// is refused with its own exit status and a message naming the reason and the remedy.
#include <string>

namespace zen {

// ZenHelper's exit status for such a refusal (0 done, 1 failed, 2 wrong command line).
constexpr int kExitNeedsComposite = 3;

// The whole message for a reason such as "an adjustment layer (layer \"Curves 1\")".
std::string CompositeRefusal(const std::string& reason);
bool IsCompositeRefusal(const std::string& error);

}  // namespace zen
