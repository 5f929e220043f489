// Parallel counting of the records in an in-memory CSV buffer (a mapped
// file's data area).
//
// The count is exactly the number of records the scanning readers return for
// the same bytes: line feeds inside quoted sections do not end records, and a
// quote opens a quoted section only at the start of a field, so a stray quote
// in an unquoted field (27" screen) changes nothing. A final record without a
// line feed counts.
//
// From 2 MiB on the buffer is cut into one piece per MiB (at most
// `max_workers`); each worker summarises its piece for every state the piece
// may start in, and the summaries are chained in order, so the pieces need
// not start on record boundaries. Workers only read the buffer and write
// their own summary.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/error.h"

namespace narwe {

// Pieces are one per this many bytes ...
constexpr size_t kCountBytesPerWorker = 1024 * 1024;
// ... once the buffer holds at least this many.
constexpr size_t kCountParallelThreshold = 2 * 1024 * 1024;

// Number of records in bytes[0, length). Errors: OutOfMemory,
// SystemResources (a worker could not be started), Unexpected.
Result<uint64_t> countRecords(const char* bytes, size_t length, unsigned max_workers,
                              char delimiter = ',');

}  // namespace narwe
