// Run options: one record per query, built by the runner and handed by
// reference to every executor. Plus the worker-count rule that every parallel
// executor uses.
#pragma once

#include <cstdint>

namespace narwe {

enum class OutputFormat : uint8_t {
  Csv = 0,
  JsonArray = 1,
  JsonLines = 2,
};

struct RunOptions {
  uint32_t thread_count = 0;    // requested workers; 0 = automatic
  bool omit_header = false;     // CSV output without its header line
  char delimiter = ',';         // field delimiter of input and CSV output
  OutputFormat format = OutputFormat::Csv;
  uint8_t reserved = 2;         // kept for layout compatibility; read by nobody
  bool no_header_input = false; // input has no header; columns are c1, c2, ...
  bool strict = false;          // non-numeric field in a numeric comparison fails the query
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
