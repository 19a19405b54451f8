// The smart planner on small pages drawn in memory: where it cuts, and what it never does.
#include "planning/smart_planner.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "planning/row_analysis.h"

namespace zen {
namespace {

constexpr int kWidth = 200;

struct Page {
  std::vector<uint8_t> rgba;
  int64_t Rows() const { return static_cast<int64_t>(rgba.size() / (4 * kWidth)); }
  uint8_t* Row(int64_t y) { return rgba.data() + static_cast<size_t>(y) * 4 * kWidth; }
};

using Painter = std::function<void(uint8_t* row, int64_t y)>;

void Fill(uint8_t* row, uint8_t r, uint8_t g, uint8_t b) {
  for (int x = 0; x < kWidth; ++x) {
    row[4 * x] = r;
    row[4 * x + 1] = g;
    row[4 * x + 2] = b;
    row[4 * x + 3] = 255;
  }
}

// Drawing everywhere: stripes that no tolerance takes for one colour.
void Art(uint8_t* row, int64_t y) {
  for (int x = 0; x < kWidth; ++x) {
    const uint8_t v = static_cast<uint8_t>(((x + y) % 14) < 7 ? 30 : 220);
    row[4 * x] = v;
    row[4 * x + 1] = static_cast<uint8_t>(v / 2);
    row[4 * x + 2] = 90;
    row[4 * x + 3] = 255;
  }
}

// White, with a line of text (strokes across the middle) on rows where `ink` holds.
void Text(uint8_t* row, bool ink) {
  Fill(row, 255, 255, 255);
  if (!ink) return;
  for (int x = 40; x < 160; x += 3) row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 0;
}

// A page of `rows` rows of art with the given painters over ranges [from, to).
Page MakePage(int64_t rows, std::vector<std::tuple<int64_t, int64_t, Painter>> ranges) {
  Page page;
  page.rgba.resize(static_cast<size_t>(rows) * 4 * kWidth);
  for (int64_t y = 0; y < rows; ++y) {
    Art(page.Row(y), y);
    for (auto& [from, to, paint] : ranges) {
      if (y >= from && y < to) paint(page.Row(y), y);
    }
  }
  return page;
}

Painter White() {
  return [](uint8_t* row, int64_t) { Fill(row, 255, 255, 255); };
}

std::vector<PlanCut> Plan(Page& page, PlannerLimits limits, int64_t chunk = 97) {
  SmartPlanner planner(limits);
  std::vector<PlanCut> cuts;
  for (int64_t y = 0; y < page.Rows(); y += chunk) {
    planner.AddRows(page.Row(y), kWidth, std::min(chunk, page.Rows() - y), 4 * kWidth);
    for (const PlanCut& cut : planner.TakeSettledCuts()) cuts.push_back(cut);
  }
  planner.Finish();
  for (const PlanCut& cut : planner.TakeSettledCuts()) cuts.push_back(cut);
  return cuts;
}

std::vector<int64_t> Rows(const std::vector<PlanCut>& cuts) {
  std::vector<int64_t> rows;
  for (const PlanCut& cut : cuts) rows.push_back(cut.row);
  return rows;
}

TEST(RowAnalysisTest, PlainRowsTolerateRingingAndAFrameLineButNotAGradientAcross) {
  std::vector<uint8_t> row(4 * kWidth);
  Fill(row.data(), 250, 250, 250);
  row[0] = row[1] = row[2] = 0;                            // a frame line in column 0
  for (int x = 50; x < kWidth; x += 10) row[4 * x] = 235;  // ringing within the tolerance
  EXPECT_TRUE(AnalyseRow(row.data(), kWidth).plain);
  row[4 * 100 + 3] = 0;  // a transparent pixel reads as white
  EXPECT_TRUE(AnalyseRow(row.data(), kWidth).plain);
  row[4 * 120] = row[4 * 121] = 0;  // two more dark pixels: over 0.5 % off
  EXPECT_FALSE(AnalyseRow(row.data(), kWidth).plain);
  for (int x = 0; x < kWidth; ++x) row[4 * x] = row[4 * x + 1] = static_cast<uint8_t>(x);
  EXPECT_FALSE(AnalyseRow(row.data(), kWidth).plain);
}

TEST(RowAnalysisTest, EveryPixelCountsAtAnyWidthAndAlpha) {
  // Exactly as many pixels off the row's colour as a plain row may have, then one more,
  // side by side at a random column, among pixels within the tolerance, some of them
  // translucent: the row is plain, then it is not.
  std::mt19937 random(11);
  for (int width : {5, 23, 24, 64, 67, 200, 690, 801}) {
    const int allowed = width * 5 / 1000;
    for (int off : {allowed, allowed + 1}) {
      std::vector<uint8_t> row(4 * static_cast<size_t>(width));
      for (int x = 0; x < width; ++x) {
        const bool translucent = random() % 5 == 0;
        row[4 * x] = static_cast<uint8_t>(214 + random() % 21);  // any two within 20 of each other
        row[4 * x + 1] = 224;
        row[4 * x + 2] = 224;
        row[4 * x + 3] = translucent ? 230 : 255;  // over white: channels rise by at most 4
      }
      const int from = static_cast<int>(random() % static_cast<unsigned>(width - off + 1));
      for (int x = from; x < from + off; ++x) row[4 * x + 1] = 100;
      EXPECT_EQ(AnalyseRow(row.data(), width).plain, off == allowed) << width << " " << off;
    }
  }
}

TEST(SmartPlannerTest, CutsInAGutterRatherThanBetweenLinesOfText) {
  // Lines of text on the page with 16-row gaps (wider than MinGutter) where two even
  // pieces would meet, and a gutter in reach that makes uneven ones: the gutter.
  auto text = [](uint8_t* row, int64_t y) { Text(row, (y - 800) % 30 < 14); };
  Page page = MakePage(1800, {{800, 1000, text}, {330, 350, White()}});
  EXPECT_EQ(Rows(Plan(page, {300, 1500})), (std::vector<int64_t>{340, 1800}));
  // Only text: cuts still go between its lines, none forced.
  Page all_text = MakePage(3000, {{0, 3000, text}});
  const std::vector<PlanCut> cuts = Plan(all_text, {300, 1500});
  ASSERT_GE(cuts.size(), 3u);
  for (const PlanCut& cut : cuts) EXPECT_NE(cut.kind, CutKind::Forced);
}

TEST(SmartPlannerTest, CutsInTheWideGutterRatherThanBetweenLinesOfText) {
  // Narration with 10-row gaps between its lines where two even pieces would meet, a wide
  // gutter at 700; the first plain row past the minimum would be inside the narration.
  auto text = [](uint8_t* row, int64_t y) { Text(row, (y - 1000) % 22 < 12); };
  Page page = MakePage(2200, {{1000, 1200, text}, {700, 760, White()}});
  const std::vector<PlanCut> cuts = Plan(page, {300, 1500});
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[0].row, 730);
  EXPECT_EQ(cuts[0].kind, CutKind::Gutter);
  EXPECT_EQ(cuts[0].band, (PlanBand{700, 760}));
  EXPECT_EQ(cuts[1], (PlanCut{2200, CutKind::End, {}}));
}

TEST(SmartPlannerTest, AGradientSkyIsNoGutterAndAFramedGutterIs) {
  // A vertical gradient is plain row by row; the gutter has a frame line in column 0.
  auto sky = [](uint8_t* row, int64_t y) { Fill(row, 60, static_cast<uint8_t>(100 + (y - 600) / 2), 230); };
  auto framed = [](uint8_t* row, int64_t) {
    Fill(row, 255, 255, 255);
    row[0] = row[1] = row[2] = 0;
  };
  Page page = MakePage(2400, {{600, 1000, sky}, {1500, 1540, framed}});
  EXPECT_EQ(Rows(Plan(page, {300, 1600})), (std::vector<int64_t>{1520, 2400}));
}

TEST(SmartPlannerTest, WithoutAnyBandFewCutsAreForcedAndPiecesStayEven) {
  std::mt19937 noise(7);
  auto grain = [&noise](uint8_t* row, int64_t) {
    for (int i = 0; i < 4 * kWidth; ++i) row[i] = (i % 4 == 3) ? 255 : static_cast<uint8_t>(noise());
  };
  Page page = MakePage(4000, {{0, 4000, grain}});
  const std::vector<PlanCut> cuts = Plan(page, {300, 1500});
  ASSERT_EQ(cuts.size(), 3u);  // as few forced cuts as the maximum allows
  const std::vector<int64_t> heights = PlanRun{{}, cuts}.PieceHeights();
  EXPECT_EQ(cuts[0].kind, CutKind::Forced);
  EXPECT_EQ(cuts[1].kind, CutKind::Forced);
  for (int64_t height : heights) {
    EXPECT_GE(height, 1200);
    EXPECT_LE(height, 1500);
  }
}

TEST(SmartPlannerTest, TheLastPieceIsNeverShorterThanTheMinimum) {
  // A gutter 150 rows above the end would leave a short last piece: cut elsewhere.
  Page page = MakePage(1600, {{1440, 1460, White()}, {700, 720, White()}});
  EXPECT_EQ(Rows(Plan(page, {300, 1500})), (std::vector<int64_t>{710, 1600}));
  // A run shorter than the minimum is one piece.
  Page short_page = MakePage(120, {});
  EXPECT_EQ(Rows(Plan(short_page, {300, 1500})), (std::vector<int64_t>{120}));
}

TEST(SmartPlannerTest, CutsAreSettledWhileRowsStreamAndHeldRowsStayBounded) {
  std::vector<std::tuple<int64_t, int64_t, Painter>> gutters;
  for (int64_t y = 700; y < 30000; y += 1000) gutters.emplace_back(y, y + 40, White());
  Page page = MakePage(30000, gutters);
  SmartPlanner planner({300, 1500});
  size_t before_end = 0;
  for (int64_t y = 0; y < page.Rows(); y += 500) {
    planner.AddRows(page.Row(y), kWidth, 500, 4 * kWidth);
    before_end += planner.TakeSettledCuts().size();
    planner.LimitUnsettled(3002);
    EXPECT_LE(planner.RowsSeen() - planner.SettledRow(), 3002);
  }
  EXPECT_GE(before_end, 20u);
  // Feeding everything at once settles the same cuts as streaming.
  EXPECT_EQ(Rows(Plan(page, {300, 1500}, 30000)), Rows(Plan(page, {300, 1500}, 500)));
}

}  // namespace
}  // namespace zen
