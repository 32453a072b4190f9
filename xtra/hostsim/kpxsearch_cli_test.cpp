// kpxsearch end to end: the command loads the built plug-in and searches a
// small hand-made index set, or runs a script.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/run_command.h"
#include "platform/testing/temp_dir.h"
#include "xtra/hostsim/testing/index_set.h"

namespace hostsim {
namespace {

using platform::testing::CommandResult;
using platform::testing::RunCommand;
using platform::testing::ShellQuote;

class KpxsearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteIndexSet(dir_, {{"intro.txt", "the cat sat"},
                                  {"places\\new_york.txt", "new york city"},
                                  {"places/yorker.html", "new yorker magazine"},
                                  {"dogs.txt", "cats and dogs"}});
  }
  CommandResult Search(const std::string& arguments) {
    return RunCommand(std::string(KPXSEARCH_PATH) + " --index " + ShellQuote(dir_.Join("index")) +
                      " --articles " + ShellQuote(dir_.Join("articles")) + " " + arguments);
  }

  platform::testing::TempDir dir_;
};

TEST_F(KpxsearchTest, PrintsTheCountThenTheArticles) {
  CommandResult result = Search("cat");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "2\n1\n4\n");
  result = Search("--names 'new york'");
  EXPECT_EQ(result.out, "2\n2\tplaces\\new_york.txt\n3\tplaces/yorker.html\n");
  EXPECT_EQ(Search("--whole-word 'new york'").out, "1\n2\n");
}

TEST_F(KpxsearchTest, ModesAndRanges) {
  EXPECT_EQ(Search("--or cat 'new york'").out, "4\n1\n2\n3\n4\n");
  EXPECT_EQ(Search("--and cat dogs").out, "1\n4\n");
  EXPECT_EQ(Search("cat dogs").out, "2\n1\n4\n") << "without a mode the first phrase decides";
  EXPECT_EQ(Search("--range r:2:4 --range s:1:1 cat").out, "2\n1\n4\n");
  EXPECT_EQ(Search("--range 'a:b:2:3' cat").out, "0\n");
}

TEST_F(KpxsearchTest, ExitStatusTellsNoMatchFromErrors) {
  CommandResult none = Search("zebra");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "0\n");
  EXPECT_EQ(Search("--range r:5:3 cat").status, 2) << "the plug-in refuses the range";
  EXPECT_EQ(Search("--range r5 cat").status, 2);
  EXPECT_EQ(Search("").status, 2);
  EXPECT_EQ(Search("a b c").status, 2);
  CommandResult badPlugin = Search("--plugin /nonexistent/KPXSearch.so cat");
  EXPECT_EQ(badPlugin.status, 2);
  EXPECT_NE(badPlugin.err.find("cannot load"), std::string::npos);
  EXPECT_EQ(RunCommand(std::string(KPXSEARCH_PATH) + " --help").status, 0);
}

TEST_F(KpxsearchTest, ScriptPrintsOneLinePerCall) {
  std::string index = dir_.Join("index");
  dir_.Write("calls.lingo",
             "-- a search, then the gate's absence of results\n"
             "new\n"
             "KPXSearchSetIndexPath \"" +
                 index +
                 "\"\n"
                 "KPXSearchAddWordPhrase \"cat\"\n"
                 "kpxsearchcountmatches\n"
                 "KPXSearchGetMatch 1\n"
                 "KPXSearchGetAt 2\n"
                 "KPXSearchCreateMatchesList \"the cat sat\"\n"
                 "KPXSearchDeleteWordPhrase [1]\n");
  CommandResult result =
      RunCommand(std::string(KPXSEARCH_PATH) + " --script " + ShellQuote(dir_.Join("calls.lingo")));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "0\n0\n1\n2\n1\n4\nset t123Match = [5,7]\\r\n-1\n");
  dir_.Write("gated.lingo", "new\nKPXSearchCountMatches\n");
  CommandResult gated = RunCommand("sh -c " + ShellQuote(std::string(KPXSEARCH_PATH) +
                                                         " --host-version 8 --script - <" +
                                                         ShellQuote(dir_.Join("gated.lingo"))));
  EXPECT_EQ(gated.status, 0) << gated.err;
  EXPECT_EQ(gated.out, "0\n<no result>\n");
  EXPECT_NE(gated.err.find("KPXSearch Error"), std::string::npos);
}

TEST_F(KpxsearchTest, ScriptErrorsNameTheLine) {
  dir_.Write("bad.lingo", "new\nKPXSearchFly 1\n");
  CommandResult result =
      RunCommand(std::string(KPXSEARCH_PATH) + " --script " + ShellQuote(dir_.Join("bad.lingo")));
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("line 2"), std::string::npos) << result.err;
  dir_.Write("early.lingo", "KPXSearchCountMatches\n");
  EXPECT_EQ(
      RunCommand(std::string(KPXSEARCH_PATH) + " --script " + ShellQuote(dir_.Join("early.lingo")))
          .status,
      2);
}

}  // namespace
}  // namespace hostsim
