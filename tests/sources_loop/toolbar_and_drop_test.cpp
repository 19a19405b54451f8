#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "imaging/image_table.h"
#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "tests/support/shell_records.h"

namespace zen {
namespace {

using namespace zen::gui;

class SourcesThroughTheLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProcessRecords();
    gui = test::InstallHeadlessGui();
    BuildMainWindow();
    WireSourceListHooks(Hooks());
    ImageCreate(SlotFolderIcon, 8, 8);
  }
  void TearDown() override {
    InstallGui(nullptr);
    test::ResetProcessRecords();
  }
  void Drain() {
    for (int guard = 0; gui->PendingEvents() > 0 && guard < 100; ++guard) RunTurn();
  }
  std::vector<std::u16string> Files() {
    std::vector<std::u16string> files;
    for (int row = 0; row < gui->RowCount(CtlSourceList); ++row) files.push_back(gui->CellText(CtlSourceList, row, 1));
    return files;
  }

  HeadlessGui* gui = nullptr;
};

using Names = std::vector<std::u16string>;

TEST_F(SourcesThroughTheLoop, DropsAndTheFiveToolbarButtonsReachTheList) {
  const auto& columns = gui->Control(CtlSourceList)->columns;
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[2].width, 0);

  gui->Drop(CtlSourceList, u"/w/ep1/2.jpg\n/w/ep1/1.jpg\n/w/ep1/notes.txt");
  Drain();
  EXPECT_EQ(Files(), (Names{u"1.jpg", u"2.jpg"}));
  EXPECT_EQ(gui->CellText(CtlSourceList, 0, 0), u" ep1");
  EXPECT_EQ(gui->RowIcon(CtlSourceList, 0), ImageNativeObject(SlotFolderIcon));
  ASSERT_EQ(gui->MessageBoxes().size(), 1u);  // notes.txt is named as refused
  gui->ClearMessageBoxes();

  gui->QueueDialogAnswer({u"/w/ep1/3.png"});
  gui->Press(CtlToolbarAdd);
  Drain();
  EXPECT_EQ(Files(), (Names{u"1.jpg", u"2.jpg", u"3.png"}));
  EXPECT_TRUE(gui->RowSelected(CtlSourceList, 2));
  EXPECT_FALSE(gui->RowSelected(CtlSourceList, 0));

  gui->Press(CtlToolbarUp);
  Drain();
  EXPECT_EQ(Files(), (Names{u"1.jpg", u"3.png", u"2.jpg"}));
  gui->Press(CtlToolbarDown);
  Drain();
  EXPECT_EQ(Files(), (Names{u"1.jpg", u"2.jpg", u"3.png"}));
  gui->Press(CtlToolbarRemove);
  Drain();
  EXPECT_EQ(Files(), (Names{u"1.jpg", u"2.jpg"}));
  gui->Press(CtlToolbarClear);
  Drain();
  EXPECT_EQ(gui->RowCount(CtlSourceList), 0);
  EXPECT_TRUE(gui->MessageBoxes().empty());
}

}  // namespace
}  // namespace zen
