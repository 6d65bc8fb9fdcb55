// Runs a program and prints its peak resident memory (KiB, with that of the
// children it waited for) as the last line "peak-rss-kib N"; exits as it did.
//
// The benchmark cannot take this from its own wait: a child started from a
// large parent by vfork is charged the parent's peak when it execs. Started
// from this small process, the figure is the program's own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_peak_memory PROGRAM [ARG]...\n");
    return 2;
  }
  std::fflush(stdout);
  pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) {
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return 2;
  std::printf("peak-rss-kib %ld\n", usage.ru_maxrss);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
