// Output pipe and collector thread.
#include "api/collector.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/thread_start.h"
#include "common/unique_fd.h"

namespace narwe {
namespace {

// Bytes requested per read from the pipe. Reads go straight into the buffer's
// spare capacity, so larger reads mean fewer system calls.
constexpr size_t kCollectorReadSize = 64 * 1024;
// Requested pipe capacity (best effort): fewer wake-ups between the executor
// and the collector on large outputs.
constexpr int kPipeCapacity = 1 << 20;
constexpr size_t kBufferAlignment = 8;
constexpr size_t kInitialCapacity = 64 * 1024;

Error pipeError(int err) {
  if (err == EMFILE) return Error::ProcessFdQuotaExceeded;
  if (err == ENFILE) return Error::SystemFdQuotaExceeded;
  return Error::Unexpected;
}

// Grows the buffer to `capacity` bytes; false when memory ran out.
bool growTo(OutputCollector::State& s, size_t capacity) {
  // No allocation can be larger than the address space's signed half.
  if (capacity > static_cast<size_t>(PTRDIFF_MAX)) return false;
  void* p = nullptr;
  if (s.data == nullptr) {
    if (posix_memalign(&p, kBufferAlignment, capacity) != 0) return false;
  } else {
    p = std::realloc(s.data, capacity);
    if (p == nullptr) return false;
  }
  s.data = static_cast<char*>(p);
  s.capacity = capacity;
  return true;
}

// Ensures room for `extra` more bytes, doubling the capacity as needed (but
// never past the cap); false when that room cannot be had. A failed attempt
// may still have made some room.
bool reserve(OutputCollector::State& s, size_t extra) {
  if (s.capacity - s.size >= extra) return true;
  if (s.capacity_limit < s.size || s.capacity_limit - s.size < extra) {
    if (s.capacity < s.capacity_limit) (void)growTo(s, s.capacity_limit);
    return false;
  }
  size_t want = s.capacity == 0 ? kInitialCapacity : s.capacity;
  while (want - s.size < extra) {
    if (want > SIZE_MAX / 2) return false;
    want *= 2;
  }
  if (want > s.capacity_limit) want = s.capacity_limit;
  return growTo(s, want);
}

// Reads until end of input. When the buffer cannot grow, one more read goes
// to a scratch buffer: a byte there is output that cannot be held, so the
// collector records OutOfMemory and closes the read end, which makes the
// executor's next write fail instead of producing output nobody keeps.
void collectorMain(OutputCollector::State& s) {
  char scratch[kCollectorReadSize];
  for (;;) {
    char* target = scratch;
    (void)reserve(s, kCollectorReadSize);
    if (s.capacity > s.size) target = s.data + s.size;
    size_t room = target == scratch ? kCollectorReadSize
                                    : std::min(s.capacity - s.size, kCollectorReadSize);
    ssize_t n = ::read(s.read_fd, target, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      s.error = errorFromErrno(errno);
      break;
    }
    if (n == 0) return;
    if (target == scratch) {
      s.error = Error::OutOfMemory;
      break;
    }
    s.size += static_cast<size_t>(n);
  }
  ::close(s.read_fd);
  s.read_fd = -1;
}

void collectorEntry(void* arg) noexcept {
  auto* s = static_cast<OutputCollector::State*>(arg);
  try {
    collectorMain(*s);
  } catch (const std::bad_alloc&) {
    s->error = Error::OutOfMemory;
  } catch (...) {
    s->error = Error::Unexpected;
  }
}

std::atomic<size_t> g_output_capacity_limit{SIZE_MAX};

}  // namespace

size_t outputCapacityLimit() { return g_output_capacity_limit.load(std::memory_order_relaxed); }

void setOutputCapacityLimit(size_t bytes) {
  g_output_capacity_limit.store(bytes, std::memory_order_relaxed);
}

OutputCollector::~OutputCollector() {
  (void)finish();
  std::free(state_.data);
}

Status OutputCollector::start() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return pipeError(errno);
  for (int& fd : fds) fd = awayFromStandardStreams(fd);
  if (fds[0] < 0 || fds[1] < 0) {
    int err = errno;
    if (fds[0] >= 0) ::close(fds[0]);
    if (fds[1] >= 0) ::close(fds[1]);
    return pipeError(err);
  }
  // Best effort; the default capacity works too.
  (void)::fcntl(fds[1], F_SETPIPE_SZ, kPipeCapacity);
  state_.read_fd = fds[0];
  write_fd_ = fds[1];
  auto thread = startThread<collectorEntry>(&state_, kCollectorStackSize);
  if (!thread.ok()) {
    closeWriteEnd();
    ::close(state_.read_fd);
    state_.read_fd = -1;
    return thread.error();
  }
  thread_ = *thread;
  running_ = true;
  return okStatus();
}

void OutputCollector::closeWriteEnd() {
  if (write_fd_ >= 0) {
    ::close(write_fd_);
    write_fd_ = -1;
  }
}

Status OutputCollector::finish() {
  closeWriteEnd();
  if (running_) {
    pthread_join(thread_, nullptr);
    running_ = false;
  }
  if (state_.read_fd >= 0) {
    ::close(state_.read_fd);
    state_.read_fd = -1;
  }
  return state_.error;
}

Result<char*> OutputCollector::takeText() {
  if (state_.size > 0 && std::memchr(state_.data, '\0', state_.size) != nullptr) {
    return Error::InvalidInput;
  }
  // The terminating NUL is not output, so the cap does not apply to it; it
  // takes exactly one more byte (doubling a full multi-gigabyte buffer for it
  // would double the peak, or fail a result already collected).
  if (state_.capacity == state_.size && !growTo(state_, state_.size + 1)) {
    return Error::OutOfMemory;
  }
  char* text = state_.data;
  text[state_.size] = '\0';
  // Give back the spare capacity of large results.
  if (state_.capacity - state_.size > kInitialCapacity) {
    if (void* shrunk = std::realloc(text, state_.size + 1)) text = static_cast<char*>(shrunk);
  }
  state_ = State{};
  return text;
}

}  // namespace narwe
