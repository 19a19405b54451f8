// Whole jobs that cut where the smart planner (or a given plan) says, across files and
// converter strips, and the plan every mode records.
#include "tests/slicing/job_fixture.h"

namespace zen::test {
namespace {

class PlannedCuttingTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    UsePng();
  }
};

auto Gutters(std::vector<std::pair<int, int>> ranges) {
  return [ranges](int y) {
    for (auto [from, to] : ranges) {
      if (y >= from && y < to) return true;
    }
    return false;
  };
}

TEST_F(PlannedCuttingTest, SmartPiecesSpanTheFilesOfAFolderAndTheRunIsRecorded) {
  // A 900-row and a 1700-row file: gutters at run rows 580-620 and 1700-1740. Neither cut
  // alone keeps every piece within 1500 rows, so the middle piece spans both files.
  AddSource(MakePage("ep/a.png", 200, 900, 1, Gutters({{580, 620}})));
  AddSource(MakePage("ep/b.png", 200, 1700, 2, Gutters({{800, 840}})));
  UseSmart(300, 1500);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{600, 1120, 880}));
  auto middle = ReadPng(root_ / "ep/slice/slice_2.png");
  ASSERT_TRUE(middle);
  EXPECT_EQ(RowCode(*middle, 0), 600);
  EXPECT_EQ(RowTag(*middle, 299), 1);
  EXPECT_EQ(RowCode(*middle, 300), 0);
  EXPECT_EQ(RowTag(*middle, 300), 2);
  EXPECT_EQ(RowCode(*middle, 1119), 819);
  ASSERT_EQ(observer_.pieces[1].rows.size(), 2u);
  EXPECT_EQ(observer_.pieces[1].rows[1].row_count, 820);

  const CutPlan& plan = TheSlicingJob().plan;
  ASSERT_EQ(plan.runs.size(), 1u);
  ASSERT_EQ(plan.runs[0].files.size(), 2u);
  EXPECT_EQ(plan.runs[0].files[1].top, 900);
  EXPECT_EQ(plan.runs[0].cuts,
            (std::vector<PlanCut>{
                {600, CutKind::Gutter, {580, 620}}, {1720, CutKind::Gutter, {1700, 1740}}, {2600, CutKind::End, {}}}));
}

TEST_F(PlannedCuttingTest, SmartCutsRunThroughConverterStripsAndKeepTheLastPieceLong) {
  // Gutters every 1000 rows at 900-950; strip seams every 2000 rows fall inside pieces.
  // The Part's scan leaves a 75-row last piece here; the smart planner ends at 38925.
  AddSource(MakePage("ep/tall.png", 200, 40000, 0, [](int y) { return y % 1000 >= 900 && y % 1000 < 950; }));
  UseSmart(300, 1500);
  RunJob();
  std::vector<int> expected{925};
  for (int i = 0; i < 38; ++i) expected.push_back(1000);
  expected.push_back(1075);
  EXPECT_EQ(PieceHeights(), expected);
  int64_t next = 0;
  for (const PieceReport& piece : observer_.pieces) {
    for (const PieceRows& part : piece.rows) {
      EXPECT_EQ(part.first_row, next);
      next += part.row_count;
    }
  }
  EXPECT_EQ(next, 40000);
  auto seam = ReadPng(root_ / "ep/slice/slice_3.png");  // rows 1925-2924, across the seam at 2000
  ASSERT_TRUE(seam);
  EXPECT_EQ(RowCode(*seam, 74), 1999);
  EXPECT_EQ(RowCode(*seam, 75), 2000);
  EXPECT_TRUE(FilesIn(settings_).empty());
}

TEST_F(PlannedCuttingTest, TheFixedAndTheGutterModesRecordTheirCuts) {
  AddSource(MakePage("ep/a.png", 9, 1000, 1));
  AddSource(MakePage("ep/b.png", 9, 1000, 2));
  UseFixedHeight(1200, true);
  RunJob();
  ASSERT_EQ(TheSlicingJob().plan.runs.size(), 1u);
  EXPECT_EQ(TheSlicingJob().plan.runs[0].cuts,
            (std::vector<PlanCut>{{1200, CutKind::Fixed, {}}, {2000, CutKind::End, {}}}));

  gui_->ClearRows(gui::CtlSourceList);
  AddSource(MakePage("ep2/page.png", 9, 3000, 0, Gutters({{1000, 1200}})));
  UseCutDetection(300, 1500);
  RunJob();
  ASSERT_EQ(TheSlicingJob().plan.runs.size(), 1u);
  EXPECT_EQ(TheSlicingJob().plan.runs[0].cuts,
            (std::vector<PlanCut>{{1200, CutKind::Gutter, {1000, 1200}}, {3000, CutKind::End, {}}}));
}

}  // namespace
}  // namespace zen::test
