#pragma once
// A document saved without its merged image whose layers the converter cannot draw exactly
// is refused with its own exit status (ConverterNeedsComposite) and a message naming the
// reason and the remedy.
#include <string>

namespace zen {

// The whole message for a reason such as "an adjustment layer (layer \"Curves 1\")".
std::string CompositeRefusal(const std::string& reason);
bool IsCompositeRefusal(const std::string& error);

}  // namespace zen
