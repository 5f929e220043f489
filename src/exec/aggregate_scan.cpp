// The input setup and the record loops of the aggregating executors.
#include "exec/aggregate_scan.h"

#include <algorithm>
#include <memory>
#include <string>
#include <new>
#include <optional>
#include <vector>

#include "exec/chunk_runner.h"
#include "exec/record_sources.h"
#include "io/bulk_csv.h"
#include "io/block_classifier.h"
#include "io/file_source.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

bool parallelScan(const AggInput& input, const AggScanSettings& settings, unsigned workers) {
  return workers >= 2 && input.size != kUnknownFileSize && input.size > settings.parallel_min_bytes;
}

ChunkInput chunkInputOf(const AggInput& input, const RunOptions& options) {
  ChunkInput chunks;
  chunks.fd = input.fd;
  chunks.file_size = input.size;
  chunks.data_start = input.data_start;
  chunks.delimiter = options.delimiter;
  return chunks;
}

// The parallel scan: each worker reads its chunks' records with a splitter
// of its own and filters them.
class ParallelRows final : public ChunkConsumer {
 public:
  ParallelRows(const RowFilter& filter, char delimiter, AggRowConsumer& consumer)
      : filter_(filter), delimiter_(delimiter), consumer_(consumer) {}

  Status init(unsigned workers) {
    try {
      splitters_.resize(workers);
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
    for (FieldSplitter& splitter : splitters_) splitter.setDelimiter(delimiter_);
    return okStatus();
  }

  Status processChunk(const FileChunk& chunk, unsigned worker) override {
    ChunkRecordSource records(chunk, splitters_[worker]);
    for (;;) {
      NARWE_ASSIGN_OR_RETURN(std::optional<RecordSlices> fields, records.next());
      if (!fields) return okStatus();
      Error row_error = Error::None;
      if (!filter_.keep(*fields, row_error)) {
        if (row_error != Error::None) return row_error;
        continue;
      }
      NARWE_TRY(consumer_.row(*fields, chunk.index, worker));
    }
  }
  Status combineChunk(uint64_t) override { return okStatus(); }

 private:
  const RowFilter& filter_;
  char delimiter_;
  AggRowConsumer& consumer_;
  std::vector<FieldSplitter> splitters_;
};

// A file of one line without a line feed: that line is the header (the
// record readers take a last record without its line feed, so the row
// scans see the same header and no rows).
Result<FileHeader> wholeFileAsHeader(const AggInput& input, const RunOptions& options) {
  if (input.size == kUnknownFileSize || input.size > maxRecordBytes()) return Error::NoHeader;
  try {
    std::string bytes(static_cast<size_t>(input.size), '\0');
    FileSource source = FileSource::wholeFile(input.fd, input.size);
    size_t filled = 0;
    while (filled < bytes.size()) {
      NARWE_ASSIGN_OR_RETURN(size_t got, source.read(bytes.data() + filled, bytes.size() - filled));
      if (got == 0) return Error::EndOfStream;
      filled += got;
    }
    bytes.push_back('\n');
    NARWE_ASSIGN_OR_RETURN(MmapHeader header, resolveMmapHeader(bytes, options));
    FileHeader result;
    result.names.assign(header.names.begin(), header.names.end());
    result.data_start = std::min<uint64_t>(header.data_start, input.size);
    return result;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace

Status openAggInput(const Query& query, PreopenedInput preopened, const RunOptions& options,
                    AggInput& input) {
  if (preopened.present) {
    input.fd = preopened.fd;
  } else {
    NARWE_ASSIGN_OR_RETURN(input.owned, openReadOnly(query.file));
    input.fd = input.owned.get();
  }
  NARWE_ASSIGN_OR_RETURN(input.size, sizeAtOpen(input.fd));
  if (input.size == 0) return Error::EmptyFile;
  Result<FileHeader> read = readFileHeader(input.fd, input.size, options);
  if (!read.ok() && read.error() == Error::NoHeader) read = wholeFileAsHeader(input, options);
  NARWE_ASSIGN_OR_RETURN(FileHeader header, std::move(read));
  input.data_start = header.data_start;
  try {
    buildScanHeader(header.names, options.no_header_input, input.header);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
  return okStatus();
}

unsigned aggScanWorkers(const AggInput& input, const RunOptions& options,
                        const AggScanSettings& settings) {
  const unsigned workers = effectiveThreadCount(options.thread_count);
  return parallelScan(input, settings, workers) ? workers : 1;
}

Status scanAggInput(const AggInput& input, const RowFilter& filter, const RunOptions& options,
                    const AggScanSettings& settings, AggRowConsumer& consumer) {
  const unsigned workers = aggScanWorkers(input, options, settings);
  if (workers >= 2) {
    const ChunkInput chunks = chunkInputOf(input, options);
    const ChunkPlan plan = planChunks(chunks, workers, settings.chunk_bytes);
    ParallelRows rows(filter, options.delimiter, consumer);
    NARWE_TRY(rows.init(plan.workers));
    return runChunks(chunks, plan, rows);
  }
  NARWE_ASSIGN_OR_RETURN(
      BulkCsvReader reader,
      BulkCsvReader::over(FileSource(input.fd, input.data_start, input.size, input.size)));
  reader.setDelimiter(options.delimiter);
  for (;;) {
    NARWE_ASSIGN_OR_RETURN(std::optional<std::span<const std::string_view>> fields,
                           reader.readRecordSlices());
    if (!fields) return okStatus();
    Error row_error = Error::None;
    if (!filter.keep(*fields, row_error)) {
      if (row_error != Error::None) return row_error;
      continue;
    }
    NARWE_TRY(consumer.row(*fields, 0, 0));
  }
}

Result<uint64_t> countAggRecords(const AggInput& input, const RunOptions& options,
                                 const AggScanSettings& settings) {
  if (input.size == kUnknownFileSize) {
    // No size to cut by: count on this thread.
    struct Counter final : AggRowConsumer {
      uint64_t rows = 0;
      Status row(std::span<const std::string_view>, uint64_t, unsigned) override {
        ++rows;
        return okStatus();
      }
    } counter;
    RowFilter pass_all;
    NARWE_TRY(scanAggInput(input, pass_all, options, settings, counter));
    return counter.rows;
  }
  // Whatever the size, the chunk runner counts on every worker: no field is
  // split, so even one worker only scans for record ends.
  const ChunkInput chunks = chunkInputOf(input, options);
  const unsigned workers = effectiveThreadCount(options.thread_count);
  const ChunkPlan plan = planChunks(chunks, workers, settings.chunk_bytes);
  uint64_t total = 0;
  NARWE_TRY((runChunksOrdered<uint64_t>(
      chunks, plan,
      [&](const FileChunk& chunk, unsigned) -> Result<uint64_t> {
        // Record ends only, as the chunk source finds them; no field is split.
        const size_t limit = maxRecordBytes();
        uint64_t records = 0;
        for (size_t pos = 0; pos < chunk.size; ++records) {
          scan::ScanState state = scan::ScanState::RecordStart;
          const size_t lf = scan::scanForRecordEnd<blocks::ActiveClassifier>(
              chunk.data, chunk.size, pos, state, options.delimiter);
          const size_t end = lf == scan::kNoRecordEnd ? chunk.size : lf;
          if (end - pos > limit) return Error::FileTooBig;
          pos = end + 1;
        }
        return records;
      },
      [&](uint64_t records, uint64_t) -> Status {
        total += records;
        return okStatus();
      })));
  return total;
}

namespace {

// The records of the input file.
class FileRows final : public AggRowSource {
 public:
  FileRows(const AggInput& input, const RunOptions& options, const AggScanSettings& settings)
      : input_(input), options_(options), settings_(settings) {}

  const ScanHeader& header() const override { return input_.header; }
  unsigned workers() const override { return aggScanWorkers(input_, options_, settings_); }
  Status scan(const RowFilter& filter, AggRowConsumer& consumer) override {
    return scanAggInput(input_, filter, options_, settings_, consumer);
  }
  Result<std::optional<uint64_t>> countRows() override {
    NARWE_ASSIGN_OR_RETURN(uint64_t records, countAggRecords(input_, options_, settings_));
    return std::optional<uint64_t>(records);
  }

 private:
  const AggInput& input_;
  const RunOptions& options_;
  const AggScanSettings& settings_;
};

}  // namespace

Status executeGroupByWith(const Query& query, PreopenedInput input, OutputSink& out,
                          const RunOptions& options, const AggScanSettings& settings) {
  try {
    AggInput opened;
    NARWE_TRY(openAggInput(query, input, options, opened));
    FileRows rows(opened, options, settings);
    return aggregateGroups(query, rows, out, options, settings);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status executeScalarAggWith(const Query& query, PreopenedInput input, OutputSink& out,
                            const RunOptions& options, const AggScanSettings& settings) {
  try {
    AggInput opened;
    NARWE_TRY(openAggInput(query, input, options, opened));
    FileRows rows(opened, options, settings);
    return aggregateTable(query, rows, out, options, settings);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status executeGroupBy(const Query& query, PreopenedInput input, OutputSink& out,
                      const RunOptions& options) {
  return executeGroupByWith(query, input, out, options, AggScanSettings{});
}

Status executeScalarAgg(const Query& query, PreopenedInput input, OutputSink& out,
                        const RunOptions& options) {
  return executeScalarAggWith(query, input, out, options, AggScanSettings{});
}

}  // namespace narwe
