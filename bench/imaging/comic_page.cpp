#include "comic_page.h"

#include <cmath>
#include <cstring>

namespace zen::bench {
namespace {

// A small fixed-seed generator, so every run draws the same page.
struct Random {
  uint32_t state;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  int32_t Between(int32_t low, int32_t high) { return low + static_cast<int32_t>(Next() % static_cast<uint32_t>(high - low + 1)); }
};

void Put(uint8_t* p, int r, int g, int b) {
  p[0] = static_cast<uint8_t>(r);
  p[1] = static_cast<uint8_t>(g);
  p[2] = static_cast<uint8_t>(b);
  p[3] = 255;
}

// One panel's pixel at (x, y) inside the panel, by the panel's kind.
void PanelPixel(int kind, int x, int y, int w, int h, uint32_t noise, uint8_t* p) {
  switch (kind) {
    case 0:  // sky gradient with a sun
      if ((x - w / 3) * (x - w / 3) + (y - h / 4) * (y - h / 4) < 90 * 90) return Put(p, 250, 220, 120);
      return Put(p, 90 + y * 120 / h, 140 + y * 80 / h, 230);
    case 1: {  // line-art: mostly white with dark strokes
      const bool stroke = (x * 7 + y * 3) % 97 < 3 || (x - y) % 151 == 0 || ((x / 40 + y / 40) % 9 == 0 && x % 40 < 2);
      return stroke ? Put(p, 20, 20, 25) : Put(p, 255, 255, 255);
    }
    case 2: {  // skin-tone shading with noise
      const int n = static_cast<int>(noise % 9);
      return Put(p, 230 - y * 40 / h + n, 190 - x * 30 / w + n, 160 + n);
    }
    case 3: {  // screen-tone dots
      const bool dot = ((x % 8) - 4) * ((x % 8) - 4) + ((y % 8) - 4) * ((y % 8) - 4) < 6;
      return dot ? Put(p, 60, 60, 70) : Put(p, 245, 245, 245);
    }
    default: {  // night scene: dark noise with speckles
      const int n = static_cast<int>(noise % 23);
      return (noise % 997 == 0) ? Put(p, 255, 255, 240) : Put(p, 10 + n, 12 + n, 40 + n);
    }
  }
}

}  // namespace

bool MakeComicPage(ImageId number, int32_t width, int32_t height) {
  if (ImageCreate(number, width, height) == 0) return false;
  NativeImage* page = ImageNativeObject(number);
  std::memset(page->pixels.get(), 255, page->ByteCount());
  Random random{12345};
  int32_t y = 120;
  int kind = 0;
  while (y < height - 200) {
    const int32_t panel_h = random.Between(700, 1600);
    const int32_t margin = random.Between(20, 60);
    const int32_t top = y;
    const int32_t bottom = std::min(height - 100, y + panel_h);
    for (int32_t py = top; py < bottom; ++py) {
      uint8_t* row = page->Row(py);
      for (int32_t x = margin; x < width - margin; ++x) {
        const bool border = py - top < 3 || bottom - py <= 3 || x - margin < 3 || width - margin - x <= 3;
        if (border) {
          Put(row + x * 4, 0, 0, 0);
        } else {
          PanelPixel(kind, x - margin, py - top, width - 2 * margin, bottom - top, random.Next(), row + x * 4);
        }
      }
    }
    kind = (kind + 1) % 5;
    y = bottom + random.Between(80, 400);  // white gutter
  }
  return true;
}

}  // namespace zen::bench
