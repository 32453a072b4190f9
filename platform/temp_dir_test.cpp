#include "platform/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
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

#ifndef _WIN32
// Only directories of the prefix whose process is gone are removed: this
// process's own stays, and so does every name that does not fit.
TEST(TempDir, RemoveAbandonedRemovesOnlyWhatAGoneProcessLeft) {
  testing::TempDir parent;
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string abandoned = "kpx-test-" + std::to_string(gone) + "-a1b2c3";
  const std::string own = OwnedPrefix("kpx-test-") + "x";
  for (const std::string& name :
       {abandoned, own, std::string("kpx-test-notapid-x"), std::string("kpx-test-12"),
        std::string("other-") + std::to_string(gone) + "-x"}) {
    ASSERT_TRUE(MakeDirectory(parent.Join(name)));
  }
  WriteFile(parent.Join(abandoned + "/f"), "left");
  EXPECT_EQ(RemoveAbandoned("kpx-test-", parent.path()), 1);
  EXPECT_FALSE(Exists(parent.Join(abandoned)));
  EXPECT_TRUE(IsDirectory(parent.Join(own)));
  EXPECT_TRUE(IsDirectory(parent.Join("kpx-test-notapid-x")));
  EXPECT_TRUE(IsDirectory(parent.Join("kpx-test-12")));
}

// SIGINT and SIGTERM remove the directory, however deep it is, and still end
// the process by the signal; a link in it is removed, not followed.
TEST(TempDir, ASignalRemovesTheGuardedDirectory) {
  testing::TempDir outside;
  WriteFile(outside.Join("kept"), "kept");
  for (int signal_number : {SIGINT, SIGTERM}) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    std::string path;
    const pid_t child = fork();
    if (child == 0) {
      TempDir dir;
      if (!dir.Create(OwnedPrefix("kpx-signal-test-"))) _exit(3);
      RemovedOnSignal guard(dir);
      std::string deep = dir.path();
      for (const char* name : {"index", "A", "B"}) {
        deep += kSeparator + std::string(name);
        MakeDirectory(deep);
        for (int i = 0; i < 300; ++i) WriteFile(deep + kSeparator + std::to_string(i), "x");
      }
      symlink(outside.path().c_str(), (dir.path() + "/link").c_str());
      const size_t length = dir.path().size();
      write(ready[1], &length, sizeof length);
      write(ready[1], dir.path().data(), length);
      for (;;) pause();
    }
    close(ready[1]);
    size_t length = 0;
    ASSERT_EQ(read(ready[0], &length, sizeof length), static_cast<ssize_t>(sizeof length));
    path.resize(length);
    ASSERT_EQ(read(ready[0], path.data(), length), static_cast<ssize_t>(length));
    close(ready[0]);
    ASSERT_TRUE(IsDirectory(path));
    kill(child, signal_number);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_FALSE(Exists(path)) << path;
    EXPECT_EQ(outside.Read("kept"), "kept");
  }
}
#endif

}  // namespace
}  // namespace platform
