#include "preproc/copier/article_copier.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace preproc {
namespace {

using platform::testing::TempDir;

class BoxServices : public RunServices {
 public:
  BoxServices() : RunServices("unused.log") {}
  std::vector<std::string> boxes;

 protected:
  void ShowBox(std::string_view text, MessageKind) override { boxes.emplace_back(text); }
};

class ArticleCopierTest : public ::testing::Test {
 protected:
  CopyResult Copy(const std::string& article, bool html = false, std::string_view delims = {}) {
    const std::string source = dir_.Write("article", article);
    return CopyFile(source, html, delims);
  }
  CopyResult CopyFile(const std::string& source, bool html = false, std::string_view delims = {}) {
    TransformRules rules(html, delims);
    ArticleCopier copier(rules, services_);
    return copier.CopyArticleFile(source, dir_.Join("t0001"));
  }
  std::string Copied() const { return dir_.Read("t0001"); }

  TempDir dir_;
  BoxServices services_;
};

TEST_F(ArticleCopierTest, TextCopiesHaveTheArticlesLength) {
  EXPECT_EQ(Copy("").outcome, CopyOutcome::kCopied);
  EXPECT_TRUE(dir_.Exists("t0001"));
  EXPECT_EQ(Copied(), "");

  std::string exact(8192, 'w');  // ends with an empty read
  exact[4095] = '\t';
  exact[8191] = '\n';
  EXPECT_EQ(Copy(exact).outcome, CopyOutcome::kCopied);
  std::string expected = exact;
  expected[4095] = ' ';
  EXPECT_EQ(Copied(), expected);

  std::string binary;
  for (int i = 0; i < 10000; ++i) binary.push_back(static_cast<char>(i % 255 + 1));
  EXPECT_EQ(Copy(binary).outcome, CopyOutcome::kCopied);
  EXPECT_EQ(Copied().size(), binary.size());
  EXPECT_TRUE(services_.boxes.empty());
}

TEST_F(ArticleCopierTest, ExistingDestinationIsTruncated) {
  dir_.Write("t0001", std::string(5000, 'o'));
  EXPECT_EQ(Copy("new").outcome, CopyOutcome::kCopied);
  EXPECT_EQ(Copied(), "new");
}

TEST_F(ArticleCopierTest, HtmlTagAcrossTheBlockBoundaryIsRemovedWhole) {
  const std::string words(4094, 'x');
  ASSERT_EQ(Copy(words + "<b>yz</b>", true).outcome, CopyOutcome::kCopied);
  EXPECT_EQ(Copied(), words + "yz");
}

TEST_F(ArticleCopierTest, NulDropsTheRestOfItsBlockOnly) {
  std::string article(4096, 'a');
  article[10] = '\0';
  ASSERT_EQ(Copy(article + "tail").outcome, CopyOutcome::kCopied);
  EXPECT_EQ(Copied(), std::string(10, 'a') + "tail");
}

TEST_F(ArticleCopierTest, SourceThatCannotBeOpenedIsReported) {
  EXPECT_EQ(CopyFile(dir_.Join("missing")).outcome, CopyOutcome::kNotOpened);
  EXPECT_EQ(CopyFile(dir_.path() + "/").outcome, CopyOutcome::kNotOpened);  // a directory
  ASSERT_EQ(services_.boxes.size(), 2u);
  EXPECT_EQ(services_.boxes[0],
            "\n# KPXSindx: ERROR, could not open source article'" + dir_.Join("missing") + "'\n");
  EXPECT_FALSE(dir_.Exists("t0001"));
}

TEST_F(ArticleCopierTest, DestinationThatCannotBeCreatedIsReported) {
  std::filesystem::create_directory(dir_.Join("t0001"));
  EXPECT_EQ(Copy("text").outcome, CopyOutcome::kNotOpened);
  ASSERT_EQ(services_.boxes.size(), 1u);
  EXPECT_EQ(services_.boxes[0], "\n# KPXSindx: ERROR, could not open destination article '" +
                                    dir_.Join("t0001") + "'\n");
}

TEST_F(ArticleCopierTest, WriteFailureNamesTheDestination) {
  ASSERT_EQ(symlink("/dev/full", dir_.Join("t0001").c_str()), 0);
  for (size_t size : {size_t{5}, size_t{20000}}) {  // fails at the flush, or at a write
    CopyResult result = Copy(std::string(size, 'q'));
    EXPECT_EQ(result.outcome, CopyOutcome::kAccessFailed) << size;
    EXPECT_EQ(result.failed_file, dir_.Join("t0001"));
  }
  EXPECT_TRUE(services_.boxes.empty());  // the run reports it
}

TEST_F(ArticleCopierTest, ReadFailureNamesTheSource) {
  const std::string source = dir_.Join("unreadable");
  ASSERT_EQ(symlink("/proc/self/mem", source.c_str()), 0);  // opens, but reading fails
  CopyResult result = CopyFile(source);
  EXPECT_EQ(result.outcome, CopyOutcome::kAccessFailed);
  EXPECT_EQ(result.failed_file, source);
}

}  // namespace
}  // namespace preproc
