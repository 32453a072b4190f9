#include "platform/file_system.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace platform {
namespace {

using testing::TempDir;

// A "\\" is a separator everywhere: on POSIX it becomes "/".
TEST(FileSystem, BackslashesAreSeparators) {
  EXPECT_EQ(ToNativeSeparators("news\\may.txt"), std::string("news") + kSeparator + "may.txt");
  EXPECT_EQ(ToNativeSeparators("a/b"), "a/b");
  std::string path = "idx";
  AppendSeparator(path);
  AppendSeparator(path);
  EXPECT_EQ(path, std::string("idx") + kSeparator);
}

TEST(FileSystem, EnsurePathCreatesEveryLevelButNotTheLastComponent) {
  TempDir dir;
  ASSERT_TRUE(EnsurePath(dir.Join("one/two/three/tail")));
  EXPECT_TRUE(IsDirectory(dir.Join("one/two/three")));
  EXPECT_FALSE(dir.Exists("one/two/three/tail"));
  EXPECT_TRUE(EnsurePath(dir.Join("one/two/")));  // existing directories are fine
}

// Whether the last directory is new tells a copy run that it is empty.
TEST(FileSystem, EnsurePathTellsWhetherItMadeTheLastDirectory) {
  TempDir dir;
  bool made = false;
  ASSERT_TRUE(EnsurePath(dir.Join("one/two/"), &made));
  EXPECT_TRUE(made);
  ASSERT_TRUE(EnsurePath(dir.Join("one/two/"), &made));
  EXPECT_FALSE(made);
  ASSERT_TRUE(EnsurePath(dir.Join("one/three/"), &made));  // a parent there, the last new
  EXPECT_TRUE(made);
}

// The bytes go to a file made anew: a file left under the name is replaced,
// a directory is not, and a missing parent is a create that failed.
TEST(FileSystem, WriteNewFileReplacesALeftoverButNoDirectory) {
  TempDir dir;
  dir.Write("copy", "a longer leftover");
  EXPECT_EQ(WriteNewFile(dir.Join("copy"), "new"), NewFileWrite::kWritten);
  EXPECT_EQ(dir.Read("copy"), "new");
  EXPECT_EQ(WriteNewFile(dir.Join("empty"), ""), NewFileWrite::kWritten);
  EXPECT_EQ(dir.Read("empty"), "");
  std::filesystem::create_directories(dir.Join("box"));
  EXPECT_EQ(WriteNewFile(dir.Join("box"), "x"), NewFileWrite::kNotCreated);
  EXPECT_TRUE(IsDirectory(dir.Join("box")));
  EXPECT_EQ(WriteNewFile(dir.Join("missing/copy"), "x"), NewFileWrite::kNotCreated);
}

// A relative path is made from its first directory on, however short its
// name; on Windows a drive path starts past "C:\\".
TEST(FileSystem, EnsurePathMakesRelativeAndDrivePaths) {
  TempDir dir;
  const std::string relative =
      std::string("ep") + kSeparator + "a1" + kSeparator;  // in the current directory
  ASSERT_TRUE(EnsurePath(relative));
  EXPECT_TRUE(IsDirectory(relative));
  std::filesystem::remove_all("ep");
#ifdef _WIN32
  const std::string drive = dir.Join("d/e/");
  ASSERT_EQ(drive[1], ':');
  EXPECT_TRUE(EnsurePath(drive));
  EXPECT_TRUE(IsDirectory(dir.Join("d/e")));
#endif
}

TEST(FileSystem, EnsurePathFailsUnderARegularFile) {
  TempDir dir;
  dir.Write("plain", "x");
  EXPECT_FALSE(EnsurePath(dir.Join("plain/sub/")));
  EXPECT_FALSE(MakeDirectory(dir.Join("missing/sub")));
  EXPECT_TRUE(MakeDirectory(dir.Join("plain")));  // exists: counts as success
}

TEST(FileSystem, OpenFileRefusesDirectories) {
  TempDir dir;
  EXPECT_EQ(OpenFile(dir.path(), "rb"), nullptr);
  EXPECT_EQ(OpenFile(dir.path() + "/", "rb"), nullptr);
  for (const char* mode : {"wb", "w", "ab", "r+b"}) EXPECT_EQ(OpenFile(dir.path(), mode), nullptr);
  std::FILE* file = OpenFile(dir.Write("f", "abc"), "rb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  std::string contents;
  EXPECT_FALSE(ReadWholeFile(dir.path(), &contents));
  EXPECT_TRUE(ReadWholeFile(dir.Join("f"), &contents));
  EXPECT_EQ(contents, "abc");
}

#ifndef _WIN32
// Articles and listings are read only from regular files: a FIFO without a
// writer (which would block an open for reading), a device and a directory
// are refused at once.
TEST(FileSystem, OnlyRegularFilesAreOpenedForReading) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.Join("fifo").c_str(), 0600), 0);
  std::string contents;
  for (const std::string& path : {dir.Join("fifo"), std::string("/dev/null"), dir.path()}) {
    EXPECT_EQ(OpenRegularFile(path), nullptr) << path;
    EXPECT_FALSE(ReadWholeFile(path, &contents)) << path;
  }
  std::FILE* file = OpenRegularFile(dir.Write("f", "abc"));
  ASSERT_NE(file, nullptr);
  char bytes[4] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 3u);
  std::fclose(file);
  EXPECT_TRUE(ReadWholeFile(dir.Join("f"), &contents));
  EXPECT_EQ(contents, "abc");
}

