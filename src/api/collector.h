// The output channel of one query: a pipe whose write end the executor writes
// the formatted result to, and a collector thread that drains the read end
// into an in-memory buffer.
//
// The pipe decouples formatting from buffering: the executor streams while
// the collector grows the buffer. If the buffer cannot grow (memory ran out,
// or the result passed the capacity limit), the collector records
// OutOfMemory and closes the pipe's read end at once: the executor's next
// write fails with BrokenPipe (library threads block SIGPIPE), so a result
// that cannot be held stops the query instead of letting it run to the end
// of its input. The collector's error is then the query's answer. The buffer
// is touched only by the collector thread until `finish` has joined it. One
// collector per query; not shared.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>

#include "common/error.h"

namespace narwe {

// Stack of the collector thread.
inline constexpr size_t kCollectorStackSize = 0x1000000;  // 16 MiB

// The capacity limit every new collector gets: SIZE_MAX (none) unless
// lowered, which tests do to run out of result memory without exhausting
// the machine. Thread-safe; collectors already running keep theirs.
size_t outputCapacityLimit();
void setOutputCapacityLimit(size_t bytes);

class OutputCollector {
 public:
  // `capacity_limit` caps the buffer; growing past it counts as running out
  // of memory.
  explicit OutputCollector(size_t capacity_limit = outputCapacityLimit()) {
    state_.capacity_limit = capacity_limit;
  }
  OutputCollector(const OutputCollector&) = delete;
  OutputCollector& operator=(const OutputCollector&) = delete;
  // Closes both pipe ends and joins the thread if still running; frees the
  // buffer unless it was taken.
  ~OutputCollector();

  // Creates the pipe and starts the collector thread. Pipe errors:
  // ProcessFdQuotaExceeded, SystemFdQuotaExceeded, otherwise Unexpected;
  // thread errors as for startThread.
  Status start();

  // The descriptor the executor writes to.
  int writeFd() const { return write_fd_; }

  // Closes the write end (the collector then sees end of input), joins the
  // collector and closes the read end. Returns the collector's error, if any
  // (a failed collector has stopped the executor's writes, so this error
  // takes precedence over the executor's). Safe to call more than once.
  Status finish();

  // After a successful `finish`: hands over the collected bytes as a
  // NUL-terminated string allocated with posix_memalign (alignment 8), to be
  // released with free(). Errors: OutOfMemory; InvalidInput when the bytes
  // hold a NUL (CSV output copies field bytes as they are): the caller would
  // see the text end there, so a result cut short is refused rather than
  // handed over as a success.
  Result<char*> takeText();

  // Bytes collected so far (valid after `finish`).
  size_t size() const { return state_.size; }

  // Shared with the collector thread; public so the thread entry can reach it.
  struct State {
    char* data = nullptr;  // posix_memalign'd, grown with realloc
    size_t size = 0;
    size_t capacity = 0;
    size_t capacity_limit = SIZE_MAX;
    int read_fd = -1;
    Error error = Error::None;
  };

 private:
  void closeWriteEnd();

  State state_;
  int write_fd_ = -1;
  pthread_t thread_{};
  bool running_ = false;
};

}  // namespace narwe
