#pragma once
// How an image's height is shared among the converter's strips.
#include <array>
#include <cstdint>
#include <string>

#include "interchange/converter_files.h"

namespace zen {

// Row counts of strips 0 (top) to StripCount - 1: as even as possible, the taller ones
// on top, each between 1 and kMaxStripRows rows. False (with a reason) when the height
// cannot be cut that way: with fewer rows than strips some strip would be empty, and an
// empty BMP cannot be loaded.
bool PlanStrips(uint32_t height, std::array<uint32_t, StripCount>& rows, std::string& error);

}  // namespace zen
