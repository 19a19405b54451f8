#pragma once
// How an image's height is shared among the converter's 20 strips.
#include <array>
#include <cstdint>
#include <string>

namespace zen {

constexpr int kStripCount = 20;
constexpr uint32_t kMaxStripRows = 32767;  // the tallest image the loading side accepts

// Row counts of strips 0 (top) to 19: as even as possible, the taller ones on top, each
// between 1 and kMaxStripRows rows. False (with a reason) when the height cannot be cut
// that way: below 20 rows some strip would be empty, and an empty BMP cannot be loaded.
bool PlanStrips(uint32_t height, std::array<uint32_t, kStripCount>& rows, std::string& error);

}  // namespace zen
