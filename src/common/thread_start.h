// Starting the library's own threads (query thread, collector, parallel
// workers) with an explicit stack size and guard page area.
//
// Each thread gets one start record: an 8-byte block from posix_memalign that
// holds the thread's argument pointer. The new thread reads the argument,
// runs its entry and frees the record as its last action, so a started thread
// never leaks it and a failed start frees it at once.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdlib>

#include "common/error.h"

namespace narwe {

inline constexpr size_t kThreadGuardSize = 0x4000;  // 16 KiB
// Stack of every parallel worker thread.
inline constexpr size_t kWorkerStackSize = 0x1000000;  // 16 MiB

namespace detail {

// Allocates the start record for `arg` and creates the thread running
// `trampoline(record)`. Errors: OutOfMemory (record), SystemResources
// (attributes, or EAGAIN from creation), Unexpected (other creation errors).
Result<pthread_t> startThreadWithRecord(void* (*trampoline)(void*), void* arg,
                                        size_t stack_size);

template <void (*Entry)(void*) noexcept>
void* startRecordTrampoline(void* record) {
  void* arg = *static_cast<void**>(record);
  Entry(arg);
  std::free(record);
  return nullptr;
}

}  // namespace detail

// Starts a joinable thread running `Entry(arg)`. `Entry` is noexcept: a
// thread entry catches everything itself and reports it as an error value.
template <void (*Entry)(void*) noexcept>
Result<pthread_t> startThread(void* arg, size_t stack_size) {
  return detail::startThreadWithRecord(&detail::startRecordTrampoline<Entry>, arg, stack_size);
}

}  // namespace narwe
