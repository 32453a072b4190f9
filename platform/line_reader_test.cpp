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

// The reader fills a 65,536-byte buffer: a CR as its last byte and the LF as
// the next fill's first still end the line without the CR.
TEST(LineReader, CrLfAcrossTheBufferEdge) {
  using V = std::vector<std::string>;
  const std::string first(65535, 'x');
  EXPECT_EQ(ReadAll(first + "\r\nnext\r\n"), (V{first, "next"}));
  const std::string later(65533, 'y');
  EXPECT_EQ(ReadAll("a\n" + later + "\r\nb"), (V{"a", later, "b"}));
  // A CR alone at the edge, not followed by LF, stays in the line.
  EXPECT_EQ(ReadAll(first + "\rz\n"), (V{first + "\rz"}));
}

TEST(LineReader, DirectoryCannotBeOpened) {
  testing::TempDir dir;
  LineReader reader;
  EXPECT_FALSE(reader.Open(dir.path()));
}

}  // namespace
}  // namespace platform
