#include "converter/strip_plan.h"

namespace zen {

bool PlanStrips(uint32_t height, std::array<uint32_t, StripCount>& rows, std::string& error) {
  if (height < StripCount) {
    error =
        "an image of " + std::to_string(height) + " rows cannot be cut into " + std::to_string(StripCount) + " strips";
    return false;
  }
  uint32_t base = height / StripCount;
  uint32_t extra = height % StripCount;
  if (base + (extra > 0 ? 1 : 0) > kMaxStripRows) {
    error = "an image of " + std::to_string(height) + " rows is too tall for " + std::to_string(StripCount) +
            " strips of at most " + std::to_string(kMaxStripRows) + " rows";
    return false;
  }
  for (uint32_t i = 0; i < StripCount; ++i) rows[i] = base + (i < extra ? 1 : 0);
  return true;
}

}  // namespace zen
