#include "platform/text.h"

#include <gtest/gtest.h>

namespace zen {
namespace {

TEST(TextToInt, FieldConversionRules) {
  EXPECT_EQ(TextToInt(u""), 0);
  EXPECT_EQ(TextToInt(u"1500"), 1500);
  EXPECT_EQ(TextToInt(u" \t-42x7"), -42);
  EXPECT_EQ(TextToInt(u"+7"), 7);
  EXPECT_EQ(TextToInt(u"abc"), 0);
  EXPECT_EQ(TextToInt(u"12 34"), 12);
  EXPECT_EQ(TextToInt(u"$1F"), 31);
  EXPECT_EQ(TextToInt(u"-%101"), -5);
  EXPECT_EQ(TextToInt(u"\n5"), 0);  // only blanks and tabs are skipped
}

TEST(Utf8, RoundTripsHangulAndAstralCharacters) {
  std::u16string text = u"원본 폴더명 \U0001F600 /a/b";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\xD800"), "\xEF\xBF\xBD");      // lone surrogate
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong form refused
}

TEST(IntToText, PlainDecimal) {
  EXPECT_EQ(IntToText(-12), u"-12");
  EXPECT_EQ(IntToText(0), u"0");
}

}  // namespace
}  // namespace zen
