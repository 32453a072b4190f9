// ScriptRunner: runs Lingo-style calls, one per line, against a scripting
// instance of a session, and prints one line per call.
//
// Line syntax: a method name from the registered method table, then its
// arguments separated by commas: "text" (a string, no escapes: the text runs
// to the next double quote), an integer (optionally signed), [ ... ] (a list,
// which the plug-in cannot convert) or void (no value). Blank lines and lines
// beginning with "--" or "#" are skipped.
//
// `new` makes the scripting instance the first time, then calls the method
// (selector 0) on it; every other method needs that instance.
//
// Output per call: the integer result; or the string result with its final
// carriage return written as the two characters \r; or "<no result>" when
// the method set none; or "<error 0xXXXXXXXX>" when the call returned a code.
#ifndef KPX_XTRA_HOSTSIM_SCRIPT_RUNNER_H_
#define KPX_XTRA_HOSTSIM_SCRIPT_RUNNER_H_

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xtra/hostsim/xtra_session.h"

namespace hostsim {

// One argument as written in a script line.
struct ScriptArgument {
  enum class Kind { kString, kInteger, kList, kVoid } kind = Kind::kVoid;
  std::string text;
  std::int32_t integer = 0;
};

struct ScriptCall {
  std::string method;
  std::vector<ScriptArgument> args;
};

// Parses one non-comment line; false with *error on a syntax error.
bool ParseScriptLine(std::string_view line, ScriptCall* call, std::string* error);

// The printed form of a call's result.
std::string FormatResult(SimHost& host, const CallResult& result);

class ScriptRunner {
 public:
  explicit ScriptRunner(XtraSession& session) : session_(session) {}
  ~ScriptRunner();

  // Runs every line of script; stops at the first line that cannot be run,
  // with *error naming its line number. Results are appended to out.
  bool Run(std::istream& script, std::ostream& out, std::string* error);

  // Runs one parsed call; false with *error for an unknown method or a call
  // before `new`.
  bool RunCall(const ScriptCall& call, std::string* printed, std::string* error);

 private:
  XtraSession& session_;
  std::unique_ptr<ScriptingInstance> instance_;
};

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_SCRIPT_RUNNER_H_
