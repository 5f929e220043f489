// The sequential executor (a file read front to back on the query thread),
// the mapped route (the same scan for larger files) and the standard-input
// executor. All run the shared row loop; they differ only in their record
// source.
#include <fcntl.h>
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
#include "io/file_source.h"
#include "io/record_scan.h"

namespace narwe {

namespace {

// Bytes of the file's start examined for CR-only line endings.
constexpr size_t kLineEndProbeBytes = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

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
