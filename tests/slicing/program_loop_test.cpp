// One job through the program's own main window and event loop: files dropped on the list,
// the start button pressed, turns run until the job is done.
#include <stdlib.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"
#include "platform/text.h"
#include "tests/slicing/job_fixture.h"
#include "tests/support/shell_records.h"

namespace zen::test {
namespace {

TEST(ProgramLoopTest, TheStartButtonCutsTheDroppedFilesWithTheWindowsDefaults) {
  std::string pattern = (fs::temp_directory_path() / "zen-slicing-loop-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path root = pattern;
  fs::create_directories(root / "settings");
  fs::create_directories(root / "ep1");
  for (const char* name : {"001.png", "002.png"}) {
    ASSERT_TRUE(WritePng(root / "ep1" / name, 690, 1600, [](int x, int y) { return PagePixel(x, y, 1, false); }));
  }
  ResetProcessRecords();
  RegisterAllCodecs();
  InitProgramRunner();
  gui::HeadlessGui* gui = InstallHeadlessGui();
  BuildMainWindow();
  RefreshDigitsLabel();
  WireJobHooks(Hooks());
  WireSourceListHooks(Hooks());
  App().settings_folder = FromUtf8((root / "settings").string() + "/");
  App().converter_path = FromUtf8(ZEN_CONVERTER_STAND_IN);
  CallHook(Hooks().reset_job);

  gui->Press(gui::CtlOpenFolderCheck);  // checked by default; no file browser in a test
  gui->Drop(gui::CtlSourceList, FromUtf8((root / "ep1/002.png").string() + "\n" + (root / "ep1/001.png").string()));
  gui->Press(gui::CtlStartButton);
  for (int turn = 0; turn < 1000; ++turn) {
    RunTurn();
    if (TheSlicingJob().job_state == JobIdle && gui->PendingEvents() == 0) break;
  }
  EXPECT_EQ(TheSlicingJob().job_state, JobIdle);
  EXPECT_TRUE(App().poll_events);
  EXPECT_EQ(gui->ContentSize(gui::MainWindow).height, 660);
  EXPECT_EQ(gui->Text(gui::CtlProgressText), u"작업 완료");
  // Height 1500, joined, jpg, prefix slice_: 3200 rows make 1500, 1500 and 200.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(root / "ep1/slice"))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"slice_1.jpg", "slice_2.jpg", "slice_3.jpg"}));
  EXPECT_TRUE(gui->MessageBoxes().empty());

  // Names a settings file can give, which typing never could: no job starts with them.
  const std::vector<std::pair<gui::ControlId, std::u16string>> names_from_settings = {
      {gui::CtlFolderBox, u"../ep2"}, {gui::CtlFolderBox, u""}, {gui::CtlPrefixBox, u"../"}};
  for (const auto& [box, name] : names_from_settings) {
    gui->SetText(gui::CtlFolderBox, u"slice");
    gui->SetText(box, name);
    gui->Press(gui::CtlStartButton);
    RunTurn();
    EXPECT_EQ(TheSlicingJob().job_state, JobIdle);
    ASSERT_FALSE(gui->MessageBoxes().empty());
    EXPECT_EQ(gui->MessageBoxes().back().title,
              box == gui::CtlFolderBox ? u"사용할 수 없는 폴더 이름" : u"사용할 수 없는 파일 이름");
  }
  EXPECT_EQ(gui->MessageBoxes().size(), 3u);
  EXPECT_FALSE(fs::exists(root / "ep2"));

  ResetSlicingJob();
  gui::InstallGui(nullptr);
  ResetProcessRecords();
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

}  // namespace
}  // namespace zen::test
