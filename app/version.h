#pragma once
// The product's version, set once by the build: the CMake project version.
#include <string_view>

namespace zen {

std::string_view VersionText();  // as written there, "2.09"
double VersionNumber();

}  // namespace zen
