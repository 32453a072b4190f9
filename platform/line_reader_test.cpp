#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace platform {
namespace {

std::vector<std::string> ReadAll(const std::string& bytes) {
  testing::TempDir dir;
  LineReader reader;
  EXPECT_TRUE(reader.Open(dir.Write("listing", bytes)));
  std::vector<std::string> lines;
  std::string line;
  while (reader.Next(&line)) lines.push_back(line);
  return lines;
}

TEST(LineReader, AcceptsLfAndCrLfAndAnUnterminatedLastLine) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ReadAll("a\nb\r\n\nc"), (V{"a", "b", "", "c"}));
  EXPECT_EQ(ReadAll("a\n"), (V{"a"}));
  EXPECT_EQ(ReadAll(""), V{});
  EXPECT_EQ(ReadAll(" spaced name \r\n"), (V{" spaced name "}));
}

TEST(LineReader, LinesLongerThanTheBuffer) {
  std::string long_line(200000, 'x');
  auto lines = ReadAll(long_line + "\n" + long_line);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], long_line);
}

TEST(LineReader, DirectoryCannotBeOpened) {
  testing::TempDir dir;
  LineReader reader;
  EXPECT_FALSE(reader.Open(dir.path()));
}

}  // namespace
}  // namespace platform
