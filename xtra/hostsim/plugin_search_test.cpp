#include "xtra/hostsim/plugin_search.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"

namespace hostsim {
namespace {

using platform::testing::TempDir;

// The copy block directory as the copy run writes it, "a<k>", or "A<k>"
// where only that one exists.
TEST(PluginSearch, PhraseSearchFileInEitherBlockDirectory) {
  TempDir copies;
  copies.Write("a1/t0007", "seven");
  copies.Write("A2/t0101", "one hundred and one");
  const char sep = platform::kSeparator;
  EXPECT_EQ(PhraseSearchFilePath(copies.path(), 7), copies.path() + sep + "a1" + sep + "t0007");
#ifdef _WIN32
  // Windows compares names without regard to case: "a2" is the directory "A2".
  EXPECT_EQ(PhraseSearchFilePath(copies.path() + sep, 101),
            copies.path() + sep + "a2" + sep + "t0101");
#else
  EXPECT_EQ(PhraseSearchFilePath(copies.path() + sep, 101),
            copies.path() + sep + "A2" + sep + "t0101");
#endif
  EXPECT_EQ(PhraseSearchFilePath(copies.path(), 2500), copies.path() + sep + "A25" + sep + "t2500");
}

// Names come from the log's article lines only; CR LF line ends, a damaged
// line or a number no article has change nothing else.
TEST(PluginSearch, ArticleNamesFromTheFileMappingLog) {
  TempDir index;
  index.Write("log",
              " -- File Mapping Log --\r\n[#KeyRange]\t[#FileMatch]\t[Name]\t[NewName]\r\n"
              "0\t1\tintro.txt\tt0001\r\n"
              "1\t2\tnews\\may\ttab.txt\tt0002\r\n"
              "garbage\r\n"
              "2\t99999999999\thuge.txt\tt0003\r\n"
              "3\t3\tthird.txt\tt0003\r\n");
  std::map<std::int32_t, std::string> names;
  std::string error;
  ASSERT_TRUE(ReadArticleNames(index.path(), &names, &error)) << error;
  EXPECT_EQ(names, (std::map<std::int32_t, std::string>{
                       {1, "intro.txt"}, {2, "news\\may\ttab.txt"}, {3, "third.txt"}}));
  TempDir empty;
  EXPECT_FALSE(ReadArticleNames(empty.path(), &names, &error));
  EXPECT_EQ(error, "cannot read the file mapping log " + empty.Join("log"));
}

}  // namespace
}  // namespace hostsim
