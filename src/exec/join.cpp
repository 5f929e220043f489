// The join executor: build tables first, then the base file probed on one
// thread or, for a large base file, on the chunk runner's workers.
#include "exec/join.h"

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

// The records of one chunk (whole records, in memory), split by a reader
// of the worker's so that they read exactly as the file reader reads them.
class ChunkRecordSource {
 public:
  ChunkRecordSource(const FileChunk& chunk, BulkCsvReader& splitter)
      : data_(chunk.data), size_(chunk.size), splitter_(&splitter) {}

  Result<std::optional<RecordSlices>> next() {
    if (position_ >= size_) return std::optional<RecordSlices>();
    const std::optional<size_t> end = findRecordEnd(data_, size_, position_, splitter_->delimiter());
    const size_t stop = end ? *end : size_;
    const std::string_view record = stripRecordCr(std::string_view(data_ + position_, stop - position_));
    position_ = end ? *end + 1 : size_;
    NARWE_ASSIGN_OR_RETURN(RecordSlices fields, splitter_->parseLineSlices(record));
    return std::optional<RecordSlices>(fields);
  }

 private:
  const char* data_;
  size_t size_;
  size_t position_ = 0;
  BulkCsvReader* splitter_;
};

static_assert(RecordSource<ChunkRecordSource>);

// A plain join (no ORDER BY, DISTINCT, OFFSET or LIMIT) of a large base file
// is probed in parallel: every chunk's rows are formatted by a worker and
// written in chunk order, so the output is the sequential probe's.
bool probesInParallel(const Query& query, const RowScanPlan& scan, uint64_t base_size,
                      const RunOptions& options, const JoinSettings& settings) {
  return !options.no_header_input && !scan.ordered() && !scan.distinct && scan.limit < 0 &&
         scan.offset == 0 && base_size != kUnknownFileSize &&
         base_size >= settings.parallel_min_bytes && effectiveThreadCount(options.thread_count) >= 2 &&
         !query.joins.empty();
}

Status probeInParallel(const JoinPlan& join, const RowScanPlan& scan, int base_fd, uint64_t base_size,
                       const RunOptions& options, const JoinSettings& settings, RecordWriter& writer) {
  NARWE_ASSIGN_OR_RETURN(FileHeader header, readFileHeader(base_fd, base_size, options));
  ChunkInput input;
  input.fd = base_fd;
  input.file_size = base_size;
  input.data_start = header.data_start;
  input.delimiter = options.delimiter;
  const ChunkPlan plan = planChunks(input, options.thread_count, settings.chunk_bytes);

  // Per worker: a reader used only to split records, and the row scratch.
  struct Worker {
    std::optional<BulkCsvReader> splitter;
    RowScratch scratch;
  };
  std::vector<Worker> workers(plan.workers);
  for (Worker& worker : workers) {
    NARWE_ASSIGN_OR_RETURN(BulkCsvReader splitter,
                           BulkCsvReader::over(FileSource(base_fd, 0, 0, base_size)));
    splitter.setDelimiter(options.delimiter);
    worker.splitter.emplace(std::move(splitter));
  }
  const RowFormat& format = writer.rowFormat();

  NARWE_TRY(writer.writeHeader(scan.projection.names, options.omit_header));
  auto process = [&](const FileChunk& chunk, unsigned index) -> Result<StreamConsumer> {
    Worker& worker = workers[index];
    StreamConsumer consumer = StreamConsumer::buffered(scan, format);
    ChunkRecordSource records(chunk, *worker.splitter);
    JoinedRecordSource<ChunkRecordSource> joined(join, records);
    NARWE_TRY(scanRecords(scan, joined, worker.scratch, consumer));
    return consumer;
  };
  auto combine = [&](StreamConsumer&& part, uint64_t) -> Status { return part.finish(writer); };
  NARWE_TRY(runChunksOrdered<StreamConsumer>(input, plan, process, combine));
  NARWE_TRY(writer.finish());
  return writer.flush();
}

Status runJoin(const Query& query, OutputSink& out, const RunOptions& options,
               const JoinSettings& settings) {
  NARWE_ASSIGN_OR_RETURN(UniqueFd base_file, openReadOnly(query.file));
  NARWE_ASSIGN_OR_RETURN(uint64_t base_size, sizeAtOpen(base_file.get()));
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(base_file.get(), base_size));
  reader.setDelimiter(options.delimiter);
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;

  JoinPlan join;
  NARWE_TRY(buildJoinPlan(query, baseHeaderNames(*first, options.no_header_input), options, join));
  RowScanPlan scan;
  NARWE_TRY(bindJoinedScan(query, join, options, scan));
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer, RecordWriter::init(out, options.format, options.delimiter));

  if (probesInParallel(query, scan, base_size, options, settings)) {
    return probeInParallel(join, scan, base_file.get(), base_size, options, settings, writer);
  }
  BulkRecordSource base(reader);
  JoinedRecordSource<BulkRecordSource> joined(join, base);
  // Without a header the first record is the first base row.
  const std::vector<std::string_view> first_fields(first->begin(), first->end());
  if (options.no_header_input) joined.startWith(first_fields);
  return runPlannedScan(scan, options, writer, RowScanSettings{.periodic_flush = true}, joined);
}

}  // namespace

JoinExpander::JoinExpander(const JoinPlan& plan)
    : plan_(&plan),
      row_(plan.width()),
      partners_(plan.steps.size(), nullptr),
      position_(plan.steps.size(), 0) {}

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
  const std::span<const std::string_view> fields =
      join.table.row((*partners_[step])[position_[step]], join.width);
  std::copy(fields.begin(), fields.end(), row_.begin() + static_cast<std::ptrdiff_t>(join.start));
}

bool JoinExpander::settle(size_t step) {
  while (step < plan_->steps.size()) {
    const JoinStep& join = plan_->steps[step];
    if (const BuildTable::RowList* partners = join.table.find(row_[join.left_key])) {
      partners_[step] = partners;
      position_[step] = 0;
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
    if (++position_[step] < partners_[step]->size()) {
      place(step);
      ++step;
      return true;
    }
  }
  return false;
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
