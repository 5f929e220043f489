// The sequential executor (a file read front to back on the query thread) and
// the standard-input executor. Both run the shared row loop; they differ only
// in their record source.
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "exec/executors.h"
#include "exec/record_sources.h"
#include "exec/row_scan.h"
#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/record_scan.h"

namespace narwe {

namespace {

// Bytes of the file's start examined for CR-only line endings.
constexpr size_t kLineEndProbeBytes = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The file readers end records at LF only, so a file whose lines end in CR
// alone reads as one header record and every query on it would succeed with
// no rows. Such a file is refused: InvalidInput when its first record holds
// a CR outside quotes that no line feed follows.
Status refuseCrOnlyLines(int fd, char delimiter) {
  std::string probe(kLineEndProbeBytes, '\0');
  ssize_t got;
  do {
    got = ::pread(fd, probe.data(), probe.size(), 0);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) return okStatus();  // the reader reports read errors itself
  std::string_view bytes(probe.data(), static_cast<size_t>(got));
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  if (scan::recordHasLoneCr(bytes.data(), bytes.size(), delimiter)) return Error::InvalidInput;
  return okStatus();
}

}  // namespace

Status executeSequential(const Query& query, const InputFile& input, OutputSink& out,
                         const RunOptions& options) {
  NARWE_TRY(refuseCrOnlyLines(input.fd, options.delimiter));
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
