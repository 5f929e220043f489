// The sequential executor (a file read front to back on the query thread) and
// the standard-input executor. Both run the shared row loop; they differ only
// in their record source.
#include <string>
#include <vector>

#include "exec/executors.h"
#include "exec/row_scan.h"
#include "io/bulk_csv.h"
#include "io/csv.h"

namespace narwe {

Status executeSequential(const Query& query, const InputFile& input, int out_fd,
                         const RunOptions& options) {
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(input.fd));
  reader.setDelimiter(options.delimiter);
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer, RecordWriter::init(out_fd, options));
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;
  return runRowScan(query, *first, options, writer, RowScanSettings{.periodic_flush = true},
                    [&reader] { return reader.readRecordSlices(); });
}

Status executeFromStdin(const Query& query, int in_fd, int out_fd, const RunOptions& options) {
  CsvReader reader(in_fd, options.delimiter);
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer, RecordWriter::init(out_fd, options));
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;
  Record current;
  std::vector<std::string_view> slices;
  auto next = [&]() -> Result<std::optional<std::span<const std::string_view>>> {
    NARWE_ASSIGN_OR_RETURN(std::optional<Record> record, reader.readRecord());
    if (!record) return std::optional<std::span<const std::string_view>>();
    current = std::move(*record);
    slices.assign(current.begin(), current.end());
    return std::optional<std::span<const std::string_view>>(slices);
  };
  return runRowScan(query, *first, options, writer, RowScanSettings{}, next);
}

}  // namespace narwe
