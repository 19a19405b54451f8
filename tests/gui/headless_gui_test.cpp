#include "platform/gui/headless/headless_gui.h"

#include <gtest/gtest.h>

namespace zen::gui {
namespace {

constexpr WindowId Win = 0;

class HeadlessGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gui.OpenWindow(Win, 470, 630, u"창", NoWindow, true));
    ControlOptions five;
    five.max_length = 5;
    ASSERT_TRUE(gui.CreateControl(Win, 1, ControlKind::DigitsEntry, {0, 0, 40, 22}, u"", five));
    ASSERT_TRUE(gui.CreateControl(Win, 2, ControlKind::ComboEditable, {0, 30, 100, 25}, u"", {}));
    ASSERT_TRUE(gui.CreateControl(Win, 3, ControlKind::Option, {0, 60, 100, 20}, u"a", {}));
    ASSERT_TRUE(gui.CreateControl(Win, 4, ControlKind::Option, {0, 80, 100, 20}, u"b", {}));
    ASSERT_TRUE(gui.CreateControl(Win, 5, ControlKind::CheckBox, {0, 100, 100, 20}, u"c", {}));
    ASSERT_TRUE(gui.CreateControl(Win, 6, ControlKind::List, {0, 120, 100, 100}, u"", {}));
    ASSERT_TRUE(gui.CreateControl(Win, 7, ControlKind::ComboFixed, {0, 230, 60, 25}, u"", {}));
  }

  std::vector<Event> Drain() {
    std::vector<Event> events;
    Event e;
    while (gui.PollEvent(e)) events.push_back(e);
    return events;
  }

  HeadlessGui gui;
};

TEST_F(HeadlessGuiTest, DigitEntryRefusesNonDigitsAndExtraCharacters) {
  EXPECT_EQ(gui.Type(1, u"12a34567"), 5);  // 'a' refused, then 6 and 7 beyond five
  EXPECT_EQ(gui.Text(1), u"12345");
  EXPECT_EQ(Drain().size(), 5u);
  EXPECT_FALSE(gui.Edit(1, u"1-2"));
  EXPECT_TRUE(gui.Clear(1));
  EXPECT_EQ(gui.Text(1), u"");
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, EventKind::Control);
  EXPECT_EQ(events[0].control, 1);
  EXPECT_EQ(events[0].subtype, EventSubtype::Changed);
  EXPECT_EQ(events[0].window, Win);
}

TEST_F(HeadlessGuiTest, SettingValuesQueuesNothing) {
  gui.SetText(1, u"300");
  gui.SetState(5, 1);
  gui.SetText(2, u"slice");
  EXPECT_TRUE(Drain().empty());
}

TEST_F(HeadlessGuiTest, FocusMovesWithLostBeforeGained) {
  gui.Focus(1);
  gui.Focus(2);
  gui.Blur();
  auto events = Drain();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].subtype, EventSubtype::FocusGained);
  EXPECT_EQ(events[1].subtype, EventSubtype::FocusLost);
  EXPECT_EQ(events[1].control, 1);
  EXPECT_EQ(events[2].subtype, EventSubtype::FocusGained);
  EXPECT_EQ(events[2].control, 2);
  EXPECT_EQ(events[3].subtype, EventSubtype::FocusLost);
  EXPECT_EQ(gui.FocusedControl(), NoControl);
}

TEST_F(HeadlessGuiTest, OptionsFormOneGroupAndCheckBoxesToggle) {
  gui.SetState(3, 1);
  gui.Press(4);
  EXPECT_EQ(gui.State(3), 0);
  EXPECT_EQ(gui.State(4), 1);
  gui.Press(5);
  EXPECT_EQ(gui.State(5), 1);
  gui.Press(5);
  EXPECT_EQ(gui.State(5), 0);
  EXPECT_EQ(Drain().size(), 3u);
}

