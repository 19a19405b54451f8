#include "sources/source_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "sources/file_order.h"
#include "sources/path_helpers.h"
#include "tests/sources/list_harness.h"

namespace zen {
namespace {

using gui::Gui;
constexpr gui::ControlId kList = gui::CtlSourceList;

const std::u16string kA = u"/home/kim/에피소드 1/";
const std::u16string kB = u"/home/kim/b/";
constexpr std::u16string_view kNotice = u"같은 폴더에 위치한 파일끼리 순서 변경이 가능합니다.";

class SourceListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetImageTable();
    ImageCreate(gui::SlotFolderIcon, 16, 16);
    icon_ = ImageNativeObject(gui::SlotFolderIcon);
    ASSERT_NE(icon_, nullptr);
    harness_ = test::ListHarness::Install();
  }
  void TearDown() override { ResetImageTable(); }

  // Rows as if added earlier, labelled, nothing selected.
  void Seed(const std::vector<std::u16string>& paths) {
    for (const auto& path : paths) Gui().InsertRow(kList, -1, u"", FilePart(path), path);
    RefreshFolderColumn();
  }
  std::vector<std::u16string> Files() {
    std::vector<std::u16string> files;
    for (int row = 0; row < Gui().RowCount(kList); ++row) files.push_back(Gui().CellText(kList, row, 1));
    return files;
  }
  std::vector<int> Selected() {
    std::vector<int> rows;
    for (int row = 0; row < Gui().RowCount(kList); ++row) {
      if (Gui().RowSelected(kList, row)) rows.push_back(row);
    }
    return rows;
  }
  std::u16string Label(int row) { return Gui().CellText(kList, row, 0); }
  const NativeImage* Icon(int row) { return harness_->RowIcon(row); }
  void SeedABB1() { Seed({kA + u"A1.jpg", kA + u"A2.jpg", kB + u"B1.jpg"}); }

  const NativeImage* icon_ = nullptr;
  std::unique_ptr<test::ListHarness> harness_;
};

using Names = std::vector<std::u16string>;

TEST_F(SourceListTest, ColumnsAreFolderFileAndHiddenFullPath) {
  SetUpSourceListColumns();
  const std::vector<gui::ListColumn> columns = harness_->Columns();
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].title, u"폴더");
  EXPECT_EQ(columns[0].width, 100);
  EXPECT_EQ(columns[1].title, u"파일");
  EXPECT_EQ(columns[1].width, 330);
  EXPECT_EQ(columns[2].title, u"전체경로");
  EXPECT_EQ(columns[2].width, 0);
}

TEST_F(SourceListTest, DialogAddsBelowTheFolderRunInNaturalOrderAndNamesTheRefusedOnce) {
  SeedABB1();
  Gui().SelectRow(kList, 2);
  harness_->AnswerDialog({kA + u"readme.txt", kA + u"z.jpg", kA + u"movie.mp4", kA + u"c.png"});
  AddFilesFromDialog();
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"c.png", u"z.jpg", u"B1.jpg"}));
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3}));
  EXPECT_EQ(Gui().CellText(kList, 3, 2), kA + u"z.jpg");
  EXPECT_EQ(harness_->Headless().Control(kList)->rows[3].tip, kA + u"z.jpg");
  EXPECT_EQ(Label(2), u"");
  EXPECT_EQ(Icon(2), nullptr);
  EXPECT_EQ(Label(4), u" b");
  EXPECT_EQ(Icon(4), icon_);
  ASSERT_EQ(harness_->Messages().size(), 1u);
  EXPECT_EQ(harness_->Messages()[0].text,
            u"이미지 파일(jpg, jpeg, png, psd, psb)만 목록에 추가할 수 있습니다.\r\rmovie.mp4\rreadme.txt");

  const gui::DialogRecord call = harness_->LastDialog();
  EXPECT_EQ(call.title, u"이미지 파일을 선택하세요.");
  EXPECT_EQ(call.filter,
            u"지원되는 이미지 파일 ( jpg, png, psd, psb ) | *.jpg;*.jpeg;*.png;*.psd;*.psb; | JPG | *.jpg;*.jpeg; | "
            u"PNG | *.png; | PSD | *.psd; | PSB | *.psb; | 모든 파일 | *;");
  EXPECT_TRUE(call.multiple);
}

TEST_F(SourceListTest, DialogFilesOfANewFolderAreAppendedWithTheFolderLabelAndIcon) {
  SeedABB1();
  harness_->AnswerDialog({u"/mnt/새 폴더/x.PSD", u"/mnt/새 폴더/y.psb"});
  AddFilesFromDialog();
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"B1.jpg", u"x.PSD", u"y.psb"}));
  EXPECT_EQ(Selected(), (std::vector<int>{3, 4}));
  EXPECT_EQ(Label(0), u" 에피소드 1");
  EXPECT_EQ(Icon(0), icon_);
  EXPECT_EQ(Label(3), u" 새 폴더");
  EXPECT_EQ(Icon(3), icon_);
  EXPECT_EQ(Label(4), u"");
  EXPECT_EQ(Icon(4), nullptr);
}

