// Executors whose own implementation has not landed yet. The mapped and
// parallel scans delegate to the sequential executor (same answers, one
// thread).
// Each is a tiny function of its own so it can be replaced on its own.
#include "exec/executors.h"

namespace narwe {

// Until its own executor lands this route reads the file row by row, so
// every plain query works on a file of any size.
Status executeMapped(const Query& query, const InputFile& input, OutputSink& out,
                             const RunOptions& options) {
  return executeSequential(query, input, out, options);
}

// Until its own executor lands this route reads the file row by row, so
// every plain query works on a file of any size.
Status executeParallelMapped(const Query& query, const InputFile& input, OutputSink& out,
                             const RunOptions& options) {
  return executeSequential(query, input, out, options);
}

// Until its own executor lands this route reads the file row by row, so
// every plain query works on a file of any size.
Status executeParallelScalar(const Query& query, const InputFile& input, OutputSink& out,
                             const RunOptions& options) {
  return executeSequential(query, input, out, options);
}


}  // namespace narwe
