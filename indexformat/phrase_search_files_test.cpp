#include "indexformat/phrase_search_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace indexformat {
namespace {

std::string Relative(int article, char letter) {
  char name[kMaxCopyName];
  size_t n = RelativeCopyFileName(article, letter, '/', name);
  EXPECT_EQ(n, std::string(name).size());
  return name;
}

TEST(CopyNames, BlocksOfAHundredAndFourDigitNumbers) {
  EXPECT_EQ(Relative(1, 'a'), "a1/t0001");
  EXPECT_EQ(Relative(100, 'a'), "a1/t0100");
  EXPECT_EQ(Relative(101, 'A'), "A2/t0101");
  EXPECT_EQ(Relative(2500, 'a'), "a25/t2500");
  EXPECT_EQ(Relative(12345, 'a'), "a124/t12345");
  EXPECT_EQ(Relative(INT_MAX, 'a'), "a21474837/t2147483647");  // fits kMaxCopyName
  char name[kMaxCopyName];
  EXPECT_EQ(CopyBlockName(201, 'a', name), 2u);
  EXPECT_STREQ(name, "a3");
}

TEST(CopyNames, FileNamesReadBackAsTheirNumbers) {
  for (int article : {1, 100, 2500, 9999, 12345}) {
    char name[kMaxCopyName];
    CopyFileName(article, name);
    EXPECT_EQ(CopyFileNumber(name), article) << name;
  }
  for (const char* name : {"t001", "T0001", "t00a1", "t0001.txt", "x0001", "", "t-001"}) {
    EXPECT_EQ(CopyFileNumber(name), -1) << name;
  }
  EXPECT_EQ(CopyFileNumber("t99999999999999999999"), INT_MAX);
}

}  // namespace
}  // namespace indexformat
