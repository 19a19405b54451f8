#include "app_harness.h"

namespace zen::test {
namespace {

using namespace zen::gui;

using MainWindowTest = ShellTest;

TEST_F(MainWindowTest, WindowIsCentredFixedAndTitled) {
  const HeadlessWindow* window = gui->Window(MainWindow);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->title, u"Zentrova V2");
  EXPECT_EQ(window->width, 470);
  EXPECT_EQ(window->height, 630);
  EXPECT_TRUE(window->can_minimise);
  EXPECT_TRUE(window->visible);
  EXPECT_EQ(gui->WindowFrame(MainWindow).x, (HeadlessGui::ScreenWidth - 470) / 2);
}

TEST_F(MainWindowTest, ControlsAreCreatedInTableOrder) {
  std::vector<ControlId> expected;
  for (int id = CtlBanner; id <= CtlToolbarReview; ++id) expected.push_back(id);
  EXPECT_EQ(gui->ControlsOf(MainWindow), expected);
}

TEST_F(MainWindowTest, ControlsHaveTheirPlacesLabelsAndFonts) {
  struct Expect {
    ControlId id;
    ControlKind kind;
    Rect geometry;
    std::u16string_view text;
    int font;
  };
  const Expect expected[] = {
      {CtlSourceList, ControlKind::List, {10, 80, 450, 200}, u"", FontNormal},
      {CtlCuttingFrame, ControlKind::Frame, {10, 310, 235, 240}, u"분할 설정", FontLarge},
      {CtlFixedOption, ControlKind::Option, {25, 340, 205, 20}, u"일정 간격으로 자르기", FontNormal},
      {CtlMaximumField, ControlKind::DigitsEntry, {190, 470, 40, 22}, u"1500", FontNormal},
      {CtlFolderBox, ControlKind::ComboEditable, {335, 340, 115, 25}, u"slice", FontNormal},
      {CtlStartButton, ControlKind::Button, {210, 560, 250, 60}, u"이미지 분할 시작", FontLarge},
      {CtlProgressText, ControlKind::Text, {10, 630, 192, 20}, u"로딩 텍스트", FontNormal},
      {CtlPrefixBox, ControlKind::ComboEditable, {270, 450, 99, 25}, u"slice_", FontNormal},
      {CtlFormatBox, ControlKind::ComboFixed, {393, 451, 60, 25}, u"jpg", FontNormal},
      {CtlResizeCheck, ControlKind::CheckBox, {25, 510, 124, 20}, u"가로 리사이즈 : ", FontNormal},
      {CtlQualityField, ControlKind::DigitsEntry, {410, 510, 35, 22}, u"9", FontNormal},
      {CtlDigitsLabel, ControlKind::Text, {270, 482, 135, 16}, u"파일명 자릿수 (1) :", FontNormal},
      {CtlToolbarAdd, ControlKind::ImageButton, {360, 280, 20, 20}, u"", -1},
      {CtlToolbarClear, ControlKind::ImageButton, {440, 280, 20, 20}, u"", -1},
  };
  for (const Expect& e : expected) {
    const HeadlessControl* c = gui->Control(e.id);
    ASSERT_NE(c, nullptr) << e.id;
    EXPECT_EQ(c->kind, e.kind) << e.id;
    EXPECT_EQ(c->geometry, e.geometry) << e.id;
    EXPECT_EQ(c->label, e.text) << e.id;
    EXPECT_EQ(c->options.font, e.font) << e.id;
  }
  EXPECT_EQ(gui->Control(CtlRangeLabel)->options.align, Align::Centre);
  EXPECT_EQ(gui->Control(CtlProgressText)->options.align, Align::Right);
  EXPECT_EQ(gui->Control(CtlHeightField)->options.max_length, 5);
  EXPECT_EQ(gui->Control(CtlDigitsField)->options.max_length, 2);
}

TEST_F(MainWindowTest, InitialStatesAndItems) {
  EXPECT_EQ(gui->State(CtlFixedOption), 1);
  EXPECT_EQ(gui->State(CtlCutDetectOption), 0);
  EXPECT_EQ(gui->State(CtlOpenFolderCheck), 1);
  EXPECT_EQ(gui->State(CtlJoinCheck), 1);
  EXPECT_EQ(gui->State(CtlResizeCheck), 0);
  EXPECT_EQ(gui->State(CtlFormatBox), 0);
  EXPECT_EQ(gui->State(CtlProgressBar), 0);
  EXPECT_EQ(Text(CtlMinimumField), u"300");
  EXPECT_EQ(Text(CtlHeightField), u"1500");
  EXPECT_EQ(Text(CtlWidthField), u"690");
  EXPECT_EQ(Text(CtlDigitsField), u"1");
  EXPECT_EQ(gui->Control(CtlFolderBox)->items, (std::vector<std::u16string>{u"slice", u"[원본 폴더명]"}));
  EXPECT_EQ(gui->Control(CtlPrefixBox)->items, (std::vector<std::u16string>{u"[원본 폴더명]", u"[원본 폴더명_]"}));
  EXPECT_EQ(gui->Control(CtlFormatBox)->items, (std::vector<std::u16string>{u"jpg", u"png"}));
  const auto& columns = gui->Control(CtlSourceList)->columns;
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].title, u"폴더");
  EXPECT_EQ(columns[1].width, 330);
  EXPECT_EQ(columns[2].title, u"전체경로");
  EXPECT_EQ(columns[2].width, 0);
}

}  // namespace
}  // namespace zen::test
