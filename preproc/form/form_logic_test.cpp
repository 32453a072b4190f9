#include "preproc/form/form_logic.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"

namespace preproc {
namespace {

FormFields AllFields() {
  FormFields fields;
  fields.listing_file = "C:\\data\\listing.txt";
  fields.article_path = "C:\\data\\news\\";
  fields.index_path = "/tmp/index/";
  fields.copy_path = "/tmp/copies/";
  fields.delimiters = "-;";
  return fields;
}

RunSettings PreviousSettings() {
  RunSettings settings;
  settings.listing_file = "old listing";
  settings.index_path = "old index";
  settings.article_path = "old articles";
  settings.copy_path = "old copies";
  settings.article_type = kHtmlArticle;
  settings.delimiters = "old";
  return settings;
}

TEST(HandOver, IndexRunTakesItsFieldsAndLeavesCopyPathAndType) {
  RunSettings settings = PreviousSettings();
  HandOverForIndexRun(AllFields(), &settings);
  EXPECT_EQ(settings.listing_file, platform::ToNativeSeparators("C:\\data\\listing.txt"));
  EXPECT_EQ(settings.article_path, platform::ToNativeSeparators("C:\\data\\news\\"));
  EXPECT_EQ(settings.index_path, "/tmp/index/");
  EXPECT_EQ(settings.delimiters, "-;");
  EXPECT_EQ(settings.copy_path, "old copies");
  EXPECT_EQ(settings.article_type, kHtmlArticle);
}

TEST(HandOver, CopyRunTakesItsFieldsAndLeavesIndexPathAndType) {
  RunSettings settings = PreviousSettings();
  HandOverForCopyRun(AllFields(), &settings);
  EXPECT_EQ(settings.copy_path, "/tmp/copies/");
  EXPECT_EQ(settings.listing_file, platform::ToNativeSeparators("C:\\data\\listing.txt"));
  EXPECT_EQ(settings.article_path, platform::ToNativeSeparators("C:\\data\\news\\"));
  EXPECT_EQ(settings.delimiters, "-;");
  EXPECT_EQ(settings.index_path, "old index");
  EXPECT_EQ(settings.article_type, kHtmlArticle);
}

TEST(HandOver, EmptyDelimiterFieldClearsThePreviousSet) {
  RunSettings settings = PreviousSettings();
  HandOverForIndexRun(FormFields{}, &settings);
  EXPECT_EQ(settings.listing_file, "");  // empty fields reach the run as empty strings
  EXPECT_EQ(settings.delimiters, "");
}

TEST(HandOver, DelimiterFieldIsCutToItsFirst49Characters) {
  FormFields fields;
  fields.delimiters = std::string(49, '#') + "0123456789a";  // 60 characters
  RunSettings for_index;
  HandOverForIndexRun(fields, &for_index);
  EXPECT_EQ(for_index.delimiters, std::string(49, '#'));
  RunSettings for_copy;
  HandOverForCopyRun(fields, &for_copy);
  EXPECT_EQ(for_copy.delimiters, std::string(49, '#'));

  fields.delimiters = std::string(49, '+');
  HandOverForIndexRun(fields, &for_index);
  EXPECT_EQ(for_index.delimiters, std::string(49, '+'));
}

TEST(DirectoryPart, KeepsEverythingUpToAndIncludingTheLastSeparator) {
  EXPECT_EQ(DirectoryPart("C:\\data\\news\\a.txt"), "C:\\data\\news\\");
  EXPECT_EQ(DirectoryPart("/home/author/news/a.txt"), "/home/author/news/");
  EXPECT_EQ(DirectoryPart("/a.txt"), "/");
  EXPECT_EQ(DirectoryPart("/home/author/news/"), "/home/author/news/");
  EXPECT_EQ(DirectoryPart("/mixed\\dir/name"), "/mixed\\dir/");
  EXPECT_EQ(DirectoryPart("a.txt"), "");
  EXPECT_EQ(DirectoryPart(""), "");
}

TEST(ArticleType, TextDisablesTheSpecialTagAndHtmlEnablesNothing) {
  EXPECT_EQ(ClickArticleType(kTextArticle).article_type, kTextArticle);
  EXPECT_TRUE(ClickArticleType(kTextArticle).disable_special_tag);
  EXPECT_EQ(ClickArticleType(kHtmlArticle).article_type, kHtmlArticle);
  EXPECT_FALSE(ClickArticleType(kHtmlArticle).disable_special_tag);
}

TEST(Clipboard, CutAndCopyNeedAnEditFieldWithASelection) {
  EXPECT_TRUE(CanCutOrCopy({.is_edit_field = true, .has_selection = true}));
  EXPECT_TRUE(CanCutOrCopy({.is_edit_field = true, .has_selection = true, .read_only = true}));
  EXPECT_FALSE(CanCutOrCopy({.is_edit_field = true, .has_selection = false}));
  EXPECT_FALSE(CanCutOrCopy({.is_edit_field = false, .has_selection = true}));  // a button
  EXPECT_FALSE(CanCutOrCopy(FocusedControl{}));                                 // nothing focused
}

TEST(Clipboard, PasteNeedsAWritableEditFieldAndTextOnTheClipboard) {
  EXPECT_TRUE(CanPaste({.is_edit_field = true}, true));
  EXPECT_FALSE(CanPaste({.is_edit_field = true}, false));
  EXPECT_FALSE(CanPaste({.is_edit_field = true, .read_only = true}, true));
  EXPECT_FALSE(CanPaste({.is_edit_field = false}, true));  // a button has the focus
}

}  // namespace
}  // namespace preproc
