// The built library exports the five entry points and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

// Names of the defined dynamic symbols of a shared library (nm -D).
std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
  std::set<std::string> names;
  std::string command = "nm -D --defined-only '" + library + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::size_t space = text.rfind(' ');
    if (space != std::string::npos) names.insert(text.substr(space + 1));
  }
  pclose(pipe);
  return names;
}

TEST(Exports, ExactlyTheFiveEntryPoints) {
  std::set<std::string> expected = {"DllCanUnloadNow", "DllGetClassForm", "DllGetClassInfo",
                                    "DllGetClassObject", "DllGetInterface"};
  EXPECT_EQ(DefinedDynamicSymbols(KPX_PLUGIN_PATH), expected);
}

}  // namespace
