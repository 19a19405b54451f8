#include "sources/path_helpers.h"

#include <gtest/gtest.h>

namespace zen {
namespace {

using namespace std::string_view_literals;

TEST(FolderPart, UpToAndIncludingTheLastSlash) {
  EXPECT_EQ(FolderPart(u"/home/kim/만화/01.jpg"), u"/home/kim/만화/"sv);
  EXPECT_EQ(FolderPart(u"/a.jpg"), u"/"sv);
  EXPECT_EQ(FolderPart(u"a.jpg"), u""sv);
  EXPECT_EQ(FolderPart(u""), u""sv);
  EXPECT_EQ(FolderPart(u"\"/x/y/a.jpg\""), u"/x/y/"sv);  // leading quote skipped
  EXPECT_EQ(FolderPart(u"/x/y/"), u"/x/y/"sv);
}

TEST(FilePart, AfterTheLastSlashUpToTheClosingQuoteOfAQuotedPath) {
  EXPECT_EQ(FilePart(u"/home/kim/만화/01.jpg"), u"01.jpg"sv);
  EXPECT_EQ(FilePart(u"\"/x/y/a b.jpg\" -next"), u"a b.jpg"sv);
  EXPECT_EQ(FilePart(u"a.jpg"), u"a.jpg"sv);
  EXPECT_EQ(FilePart(u"\"a.jpg\""), u"a.jpg"sv);
  EXPECT_EQ(FilePart(u"/x/y/"), u""sv);
  EXPECT_EQ(FilePart(u""), u""sv);
  EXPECT_EQ(FilePart(u"/x/say \"hi\".psd"), u"say \"hi\".psd"sv);  // a quote in a name is kept
  EXPECT_EQ(BaseName(u"/x/say \"hi\".psd"), u"say \"hi\""sv);
}

TEST(ExtensionPart, TextAfterTheLastDotWithItsExclusions) {
  EXPECT_EQ(ExtensionPart(u"/a/b/photo.JPG"), u"JPG"sv);
  EXPECT_EQ(ExtensionPart(u"/a/b/archive.jpg.zip"), u"zip"sv);
  EXPECT_EQ(ExtensionPart(u"/a/b/x. jpg"), u""sv);  // space after the dot
  EXPECT_EQ(ExtensionPart(u"/a/b.d/file"), u""sv);  // slash after the dot
  EXPECT_EQ(ExtensionPart(u"/a/b/.jpg"), u""sv);    // dot right after a slash
  EXPECT_EQ(ExtensionPart(u"/a/b\\.jpg"), u""sv);   // dot right after a backslash
  EXPECT_EQ(ExtensionPart(u".jpg"), u""sv);
  EXPECT_EQ(ExtensionPart(u"/a/b/name."), u""sv);           // ending in a dot
  EXPECT_EQ(ExtensionPart(u"/a/my pics/x.png"), u"png"sv);  // a space before the dot is fine
  EXPECT_EQ(ExtensionPart(u"noextension"), u""sv);
  EXPECT_EQ(ExtensionPart(u""), u""sv);
}

TEST(ParentFolderName, TheFolderThatDirectlyHoldsTheFile) {
  EXPECT_EQ(ParentFolderName(u"/home/kim/만화 1화/01.jpg"), u"만화 1화"sv);
  EXPECT_EQ(ParentFolderName(u"rel/a.jpg"), u"rel"sv);
  EXPECT_EQ(ParentFolderName(u"/a.jpg"), u""sv);
  EXPECT_EQ(ParentFolderName(u"a.jpg"), u""sv);
  EXPECT_EQ(ParentFolderName(u"//a.jpg"), u""sv);
  EXPECT_EQ(ParentFolderName(u"\"/x/y/a.jpg\""), u"y"sv);
  EXPECT_EQ(ParentFolderName(u""), u""sv);
}

TEST(IsAcceptedImage, OnlyTheFourFormatsInAnyCase) {
  for (auto path :
       {u"/a/PHOTO.JPG"sv, u"/a/b.jpeg"sv, u"/a/b.Png"sv, u"/a/b.psd"sv, u"/a/b.PSB"sv, u"/a/folder.jpg"sv}) {
    EXPECT_TRUE(IsAcceptedImage(path)) << std::string(path.begin(), path.end());
  }
  for (auto path : {u"/a/archive.jpg.zip"sv, u"/a/x. jpg"sv, u"/a/notes.txt"sv, u"/a/.jpg"sv, u"/a/jpg"sv,
                    u"/a/b.jpgx"sv, u"/a/b.jp"sv, u""sv, u"/a/b.\u0130PG"sv}) {
    EXPECT_FALSE(IsAcceptedImage(path)) << std::string(path.begin(), path.end());
  }
}

TEST(BaseName, FilePartWithoutItsExtension) {
  EXPECT_EQ(BaseName(u"/a/b/page.psd"), u"page"sv);
  EXPECT_EQ(BaseName(u"/a/b/c.d.psb"), u"c.d"sv);
  EXPECT_EQ(BaseName(u"/a/b/x. jpg"), u"x. jpg"sv);  // a blank stops the scan
  EXPECT_EQ(BaseName(u"/a/b/x .jpg"), u"x "sv);
  EXPECT_EQ(BaseName(u"/a/b/name."), u"name."sv);  // a final dot keeps the name
  EXPECT_EQ(BaseName(u"/a/b/.psd"), u".psd"sv);    // the first character is not examined
  EXPECT_EQ(BaseName(u"/a.b/plain"), u"plain"sv);  // dots of folders do not count
  EXPECT_EQ(BaseName(u"/a/b/"), u""sv);
  EXPECT_EQ(BaseName(u"\"/a/b/q.psd\""), u"q"sv);
}

}  // namespace
}  // namespace zen