// A link under the name is replaced by a new file, its target untouched; a
// directory under the name is not removed.
TEST(FileSystem, CreateNewFileNeverWritesThroughALink) {
  TempDir dir;
  const std::string target = dir.Write("target", "kept");
  ASSERT_EQ(symlink(target.c_str(), dir.Join("new").c_str()), 0);
  std::FILE* file = CreateNewFile(dir.Join("new"));
  ASSERT_NE(file, nullptr);
  EXPECT_GE(std::fputs("fresh", file), 0);
  EXPECT_EQ(std::fclose(file), 0);
  EXPECT_EQ(dir.Read("target"), "kept");
  EXPECT_EQ(dir.Read("new"), "fresh");
  EXPECT_FALSE(std::filesystem::is_symlink(dir.Join("new")));
  std::filesystem::create_directories(dir.Join("box"));
  EXPECT_EQ(CreateNewFile(dir.Join("box")), nullptr);
  EXPECT_TRUE(IsDirectory(dir.Join("box")));
  // A link whose target is missing is replaced too, and nothing is made there.
  ASSERT_EQ(symlink(dir.Join("gone").c_str(), dir.Join("dangling").c_str()), 0);
  EXPECT_EQ(WriteNewFile(dir.Join("dangling"), "own"), NewFileWrite::kWritten);
  EXPECT_FALSE(dir.Exists("gone"));
  EXPECT_EQ(dir.Read("dangling"), "own");
  ASSERT_EQ(symlink(target.c_str(), dir.Join("link").c_str()), 0);
  EXPECT_EQ(WriteNewFile(dir.Join("link"), "own"), NewFileWrite::kWritten);
  EXPECT_EQ(dir.Read("target"), "kept");
}

// Appending goes to the writer's own file, made when missing, never through
// a link of its name.
TEST(FileSystem, OpenWithoutFollowingAppendsButNotThroughALink) {
  TempDir dir;
  const std::string target = dir.Write("target", "kept");
  ASSERT_EQ(symlink(target.c_str(), dir.Join("link").c_str()), 0);
  EXPECT_EQ(OpenWithoutFollowing(dir.Join("link"), "ab"), nullptr);
  EXPECT_EQ(dir.Read("target"), "kept");
  for (const char* mode : {"ab", "ab", "wb", "ab"}) {
    std::FILE* file = OpenWithoutFollowing(dir.Join("own"), mode);
    ASSERT_NE(file, nullptr) << mode;
    EXPECT_GE(std::fputs(mode, file), 0);
    EXPECT_EQ(std::fclose(file), 0);
  }
  EXPECT_EQ(dir.Read("own"), "wbab");
}
#endif

