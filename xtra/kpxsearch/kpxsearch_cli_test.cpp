// kpxsearch end to end: the command loads the built plug-in and searches a
// small hand-made index set, or runs a script.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/testing/run_command.h"
#include "platform/testing/temp_dir.h"
#include "xtra/hostsim/testing/index_set.h"

namespace kpxsearch {
namespace {

using platform::testing::CommandResult;
using platform::testing::RunCommand;
using platform::testing::ShellQuote;

class KpxsearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hostsim::testing::WriteIndexSet(dir_, {{"intro.txt", "the cat sat"},
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

TEST_F(KpxsearchTest, ListPrintsTheCountThenTheArticles) {
  CommandResult result = Search("--list cat");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "2\n1\n4\n");
  result = Search("--list --names 'new york'");
  EXPECT_EQ(result.out, "2\n2\tplaces\\new_york.txt\n3\tplaces/yorker.html\n");
  EXPECT_EQ(Search("--list --whole-word 'new york'").out, "1\n2\n");
  EXPECT_EQ(Search("--count cat").out, "2\n");
}

TEST_F(KpxsearchTest, DefaultOutputShowsTheLinesOfThePhrases) {
  dir_.Write("articles/a1/t0001", "first line\nthe cat sat\r\nno\nCat and catalog\n");
  CommandResult plain = Search("--color never cat");
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out,
            "article 1: intro.txt\n2:the cat sat\n4:Cat and catalog\n\n"
            "article 4: dogs.txt\n1:cats and dogs\n");
  EXPECT_EQ(Search("--max-lines 1 cat").out,
            "article 1: intro.txt\n2:the cat sat\n\narticle 4: dogs.txt\n1:cats and dogs\n")
      << "not a terminal: no colour";
  CommandResult coloured = Search("--color always --max-lines 1 'new york'");
  EXPECT_NE(coloured.out.find(":\033[1;31mnew york\033[0m city\n"), std::string::npos)
      << coloured.out;
  // A one-character phrase: its occurrence starts and ends on the same byte.
  EXPECT_EQ(Search("--color always a").out,
            "\033[35marticle 4: dogs.txt\033[0m\n"
            "\033[32m1\033[0m:cats \033[1;31ma\033[0mnd dogs\n");
  CommandResult noColor = RunCommand("NO_COLOR=1 " + std::string(KPXSEARCH_PATH) + " --index " +
                                     ShellQuote(dir_.Join("index")) + " --articles " +
                                     ShellQuote(dir_.Join("articles")) + " cat");
  EXPECT_EQ(noColor.out.find('\033'), std::string::npos);
}

TEST_F(KpxsearchTest, JsonAndListAgreeWithTheCount) {
  CommandResult json = Search("--json --or cat 'new york'");
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"count\": 4, \"fold\": {\"name\": \"cp1252\", \"recorded\": true}, "
            "\"articles\": ["
            "{\"article\": 1, \"name\": \"intro.txt\", \"lines\": [{\"line\": 1, \"text\": "
            "\"the cat sat\", \"occurrences\": [[5, 7]]}]}, "
            "{\"article\": 2, \"name\": \"places\\\\new_york.txt\", \"lines\": [{\"line\": 1, "
            "\"text\": \"new york city\", \"occurrences\": [[1, 8]]}]}, "
            "{\"article\": 3, \"name\": \"places/yorker.html\", \"lines\": [{\"line\": 1, "
            "\"text\": \"new yorker magazine\", \"occurrences\": [[1, 8]]}]}, "
            "{\"article\": 4, \"name\": \"dogs.txt\", \"lines\": [{\"line\": 1, \"text\": "
            "\"cats and dogs\", \"occurrences\": [[1, 3]]}]}]}\n");
  EXPECT_EQ(Search("--list --or cat 'new york'").out, "4\n1\n2\n3\n4\n");
  CommandResult none = Search("--json zebra");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out,
            "{\"count\": 0, \"fold\": {\"name\": \"cp1252\", \"recorded\": true}, "
            "\"articles\": []}\n");
}

// The lines shown and their highlights are what the plug-in's match list
// gives under the set's fold; --json names that fold.
TEST_F(KpxsearchTest, HighlightsAndJsonFollowTheSetsFold) {
  hostsim::testing::WriteIndexSet(dir_, {{"a.txt", "Z\xFCrich and zurich"}, {"b.txt", "ZURICH"}},
                                  true);
  CommandResult json = Search("--json z\xFCrich");
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"count\": 2, \"fold\": {\"name\": \"cp1252-accent-free\", \"recorded\": true}, "
            "\"articles\": [{\"article\": 1, \"name\": \"a.txt\", \"lines\": [{\"line\": 1, "
            "\"text\": \"Z\xC3\xBCrich and zurich\", \"occurrences\": [[1, 6], [12, 17]]}]}, "
            "{\"article\": 2, \"name\": \"b.txt\", \"lines\": [{\"line\": 1, \"text\": "
            "\"ZURICH\", \"occurrences\": [[1, 6]]}]}]}\n");
  EXPECT_EQ(Search("--color always --whole-word zurich").out,
            "\033[35marticle 1: a.txt\033[0m\n\033[32m1\033[0m:\033[1;31mZ\xC3\xBCrich\033[0m and "
            "\033[1;31mzurich\033[0m\n\n\033[35marticle 2: b.txt\033[0m\n\033[32m1\033[0m:"
            "\033[1;31mZURICH\033[0m\n");
  std::remove(dir_.Join("index/fold").c_str());
  EXPECT_NE(
      Search("--json zurich").out.find("\"fold\": {\"name\": \"cp1252\", \"recorded\": false}"),
      std::string::npos);
}

