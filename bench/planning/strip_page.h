#pragma once
// Synthetic comic strips that know where they may be cut: full-bleed art, framed panels,
// flat and gradient skies, speech balloons (outlined or bare text) of 2-8 lines with gaps
// of 8-16 rows between the lines, narration boxes and dark narration bands, all stacked
// with white gutters of many heights; on some pages a frame line runs down column 0.
// Only the gutters are safe: a cut between two text lines, through a sky or a flat fill
// lands inside content even though its rows are plain.
#include <cstdint>
#include <vector>

namespace zen::bench {

// What each row belongs to, so a cut inside content can be traced to its cause.
enum class RowElement : uint8_t { Gutter, Sky, Art, FramedPanel, OutlinedBalloon, BareBalloon, NarrationBox, DarkBand };
const char* ElementName(RowElement element);

struct StripPage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgba;
  std::vector<uint8_t> gutter;      // per row: 1 in a white gutter between two elements
  std::vector<RowElement> element;  // per row
  bool frame_line = false;

  // Whether a cut above `row` (rows [0, row) above it) crosses no content.
  bool SafeCut(int64_t row) const;
  // Gutter bands [top, bottom) at least `rows` high.
  std::vector<std::pair<int64_t, int64_t>> GutterBands(int64_t rows) const;
  // The rows [top, bottom) of the element `row` lies in.
  std::pair<int64_t, int64_t> ElementSpan(int64_t row) const;
};

// The same seed makes the same page.
StripPage MakeStripPage(uint32_t seed, int32_t width, int32_t height);

}  // namespace zen::bench
