// Positioned reads bounded by the size seen when the input was opened.
#include "io/file_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace narwe {
namespace {

// Largest single read: what one read call transfers at most on Linux.
constexpr size_t kMaxReadBytes = 0x7ffff000;

Error readError(int err) {
  // A pipe or socket has no positions to read at.
  if (err == ESPIPE) return Error::Unseekable;
  return errorFromErrno(err);
}

}  // namespace

Result<uint64_t> sizeAtOpen(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errorFromErrno(errno);
  if (!S_ISREG(st.st_mode)) return kUnknownFileSize;
  return static_cast<uint64_t>(st.st_size);
}

FileSource::FileSource(int fd, uint64_t begin, uint64_t end, uint64_t file_size)
    : fd_(fd), position_(begin), end_(std::min(end, file_size)), file_size_(file_size) {}

Result<size_t> FileSource::read(char* dst, size_t capacity) {
  if (position_ >= end_ || capacity == 0) return size_t{0};
  const uint64_t left = end_ - position_;
  size_t want = std::min<uint64_t>(std::min(capacity, kMaxReadBytes), left);
  // pread takes a signed offset; past it no byte can be read.
  if (position_ > static_cast<uint64_t>(LLONG_MAX)) return Error::FileTooBig;
  ssize_t got;
  do {
    got = ::pread(fd_, dst, want, static_cast<off_t>(position_));
  } while (got < 0 && errno == EINTR);
  if (got < 0) return readError(errno);
  if (got == 0) {
    if (end_ != kUnknownFileSize) return Error::EndOfStream;  // shrank since opened
    end_ = position_;  // a device's data ended
    return size_t{0};
  }
  position_ += static_cast<uint64_t>(got);
  return static_cast<size_t>(got);
}

}  // namespace narwe
