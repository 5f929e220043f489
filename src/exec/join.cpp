// The join executor: build tables first, then the base file probed on one
// thread or, for a large base file, on the chunk runner's workers.
#include "exec/join.h"

#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "common/unique_fd.h"
#include "exec/chunk_runner.h"
#include "exec/record_sources.h"
#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/file_source.h"
#include "io/record_writer.h"

namespace narwe {
namespace {

// A plain join (no ORDER BY, DISTINCT, OFFSET or LIMIT) of a large base file
// is probed in parallel: every chunk's rows are formatted by a worker and
// written in chunk order, so the output is the sequential probe's.
bool probesInParallel(const JoinedInput& input, const RowScanPlan& scan, const RunOptions& options,
                      const JoinSettings& settings) {
  return !scan.ordered() && !scan.distinct && scan.limit < 0 && scan.offset == 0 &&
         joinScanWorkers(input, options, settings) >= 2;
}

// Runs `process(joined_rows, chunk, worker)` on the chunk runner's workers
// for every chunk of the base file (its rows as a JoinedRecordSource) and
// `combine(result, chunk)` on the calling thread in chunk order.
template <class R, class Process, class Combine>
Status runJoinedChunks(const JoinedInput& input, const RunOptions& options,
                       const JoinSettings& settings, Process&& process, Combine&& combine) {
  NARWE_ASSIGN_OR_RETURN(FileHeader header, readFileHeader(input.file.get(), input.size, options));
  ChunkInput chunks;
  chunks.fd = input.file.get();
  chunks.file_size = input.size;
  chunks.data_start = header.data_start;
  chunks.delimiter = options.delimiter;
  const ChunkPlan plan = planChunks(chunks, options.thread_count, settings.chunk_bytes);
  // Per worker, the splitter of its records.
  std::vector<FieldSplitter> splitters(plan.workers);
  for (FieldSplitter& splitter : splitters) splitter.setDelimiter(options.delimiter);
  auto each = [&](const FileChunk& chunk, unsigned worker) -> Result<R> {
    ChunkRecordSource records(chunk, splitters[worker]);
    JoinedRecordSource<ChunkRecordSource> joined(input.join, records);
    return process(joined, chunk.index, worker);
  };
  return runChunksOrdered<R>(chunks, plan, each, combine);
}

Status probeInParallel(const JoinedInput& input, const RowScanPlan& scan, const RunOptions& options,
                       const JoinSettings& settings, RecordWriter& writer) {
  std::vector<RowScratch> scratch(effectiveThreadCount(options.thread_count));
  const RowFormat& format = writer.rowFormat();
  NARWE_TRY(writer.writeHeader(scan.projection.names, options.omit_header));
  auto process = [&](JoinedRecordSource<ChunkRecordSource>& rows, uint64_t,
                     unsigned worker) -> Result<StreamConsumer> {
    StreamConsumer consumer = StreamConsumer::buffered(scan, format);
    NARWE_TRY(scanRecords(scan, rows, scratch[worker], consumer));
    return consumer;
  };
  auto combine = [&](StreamConsumer&& part, uint64_t) -> Status { return part.finish(writer); };
  NARWE_TRY(runJoinedChunks<StreamConsumer>(input, options, settings, process, combine));
  NARWE_TRY(writer.finish());
  return writer.flush();
}

// The sequential probe's rows: the base file after its first record, which
// without a header is the first base row.
struct SequentialRows {
  BulkRecordSource base;
  JoinedRecordSource<BulkRecordSource> joined;
  std::vector<std::string_view> first_fields;

  SequentialRows(JoinedInput& input, const RunOptions& options)
      : base(*input.reader), joined(input.join, base), first_fields(input.first.begin(), input.first.end()) {
    if (options.no_header_input) joined.startWith(first_fields);
  }
};

Status runJoin(const Query& query, OutputSink& out, const RunOptions& options,
               const JoinSettings& settings) {
  JoinedInput input;
  NARWE_TRY(openJoinedInput(query, options, input));
  RowScanPlan scan;
  fillJoinedHeader(input.join, scan.header);
  NARWE_TRY(explainNotFound(query, input.join, bindRowScanPlan(query, options, scan)));
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer, RecordWriter::init(out, options.format, options.delimiter));