TEST_F(HeadlessGuiTest, CombosSelectItemsAndRefuseMissingIndexes) {
  gui.AddItem(7, u"jpg");
  gui.AddItem(7, u"png");
  EXPECT_EQ(gui.State(7), 0);
  EXPECT_EQ(gui.Text(7), u"jpg");
  gui.SetState(7, 1);
  EXPECT_EQ(gui.Text(7), u"png");
  gui.SetState(7, 5);
  EXPECT_EQ(gui.State(7), -1);
  gui.AddItem(2, u"slice");
  gui.SetText(2, u"my");
  EXPECT_TRUE(gui.ChooseItem(2, 0));
  EXPECT_EQ(gui.Text(2), u"slice");
  EXPECT_EQ(gui.Type(2, u"/x"), 2);
  EXPECT_EQ(gui.Text(2), u"slice/x");
}

TEST_F(HeadlessGuiTest, ListRowsSelectionIconsAndDrops) {
  gui.InsertRow(6, -1, u"", u"b.jpg", u"/f/b.jpg");
  gui.InsertRow(6, 0, u" f", u"a.jpg", u"/f/a.jpg");
  gui.InsertRow(6, 99, u"", u"c.jpg", u"/f/c.jpg");
  ASSERT_EQ(gui.RowCount(6), 3);
  EXPECT_EQ(gui.CellText(6, 0, 2), u"/f/a.jpg");
  EXPECT_EQ(gui.CellText(6, 2, 1), u"c.jpg");
  EXPECT_EQ(gui.CellText(6, 7, 1), u"");
  NativeImage icon;
  gui.SetRowIcon(6, 0, &icon);
  EXPECT_EQ(gui.RowIcon(6, 0), &icon);
  gui.SelectRow(6, 0);
  gui.SelectRow(6, 2);
  EXPECT_TRUE(gui.RowSelected(6, 0));
  EXPECT_FALSE(gui.RowSelected(6, 1));
  gui.RemoveRow(6, 0);
  EXPECT_TRUE(gui.RowSelected(6, 1));
  gui.ClearSelection(6);
  EXPECT_FALSE(gui.RowSelected(6, 1));
  EXPECT_TRUE(gui.Drop(6, u"/a/x.png\n/a/y.png"));
  EXPECT_FALSE(gui.Drop(1, u"/a/x.png"));
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, EventKind::Drop);
  EXPECT_EQ(events[0].dropped, u"/a/x.png\n/a/y.png");
  gui.ClearRows(6);
  EXPECT_EQ(gui.RowCount(6), 0);
}

TEST_F(HeadlessGuiTest, DialogsAnswerFromTheQueueAndMessagesAreRecorded) {
  gui.QueueDialogAnswer({u"/a/1.jpg", u"/a/2.jpg"});
  auto first = gui.OpenFilesDialog(u"t", u"f", true);
  EXPECT_EQ(first.size(), 2u);
  EXPECT_TRUE(gui.OpenFilesDialog(u"t", u"f", true).empty());  // nothing queued: cancelled
  ASSERT_EQ(gui.Dialogs().size(), 2u);
  EXPECT_EQ(gui.Dialogs()[0].title, u"t");
  gui.ShowWindow(Win, true);
  gui.MessageBox(u"알림", u"파일을 추가해주세요.", MessageIcon::Plain);
  ASSERT_EQ(gui.MessageBoxes().size(), 1u);
  EXPECT_EQ(gui.MessageBoxes()[0].title, u"알림");
  EXPECT_EQ(gui.MessageBoxes()[0].active_window, Win);
  EXPECT_EQ(gui.ActiveWindow(), Win);
  gui.ClearMessageBoxes();
  EXPECT_TRUE(gui.MessageBoxes().empty());
}

TEST_F(HeadlessGuiTest, WindowsCentreOnFirstShowAndKeepTheirTopEdge) {
  gui.ShowWindow(Win, true);
  Rect frame = gui.WindowFrame(Win);
  EXPECT_EQ(frame.x, (HeadlessGui::ScreenWidth - 470) / 2);
  gui.SetContentSize(Win, 470, 660);
  EXPECT_EQ(gui.ContentSize(Win), (Rect{0, 0, 470, 660}));
  EXPECT_EQ(gui.WindowFrame(Win).y, frame.y);
  Event e;
  EXPECT_FALSE(gui.WaitEvent(e));
  EXPECT_EQ(gui.WaitCalls(), 1);
}

}  // namespace
}  // namespace zen::gui
