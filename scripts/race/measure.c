/* Times one process: runs ARGV, waits for it with wait4 and writes
 * "<seconds> <peak resident KiB> <exit code>" to REPORT.
 *
 * Usage: measure REPORT PROGRAM [ARG...]
 * The launcher is this small C program rather than the Python driver because a
 * child's peak resident size includes whatever its parent had mapped when it
 * forked; forking from here adds well under a megabyte instead of an
 * interpreter's worth. Standard input, output and error pass through. */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: measure REPORT PROGRAM [ARG...]\n");
    return 2;
  }
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = fork();
  if (pid < 0) {
    perror("fork");
    return 2;
  }
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    fprintf(stderr, "measure: cannot run %s: %s\n", argv[2], strerror(errno));
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  pid_t got;
  do {
    got = wait4(pid, &status, 0, &usage);
  } while (got < 0 && errno == EINTR);
  clock_gettime(CLOCK_MONOTONIC, &end);
  if (got < 0) {
    perror("wait4");
    return 2;
  }
  double seconds = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  FILE *report = fopen(argv[1], "w");
  if (!report) {
    perror(argv[1]);
    return 2;
  }
  fprintf(report, "%.6f %ld %d\n", seconds, usage.ru_maxrss, code);
  return fclose(report) == 0 ? 0 : 2;
}
