// peak_rss: runs a command and prints its peak resident memory in MiB on
// standard error ("peak_rss_mib N"). Exit status is the command's.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: peak_rss COMMAND [ARGS...]\n");
    return 2;
  }
  pid_t child = fork();
  if (child == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) < 0) return 2;
  std::fprintf(stderr, "peak_rss_mib %.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
