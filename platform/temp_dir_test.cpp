#include "platform/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace platform {
namespace {

void WriteFile(const std::string& path, const char* text) {
  std::FILE* file = OpenFile(path, "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fputs(text, file);
  std::fclose(file);
}

// Two directories of one prefix are two, below the temporary directory, and
// each goes with its object, whatever it holds.
TEST(TempDir, EachObjectOwnsAFreshDirectory) {
  std::string first_path;
  {
    TempDir first, second;
    ASSERT_TRUE(first.Create("kpx-tempdir-test-"));
    ASSERT_TRUE(second.Create("kpx-tempdir-test-"));
    first_path = first.path();
    EXPECT_NE(first.path(), second.path());
    EXPECT_EQ(first.path().rfind(TemporaryDirectory() + kSeparator + "kpx-tempdir-test-", 0), 0u);
    EXPECT_TRUE(IsDirectory(first.path()));
    ASSERT_TRUE(MakeDirectory(first.path() + kSeparator + "a"));
    ASSERT_TRUE(MakeDirectory(first.path() + kSeparator + "a" + kSeparator + "b"));
    WriteFile(first.path() + kSeparator + "a" + kSeparator + "b" + kSeparator + "f", "x");
    WriteFile(first.path() + kSeparator + "g", "y");
    ASSERT_TRUE(second.Remove());
    EXPECT_TRUE(second.path().empty());
  }
  EXPECT_FALSE(Exists(first_path));
  TempDir none;
  EXPECT_TRUE(none.path().empty());
  EXPECT_TRUE(none.Remove());
}

#ifndef _WIN32
// A link below the directory goes; what it points at stays.
TEST(TempDir, LinksAreRemovedNotFollowed) {
  testing::TempDir outside;
  outside.Write("keep/file", "kept");
  {
    TempDir dir;
    ASSERT_TRUE(dir.Create("kpx-tempdir-test-"));
    ASSERT_EQ(symlink(outside.Join("keep").c_str(), (dir.path() + "/link").c_str()), 0);
  }
  EXPECT_EQ(outside.Read("keep/file"), "kept");
}

// Failure is a value: no directory, no path.
TEST(TempDir, NoDirectoryWhereTheTemporaryDirectoryIsMissing) {
  testing::TempDir scratch;
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old != nullptr ? old : "";
  setenv("TMPDIR", scratch.Join("missing").c_str(), 1);
  TempDir dir;
  EXPECT_FALSE(dir.Create("kpx-tempdir-test-"));
  EXPECT_TRUE(dir.path().empty());
  if (old != nullptr) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}
#endif

}  // namespace
}  // namespace platform
