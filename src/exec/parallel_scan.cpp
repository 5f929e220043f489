// The row scan of a large file on several workers: the parallel mapped and
// the parallel projection executors (one code path; they differ only in
// which statements the runner sends them).
//
// The query thread reads the header with the file reader, builds the one
// plan of the scan and writes the header. The chunk runner then cuts the
// data area into chunks of whole records; each worker reads its chunk's
// records exactly as the file reader would (same record ends, CR rule,
// record limit and field splitting), runs them through the shared row loop
// into a consumer of its own, and the query thread combines the chunk
// consumers in file order:
//   * ORDER BY: each chunk keeps its rows (or, with one key and a small
//     LIMIT, only the best ones of each kind); they are combined and sorted
//     once at the end.
//   * DISTINCT, OFFSET or LIMIT without ORDER BY (rows): chunks keep their
//     formatted rows up to the window; the combined rows are written at the
//     end. Once the window is full nothing later is read or reported.
//   * neither (stream): each chunk formats its rows on its worker and is
//     written as soon as it and every earlier chunk are done, so memory is
//     bounded by the chunks in flight, not by the result.
// So the answer is byte for byte the sequential executor's. Errors: the
// first in file order, as a front-to-back read meets it; in rows mode an
// error after the window is full is never met.
#include <optional>
#include <type_traits>
#include <string_view>
#include <vector>

#include "exec/chunk_runner.h"
#include "exec/executors.h"
#include "exec/record_sources.h"
#include "exec/row_scan.h"
#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/file_source.h"

namespace narwe {
namespace {

enum class Mode { Sorted, Rows, Stream };

struct WorkerScratch {
  RowScratch row;
  FieldSplitter splitter;
};

// Runs the chunks through consumers of type C and combines them into
// `total` (Sorted, Rows) or writes them (Stream).
template <typename C, typename MakeConsumer>
class ParallelScan final : public ChunkConsumer {
 public:
  ParallelScan(const RowScanPlan& plan, Mode mode, char delimiter, RecordWriter& writer, C* total,
               MakeConsumer make)
      : plan_(plan), mode_(mode), delimiter_(delimiter), writer_(writer), total_(total),
        make_(make) {}

  Status run(const ChunkInput& input, const ChunkPlan& chunks) {
    try {
      workers_.resize(chunks.workers);
      for (WorkerScratch& worker : workers_) worker.splitter.setDelimiter(delimiter_);
      results_.resize(chunks.chunk_count);
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
    return runChunks(input, chunks, *this);
  }

  Status processChunk(const FileChunk& chunk, unsigned worker) override {
    WorkerScratch& scratch = workers_[worker];
    ChunkRecordSource source(chunk, scratch.splitter);
    NARWE_ASSIGN_OR_RETURN(C consumer, make_());
    Status scanned = scanRecords(plan_, source, scratch.row, consumer);
    // In rows mode the error waits: rows before it may fill the window,
    // and a front-to-back read would then never get to it.
    if (!scanned.ok() && mode_ != Mode::Rows) return scanned;
    results_[chunk.index].emplace(Done{std::move(consumer), scanned.error()});
    return okStatus();
  }

  Status combineChunk(uint64_t index) override {
    Done done = std::move(*results_[index]);
    results_[index].reset();
    if (mode_ == Mode::Stream) return done.consumer.finish(writer_);
    NARWE_TRY(total_->combine(std::move(done.consumer)));
    if (done.error != Error::None && !windowFull()) return done.error;
    return okStatus();
  }

  bool wantsMore() override { return !windowFull(); }

 private:
  struct Done {
    C consumer;
    Error error;
  };

  bool windowFull() const {
    if constexpr (std::is_same_v<C, StreamConsumer>) {
      return mode_ == Mode::Rows && total_->full();
    } else {
      return false;
    }
  }

  const RowScanPlan& plan_;
  const Mode mode_;
  const char delimiter_;
  RecordWriter& writer_;
  C* total_;
  MakeConsumer make_;
  std::vector<WorkerScratch> workers_;
  std::vector<std::optional<Done>> results_;  // one slot per chunk
};

template <typename C, typename MakeConsumer>
Status runChunksInto(const RowScanPlan& plan, Mode mode, const RunOptions& options,
                     const ChunkInput& input, RecordWriter& writer, C* total, MakeConsumer make) {
  const ChunkPlan chunks = planChunks(input, options.thread_count, options.chunk_bytes);
  ParallelScan<C, MakeConsumer> scan(plan, mode, options.delimiter, writer, total, make);
  return scan.run(input, chunks);
}

Status runParallelScan(const Query& query, const InputFile& input, OutputSink& out,
                       const RunOptions& options) {
  // An input whose end only the system knows is read front to back.
  if (input.size == kUnknownFileSize) return executeSequential(query, input, out, options);
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(input.fd, input.size));
  reader.setDelimiter(options.delimiter);
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer,
                         RecordWriter::init(out, options.format, options.delimiter));
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;
  RowScanPlan plan;
  NARWE_TRY(buildRowScanPlan(query, *first, options, plan));
  NARWE_TRY(writer.writeHeader(plan.projection.names, options.omit_header));
  const RowFormat& format = writer.rowFormat();
  const ChunkInput input_chunks{input.fd, input.size, reader.offset(), options.delimiter};

  // Without a header the first record is the first data row; it goes
  // through the consumer that the chunks are combined into.
  RowScratch scratch;
  auto scanFirst = [&](auto& consumer) -> Result<bool> {
    if (!options.no_header_input) return true;
    std::vector<std::string_view> fields(first->begin(), first->end());
    return scanRecord(plan, fields, scratch, consumer);
  };
  auto close = [&]() -> Status {
    NARWE_TRY(writer.finish());
    return writer.flush();
  };

  if (plan.ordered()) {
    NARWE_ASSIGN_OR_RETURN(SortConsumer total, SortConsumer::create(plan, format));
    NARWE_TRY(scanFirst(total));
    NARWE_TRY(runChunksInto(plan, Mode::Sorted, options, input_chunks, writer, &total,
                            [&] { return SortConsumer::create(plan, format, 0); }));
    NARWE_TRY(total.finish(writer));
    return close();
  }
  const Mode mode =
      plan.distinct || plan.limit >= 0 || plan.offset > 0 ? Mode::Rows : Mode::Stream;
  StreamConsumer total = StreamConsumer::buffered(plan, format);
  NARWE_ASSIGN_OR_RETURN(bool more, scanFirst(total));
  if (mode == Mode::Stream) NARWE_TRY(total.finish(writer));
  if (more && !(mode == Mode::Rows && total.full())) {
    NARWE_TRY(runChunksInto(plan, mode, options, input_chunks, writer, &total,
                            [&] { return Result<StreamConsumer>(StreamConsumer::buffered(plan, format)); }));
  }
  if (mode == Mode::Rows) NARWE_TRY(total.finish(writer));
  return close();
}

}  // namespace

Status executeParallelMapped(const Query& query, const InputFile& input, OutputSink& out,
                             const RunOptions& options) {
  return runParallelScan(query, input, out, options);
}

Status executeParallelScalar(const Query& query, const InputFile& input, OutputSink& out,
                             const RunOptions& options) {
  return runParallelScan(query, input, out, options);
}

}  // namespace narwe
