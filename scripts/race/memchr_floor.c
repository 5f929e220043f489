/* The floor of the race: counts the line feeds of a file on one thread,
 * reading it with read() into a 1 MiB buffer and scanning with memchr. Any
 * engine that answers a question about every line must at least do this. */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: memchr_floor FILE\n");
    return 2;
  }
  int fd = open(argv[1], O_RDONLY);
  if (fd < 0) {
    perror(argv[1]);
    return 1;
  }
  static char buffer[1 << 20];
  unsigned long long lines = 0;
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0) {
      perror("read");
      close(fd);
      return 1;
    }
    if (got == 0) break;
    const char *p = buffer, *end = buffer + got;
    while ((p = memchr(p, '\n', (size_t)(end - p))) != NULL) {
      ++lines;
      ++p;
    }
  }
  close(fd);
  printf("%llu\n", lines);
  return 0;
}
