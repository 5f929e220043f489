// The row loop of every row-scan executor, written once.
//
// A scan is: a plan built once (row_plan.h); a record source; the loop that
// runs each record through WHERE and the projection and offers it to a
// consumer (row_sink.h); the consumer's finish. Sources differ (buffered
// file reader, streaming standard input, a byte range of a file read by a
// worker); the row logic does not.
//
// A record source is any type with
//   Result<std::optional<std::span<const std::string_view>>> next();
// giving the next record as field slices, valid until the next call, or
// nullopt at the end. The loop never sees the header: executors read it,
// build the plan from it, and hand on a header-less input's first record as
// the first data row.
#pragma once

#include <concepts>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/arena.h"
#include "common/error.h"
#include "exec/row_plan.h"
#include "exec/row_sink.h"
#include "exec/run_options.h"
#include "io/record_writer.h"
#include "sql/query.h"

namespace narwe {

using RecordSlices = std::span<const std::string_view>;

template <typename Source>
concept RecordSource = requires(Source& source) {
  { source.next() } -> std::same_as<Result<std::optional<RecordSlices>>>;
};

// Per-thread scratch of the row loop: the arena for scalar values (reset per
// row) and the projected values.
struct RowScratch {
  Arena arena;
  std::vector<std::string_view> values;
};

// Runs one record through WHERE and the projection and offers it to the
// consumer. False when the consumer needs no more rows. Errors: the
// filter's (StrictModeNonNumericValue) and the consumer's.
template <typename Consumer>
Result<bool> scanRecord(const RowScanPlan& plan, RecordSlices fields, RowScratch& scratch,
                        Consumer& consumer) {
  Error row_error = Error::None;
  if (!plan.filter.keep(fields, row_error)) {
    if (row_error != Error::None) return row_error;
    return true;
  }
  scratch.arena.reset();
  plan.projection.project(fields, scratch.arena, scratch.values);
  return consumer.sink(ScanRow{scratch.values, fields});
}

// Runs every record of the source, until its end or until the consumer
// needs no more rows.
template <RecordSource Source, typename Consumer>
Status scanRecords(const RowScanPlan& plan, Source& source, RowScratch& scratch,
                   Consumer& consumer) {
  for (;;) {
    NARWE_ASSIGN_OR_RETURN(std::optional<RecordSlices> fields, source.next());
    if (!fields) return okStatus();
    NARWE_ASSIGN_OR_RETURN(bool more, scanRecord(plan, *fields, scratch, consumer));
    if (!more) return okStatus();
  }
}

struct RowScanSettings {
  bool periodic_flush = false;  // flush the writer every kFlushEveryRows rows
};

// A whole scan on the calling thread over a plan already built: writes the
// header, runs `first_row` (when given) and then the source's records through
// the consumer the statement needs, and closes and flushes the output.
template <RecordSource Source>
Status runPlannedScan(const RowScanPlan& plan, const RunOptions& options, RecordWriter& writer,
                      RowScanSettings settings, Source& source,
                      std::optional<RecordSlices> first_row = std::nullopt) {
  NARWE_TRY(writer.writeHeader(plan.projection.names, options.omit_header));
  RowScratch scratch;

  auto run = [&](auto& consumer) -> Status {
    bool more = true;
    if (first_row) {
      NARWE_ASSIGN_OR_RETURN(more, scanRecord(plan, *first_row, scratch, consumer));
    }
    if (more) NARWE_TRY(scanRecords(plan, source, scratch, consumer));
    NARWE_TRY(consumer.finish(writer));
    NARWE_TRY(writer.finish());
    return writer.flush();
  };
  if (plan.ordered()) {
    NARWE_ASSIGN_OR_RETURN(SortConsumer consumer, SortConsumer::create(plan, writer.rowFormat()));
    return run(consumer);
  }
  StreamConsumer consumer = StreamConsumer::direct(plan, writer, settings.periodic_flush);
  return run(consumer);
}

// A whole scan on the calling thread: builds the plan from the first record
// and runs it (without a header the first record is the first data row).
template <RecordSource Source>
Status runRowScan(const Query& query, std::span<const std::string> first_record,
                  const RunOptions& options, RecordWriter& writer, RowScanSettings settings,
                  Source& source) {
  RowScanPlan plan;
  NARWE_TRY(buildRowScanPlan(query, first_record, options, plan));
  if (!options.no_header_input) return runPlannedScan(plan, options, writer, settings, source);
  std::vector<std::string_view> first_fields(first_record.begin(), first_record.end());
  return runPlannedScan(plan, options, writer, settings, source, RecordSlices(first_fields));
}

}  // namespace narwe
