// Temporary files: anonymous scratch files for routes that need a file where
// there is none (standard input read twice, a sub-query's result read back).
//
// Paths are "<dir>/narwe_<name>_<nanoseconds>.tmp", where <dir> is $TMPDIR
// (or "/tmp" when it is unset or empty). Files are created exclusively with
// mode 0600 (they hold the caller's data); a memory-backed file loses its
// directory entry at once and vanishes when its descriptor is closed. Every
// function here is safe to call from several threads at once: the nanosecond
// stamp plus exclusive creation keep the paths of concurrent callers apart.
#pragma once

#include <string>
#include <string_view>

#include "common/error.h"

namespace narwe {

// Name parts in use.
inline constexpr std::string_view kStdinSpoolName = "stdin_spool";
inline constexpr std::string_view kSubqueryResultName = "subquery";

// Bytes read from the input per read call while spooling.
inline constexpr size_t kSpoolReadSize = 1 << 20;

// An open temporary file that keeps its path.
struct FileWithPath {
  std::string path;
  int fd = -1;
  bool delete_at_cleanup = true;  // unlink `path` at cleanup
  bool owns_path = true;          // release `path` at cleanup

  // Removes the file by its path when `delete_at_cleanup` is set, then
  // releases the path text when `owns_path` is set. Does not close `fd`.
  void cleanup();
};

// Owns a FileWithPath: closes the descriptor and cleans up on destruction,
// so every path out of a route removes the file.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  explicit TemporaryFile(FileWithPath file) : file_(std::move(file)) {}
  TemporaryFile(TemporaryFile&& other) noexcept : file_(std::move(other.file_)) {
    other.file_.fd = -1;
    other.file_.delete_at_cleanup = false;
  }
  TemporaryFile& operator=(TemporaryFile&&) = delete;
  TemporaryFile(const TemporaryFile&) = delete;
  ~TemporaryFile() { release(); }

  int fd() const { return file_.fd; }
  const std::string& path() const { return file_.path; }
  // Closes and deletes the file now (idempotent).
  void release();

 private:
  FileWithPath file_;
};

// The directory for temporary files: $TMPDIR, or "/tmp" when unset or empty.
std::string temporaryDirectory();

// "<dir>/narwe_<name>_<ns>.tmp" for the current real-time clock.
std::string temporaryFilePath(std::string_view name);

// Creates an empty read-write file whose directory entry is already removed.
// Returns its descriptor, or the system error of creating it (FileNotFound
// for a missing directory, AccessDenied, NoSpaceLeft, ...).
Result<int> createMemoryBackedFile(std::string_view name);

// Creates an empty read-write temporary file that keeps its directory entry
// until cleanup, for a file written by descriptor and read back by path.
Result<FileWithPath> createTemporaryFileWithPath(std::string_view name);

// Copies everything readable from `in_fd` (the runner passes 0) into a new
// memory-backed file named "stdin_spool" and rewinds it. Returns the spool
// file's descriptor. Read and write errors are returned unchanged; a run of
// more than the record limit (io/record_limit.h) without a line feed fails
// with FileTooBig as soon as it is read; a failed rewind gives Unseekable or
// Unexpected. The spool file is closed on failure.
Result<int> spoolToMemoryFile(int in_fd);

}  // namespace narwe
