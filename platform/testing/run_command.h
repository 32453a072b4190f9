// RunCommand: runs a command line through the shell for end-to-end tests and
// captures its exit status, standard output and standard error. Test-only.
#ifndef KPX_PLATFORM_TESTING_RUN_COMMAND_H_
#define KPX_PLATFORM_TESTING_RUN_COMMAND_H_

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/testing/temp_dir.h"

namespace platform::testing {

struct CommandResult {
  int status = -1;  // the exit status, or -1 when the command did not exit
  std::string out;
  std::string err;
};

// Quotes one argument for the POSIX shell.
inline std::string ShellQuote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs command (already quoted) in directory dir, with stdin from /dev/null.
inline CommandResult RunCommand(const std::string& command, const std::string& dir = ".") {
  TempDir capture;
  std::string line = "cd " + ShellQuote(dir) + " && " + command + " </dev/null >" +
                     ShellQuote(capture.Join("out")) + " 2>" + ShellQuote(capture.Join("err"));
  int raw = std::system(line.c_str());
  CommandResult result;
#ifdef _WIN32
  result.status = raw;  // the exit status itself
#else
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
#endif
  result.out = capture.Read("out");
  result.err = capture.Read("err");
  return result;
}

}  // namespace platform::testing

#endif  // KPX_PLATFORM_TESTING_RUN_COMMAND_H_