// Same bytes: same length and contents, across block boundaries; anything
// that is not a regular file never is.
TEST(FileSystem, SameFileContentsComparesLengthAndEveryByte) {
  TempDir dir;
  std::string big(200 * 1024, 'x');
  dir.Write("a", big);
  dir.Write("b", big);
  EXPECT_TRUE(SameFileContents(dir.Join("a"), dir.Join("b")));
  big[150 * 1024] = 'y';  // in the third block
  dir.Write("b", big);
  EXPECT_FALSE(SameFileContents(dir.Join("a"), dir.Join("b")));
  dir.Write("c", big + "z");
  EXPECT_FALSE(SameFileContents(dir.Join("b"), dir.Join("c")));
  // Whole blocks: the end shows only in a read that gives nothing.
  std::string blocks(128 * 1024, 'w');
  dir.Write("g", blocks);
  dir.Write("h", blocks);
  EXPECT_TRUE(SameFileContents(dir.Join("g"), dir.Join("h")));
  blocks.back() = 'v';
  dir.Write("h", blocks);
  EXPECT_FALSE(SameFileContents(dir.Join("g"), dir.Join("h")));
  dir.Write("e", "");
  dir.Write("f", "");
  EXPECT_TRUE(SameFileContents(dir.Join("e"), dir.Join("f")));
  EXPECT_FALSE(SameFileContents(dir.Join("e"), dir.Join("missing")));
  EXPECT_FALSE(SameFileContents(dir.Join("missing"), dir.Join("e")));
  std::filesystem::create_directories(dir.Join("box"));
  EXPECT_FALSE(SameFileContents(dir.Join("box"), dir.Join("box")));
}

// A file holds given bytes: its length and every byte, across the blocks
// it is read in; a missing file or a directory holds none, not even "".
TEST(FileSystem, FileHoldsBytesComparesLengthAndEveryByte) {
  TempDir dir;
  char buffer[1000];
  std::string big(5000, 'x');
  dir.Write("a", big);
  EXPECT_TRUE(FileHoldsBytes(dir.Join("a"), big, buffer, sizeof buffer));
  EXPECT_FALSE(FileHoldsBytes(dir.Join("a"), big + "x", buffer, sizeof buffer));
  EXPECT_FALSE(FileHoldsBytes(dir.Join("a"), big.substr(1), buffer, sizeof buffer));
  big[4500] = 'y';  // in the last block
  EXPECT_FALSE(FileHoldsBytes(dir.Join("a"), big, buffer, sizeof buffer));
  dir.Write("e", "");
  EXPECT_TRUE(FileHoldsBytes(dir.Join("e"), "", buffer, sizeof buffer));
  EXPECT_FALSE(FileHoldsBytes(dir.Join("missing"), "", buffer, sizeof buffer));
  std::filesystem::create_directories(dir.Join("box"));
  EXPECT_FALSE(FileHoldsBytes(dir.Join("box"), "", buffer, sizeof buffer));
}

TEST(FileSystem, RemoveFileTouchesOnlyWhatItNames) {
  TempDir dir;
  dir.Write("a", "1");
  EXPECT_TRUE(IsRegularFile(dir.Join("a")));
  EXPECT_TRUE(RemoveFile(dir.Join("a")));
  EXPECT_FALSE(IsRegularFile(dir.Join("a")));
}

// Every name once, "." and ".." left out; a directory that cannot be read
// (missing, or a file) says so.
TEST(FileSystem, ListDirectoryGivesEveryNameOnce) {
  TempDir dir;
  dir.Write("box/a", "1");
  dir.Write("box/.hidden", "2");
  dir.Write("box/sub/deep", "3");
  std::vector<std::string> names;
  ASSERT_TRUE(ListDirectory(dir.Join("box"), &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a", "sub"}));
  ASSERT_TRUE(ListDirectory(dir.Join("box") + kSeparator, &names));
  EXPECT_EQ(names.size(), 3u);
  EXPECT_FALSE(ListDirectory(dir.Join("missing"), &names));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(ListDirectory(dir.Join("box/a"), &names));
}

}  // namespace
}  // namespace platform
