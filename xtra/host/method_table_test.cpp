// The method table text's layout and the selectors the host derives from it.
#include "xtra/host/method_table.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "xtra/hostsim/lingo_method_table.h"

namespace xtra {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the last line ends in a line feed";
  return lines;
}

TEST(MethodTable, SixteenLinesWithCommentsAtColumn49) {
  std::string text = kMethodTableText;
  EXPECT_EQ(text.find('\r'), std::string::npos);
  std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "xtra KPXSearch");
  EXPECT_EQ(lines[1], "new object me ") << "line 2 ends in a space";
  for (int line : {4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15, 16}) {
    EXPECT_EQ(lines[line - 1].find("--", 2), 48u) << "line " << line;
  }
  EXPECT_EQ(lines[12].find("--"), std::string::npos);
  EXPECT_EQ(lines[13].substr(0, 2), "--");
}

TEST(MethodTable, HostSelectorsMatchTheDispatcher) {
  hostsim::LingoMethodTable table;
  std::string error;
  ASSERT_TRUE(hostsim::ParseMethodTable(kMethodTableText, &table, &error)) << error;
  EXPECT_EQ(table.xtraName, "KPXSearch");
  ASSERT_EQ(table.methods.size(), kLastSelector + 1);
  const std::pair<const char*, Selector> expected[] = {
      {"new", Selector::kNew},
      {"KPXSearchSetArticlesPath", Selector::kSetArticlesPath},
      {"KPXSearchGetAt", Selector::kGetAt},
      {"KPXSearchAddKeyRange", Selector::kAddKeyRange},
      {"KPXSearchDeleteKeyRange", Selector::kDeleteKeyRange},
      {"KPXSearchCreateMatchesList", Selector::kCreateMatchesList}};
  for (auto [name, selector] : expected) {
    const hostsim::LingoMethod* method = table.Find(name);
    ASSERT_NE(method, nullptr) << name;
    EXPECT_EQ(method->selector, static_cast<std::int32_t>(selector)) << name;
  }
  EXPECT_TRUE(table.Find("new")->args.empty()) << "the instance argument is not passed";
  EXPECT_EQ(table.Find("KPXSearchAddKeyRange")->args,
            (std::vector<hostsim::ArgType>{hostsim::ArgType::kString, hostsim::ArgType::kInteger,
                                           hostsim::ArgType::kInteger}));
}

}  // namespace
}  // namespace xtra