TEST_F(SourceListTest, CancelledDialogKeepsRowsButClearsTheSelection) {
  SeedABB1();
  Gui().SelectRow(kList, 0);
  Gui().SelectRow(kList, 2);
  harness_->AnswerDialog({});
  AddFilesFromDialog();
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"B1.jpg"}));
  EXPECT_TRUE(Selected().empty());
}

TEST_F(SourceListTest, DropSortsSkipsOtherTypesAndKeepsTheSelection) {
  SeedABB1();
  Gui().SelectRow(kList, 2);
  AddDroppedFiles(kA + u"b.jpg\n" + kA + u"a.png\n" + kA + u"notes.txt");
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"a.png", u"b.jpg", u"B1.jpg"}));
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(Label(4), u" b");
  EXPECT_EQ(Icon(4), icon_);
}

TEST_F(SourceListTest, DropOrderIsNaturalAndEachFolderJoinsItsOwnRun) {
  AddDroppedFiles(kB + u"10.jpg\n" + kB + u"2.jpg\n" + kB + u"1.jpg\n" + kB + u"02.jpg");
  EXPECT_EQ(Files(), (Names{u"1.jpg", u"02.jpg", u"2.jpg", u"10.jpg"}));
  ClearRows();
  // Hangul units (0x8000 and up) count as negative, so they come before ASCII and
  // before the end of a shorter name.
  AddDroppedFiles(kB + u"zz.jpg\n" + kB + u"가.jpg\n" + kB + u"a.jpg\n" + kB + u"a가.jpg");
  EXPECT_EQ(Files(), (Names{u"가.jpg", u"a가.jpg", u"a.jpg", u"zz.jpg"}));
  // Files of a folder already listed join its run even when another folder sorts first.
  Seed({u"/zzz/c.jpg"});
  harness_->Headless().ClearMessageBoxes();
  AddDroppedFiles(kB + u"x.jpg\n/a/readme\n/new/n.png");
  EXPECT_EQ(Files(), (Names{u"가.jpg", u"a가.jpg", u"a.jpg", u"zz.jpg", u"x.jpg", u"c.jpg", u"n.png"}));
  ASSERT_EQ(harness_->Messages().size(), 1u);
}

TEST(NaturalOrder, DigitRunsCompareByValueThenLongerFirst) {
  EXPECT_TRUE(NaturalLess(u"2", u"10"));
  EXPECT_TRUE(NaturalLess(u"02", u"2"));
  EXPECT_FALSE(NaturalLess(u"2", u"02"));
  EXPECT_TRUE(NaturalLess(u"ep9/p100.png", u"ep10/p1.png"));
  EXPECT_TRUE(NaturalLess(u"p0000000000000000000009", u"p10"));  // runs longer than any integer
  EXPECT_TRUE(NaturalLess(u"a1b", u"a1c"));
  EXPECT_TRUE(NaturalLess(u"a9", u"a:"));  // a digit against another character: by code unit
  EXPECT_FALSE(NaturalLess(u"x10", u"x10"));
}

TEST_F(SourceListTest, DropAcceptsByExtensionOnly) {
  AddDroppedFiles(kB + u"PHOTO.JPG\n" + kB + u"archive.jpg.zip\n" + kB + u"x. jpg\n" + kB + u"scans.png");
  EXPECT_EQ(Files(), (Names{u"PHOTO.JPG", u"scans.png"}));
}

TEST_F(SourceListTest, AFolderStandsForTheImagesItDirectlyHolds) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "zen-folder-drop";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "ep.jpg" / "sub");
  for (const char* name : {"10.png", "2.JPG", "1.jpeg", "notes.txt", ".1.png", "sub/0.png"}) {
    std::ofstream(root / "ep.jpg" / name) << "x";
  }
  const std::u16string folder = FromUtf8((root / "ep.jpg").string());
  AddDroppedFiles(folder);
  EXPECT_EQ(Files(), (Names{u"1.jpeg", u"2.JPG", u"10.png"}));
  EXPECT_EQ(Label(0), u" ep.jpg");
  EXPECT_TRUE(harness_->Messages().empty());  // what a folder holds besides pictures is no refusal
  // Chosen in the dialog it does the same (a folder's name sorts before its files').
  ClearRows();
  harness_->AnswerDialog({folder + u"/10.png", folder});
  AddFilesFromDialog();
  EXPECT_EQ(Files(), (Names{u"1.jpeg", u"2.JPG", u"10.png", u"10.png"}));
  std::filesystem::remove_all(root);
}

