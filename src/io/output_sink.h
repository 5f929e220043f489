// Where result bytes go: the destination behind a RecordWriter.
//
// An executor never writes to a descriptor itself; it hands its writer a
// sink. `FdSink` writes to a descriptor (the result pipe, a temporary file),
// retrying partial and interrupted writes. `BufferSink` keeps the bytes in
// memory, so a worker can format its part of the result on its own and one
// thread can later write the parts in order.
//
// A sink belongs to one thread at a time and must outlive the writer using
// it; an FdSink does not own or close its descriptor.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/error.h"

namespace narwe {

class OutputSink {
 public:
  virtual ~OutputSink() = default;

  // Takes all of `bytes`, or fails with the error name. `taken` is set to the
  // number of leading bytes that did reach the destination either way, so a
  // caller never writes a byte twice.
  virtual Status write(std::string_view bytes, size_t& taken) = 0;
};

class FdSink final : public OutputSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}

  // Errors: the write error by name (BrokenPipe, NoSpaceLeft, ...);
  // WouldBlock for a non-blocking descriptor that cannot take more,
  // NotOpenForWriting for EBADF, WriteFailed for a write that makes no
  // progress.
  Status write(std::string_view bytes, size_t& taken) override;

  int fd() const { return fd_; }

 private:
  int fd_;
};

class BufferSink final : public OutputSink {
 public:
  // OutOfMemory (nothing taken) when the buffer cannot grow.
  Status write(std::string_view bytes, size_t& taken) override;

  const std::string& bytes() const { return bytes_; }
  std::string take() { return std::move(bytes_); }
  void clear() { bytes_.clear(); }

 private:
  std::string bytes_;
};

}  // namespace narwe
