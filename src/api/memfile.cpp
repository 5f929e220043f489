// Temporary files and stdin spooling.
#include "api/memfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "common/unique_fd.h"
#include "io/record_limit.h"

namespace narwe {
namespace {

constexpr std::string_view kDefaultTemporaryDirectory = "/tmp";
constexpr std::string_view kPathPrefix = "narwe_";
constexpr std::string_view kPathSuffix = ".tmp";
// Owner only: a temporary file holds the caller's data (spooled standard
// input, a joined table) and sits under a guessable name in a shared
// directory, so other users must not be able to open it, even for the
// moment before a memory-backed file is unlinked.
constexpr mode_t kTemporaryFileMode = 0600;
constexpr int kCreateFlags = O_RDWR | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC;
// Two creations on different threads can read the same clock value; the
// exclusive create then fails with EEXIST and we simply take a new stamp.
constexpr int kCreateAttempts = 64;
constexpr __int128 kNanosPerSecond = 1000000000;

// Real-time clock in nanoseconds (0 when the clock cannot be read).
__int128 nowNanoseconds() {
  timespec ts{};
  if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return 0;
  return static_cast<__int128>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}

void appendInt128(std::string& out, __int128 value) {
  char digits[48];
  size_t n = 0;
  bool negative = value < 0;
  // Work with non-positive values so the most negative value is safe.
  if (!negative) value = -value;
  do {
    digits[n++] = static_cast<char>('0' - static_cast<int>(value % 10));
    value /= 10;
  } while (value != 0);
  if (negative) out.push_back('-');
  while (n > 0) out.push_back(digits[--n]);
}

// Creates the file exclusively, retrying with a fresh stamp on a collision.
Result<FileWithPath> createExclusive(std::string_view name) {
  for (int attempt = 0;; ++attempt) {
    FileWithPath file;
    file.path = temporaryFilePath(name);
    int fd;
    do {
      fd = ::open(file.path.c_str(), kCreateFlags, kTemporaryFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      fd = awayFromStandardStreams(fd);
      if (fd < 0) {
        int err = errno;
        ::unlink(file.path.c_str());  // ours: created a moment ago
        return errorFromErrno(err);
      }
      file.fd = fd;
      return file;
    }
    int err = errno;
    if (err != EEXIST || attempt + 1 >= kCreateAttempts) return errorFromErrno(err);
  }
}

Status writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errorFromErrno(errno);
    }
    if (n == 0) return Error::WriteFailed;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return okStatus();
}

Error rewindError(int err) {
  switch (err) {
    case ENXIO:
    case EINVAL:
    case ESPIPE:
    case EOVERFLOW:
      return Error::Unseekable;
    default:
      return Error::Unexpected;
  }
}

}  // namespace

void FileWithPath::cleanup() {
  if (delete_at_cleanup && !path.empty()) ::unlink(path.c_str());
  delete_at_cleanup = false;
  if (owns_path) std::string().swap(path);
}

void TemporaryFile::release() {
  if (file_.fd >= 0) {
    ::close(file_.fd);
    file_.fd = -1;
  }
  file_.cleanup();
}

std::string temporaryDirectory() {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') return std::string(kDefaultTemporaryDirectory);
  return std::string(dir);
}

std::string temporaryFilePath(std::string_view name) {
  std::string path = temporaryDirectory();
  path.push_back('/');
  path.append(kPathPrefix);
  path.append(name);
  path.push_back('_');
  appendInt128(path, nowNanoseconds());
  path.append(kPathSuffix);
  return path;
}

Result<int> createMemoryBackedFile(std::string_view name) {
  NARWE_ASSIGN_OR_RETURN(FileWithPath file, createExclusive(name));
  ::unlink(file.path.c_str());
  return file.fd;
}

Result<FileWithPath> createTemporaryFileWithPath(std::string_view name) {
  return createExclusive(name);
}

Result<int> spoolToMemoryFile(int in_fd) {
  NARWE_ASSIGN_OR_RETURN(int spool_fd, createMemoryBackedFile(kStdinSpoolName));
  UniqueFd guard(spool_fd);
  std::unique_ptr<char[]> buffer(new char[kSpoolReadSize]);
  const size_t limit = maxRecordBytes();
  // Bytes since the last line feed. A record is at least as long as this run
  // (line feeds inside quotes only make records longer), so a run past the
  // record limit means a record the reader would refuse: stop here rather
  // than copy an input without line feeds until the disk is full.
  uint64_t run = 0;
  for (;;) {
    ssize_t n = readRetrying(in_fd, buffer.get(), kSpoolReadSize);
    if (n < 0) return errorFromErrno(errno);
    if (n == 0) break;
    const size_t got = static_cast<size_t>(n);
    const void* last_lf = ::memrchr(buffer.get(), '\n', got);
    run = last_lf == nullptr
              ? run + got
              : got - 1 - static_cast<size_t>(static_cast<const char*>(last_lf) - buffer.get());
    if (run > limit) return Error::FileTooBig;
    NARWE_TRY(writeAll(spool_fd, buffer.get(), got));
  }
  if (::lseek(spool_fd, 0, SEEK_SET) < 0) return rewindError(errno);
  return guard.release();
}

}  // namespace narwe
