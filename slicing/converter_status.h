#pragma once
// What ZenHelper's exit status tells the user (the statuses: interchange/converter_status.h).
#include <string_view>

#include "interchange/converter_status.h"

namespace zen {

// The Korean sentence for a failed conversion's exit status, or empty when the status has
// no reason of its own to show.
std::u16string_view ConverterFailureText(int exit_status);

}  // namespace zen
