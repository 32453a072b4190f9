#include "indexformat/file_mapping_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace indexformat {
namespace {

// "NUMBER=NAME" for each article line, "-" for every other line.
std::vector<std::string> Read(std::string_view text) {
  std::vector<std::string> lines;
  FileMappingLogReader reader(text);
  FileMappingLine line;
  size_t expected_number = 1;
  while (reader.Next(&line)) {
    EXPECT_EQ(line.number, expected_number++);
    lines.push_back(line.is_article ? std::to_string(line.article) + "=" + std::string(line.name)
                                    : "-");
  }
  return lines;
}

TEST(FileMappingLog, WrittenLinesReadBack) {
  platform::testing::TempDir dir;
  const std::vector<std::string> names = {"intro.txt", "news\\may.txt", "", "a\tb.txt"};
  ASSERT_EQ(WriteFileMappingLog(dir.Join("log"), names), FileMappingLogWrite::kWritten);
  const std::string text = dir.ReadText("log");  // CR LF on Windows reads as LF
  EXPECT_EQ(text,
            " -- File Mapping Log --\n"
            "[#KeyRange]\t[#FileMatch]\t[Name]\t[NewName]\n"
            "0\t1\tintro.txt\tt0001\n"
            "1\t2\tnews\\may.txt\tt0002\n"
            "2\t3\t\tt0003\n"
            "3\t4\ta\tb.txt\tt0004\n");
  EXPECT_TRUE(HasFileMappingLogTitle(text));
  EXPECT_EQ(Read(text), (std::vector<std::string>{"-", "-", "1=intro.txt", "2=news\\may.txt",
                                                  "3=", "4=a\tb.txt"}));
  EXPECT_EQ(Read(dir.Read("log")), Read(text));  // the bytes as written, CR LF or not

  ASSERT_EQ(WriteFileMappingLog(dir.Join("empty"), {}), FileMappingLogWrite::kWritten);
  EXPECT_EQ(Read(dir.ReadText("empty")), (std::vector<std::string>{"-", "-"}));
  EXPECT_EQ(WriteFileMappingLog(dir.Join("missing/log"), names), FileMappingLogWrite::kNotCreated);
}

#ifndef _WIN32
TEST(FileMappingLog, AFullDiskIsAFailedWrite) {
  EXPECT_EQ(WriteFileMappingLog("/dev/full", {"a.txt"}), FileMappingLogWrite::kNotWritten);
}
#endif

#ifdef __GLIBC__
// A stream whose fifth write fails once and whose other writes succeed: the
// lost buffer shows in no later call, only in the error flag.
ssize_t FailFifthWrite(void* cookie, const char*, size_t size) {
  return ++*static_cast<int*>(cookie) == 5 ? -1 : static_cast<ssize_t>(size);
}

TEST(FileMappingLog, AWriteThatFailsOnceFailsTheLog) {
  std::vector<std::string> names(2000, std::string(40, 'n'));
  int writes = 0;
  std::FILE* file =
      fopencookie(&writes, "w", cookie_io_functions_t{nullptr, FailFifthWrite, nullptr, nullptr});
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(WriteFileMappingLines(file, names));
  std::fclose(file);
}
#endif

TEST(FileMappingLog, HostileLinesAreNoArticleLines) {
  const std::string overlong(1 << 20, 'x');
  const std::string text = std::string("0\t1\tin the heading\tt0001\n") +  // line 1 of the heading
                           "\r\n" +                                        // line 2, empty
                           "no tab at all\n" + "0\t1\n" +                  // no name field
                           "0\t1\tname\n" +                                // no new name field
                           "0\t\tname\tt0001\n" +                          // empty number
                           "0\t0\tzero\tt0000\n" + "0\t10000\tabove 9999\tt10000\n" +
                           "0\t99999999999999999999\thuge\tt0001\n" + "0\t-1\tnegative\tt0001\n" +
                           "0\t 2\tspace\tt0002\n" + "0\t0002\tleading zeros\tt0002\n" + "0\t3\t" +
                           overlong + "\tt0003\r\n" + "\n" + "0\t9999\tlast, no line end\tt9999\r";
  const std::vector<std::string> lines = Read(text);
  const std::vector<std::string> expected = {"-",
                                             "-",
                                             "-",
                                             "-",
                                             "-",
                                             "-",
                                             "-",
                                             "-",
                                             "-",
                                             "-",
                                             "-",
                                             "2=leading zeros",
                                             "3=" + overlong,
                                             "-",
                                             "9999=last, no line end"};
  EXPECT_EQ(lines, expected);
  EXPECT_FALSE(HasFileMappingLogTitle(text));
  EXPECT_FALSE(HasFileMappingLogTitle(" -- File Mapping"));
  EXPECT_TRUE(HasFileMappingLogTitle(" -- File Mapping Log --\r\n"));
  EXPECT_TRUE(Read("").empty());
}

}  // namespace
}  // namespace indexformat