  if (probesInParallel(input, scan, options, settings)) {
    return probeInParallel(input, scan, options, settings, writer);
  }
  SequentialRows rows(input, options);
  return runPlannedScan(scan, options, writer, RowScanSettings{.periodic_flush = true}, rows.joined);
}

}  // namespace

JoinExpander::JoinExpander(const JoinPlan& plan)
    : plan_(&plan),
      row_(plan.width()),
      partner_(plan.steps.size(), BuildTable::kNoRow) {}

bool JoinExpander::start(std::span<const std::string_view> base) {
  const size_t width = plan_->base_width;
  for (size_t i = 0; i < width; ++i) row_[i] = i < base.size() ? base[i] : std::string_view();
  return settle(0);
}

bool JoinExpander::advance() {
  size_t step = plan_->steps.size();
  return bump(step) && settle(step);
}

void JoinExpander::place(size_t step) {
  const JoinStep& join = plan_->steps[step];
  const std::span<const std::string_view> fields = join.table.row(partner_[step], join.width);
  std::copy(fields.begin(), fields.end(), row_.begin() + static_cast<std::ptrdiff_t>(join.start));
}

bool JoinExpander::settle(size_t step) {
  while (step < plan_->steps.size()) {
    const JoinStep& join = plan_->steps[step];
    const uint32_t first = join.table.find(row_[join.left_key]);
    if (first != BuildTable::kNoRow) {
      partner_[step] = first;
      place(step);
      ++step;
      continue;
    }
    if (!bump(step)) return false;
  }
  return true;
}

bool JoinExpander::bump(size_t& step) {
  while (step > 0) {
    --step;
    const uint32_t next = plan_->steps[step].table.next(partner_[step]);
    if (next != BuildTable::kNoRow) {
      partner_[step] = next;
      place(step);
      ++step;
      return true;
    }
  }
  return false;
}

Status openJoinedInput(const Query& query, const RunOptions& options, JoinedInput& input) {
  NARWE_ASSIGN_OR_RETURN(input.file, openReadOnly(query.file));
  NARWE_ASSIGN_OR_RETURN(input.size, sizeAtOpen(input.file.get()));
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(input.file.get(), input.size));
  reader.setDelimiter(options.delimiter);
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;
  input.reader.emplace(std::move(reader));
  input.first = std::move(*first);
  NARWE_TRY(buildJoinPlan(query, baseHeaderNames(input.first, options.no_header_input), options, input.join));
  fillJoinedHeader(input.join, input.header);
  return okStatus();
}

unsigned joinScanWorkers(const JoinedInput& input, const RunOptions& options,
                         const JoinSettings& settings) {
  if (options.no_header_input || input.size == kUnknownFileSize ||
      input.size < settings.parallel_min_bytes) {
    return 1;
  }
  return effectiveThreadCount(options.thread_count);
}

Status scanJoinedRows(JoinedInput& input, const RowFilter& filter, const RunOptions& options,
                      const JoinSettings& settings, const JoinedRowFn& row) {
  // The filter's error (strict mode) or the consumer's ends the scan.
  auto feed = [&](auto& rows, uint64_t chunk, unsigned worker) -> Status {
    for (;;) {
      NARWE_ASSIGN_OR_RETURN(std::optional<RecordSlices> fields, rows.next());
      if (!fields) return okStatus();
      Error error = Error::None;
      if (!filter.keep(*fields, error)) {
        if (error != Error::None) return error;
        continue;
      }
      NARWE_TRY(row(*fields, chunk, worker));
    }
  };
  if (joinScanWorkers(input, options, settings) < 2) {
    SequentialRows rows(input, options);
    return feed(rows.joined, 0, 0);
  }
  struct Done {};
  auto process = [&](JoinedRecordSource<ChunkRecordSource>& rows, uint64_t chunk,
                     unsigned worker) -> Result<Done> {
    NARWE_TRY(feed(rows, chunk, worker));
    return Done{};
  };
  return runJoinedChunks<Done>(input, options, settings, process,
                               [](Done&&, uint64_t) { return okStatus(); });
}

Status executeJoin(const Query& query, OutputSink& out, const RunOptions& options,
                   const JoinSettings& settings) {
  try {
    return runJoin(query, out, options, settings);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status executeJoin(const Query& query, OutputSink& out, const RunOptions& options) {
  return executeJoin(query, out, options, JoinSettings{});
}

}  // namespace narwe
