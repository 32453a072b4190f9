// The whole kit on the sample articles: tarvik indexes and copies
// examples/, and kpxsearch searches the result through the plug-in.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/run_command.h"
#include "platform/testing/temp_dir.h"

namespace kpxsearch {
namespace {

using platform::testing::CommandResult;
using platform::testing::RunCommand;
using platform::testing::ShellQuote;

class ExamplesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new platform::testing::TempDir();
    std::string common = " --html --listing " +
                         ShellQuote(std::string(KPX_EXAMPLES_DIR) + "/listing.txt") +
                         " --articles " + ShellQuote(std::string(KPX_EXAMPLES_DIR) + "/articles");
    indexed_ = RunCommand(std::string(TARVIK_PATH) + " index" + common + " --index " +
                          ShellQuote(dir_->Join("index")) + " --log " +
                          ShellQuote(dir_->Join("index.log")));
    copied_ = RunCommand(std::string(TARVIK_PATH) + " copy" + common + " --copy " +
                         ShellQuote(dir_->Join("copies")) + " --log " +
                         ShellQuote(dir_->Join("copy.log")));
  }
  static void TearDownTestSuite() { delete dir_; }

  CommandResult Search(const std::string& arguments) {
    return RunCommand(std::string(KPXSEARCH_PATH) + " --list --names --index " +
                      ShellQuote(dir_->Join("index")) + " --articles " +
                      ShellQuote(dir_->Join("copies")) + " " + arguments);
  }

  static platform::testing::TempDir* dir_;
  static CommandResult indexed_;
  static CommandResult copied_;
};

platform::testing::TempDir* ExamplesTest::dir_ = nullptr;
CommandResult ExamplesTest::indexed_;
CommandResult ExamplesTest::copied_;

TEST_F(ExamplesTest, PhrasesAreConfirmedInTheCopies) {
  ASSERT_EQ(indexed_.status, 0) << indexed_.err;
  ASSERT_EQ(copied_.status, 0) << copied_.err;
  CommandResult prefix = Search("'new york'");
  EXPECT_EQ(prefix.status, 0) << prefix.err;
  EXPECT_NE(prefix.out.find("\tplaces/new_york.txt\n"), std::string::npos) << prefix.out;
  EXPECT_NE(prefix.out.find("\tplaces/new_yorker.html\n"), std::string::npos) << prefix.out;
  CommandResult whole = Search("--whole-word 'new york'");
  EXPECT_NE(whole.out.find("\tplaces/new_york.txt\n"), std::string::npos) << whole.out;
  EXPECT_EQ(whole.out.find("new_yorker"), std::string::npos) << whole.out;
}

TEST_F(ExamplesTest, NothingFoundIsExitStatusOne) {
  ASSERT_EQ(indexed_.status, 0) << indexed_.err;
  CommandResult none = Search("qqqzzzx");
  EXPECT_EQ(none.status, 1) << none.err;
  EXPECT_EQ(none.out, "0\n");
}

}  // namespace
}  // namespace kpxsearch
