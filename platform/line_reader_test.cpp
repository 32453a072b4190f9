#include "platform/line_reader.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

#ifndef _WIN32
// A FIFO with no writer and a device are refused at once, never waited on.
TEST(LineReader, OnlyRegularFilesAreOpened) {
  testing::TempDir dir;
  ASSERT_EQ(mkfifo(dir.Join("fifo").c_str(), 0600), 0);
  LineReader reader;
  EXPECT_FALSE(reader.Open(dir.Join("fifo")));
  EXPECT_FALSE(reader.Open("/dev/null"));
}
#endif

#ifdef __linux__
// /proc/self/mem is a regular file whose first read fails: that is a failed
// read, not an empty listing, and it stays so until the reader is reopened.
TEST(LineReader, AFailedReadIsNotTheEndOfTheFile) {
  LineReader reader;
  ASSERT_TRUE(reader.Open("/proc/self/mem"));
  std::string line = "left over";
  EXPECT_FALSE(reader.Next(&line));
  EXPECT_TRUE(reader.failed());
  EXPECT_FALSE(reader.Next(&line));
  EXPECT_TRUE(reader.failed());
  testing::TempDir dir;
  ASSERT_TRUE(reader.Open(dir.Write("listing", "a\n")));
  EXPECT_FALSE(reader.failed());
  EXPECT_TRUE(reader.Next(&line));
  EXPECT_FALSE(reader.Next(&line));
  EXPECT_FALSE(reader.failed());
}
#endif

}  // namespace
}  // namespace platform
