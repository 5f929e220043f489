// Execution-path selection: which executor answers a parsed statement.
//
// The choice depends only on the statement's shape (stdin input, JOIN, GROUP
// BY, aggregates, DISTINCT, scalar functions, ORDER BY, LIMIT, OFFSET), the
// input file's size, the output format and the worker count, so it is a pure
// function: no I/O, no global state, safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "exec/run_options.h"
#include "sql/query.h"

namespace narwe {

enum class Route : uint8_t {
  FromStdin,           // stream standard input through the stdin executor
  SpooledGroupBy,      // spool stdin, then the GROUP BY executor
  SpooledDistinct,     // spool stdin, then DISTINCT answered by grouping on the select items
  SpooledScalarAgg,    // spool stdin, then the whole-table aggregate executor
  SpooledMixedSelect,  // spool stdin, then fail: aggregates mixed with plain items
  JoinAggregate,       // materialize the join, then aggregate it
  Join,                // the hash join executor
  GroupBy,             // the GROUP BY executor
  ScalarAgg,           // the whole-table aggregate executor
  MixedSelect,         // fail: aggregates mixed with plain items, no GROUP BY
  DistinctGroupBy,     // DISTINCT answered by grouping on the select items
  NeedsFileSize,       // open and stat the input, then choose again with its size
  ParallelScalar,      // the parallel projection executor
  ParallelMapped,      // the parallel mapped executor
  Mapped,              // the mapped executor
  Sequential,          // the sequential executor
};

// Files above this size are scanned by several workers.
inline constexpr uint64_t kParallelScanMinBytes = 0xA00000;  // 10 MiB
// Files above this size are read through a memory mapping.
inline constexpr uint64_t kMappedScanMinBytes = 0x500000;  // 5 MiB
// A LIMIT below this value is answered faster by one mapped scan that stops
// early than by workers that each scan their whole range.
inline constexpr uint32_t kParallelLimitThreshold = 100001;

struct RouteInputs {
  // Size of the FROM file in bytes; absent until the runner has stat'ed it.
  std::optional<uint64_t> file_size;
  OutputFormat format = OutputFormat::Csv;
  // Workers a parallel executor would start (effectiveThreadCount(0)).
  unsigned workers = 1;
};

// The executor for `query`. Returns NeedsFileSize when the choice depends on
// the input's size and `inputs.file_size` is absent; never returns it
// otherwise.
Route chooseRoute(const Query& query, const RouteInputs& inputs);

// Whether the executor of `route` applies a HAVING condition. The row scans
// and the plain join do not (HAVING filters groups), so the runner refuses a
// HAVING on those routes rather than silently ignoring the condition.
bool routeAppliesHaving(Route route);

// A readable name of the route (for tests and diagnostics).
std::string_view routeName(Route route);

}  // namespace narwe
