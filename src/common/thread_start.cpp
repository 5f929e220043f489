// Thread creation with a start record and an explicit stack.
#include "common/thread_start.h"

#include <signal.h>

#include <cerrno>

namespace narwe {
namespace {
constexpr size_t kStartRecordSize = 8;
constexpr size_t kStartRecordAlignment = 8;
static_assert(sizeof(void*) == kStartRecordSize, "the start record holds one pointer");
}  // namespace

namespace detail {

Result<pthread_t> startThreadWithRecord(void* (*trampoline)(void*), void* arg,
                                        size_t stack_size) {
  void* record = nullptr;
  if (posix_memalign(&record, kStartRecordAlignment, kStartRecordSize) != 0) {
    return Error::OutOfMemory;
  }
  *static_cast<void**>(record) = arg;
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) {
    std::free(record);
    return Error::SystemResources;
  }
  pthread_attr_setstacksize(&attr, stack_size);
  pthread_attr_setguardsize(&attr, kThreadGuardSize);
  // Every library thread starts with SIGPIPE blocked (a new thread inherits
  // its creator's mask): a write to a pipe whose reader is gone then fails
  // with EPIPE and becomes BrokenPipe, instead of a signal that would end the
  // host process. The signal stays pending on the thread and dies with it.
  sigset_t broken_pipe;
  sigset_t previous;
  sigemptyset(&broken_pipe);
  sigaddset(&broken_pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &broken_pipe, &previous);
  pthread_t thread;
  int rc = pthread_create(&thread, &attr, trampoline, record);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    std::free(record);
    return rc == EAGAIN ? Error::SystemResources : Error::Unexpected;
  }
  return thread;
}

}  // namespace detail
}  // namespace narwe
