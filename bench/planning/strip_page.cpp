#include "bench/planning/strip_page.h"

#include <algorithm>
#include <cstdlib>

namespace zen::bench {
namespace {

struct Rgb {
  int r = 255, g = 255, b = 255;
};

constexpr Rgb kInk{20, 20, 20};

struct Random {
  uint64_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 16);
  }
  int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }
  bool Chance(int percent) { return static_cast<int>(Next() % 100) < percent; }
  Rgb Colour(int lo, int hi) { return {Range(lo, hi), Range(lo, hi), Range(lo, hi)}; }
};

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) {
  uint32_t h = a * 0x9E3779B1u ^ b * 0x85EBCA77u ^ c * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 12);
}

class Painter {
 public:
  Painter(StripPage& page, Random& random) : page_(page), random_(random) {}

  void Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= page_.width || y >= page_.height) return;
    uint8_t* p = &page_.rgba[(static_cast<size_t>(y) * static_cast<size_t>(page_.width) + static_cast<size_t>(x)) * 4];
    p[0] = static_cast<uint8_t>(std::clamp(c.r, 0, 255));
    p[1] = static_cast<uint8_t>(std::clamp(c.g, 0, 255));
    p[2] = static_cast<uint8_t>(std::clamp(c.b, 0, 255));
    p[3] = 255;
  }

  void Label(int y0, int rows, RowElement element) {
    for (int y = std::max(y0, 0); y < std::min(y0 + rows, page_.height); ++y)
      page_.element[static_cast<size_t>(y)] = element;
  }

  void Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
  }

  // Drawn art: a shaded base, hatching, grain and ink lines; no row of it is plain.
  void Art(int x0, int y0, int x1, int y1) {
    const Rgb base = random_.Colour(60, 200);
    const uint32_t seed = random_.Next();
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const uint32_t h = Hash(seed, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
        const int shade = (y - y0) * 60 / std::max(1, y1 - y0) + static_cast<int>(h % 61) - 30;
        Rgb c{base.r + shade, base.g + shade / 2, base.b - shade};
        if ((x + y + static_cast<int>(seed % 97)) % 23 < 2) c = kInk;
        Set(x, y, c);
      }
    }
  }

  // A sky over the top rows of a panel: one flat colour, or a gradient.
  int Sky(int x0, int y0, int x1, int rows) {
    const Rgb top = random_.Colour(90, 230);
    const Rgb bottom = random_.Chance(50) ? top : random_.Colour(90, 230);
    for (int y = 0; y < rows; ++y) {
      const Rgb c{top.r + (bottom.r - top.r) * y / rows, top.g + (bottom.g - top.g) * y / rows,
                  top.b + (bottom.b - top.b) * y / rows};
      Fill(x0, y0 + y, x1, y0 + y + 1, c);
    }
    return rows;
  }

  // Lines of text: glyph cells of ink strokes, `gap` plain rows between the lines.
  int Text(int x0, int x1, int y0, int lines, int line_rows, int gap, Rgb ink) {
    const uint32_t seed = random_.Next();
    for (int line = 0; line < lines; ++line) {
      const int top = y0 + line * (line_rows + gap);
      for (int x = x0; x < x1; ++x) {
        const int cell = (x - x0) / 15, in_cell = (x - x0) % 15;
        if (in_cell >= 12 || Hash(seed, static_cast<uint32_t>(line), static_cast<uint32_t>(cell)) % 9 == 0) continue;
        for (int y = top; y < top + line_rows; ++y) {
          const uint32_t h =
              Hash(seed + static_cast<uint32_t>(cell), static_cast<uint32_t>(in_cell), static_cast<uint32_t>(y - top));
          if (h % 100 < 40) Set(x, y, ink);
        }
      }
    }
    return lines * line_rows + (lines - 1) * gap;
  }

  StripPage& page_;
  Random& random_;
};

int FullBleed(Painter& p, Random& r, int y, int rows) {
  const int sky = r.Chance(55) ? std::min(rows - 40, r.Range(60, 450)) : 0;
  p.Label(y, rows, RowElement::Art);
  if (sky > 0) p.Label(y, p.Sky(0, y, p.page_.width, sky), RowElement::Sky);
  p.Art(0, y + sky, p.page_.width, y + rows);
  return rows;
}

int Framed(Painter& p, Random& r, int y, int rows) {
  const int margin = r.Range(20, 60), border = r.Range(3, 5), right = p.page_.width - margin;
  p.Label(y, rows, RowElement::FramedPanel);
  p.Fill(margin, y, right, y + rows, kInk);
  const int sky = r.Chance(40) ? r.Range(40, rows / 2) : 0;
  if (sky > 0) p.Label(y + border, p.Sky(margin + border, y + border, right - border, sky), RowElement::Sky);
  p.Art(margin + border, y + border + sky, right - border, y + rows - border);
  return rows;
}

