#include "xtra/hostsim/plugin_location.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"

namespace hostsim {
namespace {

using platform::testing::TempDir;

// An installed tree: bin/kpxsearch and lib/kit/KPXSearch.so beside it.
TEST(PluginLocation, PrefersThePluginInstalledBesideTheProgram) {
  TempDir tree;
  std::string program = tree.Write("bin/kpxsearch", "");
  tree.Write("lib/kit/KPXSearch.so", "");
  std::string found = LocatePlugin(program, "../lib/kit/KPXSearch.so", "/build/KPXSearch.so");
  EXPECT_EQ(found, tree.Join("bin") + platform::kSeparator + "../lib/kit/KPXSearch.so");
  EXPECT_TRUE(platform::IsRegularFile(found));
}

TEST(PluginLocation, FallsBackToTheBuildTreeWhenNothingIsInstalled) {
  TempDir tree;
  std::string program = tree.Write("xtra/kpxsearch/kpxsearch", "");
  EXPECT_EQ(LocatePlugin(program, "../lib/kit/KPXSearch.so", "/build/KPXSearch.so"),
            "/build/KPXSearch.so");
  // A directory in the plug-in's place is not a plug-in.
  tree.Write("xtra/lib/kit/KPXSearch.so/x", "");
  EXPECT_EQ(LocatePlugin(program, "../lib/kit/KPXSearch.so", "/build/KPXSearch.so"),
            "/build/KPXSearch.so");
  // Unknown program location, or no installed place: the build tree.
  EXPECT_EQ(LocatePlugin("", "KPXSearch.so", "/build/KPXSearch.so"), "/build/KPXSearch.so");
  EXPECT_EQ(LocatePlugin(program, "", "/build/KPXSearch.so"), "/build/KPXSearch.so");
}

TEST(PluginLocation, ExecutablePathNamesThisTestProgram) {
  std::string self = ExecutablePath();
  ASSERT_FALSE(self.empty());
  EXPECT_TRUE(platform::IsRegularFile(self));
  EXPECT_NE(self.find("xtra_hostsim_test"), std::string::npos) << self;
}

}  // namespace
}  // namespace hostsim
