// RunOnFullDisk: runs a piece of a test in a child process whose files may
// not grow past a few bytes, the size signal ignored, so that a write past
// the limit fails as on a full disk. POSIX only. Test-only.
#ifndef KPX_PLATFORM_TESTING_FULL_DISK_H_
#define KPX_PLATFORM_TESTING_FULL_DISK_H_

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform::testing {

// True when body, run in the child with files limited to limit bytes,
// returned true. The child leaves no core file and no test report.
template <class Body>
bool RunOnFullDisk(rlim_t limit, Body body) {
  const pid_t child = fork();
  if (child == 0) {
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    struct rlimit size = {limit, limit};
    setrlimit(RLIMIT_FSIZE, &size);
    signal(SIGXFSZ, SIG_IGN);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform::testing

#endif  // _WIN32
#endif  // KPX_PLATFORM_TESTING_FULL_DISK_H_
