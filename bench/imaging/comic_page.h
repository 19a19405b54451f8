#pragma once
// A deterministic comic page: panels of varied content between white gutters.
#include <cstdint>

#include "imaging/image_table.h"

namespace zen::bench {

// Creates the page under number: width x height, opaque, file depth 24.
bool MakeComicPage(ImageId number, int32_t width, int32_t height);

}  // namespace zen::bench
