// The executors: each runs one shape of statement and writes the formatted
// result through a RecordWriter into `out` (a sink on the result pipe, or on
// a temporary file on the join-aggregate route). The runner picks exactly
// one per query.
//
// Every executor borrows the Query and the options for the call, owns its
// readers, writers, maps and threads, and releases them on every path.
#pragma once

#include <cstdint>
#include <string_view>

#include "exec/run_options.h"
#include "io/output_sink.h"
#include "common/error.h"
#include "sql/query.h"

namespace narwe {

// An input file the runner has opened (read-only) and stat'ed.
struct InputFile {
  int fd = -1;
  uint64_t size = 0;
  std::string_view path;  // as named in the statement
};

// An already open input (the stdin spool); absent on other routes.
struct PreopenedInput {
  int fd = -1;
  bool present = false;
};

Status executeSequential(const Query& query, const InputFile& input, OutputSink& out,
                         const RunOptions& options);
Status executeFromStdin(const Query& query, int in_fd, OutputSink& out,
                        const RunOptions& options);
Status executeMapped(const Query& query, const InputFile& input, OutputSink& out,
                     const RunOptions& options);
Status executeParallelMapped(const Query& query, const InputFile& input, OutputSink& out,
                             const RunOptions& options);
Status executeParallelScalar(const Query& query, const InputFile& input, OutputSink& out,
                             const RunOptions& options);
Status executeGroupBy(const Query& query, PreopenedInput input, OutputSink& out,
                      const RunOptions& options);
Status executeScalarAgg(const Query& query, PreopenedInput input, OutputSink& out,
                        const RunOptions& options);
Status executeJoin(const Query& query, OutputSink& out, const RunOptions& options);

}  // namespace narwe
