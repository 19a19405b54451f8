#include "app_harness.h"

namespace zen::test {
namespace {

using namespace zen::gui;

TEST(IsValidName, RefusesEmptySlashControlsAndDotNames) {
  EXPECT_TRUE(IsValidName(u"slice"));
  EXPECT_TRUE(IsValidName(u"[원본 폴더명]"));
  EXPECT_TRUE(IsValidName(u"a.b"));
  EXPECT_TRUE(IsValidName(u"..."));
  EXPECT_TRUE(IsValidName(u" "));
  EXPECT_FALSE(IsValidName(u""));
  EXPECT_FALSE(IsValidName(u"a/b"));
  EXPECT_FALSE(IsValidName(u"a\tb"));
  EXPECT_FALSE(IsValidName(std::u16string(1, u'\x1f')));
  EXPECT_FALSE(IsValidName(u"."));
  EXPECT_FALSE(IsValidName(u".."));
}

using FieldRules = ShellTest;

TEST_F(FieldRules, TypingAboveTheMaximumClampsAfterTheFifthDigit) {
  gui->Focus(CtlHeightField);
  gui->Clear(CtlHeightField);
  gui->Type(CtlHeightField, u"4000");
  Drain();
  EXPECT_EQ(Text(CtlHeightField), u"4000");
  gui->Type(CtlHeightField, u"0");
  Drain();
  EXPECT_EQ(Text(CtlHeightField), u"32000");
  EXPECT_EQ(gui->Type(CtlHeightField, u"1"), 0);  // a sixth digit is impossible
  for (ControlId field : {CtlMinimumField, CtlMaximumField, CtlWidthField}) {
    gui->Edit(field, u"99999");
    Drain();
    EXPECT_EQ(Text(field), u"32000") << field;
  }
  gui->Edit(CtlQualityField, u"11");
  Drain();
  EXPECT_EQ(Text(CtlQualityField), u"10");
}

TEST_F(FieldRules, MinimumsApplyOnlyWhenTheFieldLosesFocus) {
  gui->Focus(CtlQualityField);
  gui->Clear(CtlQualityField);
  gui->Focus(CtlHeightField);  // the quality field loses the focus
  gui->Clear(CtlHeightField);
  Drain();
  EXPECT_EQ(Text(CtlQualityField), u"");  // reads as 0, not below 0
  EXPECT_EQ(Text(CtlHeightField), u"");   // still focused
  gui->Focus(CtlMinimumField);
  gui->Edit(CtlMinimumField, u"5");
  Drain();
  EXPECT_EQ(Text(CtlHeightField), u"1");
  EXPECT_EQ(Text(CtlMinimumField), u"5");
  gui->Focus(CtlMaximumField);
  gui->Edit(CtlMaximumField, u"50");
  gui->Focus(CtlWidthField);
  gui->Edit(CtlWidthField, u"0");
  gui->Focus(CtlDigitsField);
  gui->Edit(CtlDigitsField, u"0");
  gui->Blur();
  Drain();
  EXPECT_EQ(Text(CtlMinimumField), u"10");
  EXPECT_EQ(Text(CtlMaximumField), u"100");
  EXPECT_EQ(Text(CtlWidthField), u"1");
  EXPECT_EQ(Text(CtlDigitsField), u"1");
  EXPECT_TRUE(gui->MessageBoxes().empty());
}

TEST_F(FieldRules, MinimumAboveMaximumIsAccepted) {
  gui->Focus(CtlMinimumField);
  gui->Edit(CtlMinimumField, u"2000");
  gui->Focus(CtlMaximumField);
  gui->Edit(CtlMaximumField, u"1000");
  gui->Blur();
  Drain();
  EXPECT_EQ(Text(CtlMinimumField), u"2000");
  EXPECT_EQ(Text(CtlMaximumField), u"1000");
}

TEST_F(FieldRules, BadFolderNamesAreRestoredWithTheStopMessage) {
  for (std::u16string_view bad : {u"slice/x", u"", u".", u"..", u"a\tb"}) {
    gui->ClearMessageBoxes();
    gui->Focus(CtlFolderBox);
    gui->Edit(CtlFolderBox, bad);
    gui->Blur();
    Drain();
    EXPECT_EQ(Text(CtlFolderBox), u"slice");
    ASSERT_EQ(gui->MessageBoxes().size(), 1u);
    const MessageRecord& box = gui->MessageBoxes()[0];
    EXPECT_EQ(box.title, u"사용할 수 없는 폴더 이름");
    EXPECT_EQ(box.text, u"폴더에 사용할 수 없는 문자가 포함되었습니다.");
    EXPECT_EQ(box.icon, MessageIcon::Stop);
    EXPECT_EQ(box.active_window, MainWindow);
  }
}

TEST_F(FieldRules, ChosenItemBecomesTheRememberedFolderName) {
  gui->ChooseItem(CtlFolderBox, 1);
  gui->Focus(CtlFolderBox);
  Drain();  // the loop sees the focus before the next key
  gui->Type(CtlFolderBox, u"/");
  gui->Blur();
  Drain();
  EXPECT_EQ(App().last_valid_folder_name, u"[원본 폴더명]");
  EXPECT_EQ(Text(CtlFolderBox), u"[원본 폴더명]");
  EXPECT_EQ(gui->MessageBoxes().size(), 1u);
}

TEST_F(FieldRules, EmptyPrefixIsAllowedButSlashIsNot) {
  gui->Focus(CtlPrefixBox);
  gui->Clear(CtlPrefixBox);
  gui->Blur();
  Drain();
  EXPECT_EQ(Text(CtlPrefixBox), u"");
  EXPECT_TRUE(gui->MessageBoxes().empty());

  gui->Edit(CtlPrefixBox, u"ep_");
  gui->Focus(CtlPrefixBox);  // remembers "ep_"
  Drain();
  gui->Type(CtlPrefixBox, u"/");
  gui->Blur();
  Drain();
  EXPECT_EQ(Text(CtlPrefixBox), u"ep_");
  ASSERT_EQ(gui->MessageBoxes().size(), 1u);
  EXPECT_EQ(gui->MessageBoxes()[0].title, u"사용할 수 없는 파일 이름");
  EXPECT_EQ(gui->MessageBoxes()[0].text, u"파일에 사용할 수 없는 문자가 포함되었습니다.");
  EXPECT_EQ(gui->MessageBoxes()[0].icon, MessageIcon::Stop);
}

TEST_F(FieldRules, DigitsLabelFollowsTheDigitsField) {
  EXPECT_EQ(Text(CtlDigitsLabel), u"파일명 자릿수 (1) :");
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"0", u"파일명 자릿수 (1) :"},     {u"1", u"파일명 자릿수 (1) :"}, {u"3", u"파일명 자릿수 (001) :"},
      {u"5", u"파일명 자릿수 (00001) :"}, {u"", u"파일명 자릿수 (1) :"},
  };
  for (const auto& [digits, label] : cases) {
    gui->Edit(CtlDigitsField, digits);
    Drain();
    EXPECT_EQ(Text(CtlDigitsLabel), label) << std::string(digits.begin(), digits.end());
  }
  // A value only a settings file can give stays bounded.
  gui->SetText(CtlDigitsField, u"2000000000");
  RefreshDigitsLabel();
  EXPECT_EQ(Text(CtlDigitsLabel).size(), std::u16string(u"파일명 자릿수 () :").size() + 99);
}

}  // namespace
}  // namespace zen::test
