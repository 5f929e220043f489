// The sequential executor (a file read front to back on the query thread),
// the mapped route (the same scan for larger files) and the standard-input
// executor. All run the shared row loop; they differ only in their record
// source.
#include <fcntl.h>

#include "exec/executors.h"
#include "exec/record_sources.h"
#include "exec/row_scan.h"
#include "io/bulk_csv.h"
#include "io/csv.h"

namespace narwe {

Status executeSequential(const Query& query, const InputFile& input, OutputSink& out,
                         const RunOptions& options) {
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(input.fd, input.size));
  reader.setDelimiter(options.delimiter);
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer,
                         RecordWriter::init(out, options.format, options.delimiter));
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;
  BulkRecordSource source(reader);
  return runRowScan(query, *first, options, writer, RowScanSettings{.periodic_flush = true},
                    source);
}

// Files above the mapped-scan size that the parallel scan does not take are
// read front to back by the same reader: positioned reads into one reused
// buffer beat a mapping here, and a file that shrinks cannot raise a signal.
Status executeMapped(const Query& query, const InputFile& input, OutputSink& out,
                     const RunOptions& options) {
  if (input.size != kUnknownFileSize) {
    (void)::posix_fadvise(input.fd, 0, static_cast<off_t>(input.size), POSIX_FADV_SEQUENTIAL);
  }
  return executeSequential(query, input, out, options);
}

Status executeFromStdin(const Query& query, int in_fd, OutputSink& out,
                        const RunOptions& options) {
  CsvReader reader(in_fd, options.delimiter);
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer,
                         RecordWriter::init(out, options.format, options.delimiter));
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;
  StreamRecordSource source(reader);
  return runRowScan(query, *first, options, writer, RowScanSettings{}, source);
}

}  // namespace narwe
