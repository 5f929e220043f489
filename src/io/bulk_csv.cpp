// The buffered file reader: whole records found in a growing buffer, then split.
#include "io/bulk_csv.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "io/block_classifier.h"
#include "io/record_buffer.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

namespace narwe {

BulkCsvReader::BulkCsvReader(FileSource source, std::unique_ptr<char[]> buffer)
    : buffer_(std::move(buffer)), source_(source) {}

Result<BulkCsvReader> BulkCsvReader::init(int fd) {
  NARWE_ASSIGN_OR_RETURN(const uint64_t size, sizeAtOpen(fd));
  return init(fd, size);
}

Result<BulkCsvReader> BulkCsvReader::init(int fd, uint64_t size_at_open) {
  char head[kByteOrderMark.size()] = {};
  ssize_t got;
  do {
    got = ::pread(fd, head, sizeof(head), 0);
  } while (got < 0 && errno == EINTR);
  // Other failures show again on the first read, which reports them.
  if (got < 0 && errno == ESPIPE) return Error::Unseekable;
  const uint64_t start = got > 0 ? byteOrderMarkSize({head, static_cast<size_t>(got)}) : 0;
  return over(FileSource::wholeFile(fd, size_at_open, start));
}

Result<BulkCsvReader> BulkCsvReader::over(FileSource source) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBufferSize]);
  if (!buffer) return Error::OutOfMemory;
  try {
    BulkCsvReader reader(source, std::move(buffer));
    return reader;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status BulkCsvReader::fill() {
  NARWE_ASSIGN_OR_RETURN(const size_t got,
                         source_.read(buffer_.get() + filled_, capacity_ - filled_));
  if (got == 0) end_of_input_ = true;
  filled_ += got;
  return okStatus();
}

Result<std::optional<std::string_view>> BulkCsvReader::nextRecordBytes() {
  if (cursor_ >= filled_) {
    if (end_of_input_) return std::optional<std::string_view>();
    cursor_ = 0;
    filled_ = 0;
    NARWE_TRY(fill());
    if (filled_ == 0) return std::optional<std::string_view>();
  }
  const size_t limit = maxRecordBytes();
  // The scan resumes where it stopped after each refill, carrying its state,
  // so a record spanning many refills is scanned once.
  scan::ScanState state = scan::ScanState::RecordStart;
  size_t scanned = cursor_;
  for (;;) {
    const size_t lf = scan::scanForRecordEnd<blocks::ActiveClassifier>(
        buffer_.get(), filled_, scanned, state, delimiter_);
    if (lf != scan::kNoRecordEnd) {
      if (lf - cursor_ > limit) return Error::FileTooBig;
      const std::string_view bytes(buffer_.get() + cursor_, lf - cursor_);
      cursor_ = lf + 1;
      return std::optional<std::string_view>(stripRecordCr(bytes));
    }
    // No line feed yet: the record is at least this long.
    if (filled_ - cursor_ > limit) {
      return scan::recordHasLoneCr(buffer_.get() + cursor_, filled_ - cursor_, delimiter_)
                 ? Error::InvalidInput
                 : Error::FileTooBig;
    }
    if (end_of_input_) {
      const std::string_view bytes(buffer_.get() + cursor_, filled_ - cursor_);
      cursor_ = filled_;
      return std::optional<std::string_view>(stripRecordCr(bytes));
    }
    const size_t scanned_part = filled_ - cursor_;
    NARWE_TRY(makeRecordRoom(buffer_, capacity_, filled_, cursor_, delimiter_, limit));
    scanned = scanned_part;
    NARWE_TRY(fill());
  }
}

Result<std::optional<Record>> BulkCsvReader::readRecord() {
  try {
    NARWE_ASSIGN_OR_RETURN(const std::optional<std::string_view> bytes, nextRecordBytes());
    if (!bytes) return std::optional<Record>();
    NARWE_ASSIGN_OR_RETURN(Record record, parseLine(*bytes));
    return std::optional<Record>(std::move(record));
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Result<std::optional<std::span<const std::string_view>>> BulkCsvReader::readRecordSlices() {
  using Slices = std::span<const std::string_view>;
  try {
    NARWE_ASSIGN_OR_RETURN(const std::optional<std::string_view> bytes, nextRecordBytes());
    if (!bytes) return std::optional<Slices>();
    NARWE_ASSIGN_OR_RETURN(const Slices fields, parseLineSlices(*bytes));
    return std::optional<Slices>(fields);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Result<Record> BulkCsvReader::parseLine(std::string_view line) {
  return splitter_.splitOwned(line);
}

Result<std::span<const std::string_view>> BulkCsvReader::parseLineSlices(std::string_view line) {
  return splitter_.split(line);
}

}  // namespace narwe
