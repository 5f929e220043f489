// The query runner: the body of the query thread of one call.
//
// It parses the statement, rewrites DATE_PART calls, opens the output channel
// (a pipe drained by a collector thread), runs exactly the executor the
// decision table names, and returns the collected output as the caller's
// string. Error precedence: a parse error ends everything before the pipe
// exists; afterwards the collector's error wins (a collector that fails stops
// the executor by closing the pipe), then the executor's, then OutOfMemory
// from building the result. Every path closes both pipe ends,
// joins the collector and closes any file it opened.
//
// Runs on the calling thread and may throw std::bad_alloc; the query thread
// entry turns that into OutOfMemory. Calls are independent of each other.
#pragma once

#include <string_view>

#include "exec/run_options.h"
#include "common/error.h"
#include "exec/executors.h"
#include "sql/query.h"

namespace narwe {

// Runs `statement` and returns its complete output as a NUL-terminated
// string allocated with posix_memalign (alignment 8), to be released with
// free(). `stdin_fd` is the descriptor read for FROM stdin (0 in the
// library).
Result<char*> runStatement(std::string_view statement, OutputFormat format, int stdin_fd = 0);

// The run options of a query called with `format`.
RunOptions runOptionsFor(OutputFormat format);

// Runs an already parsed (and rewritten) query, writing its output to
// `out_fd`.
Status executeQuery(const Query& query, int out_fd, const RunOptions& options, int stdin_fd);

// The query the DISTINCT route hands to the GROUP BY executor: grouped on the
// select items without their aliases, not distinct.
Query distinctAsGroupBy(const Query& query);

}  // namespace narwe
