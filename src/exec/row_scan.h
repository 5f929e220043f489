// The row loop of every row-scan executor, written once.
//
// An executor supplies its record source (a callable returning the next
// record as field slices, or nullopt at the end) and the already-read first
// record; runRowScan builds the plans, writes the header, and feeds every
// record through WHERE, projection and the output stage. Sources differ
// (buffered file reader, streaming standard input, mapped chunks); the row
// logic does not.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exec/run_options.h"
#include "common/arena.h"
#include "common/error.h"
#include "exec/row_sink.h"
#include "exec/scan_plan.h"
#include "io/record_writer.h"
#include "sql/query.h"

namespace narwe {

struct RowScanSettings {
  bool periodic_flush = false;  // flush the writer every kFlushEveryRows rows
};

// NextRecord: Result<std::optional<std::span<const std::string_view>>>().
template <typename NextRecord>
Status runRowScan(const Query& query, std::span<const std::string> first_record,
                  const RunOptions& options, RecordWriter& writer, RowScanSettings settings,
                  NextRecord&& next_record) {
  ScanHeader header;
  buildScanHeader(first_record, options.no_header_input, header);
  NARWE_ASSIGN_OR_RETURN(Projection projection, buildProjection(query, header));
  NARWE_TRY(writer.writeHeader(projection.names, options.omit_header));
  NARWE_ASSIGN_OR_RETURN(RowFilter filter, RowFilter::build(query, header, options.strict));
  NARWE_ASSIGN_OR_RETURN(RowSink sink, RowSink::create(query, projection, header, writer,
                                                       options, settings.periodic_flush));
  Arena row_arena;
  std::vector<std::string_view> values;
  Error row_error = Error::None;

  // Returns false when the scan should stop (LIMIT reached or an error).
  auto handle = [&](std::span<const std::string_view> fields) -> Result<bool> {
    if (!filter.keep(fields, row_error)) {
      if (row_error != Error::None) return row_error;
      return true;
    }
    row_arena.reset();
    projection.project(fields, row_arena, values);
    return sink.offer(values, fields);
  };

  bool more = true;
  if (options.no_header_input) {
    // Without a header the first record is the first data row.
    std::vector<std::string_view> first_fields(first_record.begin(), first_record.end());
    NARWE_ASSIGN_OR_RETURN(more, handle(first_fields));
  }
  while (more) {
    NARWE_ASSIGN_OR_RETURN(std::optional<std::span<const std::string_view>> fields,
                           next_record());
    if (!fields) break;
    NARWE_ASSIGN_OR_RETURN(more, handle(*fields));
  }
  return sink.finish();
}

}  // namespace narwe