// A speech balloon: an outlined ellipse round its text, or the text bare on the page.
int Balloon(Painter& p, Random& r, int y) {
  const int lines = r.Range(2, 8), line_rows = r.Range(12, 16), gap = r.Range(8, 16);
  const int text_rows = lines * line_rows + (lines - 1) * gap;
  const int text_width = r.Range(160, 360), pad = r.Range(22, 34);
  const int cx = r.Range(text_width / 2 + 60, p.page_.width - text_width / 2 - 60);
  const int rows = text_rows + 2 * pad;
  const bool outlined = r.Chance(60);
  p.Label(y, rows, outlined ? RowElement::OutlinedBalloon : RowElement::BareBalloon);
  if (outlined) {
    const double a = text_width / 2.0 + 40, b = rows / 2.0;
    for (int yy = 0; yy < rows; ++yy) {
      for (int x = cx - static_cast<int>(a) - 4; x <= cx + static_cast<int>(a) + 4; ++x) {
        const double dx = (x - cx) / a, dy = (yy - b + 0.5) / b, d = dx * dx + dy * dy;
        if (d <= 1.0 && d >= 0.93) p.Set(x, y + yy, kInk);
      }
    }
  }
  p.Text(cx - text_width / 2, cx + text_width / 2, y + pad, lines, line_rows, gap, kInk);
  return rows;
}

// A narration box (filled, framed) or a dark band across the page, with its lines.
int Narration(Painter& p, Random& r, int y) {
  const int lines = r.Range(2, 8), line_rows = r.Range(12, 16), gap = r.Range(8, 16), pad = r.Range(14, 26);
  const int rows = lines * line_rows + (lines - 1) * gap + 2 * pad;
  const bool band = r.Chance(40);
  const int margin = band ? 0 : r.Range(20, 90);
  p.Label(y, rows, band ? RowElement::DarkBand : RowElement::NarrationBox);
  const Rgb fill = r.Chance(50) ? Rgb{245, 235, 200} : Rgb{30, 30, 40};
  const Rgb ink = fill.r > 128 ? kInk : Rgb{240, 240, 240};
  if (!band) p.Fill(margin, y, p.page_.width - margin, y + rows, kInk);
  const int border = band ? 0 : 2;
  p.Fill(margin + border, y + border, p.page_.width - margin - border, y + rows - border, fill);
  p.Text(margin + 30, p.page_.width - margin - 30, y + pad, lines, line_rows, gap, ink);
  return rows;
}

int GutterRows(Random& r) {
  const int pick = r.Range(0, 99);
  if (pick < 55) return r.Range(40, 220);
  if (pick < 80) return r.Range(16, 40);
  if (pick < 95) return r.Range(220, 450);
  return r.Range(8, 15);
}

}  // namespace

const char* ElementName(RowElement element) {
  static const char* const kNames[] = {"gutter",           "sky",          "art",           "framed panel",
                                       "outlined balloon", "bare balloon", "narration box", "dark band"};
  return kNames[static_cast<int>(element)];
}

std::pair<int64_t, int64_t> StripPage::ElementSpan(int64_t row) const {
  int64_t top = row, bottom = row + 1;
  const RowElement kind = element[static_cast<size_t>(row)];
  while (top > 0 && element[static_cast<size_t>(top - 1)] == kind && !gutter[static_cast<size_t>(top - 1)]) --top;
  while (bottom < height && element[static_cast<size_t>(bottom)] == kind && !gutter[static_cast<size_t>(bottom)])
    ++bottom;
  return {top, bottom};
}

bool StripPage::SafeCut(int64_t row) const {
  if (row <= 0 || row >= height) return true;
  return gutter[static_cast<size_t>(row - 1)] || gutter[static_cast<size_t>(row)];
}

std::vector<std::pair<int64_t, int64_t>> StripPage::GutterBands(int64_t rows) const {
  std::vector<std::pair<int64_t, int64_t>> bands;
  for (int64_t y = 0; y < height;) {
    if (!gutter[static_cast<size_t>(y)]) {
      ++y;
      continue;
    }
    int64_t end = y;
    while (end < height && gutter[static_cast<size_t>(end)]) ++end;
    if (end - y >= rows) bands.emplace_back(y, end);
    y = end;
  }
  return bands;
}

StripPage MakeStripPage(uint32_t seed, int32_t width, int32_t height) {
  StripPage page;
  page.width = width;
  page.height = height;
  page.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 255);
  page.gutter.assign(static_cast<size_t>(height), 1);
  page.element.assign(static_cast<size_t>(height), RowElement::Gutter);
  Random random{0x9E3779B97F4A7C15ull ^ (static_cast<uint64_t>(seed) * 0x100000001B3ull + 1)};
  Painter painter(page, random);
  int y = random.Range(0, 100);
  while (y < height) {
    const int pick = random.Range(0, 99);
    int rows = 0;
    if (pick < 30)
      rows = FullBleed(painter, random, y, random.Range(500, 1500));
    else if (pick < 55)
      rows = Framed(painter, random, y, random.Range(400, 1200));
    else if (pick < 80)
      rows = Balloon(painter, random, y);
    else
      rows = Narration(painter, random, y);
    for (int row = y; row < std::min(y + rows, height); ++row) page.gutter[static_cast<size_t>(row)] = 0;
    y += rows + GutterRows(random);
  }
  page.frame_line = random.Chance(50);
  if (page.frame_line) painter.Fill(0, 0, 2, height, Rgb{40, 40, 40});
  return page;
}

}  // namespace zen::bench
