#include "preproc/copier/article_copier.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/testing/full_disk.h"
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
  CopyResult Copy(const std::string& article, bool html = false) {
    return CopyFile(dir_.Write("article", article), html);
  }
  CopyResult CopyFile(const std::string& source, bool html = false) {
    TransformRules rules(html, {});
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

  std::string exact, expected;  // binary bytes, 8192 of them: ends with an empty read
  for (int i = 0; i < 8192; ++i) {
    const char c = static_cast<char>(i % 255 + 1);
    exact.push_back(c);
    expected.push_back(c == '\t' || c == '\v' || c == '\f' || c == ' ' ? ' ' : c);
  }
  EXPECT_EQ(Copy(exact).outcome, CopyOutcome::kCopied);
  EXPECT_EQ(Copied(), expected);
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

TEST_F(ArticleCopierTest, DirectoryUnderTheDestinationsNameIsNotReplaced) {
  const std::string destination = dir_.Join("t0001");
  ASSERT_TRUE(platform::MakeDirectory(destination));
  dir_.Write("t0001/inside", "kept");
  EXPECT_EQ(Copy("article text").outcome, CopyOutcome::kNotOpened);
  ASSERT_EQ(services_.boxes.size(), 1u);
  EXPECT_EQ(services_.boxes[0],
            "\n# KPXSindx: ERROR, could not open destination article '" + destination + "'\n");
  EXPECT_TRUE(platform::IsDirectory(destination));
  EXPECT_EQ(dir_.Read("t0001/inside"), "kept");
  EXPECT_FALSE(dir_.Exists("t0001.part"));
}

#ifndef _WIN32  // a full disk is made with a file size limit, a link with symlink
TEST_F(ArticleCopierTest, WriteFailureNamesTheDestination) {
  dir_.Write("t0001", "the earlier copy");
  for (size_t size : {size_t{5}, size_t{20000}}) {  // fails at the flush, or at a write
    const std::string article = dir_.Write("article", std::string(size, 'q'));
    EXPECT_TRUE(platform::testing::RunOnFullDisk(2, [&] {
      CopyResult result = CopyFile(article);
      return result.outcome == CopyOutcome::kAccessFailed &&
             result.failed_file == dir_.Join("t0001") &&
             services_.boxes.empty();  // the run reports it
    })) << size;
    EXPECT_EQ(dir_.Read("t0001"), "the earlier copy");  // never half-written
    EXPECT_FALSE(dir_.Exists("t0001.part"));
  }
}

// A link planted under the partial copy's name is removed, not written
// through: the file it pointed at keeps its bytes.
TEST_F(ArticleCopierTest, APartialCopyLinkIsNotFollowed) {
  const std::string outside = dir_.Write("outside", "not the copy's");
  ASSERT_EQ(symlink(outside.c_str(), dir_.Join("t0001.part").c_str()), 0);
  EXPECT_EQ(Copy("the article").outcome, CopyOutcome::kCopied);
  EXPECT_EQ(dir_.Read("outside"), "not the copy's");
  EXPECT_EQ(dir_.Read("t0001"), "the article");
  EXPECT_FALSE(dir_.Exists("t0001.part"));
}

TEST_F(ArticleCopierTest, ReadFailureNamesTheSource) {
  const std::string source = dir_.Join("unreadable");
  ASSERT_EQ(symlink("/proc/self/mem", source.c_str()), 0);  // opens, but reading fails
  CopyResult result = CopyFile(source);
  EXPECT_EQ(result.outcome, CopyOutcome::kAccessFailed);
  EXPECT_EQ(result.failed_file, source);
}
#endif

}  // namespace
}  // namespace preproc
