// The longest record any reader accepts.
//
// Records are read whole, so one record must fit in memory: a record longer
// than the limit (an input without line feeds, such as a device that never
// ends) fails its read with FileTooBig instead of growing a buffer without
// bound. Every route applies it: the file and standard-input readers, the
// header reader, and standard input being spooled to a file. The limit is
// process-wide; tests lower it so they need not write a gigabyte.
#pragma once

#include <atomic>
#include <cstddef>

namespace narwe {

inline constexpr size_t kDefaultMaxRecordBytes = size_t{1} << 30;  // 1 GiB

namespace detail {
inline std::atomic<size_t> g_max_record_bytes{kDefaultMaxRecordBytes};
}  // namespace detail

// The current limit in bytes (a record's bytes before its line feed).
inline size_t maxRecordBytes() {
  return detail::g_max_record_bytes.load(std::memory_order_relaxed);
}

// Sets the limit; 0 restores the default. Meant for tests; queries running
// at the moment may see either value.
inline void setMaxRecordBytes(size_t bytes) {
  detail::g_max_record_bytes.store(bytes == 0 ? kDefaultMaxRecordBytes : bytes,
                                   std::memory_order_relaxed);
}

}  // namespace narwe
