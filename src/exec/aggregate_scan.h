// The scan shared by the aggregating executors (GROUP BY, DISTINCT as
// grouping, whole-table aggregates): open the input, read its header, bind
// WHERE, then feed every record that passes to a consumer, on one thread or
// on the workers of the chunk runner.
//
// Both scans read the same records: the header row resolved once
// (io/csv.h readFileHeader), then the data area [data_start, size at open)
// cut into records by the one record-end scanner and split by the one field
// splitter (quote pairs unescaped, an empty line is one empty field, a
// missing field is the empty text to every consumer). The sequential scan
// passes every record with chunk 0 on worker 0; the parallel scan passes each
// chunk's records in order with the chunk's index, on the worker that took
// the chunk, and calls the consumer's chunkDone on the calling thread in chunk
// order. A record that fails WHERE in strict mode fails the scan with the
// first error in file order.
//
// The input is owned by the AggInput (or borrowed when pre-opened) and
// released on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "common/error.h"
#include "common/unique_fd.h"
#include "exec/executors.h"
#include "exec/run_options.h"
#include "exec/scan_plan.h"
#include "io/csv.h"

namespace narwe {

// Inputs above this size are scanned by several workers.
constexpr uint64_t kAggParallelMinBytes = 0xA00000;  // 10 MiB
// A worker moves to the shared group store once its own holds this many
// groups, so per-worker memory stays bounded on high-cardinality keys.
constexpr size_t kLocalGroupLimit = 50000;

// How a scan is split. The defaults are the production values; tests lower
// them to run the parallel paths on small files.
struct AggScanSettings {
  uint64_t parallel_min_bytes = kAggParallelMinBytes;
  uint64_t chunk_bytes = 0;  // 0: the chunk runner's choice
  size_t local_group_limit = kLocalGroupLimit;
};

struct AggInput {
  UniqueFd owned;  // set when the executor opened the file itself
  int fd = -1;
  uint64_t size = 0;
  uint64_t data_start = 0;
  ScanHeader header;

  AggInput() = default;
  AggInput(const AggInput&) = delete;
  AggInput& operator=(const AggInput&) = delete;
};

// Opens the query's file (or takes the pre-opened descriptor), reads its size
// and header. Errors: the open and stat errors, EmptyFile for 0 bytes, the
// header reader's.
Status openAggInput(const Query& query, PreopenedInput preopened, const RunOptions& options,
                    AggInput& input);

class AggRowConsumer {
 public:
  // One record that passed WHERE. `worker` < the scan's worker count.
  virtual Status row(std::span<const std::string_view> fields, uint64_t chunk,
                     unsigned worker) = 0;

 protected:
  ~AggRowConsumer() = default;
};

// Workers the scan of `input` uses (1 for a sequential scan).
unsigned aggScanWorkers(const AggInput& input, const RunOptions& options,
                        const AggScanSettings& settings);

// Feeds every record of the data area that passes `filter` to `consumer`,
// with aggScanWorkers workers.
Status scanAggInput(const AggInput& input, const RowFilter& filter, const RunOptions& options,
                    const AggScanSettings& settings, AggRowConsumer& consumer);

// The number of records of the data area, exactly as many as scanAggInput
// would pass with no WHERE (fields are not split).
Result<uint64_t> countAggRecords(const AggInput& input, const RunOptions& options,
                                 const AggScanSettings& settings);

// The rows an aggregating executor reads: the records of its input file, or
// the combined rows of a join (exec/join.h). A source gives the header its
// plans bind to, the workers its scan uses, and the scan itself.
class AggRowSource {
 public:
  virtual const ScanHeader& header() const = 0;
  virtual unsigned workers() const = 0;
  // Feeds every row that passes `filter` to `consumer`.
  virtual Status scan(const RowFilter& filter, AggRowConsumer& consumer) = 0;
  // The number of rows a scan without WHERE passes, when the source can
  // tell it without splitting fields; nullopt otherwise.
  virtual Result<std::optional<uint64_t>> countRows() = 0;

 protected:
  ~AggRowSource() = default;
};

// The GROUP BY (also DISTINCT as grouping) and whole-table aggregate
// executors over any row source, writing into `out`.
Status aggregateGroups(const Query& query, AggRowSource& source, OutputSink& out,
                       const RunOptions& options, const AggScanSettings& settings);
Status aggregateTable(const Query& query, AggRowSource& source, OutputSink& out,
                      const RunOptions& options, const AggScanSettings& settings);

// The GROUP BY and whole-table aggregate executors with explicit split
// settings (executeGroupBy and executeScalarAgg use the defaults).
Status executeGroupByWith(const Query& query, PreopenedInput input, OutputSink& out,
                          const RunOptions& options, const AggScanSettings& settings);
Status executeScalarAggWith(const Query& query, PreopenedInput input, OutputSink& out,
                            const RunOptions& options, const AggScanSettings& settings);

}  // namespace narwe