TEST_F(KpxsearchTest, JsonReadsTheCodePageOrUtf8) {
  dir_.Write("articles/a1/t0001", "caf\xE9 cat\n");
  EXPECT_NE(
      Search("--json cat").out.find("\"text\": \"caf\xC3\xA9 cat\", \"occurrences\": [[6, 8]]"),
      std::string::npos);
  dir_.Write("articles/a1/t0001", "caf\xC3\xA9 cat\n");
  EXPECT_NE(Search("--json --encoding utf-8 cat")
                .out.find("\"text\": \"caf\xC3\xA9 cat\", \"occurrences\": [[6, 8]]"),
            std::string::npos)
      << "columns count characters";
  // A surrogate, overlong forms and a byte above F4: each byte one U+FFFD.
  dir_.Write("articles/a1/t0001", "\xED\xA0\x80 \xC0\xAF \xE0\x80\xAF \xF5\x80\x80\x80 cat\n");
  const std::string r = "\xEF\xBF\xBD", r2 = r + r, r3 = r2 + r, r4 = r3 + r;  // U+FFFD
  CommandResult json = Search("--json --encoding utf-8 cat");
  EXPECT_NE(json.out.find("\"text\": \"" + r3 + " " + r2 + " " + r3 + " " + r4 +
                          " cat\", \"occurrences\": [[17, 19]]"),
            std::string::npos)
      << json.out;
}

TEST_F(KpxsearchTest, ModesAndRanges) {
  EXPECT_EQ(Search("--list --or cat 'new york'").out, "4\n1\n2\n3\n4\n");
  EXPECT_EQ(Search("--list --and cat dogs").out, "1\n4\n");
  EXPECT_EQ(Search("--list --range r:2:4 --range s:1:1 cat").out, "2\n1\n4\n");
  EXPECT_EQ(Search("--list --range 'a:b:2:3' cat").out, "0\n");
}

TEST_F(KpxsearchTest, UsageErrorsSayWhatIsWrong) {
  CommandResult twoPhrases = Search("new york");
  EXPECT_EQ(twoPhrases.status, 2);
  EXPECT_EQ(twoPhrases.out, "");
  EXPECT_NE(twoPhrases.err.find("two phrases need --and"), std::string::npos) << twoPhrases.err;
  EXPECT_EQ(Search("--and --or cat dogs").status, 2);
  EXPECT_EQ(Search("--list --json cat").status, 2);
  EXPECT_EQ(Search("--names cat").status, 2);
  EXPECT_EQ(Search("--count --max-lines 2 cat").status, 2);
  EXPECT_EQ(Search("--color sometimes cat").status, 2);
  CommandResult help = RunCommand(std::string(KPXSEARCH_PATH) + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.find("Excludes"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("Output:"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("--json"), std::string::npos) << help.out;
}

TEST_F(KpxsearchTest, ExitStatusTellsNoMatchFromErrors) {
  CommandResult none = Search("--list zebra");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "0\n");
  EXPECT_EQ(Search("zebra").out, "");
  EXPECT_EQ(Search("--range r:5:3 cat").status, 2) << "the plug-in refuses the range";
  EXPECT_EQ(Search("--range r5 cat").status, 2);
  EXPECT_EQ(Search("").status, 2);
  EXPECT_EQ(Search("a b c").status, 2);
  for (const std::string& paths :
       {"--index /nonexistent --articles " + dir_.Join("articles"),
        "--index " + dir_.Join("index") + " --articles " + dir_.Join("index/log")}) {
    CommandResult missing = RunCommand(std::string(KPXSEARCH_PATH) + " " + paths + " cat");
    EXPECT_EQ(missing.status, 2) << paths;
    EXPECT_NE(missing.err.find("does not exist or is not a directory"), std::string::npos)
        << missing.err;
  }
  CommandResult badPlugin = Search("--plugin /nonexistent/KPXSearch.so cat");
  EXPECT_EQ(badPlugin.status, 2);
  EXPECT_NE(badPlugin.err.find("cannot load"), std::string::npos);
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
}  // namespace kpxsearch
