// The buffered file reader: whole records found in a growing buffer, then split.
#include "io/bulk_csv.h"

#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>


namespace narwe {

BulkCsvReader::BulkCsvReader(FileSource source, std::unique_ptr<char[]> buffer)
    : source_(source) {
  buffer_.data = std::move(buffer);
  buffer_.capacity = kBufferSize;
}

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

Result<size_t> BulkCsvReader::readSource(void* self, char* dst, size_t room) {
  return static_cast<BulkCsvReader*>(self)->source_.read(dst, room);
}

Result<std::optional<std::string_view>> BulkCsvReader::nextRecordBytes() {
  return buffer_.nextRecord(delimiter_, &readSource, this);
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
