#include "platform/path_lock.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/testing/temp_dir.h"

namespace platform {
namespace {

// One holder at a time; the lock file goes with the lock, and a lock file
// left behind (as by a killed run) is taken over.
TEST(PathLock, OneHolderAtATimeAndNoFileLeft) {
  testing::TempDir dir;
  const std::string file = dir.Join(".lock");
  PathLock first, second;
  ASSERT_EQ(first.Acquire(file), PathLock::Result::kLocked);
  EXPECT_TRUE(first.held());
  EXPECT_EQ(second.Acquire(file), PathLock::Result::kInUse);
  EXPECT_FALSE(second.held());
  first.Release();
  EXPECT_FALSE(dir.Exists(".lock"));
  EXPECT_EQ(second.Acquire(file), PathLock::Result::kLocked);
  second.Release();
  dir.Write(".lock", "");
  EXPECT_EQ(first.Acquire(file), PathLock::Result::kLocked);
  EXPECT_EQ(PathLock().Acquire(dir.Join("missing/.lock")), PathLock::Result::kFailed);
}

}  // namespace
}  // namespace platform
