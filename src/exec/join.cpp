// The join executor: build tables first, then the base file probed on one
// thread.
#include "exec/join.h"

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "common/unique_fd.h"
#include "exec/record_sources.h"
#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/file_source.h"
#include "io/record_writer.h"

namespace narwe {
namespace {

Status runJoin(const Query& query, OutputSink& out, const RunOptions& options) {
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

Status executeJoin(const Query& query, OutputSink& out, const RunOptions& options) {
  try {
    return runJoin(query, out, options);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
