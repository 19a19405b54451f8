// The review window under the offscreen platform, through the program's loop: the plan of
// a real page, lines moved, added and removed with the mouse and keys, and the pieces
// written at the edited cuts.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "app/review/review_window.h"
#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/qt/qt_strip.h"
#include "platform/program_runner.h"
#include "platform/text.h"
#include "slicing/slicing_job.h"
#include "tests/gui/qt/qt_fixture.h"

namespace zen::gui {
namespace {

namespace fs = std::filesystem;

constexpr ImageId PageImage = 40;

struct PieceHeights : JobObserver {
  std::vector<int64_t> heights;
  void PieceSaved(const PieceReport& piece) override {
    if (piece.written) heights.push_back(piece.height);
  }
};

// A page of striped panels with white gutters of 20 rows every 300 rows.
void WritePage(const fs::path& path) {
  ImageCreate(PageImage, 120, 1200);
  DrawingStart(ImageDrawTarget(PageImage));
  FillRect(0, 0, 120, 1200, ColourPack(40, 50, 60));
  for (int x = 0; x < 120; x += 4) FillRect(x, 0, 2, 1200, ColourPack(220, 200, 90));
  for (int gutter = 290; gutter < 1200; gutter += 300) FillRect(0, gutter, 120, 20, ColourPack(255, 255, 255));
  DrawingStop();
  ASSERT_NE(ImageSave(PageImage, FromUtf8(path.string()), CodecPng, 0, -1), 0);
  ImageFree(PageImage);
}

class ReviewWindowTest : public QtGuiTest {
 protected:
  void SetUp() override {
    QtGuiTest::SetUp();
    std::string pattern = (fs::temp_directory_path() / "zen-review-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "settings");
    fs::create_directories(root_ / "ep1");
    RegisterAllCodecs();
    InitProgramRunner();
    ResetHooks();
    App().settings_folder = FromUtf8((root_ / "settings").string() + "/");
    App().converter_path = FromUtf8(ZEN_CONVERTER_STAND_IN);
    WireJobHooks(Hooks());
    WireReviewHooks(Hooks());
    Hooks().reset_job();
    TheSlicingJob().host.observer = &observer_;
    gui->SetState(CtlOpenFolderCheck, 0);
    gui->SetState(CtlCutDetectOption, 1);
    gui->SetText(CtlMinimumField, u"100");
    gui->SetText(CtlMaximumField, u"400");
    gui->SetState(CtlFormatBox, 1);  // png
    WritePage(root_ / "ep1" / "page.png");
    const std::u16string path = FromUtf8((root_ / "ep1" / "page.png").string());
    gui->InsertRow(CtlSourceList, -1, u"ep1", u"page.png", path);
  }
  void TearDown() override {
    ResetSlicingJob();
    ResetReviewState();
    ResetImageTable();
    QtGuiTest::TearDown();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Runs the loop's turns while something is to be done, until `done`.
  void RunUntil(const std::function<bool()>& done) {
    for (int turn = 0; turn < 10000 && !done(); ++turn) {
      QCoreApplication::processEvents();
      if (gui->PendingEvents() == 0 && !App().poll_events) break;
      RunTurn();
    }
    ASSERT_TRUE(done());
  }
  // Ctrl+P in the main window presses the review button.
  void OpenAndPlan() {
    ActivateMain();
    QTest::keyClick(gui->WindowWidget(MainWindow), Qt::Key_P, Qt::ControlModifier);
    ASSERT_GT(gui->PendingEvents(), 0u);
    RunTurn();  // the press: planning starts
    RunUntil([] { return !Review().planning && !Review().lines.empty(); });
  }
  StripCanvas* Canvas() { return static_cast<CutStripView*>(gui->ControlWidget(CtlReviewStrip))->Canvas(); }
  void Mouse(QEvent::Type type, int64_t row, Qt::MouseButtons held) {
    const QPointF at(20, Canvas()->RowToY(row));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, Canvas()->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(Canvas(), &event);
  }
  void Drag(int64_t from, int64_t to) {
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    Mouse(QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
  }
  std::vector<int64_t> Rows() {
    std::vector<int64_t> rows;
    for (const StripLine& line : gui->StripLines(CtlReviewStrip)) rows.push_back(line.row);
    return rows;
  }

  fs::path root_;
  PieceHeights observer_;
};

TEST_F(ReviewWindowTest, EditedCutsAreWhatSavingWritesAndClosingWritesNothing) {
  OpenAndPlan();
  EXPECT_TRUE(gui->WindowWidget(ReviewWindow)->isVisible());
  const std::vector<int64_t> planned = Rows();
  ASSERT_GE(planned.size(), 4u) << "three gutters and the end";
  EXPECT_EQ(planned.back(), 1200);

  gui->WindowWidget(ReviewWindow)->close();
  RunUntil([&] { return !gui->WindowWidget(ReviewWindow)->isVisible(); });
  EXPECT_FALSE(fs::exists(root_ / "ep1" / "slice"));

  OpenAndPlan();
  ASSERT_EQ(Rows(), planned);
  Drag(planned[0], planned[0] - 60);                            // move
  Mouse(QEvent::MouseButtonDblClick, 100, Qt::LeftButton);      // add
  Mouse(QEvent::MouseButtonPress, planned[1], Qt::LeftButton);  // select ...
  Mouse(QEvent::MouseButtonRelease, planned[1], Qt::NoButton);
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QCoreApplication::sendEvent(Canvas(), &del);            // ... and remove
  Mouse(QEvent::MouseButtonPress, 1200, Qt::LeftButton);  // the end stays
  QKeyEvent end_del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QCoreApplication::sendEvent(Canvas(), &end_del);
  RunUntil([&] { return gui->PendingEvents() == 0; });

  const std::vector<int64_t> edited = Rows();
  ASSERT_EQ(edited.size(), planned.size());
  EXPECT_NEAR(edited[0], 100, 1);
  EXPECT_NEAR(edited[1], planned[0] - 60, 1);
  EXPECT_EQ(std::vector<int64_t>(edited.begin() + 2, edited.end()),
            std::vector<int64_t>(planned.begin() + 2, planned.end()));
  EXPECT_EQ(EditedPlan().runs.at(0).cuts.at(0).kind, CutKind::Fixed);

  observer_.heights.clear();  // planning reports its pieces, unwritten
  static_cast<QPushButton*>(gui->ControlWidget(CtlReviewSave))->click();
  RunTurn();  // the press: the job starts
  RunUntil([] { return TheSlicingJob().job_state == JobIdle; });
  EXPECT_FALSE(gui->WindowWidget(ReviewWindow)->isVisible());
  std::vector<int64_t> expected;
  for (size_t i = 0; i < edited.size(); ++i) expected.push_back(edited[i] - (i == 0 ? 0 : edited[i - 1]));
  EXPECT_EQ(observer_.heights, expected);
  EXPECT_TRUE(fs::exists(root_ / "ep1" / "slice" / "slice_4.png"));
}

}  // namespace
}  // namespace zen::gui
