// An owned file descriptor, closed on every path out of its scope, and the
// descriptor operations the library shares: opening an input read-only,
// reading its size, reading with retries, and keeping descriptors off the
// standard streams.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <string>
#include <utility>

#include "common/error.h"

namespace narwe {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  // Gives up ownership without closing.
  int release() { return std::exchange(fd_, -1); }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// Opens `path` read-only (close-on-exec, never on descriptors 0-2, blocking
// reads), relative to the current directory, retrying interrupted calls.
// Never waits: a FIFO is refused with Unseekable, with or without a writer.
// Errors are the open call's, by name, IsDir for a directory (which opens,
// but then fails differently when read), and Unseekable for a FIFO.
Result<UniqueFd> openReadOnly(const std::string& path);

// read(2) that retries interrupted calls and, on a non-blocking descriptor
// with nothing to read yet (a host's non-blocking standard input), waits
// until data or end of input arrives instead of failing. Returns what read
// returns; -1 with errno set on failure.
ssize_t readRetrying(int fd, void* buffer, size_t size);

// Moves a descriptor that landed on 0, 1 or 2 (the host closed its standard
// streams) above them, closing the original. A descriptor the library opens
// must never pose as standard input: a statement reading stdin would read it
// instead. Returns the descriptor to use, or -1 with errno set.
int awayFromStandardStreams(int fd);

}  // namespace narwe
