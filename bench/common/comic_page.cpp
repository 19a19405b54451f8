#include "bench/common/comic_page.h"

#include <cstddef>
#include <cstdlib>

namespace zen::bench {

namespace {

struct Rgb {
  int r, g, b;
};

uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// The panel's own look at (x, y) inside it; gw, gh are the panel size.
Rgb PanelPixel(int panel, int x, int y, int gw, int gh, uint32_t noise) {
  const int shade = 60 + (150 * y) / (gh > 0 ? gh : 1);
  Rgb c{shade, (shade + 40 * panel) % 256, 255 - shade};
  if (((x / 4 + y / 4) & 1) == 0 && panel % 3 == 1) c = {c.r - 40, c.g - 40, c.b - 40};  // screentone
  if ((x + 2 * y + panel * 37) % 97 < 3) c = {10, 10, 10};                               // line art
  const int bx = x - gw / 3, by = y - gh / 4;
  if (bx * bx + 4 * by * by < (gw / 6) * (gw / 6)) c = {250, 250, 250};  // balloon
  const int grain = static_cast<int>(noise % 9) - 4;
  return {c.r + grain, c.g + grain, c.b + grain};
}

}  // namespace

std::vector<uint8_t> ComicPage(int32_t width, int32_t height) {
  std::vector<uint8_t> page(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  const int panel_h = 1100, gutter = 160, margin = width / 20, border = 4;
  uint32_t noise = 12345;
  for (int32_t y = 0; y < height; ++y) {
    const int panel = y / (panel_h + gutter);
    const int py = y % (panel_h + gutter) - gutter;
    for (int32_t x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      Rgb c{255, 255, 255};
      const int px = x - margin, pw = width - 2 * margin;
      if (py >= 0 && px >= 0 && px < pw) {
        const bool edge = py < border || py >= panel_h - border || px < border || px >= pw - border;
        c = edge ? Rgb{0, 0, 0} : PanelPixel(panel, px, py, pw, panel_h, noise >> 16);
      }
      uint8_t* p = &page[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
      p[0] = Clamp(c.r);
      p[1] = Clamp(c.g);
      p[2] = Clamp(c.b);
      p[3] = 255;
    }
  }
  return page;
}

}  // namespace zen::bench