TEST_F(SourceListTest, DropWithATrailingLineFeedStillJoinsItsFolder) {
  SeedABB1();
  AddDroppedFiles(kA + u"n.jpg\n");
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"n.jpg", u"B1.jpg"}));
  AddDroppedFiles(u"");
  EXPECT_EQ(Gui().RowCount(kList), 4);
}

TEST_F(SourceListTest, MoveUpAcrossAFolderIsRefusedWithTheNotice) {
  SeedABB1();
  Gui().SelectRow(kList, 2);
  MoveSelectedRowsUp();
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"B1.jpg"}));
  const std::vector<gui::MessageRecord> messages = harness_->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, u"알림");
  EXPECT_EQ(messages[0].text, kNotice);
  EXPECT_EQ(messages[0].icon, gui::MessageIcon::Plain);
}

TEST_F(SourceListTest, MoveUpWithinAFolderKeepsTheSelectionAndRelabels) {
  SeedABB1();
  Gui().SelectRow(kList, 1);
  MoveSelectedRowsUp();
  EXPECT_EQ(Files(), (Names{u"A2.jpg", u"A1.jpg", u"B1.jpg"}));
  EXPECT_EQ(Selected(), (std::vector<int>{0}));
  EXPECT_EQ(Label(0), u" 에피소드 1");
  EXPECT_EQ(Icon(0), icon_);
  EXPECT_EQ(Label(1), u"");
  EXPECT_EQ(Icon(1), nullptr);
  EXPECT_EQ(Gui().CellText(kList, 1, 2), kA + u"A1.jpg");
  MoveSelectedRowsDown();
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"B1.jpg"}));
  EXPECT_EQ(Selected(), (std::vector<int>{1}));
  EXPECT_TRUE(harness_->Messages().empty());
}

TEST_F(SourceListTest, MovesAtTheEdgesDoNothingAndSayNothing) {
  SeedABB1();
  Gui().SelectRow(kList, 0);
  Gui().SelectRow(kList, 1);
  MoveSelectedRowsUp();  // the walk meets row 0 first
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"B1.jpg"}));
  Gui().ClearSelection(kList);
  Gui().SelectRow(kList, 0);
  Gui().SelectRow(kList, 2);
  MoveSelectedRowsDown();  // the walk meets the last row first
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"A2.jpg", u"B1.jpg"}));
  EXPECT_TRUE(harness_->Messages().empty());
}

TEST_F(SourceListTest, RowsMovedBeforeAStopStayMoved) {
  SeedABB1();
  Gui().SelectRow(kList, 1);
  Gui().SelectRow(kList, 2);
  MoveSelectedRowsUp();
  EXPECT_EQ(Files(), (Names{u"A2.jpg", u"A1.jpg", u"B1.jpg"}));
  EXPECT_EQ(harness_->Messages().size(), 1u);

  ClearRows();
  Seed({kA + u"A1.jpg", kB + u"B1.jpg", kB + u"B2.jpg"});
  Gui().SelectRow(kList, 0);
  Gui().SelectRow(kList, 1);
  MoveSelectedRowsDown();
  EXPECT_EQ(Files(), (Names{u"A1.jpg", u"B2.jpg", u"B1.jpg"}));
  EXPECT_EQ(Selected(), (std::vector<int>{0, 2}));
  EXPECT_EQ(harness_->Messages().size(), 2u);
  EXPECT_EQ(Label(1), u" b");
  EXPECT_EQ(Icon(1), icon_);
  EXPECT_EQ(Label(2), u"");
}

TEST_F(SourceListTest, RemovingARunsFirstRowMovesItsLabelAndIcon) {
  SeedABB1();
  Gui().SelectRow(kList, 0);
  RemoveSelectedRows();
  EXPECT_EQ(Files(), (Names{u"A2.jpg", u"B1.jpg"}));
  EXPECT_EQ(Label(0), u" 에피소드 1");
  EXPECT_EQ(Icon(0), icon_);
  ClearRows();
  EXPECT_EQ(Gui().RowCount(kList), 0);
}

TEST_F(SourceListTest, InsertPositionIsBelowTheLowestRowOfTheFolder) {
  Seed({kA + u"A1.jpg", kB + u"B1.jpg", kA + u"A2.jpg", kB + u"B2.jpg"});
  EXPECT_EQ(FindFolderInsertPosition(kA), 3);
  EXPECT_EQ(FindFolderInsertPosition(kB), 4);
  EXPECT_EQ(FindFolderInsertPosition(u"/home/kim/"), -1);  // exact folder only
  EXPECT_EQ(FindFolderInsertPosition(u""), -1);
}

}  // namespace
}  // namespace zen
