// The picture is drawn straight into its pixels: the run's columns, the cut lines, and
// digits from a small built-in 5 x 7 font (the batch command line has no font to ask).
#include "planning/plan_picture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace zen {
namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kLabelWidth = 76;
constexpr int32_t kColumnGap = 16;
constexpr int32_t kLineHalf = 1;  // lines 3 pixels thick
constexpr int32_t kDigitScale = 2;
constexpr Colour kInk = ColourPack(20, 20, 20);
constexpr Colour kFrame = ColourPack(190, 190, 190);

// Rows of each glyph, top first, the leftmost pixel in bit 4: 0-9, then '#'.
constexpr std::array<std::array<uint8_t, 7>, 11> kGlyphs = {{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A},
}};

void Fill(NativeImage& image, int32_t x, int32_t y, int32_t width, int32_t height, Colour colour) {
  const int32_t left = std::max(0, x), right = std::min(image.width, x + width);
  const int32_t top = std::max(0, y), bottom = std::min(image.height, y + height);
  for (int32_t row = top; row < bottom; ++row) {
    uint8_t* p = image.Row(row) + static_cast<size_t>(left) * 4;
    for (int32_t column = left; column < right; ++column, p += 4) {
      p[0] = static_cast<uint8_t>(ColourRed(colour));
      p[1] = static_cast<uint8_t>(ColourGreen(colour));
      p[2] = static_cast<uint8_t>(ColourBlue(colour));
      p[3] = 255;
    }
  }
}

void DrawText(NativeImage& image, int32_t x, int32_t y, const std::string& text, Colour colour) {
  for (char c : text) {
    const size_t glyph = c == '#' ? 10 : static_cast<size_t>(c - '0');
    if (glyph < kGlyphs.size()) {
      for (int32_t row = 0; row < 7; ++row) {
        for (int32_t column = 0; column < 5; ++column) {
          if (kGlyphs[glyph][static_cast<size_t>(row)] & (0x10 >> column)) {
            Fill(image, x + column * kDigitScale, y + row * kDigitScale, kDigitScale, kDigitScale, colour);
          }
        }
      }
    }
    x += 6 * kDigitScale;
  }
}

struct Layout {
  int32_t factor = 1;
  int32_t width = 0;          // of the run in the picture
  int32_t column_height = 1;  // picture rows per column
  int32_t X(int64_t column) const {
    return kMargin + static_cast<int32_t>(column) * (width + kLabelWidth + kColumnGap);
  }
  // The column and the y in the picture of a run row (the run's end stays in the last column).
  std::pair<int64_t, int32_t> Place(int64_t run_row, int64_t picture_rows) const {
    const int64_t y = std::min(run_row / factor, picture_rows);
    const int64_t column = std::min(y / column_height, (picture_rows - 1) / column_height);
    return {column, kMargin + static_cast<int32_t>(y - column * column_height)};
  }
};

void DrawColumns(NativeImage& picture, const NativeImage& reduced, const Layout& layout, int64_t columns) {
  for (int64_t c = 0; c < columns; ++c) {
    const int32_t first = static_cast<int32_t>(c * layout.column_height);
    const int32_t rows = std::min(layout.column_height, reduced.height - first);
    const int32_t x = layout.X(c);
    Fill(picture, x - 1, kMargin - 1, layout.width + 2, rows + 2, kFrame);
    for (int32_t r = 0; r < rows; ++r) {
      std::memcpy(picture.Row(kMargin + r) + static_cast<size_t>(x) * 4, reduced.Row(first + r),
                  static_cast<size_t>(layout.width) * 4);
    }
  }
}

}  // namespace

Colour CutColour(CutKind kind) {
  switch (kind) {
    case CutKind::Gutter: return GutterCutColour;
    case CutKind::Forced: return ForcedCutColour;
    case CutKind::Fixed: return FixedCutColour;
    default: return EndCutColour;
  }
}

std::unique_ptr<NativeImage> DrawPlanPicture(const NativeImage& reduced, int32_t factor, const PlanRun& run,
                                             int64_t first) {
  if (!reduced.pixels || reduced.width <= 0 || reduced.height <= 0) return nullptr;
  Layout layout;
  layout.factor = std::max(factor, 1);
  layout.width = reduced.width;
  const int64_t columns = (reduced.height + PictureColumnHeight - 1) / PictureColumnHeight;
  layout.column_height = static_cast<int32_t>((reduced.height + columns - 1) / columns);
  const int64_t width = layout.X(columns) - kColumnGap + kMargin;
  std::unique_ptr<NativeImage> picture =
      NewNativeImage(static_cast<int32_t>(width), layout.column_height + 2 * kMargin);
  if (!picture) return nullptr;
  Fill(*picture, 0, 0, picture->width, picture->height, ColourPack(255, 255, 255));
  DrawColumns(*picture, reduced, layout, columns);
  int64_t top = 0;
  int64_t number = first;
  for (const PlanCut& cut : run.cuts) {
    const auto [column, y] = layout.Place(cut.row, reduced.height);
    const int32_t x = layout.X(column);
    Fill(*picture, x - 4, y - kLineHalf, layout.width + 12, 2 * kLineHalf + 1, CutColour(cut.kind));
    const int32_t label_y = std::max(kMargin, y - 34);
    DrawText(*picture, x + layout.width + 10, label_y, "#" + std::to_string(number++), kInk);
    DrawText(*picture, x + layout.width + 10, label_y + 17, std::to_string(cut.row - top), CutColour(cut.kind));
    top = cut.row;
  }
  return picture;
}

}  // namespace zen
