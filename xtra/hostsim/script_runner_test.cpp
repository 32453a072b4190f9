// Reading the host's method table and script lines.
#include "xtra/hostsim/script_runner.h"

#include <gtest/gtest.h>

#include "xtra/hostsim/lingo_method_table.h"

namespace hostsim {
namespace {

using Kind = ScriptArgument::Kind;

TEST(LingoMethodTable, DeclarationsCommentsAndTheInstanceArgument) {
  LingoMethodTable table;
  std::string error;
  ASSERT_TRUE(ParseMethodTable(
      "xtra Demo\r\nnew object me \n-- header --\n\n* DoIt string a, int b  -- comment\n"
      "--   -- continuation\n* Other object me, list x\n",
      &table, &error))
      << error;
  EXPECT_EQ(table.xtraName, "Demo");
  ASSERT_EQ(table.methods.size(), 3u);
  EXPECT_EQ(table.Find("DOIT")->selector, 1) << "names are found without regard to case";
  EXPECT_EQ(table.Find("doit")->args, (std::vector<ArgType>{ArgType::kString, ArgType::kInteger}));
  EXPECT_EQ(table.Find("Other")->args, std::vector<ArgType>{ArgType::kOther});
  EXPECT_EQ(table.Find("Missing"), nullptr);
  EXPECT_FALSE(ParseMethodTable("new object me\n", &table, &error));
  EXPECT_FALSE(ParseMethodTable("", &table, &error));
}

TEST(ScriptLine, ArgumentsOfEveryKind) {
  ScriptCall call;
  std::string error;
  ASSERT_TRUE(
      ParseScriptLine(R"(KPXSearchAddKeyRange "a, \b" , -12,[1, 2], void ,"")", &call, &error))
      << error;
  EXPECT_EQ(call.method, "KPXSearchAddKeyRange");
  ASSERT_EQ(call.args.size(), 5u);
  EXPECT_EQ(call.args[0].kind, Kind::kString);
  EXPECT_EQ(call.args[0].text, R"(a, \b)") << "no escapes: bytes pass unchanged";
  EXPECT_EQ(call.args[1].kind, Kind::kInteger);
  EXPECT_EQ(call.args[1].integer, -12);
  EXPECT_EQ(call.args[2].kind, Kind::kList);
  EXPECT_EQ(call.args[3].kind, Kind::kVoid);
  EXPECT_EQ(call.args[4].text, "");
  ASSERT_TRUE(ParseScriptLine("  new  ", &call, &error));
  EXPECT_TRUE(call.args.empty());
}

TEST(ScriptLine, MalformedLinesAreRefused) {
  ScriptCall call;
  std::string error;
  for (const char* line :
       {R"(M "open)", "M 1 2", "M 1,", "M [1", "M 99999999999", "M x", "\"x\""}) {
    EXPECT_FALSE(ParseScriptLine(line, &call, &error)) << line;
  }
}

TEST(ScriptResult, PrintedForms) {
  SimHost host;
  EXPECT_EQ(FormatResult(host, {XTRA_OK, host.Integer(-1)}), "-1");
  EXPECT_EQ(FormatResult(host, {XTRA_OK, host.String("set t = [1,2]\r")}), "set t = [1,2]\\r");
  EXPECT_EQ(FormatResult(host, {XTRA_OK, host.Void()}), "<no result>");
  EXPECT_EQ(FormatResult(host, {XTRA_E_NO_CLASS, host.Void()}), "<error 0x80040005>");
}

}  // namespace
}  // namespace hostsim
