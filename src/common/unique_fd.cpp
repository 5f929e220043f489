// Opening inputs and reading their size.
#include "common/unique_fd.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <cerrno>

namespace narwe {

Result<UniqueFd> openReadOnly(const std::string& path) {
  // Non-blocking, so that opening a FIFO without a writer returns at once
  // instead of waiting for one; the flag is cleared once the type is known.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) fd = awayFromStandardStreams(fd);
  if (fd < 0) return errorFromErrno(errno);
  UniqueFd file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errorFromErrno(errno);
  if (S_ISDIR(st.st_mode)) return Error::IsDir;
  // Inputs are read by position; a FIFO has none (and may never end).
  if (S_ISFIFO(st.st_mode)) return Error::Unseekable;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) return errorFromErrno(errno);
  return file;
}

ssize_t readRetrying(int fd, void* buffer, size_t size) {
  for (;;) {
    ssize_t got = ::read(fd, buffer, size);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return -1;
  }
}

int awayFromStandardStreams(int fd) {
  if (fd > STDERR_FILENO) return fd;
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  int saved = errno;
  ::close(fd);
  errno = saved;
  return moved;
}

}  // namespace narwe
