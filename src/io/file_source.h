// Positioned reads of one byte range of an open input file.
//
// A `FileSource` reads [begin, end) of a descriptor with pread into the
// caller's buffer. It never moves the descriptor's offset and never maps the
// file, so any number of sources (one per worker) may read one descriptor at
// the same time, and a file that changes meanwhile can only make a read fail,
// never raise a signal.
//
// The file's size is taken once, when the input is opened (`sizeAtOpen`), and
// bounds every source over it:
//  - reading ends at that size: bytes appended later are never read;
//  - a file that ends before that size (it was truncated meanwhile) fails
//    the read with EndOfStream, so a cut record is never taken for a whole
//    one;
//  - a non-regular file (a character or block device) has no size: its
//    source ends where the system reports the end of its data.
//
// A range may end inside a record: `extendToFileEnd` lets its reader finish
// that record by reading on, up to the size at open. One source belongs to one
// thread; the descriptor must stay open while the source is used.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/error.h"

namespace narwe {

// The size of an input whose end only the system can tell (not a regular
// file).
inline constexpr uint64_t kUnknownFileSize = UINT64_MAX;

// The size of the open input by fstat: st_size for a regular file,
// kUnknownFileSize for anything else. Errors: the fstat error by name.
Result<uint64_t> sizeAtOpen(int fd);

class FileSource {
 public:
  // Bytes [begin, end) of `fd`, whose size at open was `file_size`; `end` is
  // clamped to `file_size`.
  FileSource(int fd, uint64_t begin, uint64_t end, uint64_t file_size);
  // The file from `begin` to its size at open.
  static FileSource wholeFile(int fd, uint64_t file_size, uint64_t begin = 0) {
    return FileSource(fd, begin, file_size, file_size);
  }

  // Reads up to `capacity` bytes at the current position into `dst` and
  // advances; returns the number read, 0 only at the end of the range.
  // Errors: EndOfStream (the file ended before the range did), Unseekable
  // (the descriptor cannot do positioned reads, e.g. a pipe), and the read
  // errors by name (IsDir, InputOutput, ...).
  Result<size_t> read(char* dst, size_t capacity);

  // Moves the range's end to the file's size at open.
  void extendToFileEnd() { end_ = file_size_; }

  uint64_t position() const { return position_; }
  uint64_t end() const { return end_; }
  uint64_t fileSize() const { return file_size_; }
  bool atEnd() const { return position_ >= end_; }
  int fd() const { return fd_; }

 private:
  int fd_;
  uint64_t position_;
  uint64_t end_;
  uint64_t file_size_;
};

}  // namespace narwe
