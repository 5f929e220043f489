// Cutting the data area of an in-memory CSV buffer into chunks for parallel
// workers.
//
// Every inner boundary is a true record start: the position a sequential read
// from `start` would begin a record at. A quoted field holding line feeds is
// never cut, whatever the number of chunks. Each worker can therefore read
// its chunk on its own, starting in the record-start state, and the workers
// together see exactly the records of a sequential read, in order.
//
// Pure functions over caller-owned bytes; thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/error.h"

namespace narwe {

struct LineChunk {
  uint64_t begin = 0;
  uint64_t end = 0;
};

// `n` (at least 1) chunks covering data[start, length): the first begins at
// `start` (which must be a record start), the last ends at `length`, each
// begins where the previous one ends. Boundary k lies at the first record
// start found from start + k * ((length - start) / n); when no record starts
// after that point the boundary is `length`. Chunks may be empty when records
// are longer than the nominal step. Errors: OutOfMemory.
Result<std::vector<LineChunk>> splitLineChunks(const char* data, uint64_t length, uint64_t start,
                                               size_t n, char delimiter);

// The first record start the function can prove at or after `from`, given
// that `known_start` <= `from` is a record start; `length` when no record
// starts after `from`. Usually decided by scanning a few bytes from `from`
// (every possible state at `from` is followed until they agree); only input
// where they keep disagreeing is rescanned from `known_start`.
uint64_t nextRecordStart(const char* data, uint64_t length, uint64_t known_start, uint64_t from,
                         char delimiter);

}  // namespace narwe
