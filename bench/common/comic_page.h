#pragma once
// A deterministic stand-in for a tall comic page: white gutters, framed panels with
// gradients, screentone, line art and speech balloons.
#include <cstdint>
#include <vector>

namespace zen::bench {

std::vector<uint8_t> ComicPage(int32_t width, int32_t height);

}  // namespace zen::bench
