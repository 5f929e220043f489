// Run options: one record per query, built by the runner and handed by
// reference to every executor. Plus the worker-count rule that every parallel
// executor uses.
#pragma once

#include <cstdint>

#include "io/input_options.h"
#include "io/row_format.h"

namespace narwe {

// The input side (delimiter, header-less input) is what the readers take;
// the delimiter also separates CSV output fields.
struct RunOptions : InputOptions {
  uint32_t thread_count = 0;    // requested workers; 0 = automatic
  bool omit_header = false;     // CSV output without its header line
  OutputFormat format = OutputFormat::Csv;
  bool strict = false;          // non-numeric field in a numeric comparison fails the query
  // Tests only (the runner leaves both 0): the input size the route is
  // chosen by instead of the file's, so a small file takes the large-file
  // routes; and the chunk size of parallel scans (0: chosen from the size).
  uint64_t route_size_override = 0;
  uint64_t chunk_bytes = 0;
};

// Largest number of workers any parallel executor starts.
constexpr unsigned kMaxWorkers = 1024;

// The requested count; when `requested` is 0, the environment variable
// NARWE_THREADS read at each call (a positive decimal integer; any other text
// is ignored), else the number of CPUs this process may run on (its affinity
// mask, so `taskset` is honoured; the online count when the mask cannot be
// read; 1 when neither can). The result is clamped to 1..kMaxWorkers.
// Reads the environment, so it must not race a setenv in another thread.
unsigned effectiveThreadCount(unsigned requested);

}  // namespace narwe
