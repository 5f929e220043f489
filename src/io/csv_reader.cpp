// The streaming reader for standard input: whole records found in a growing
// buffer with the shared scanner, then split by the shared field rule.
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

#include "common/unique_fd.h"
#include "io/csv.h"

namespace narwe {

CsvReader::CsvReader(int fd, char delimiter) : fd_(fd), delimiter_(delimiter) {
  buffer_.data.reset(new char[kBufferSize]);
  buffer_.capacity = kBufferSize;
  splitter_.setDelimiter(delimiter);
}

Result<size_t> CsvReader::readFd(void* self, char* dst, size_t room) {
  const ssize_t got = readRetrying(static_cast<CsvReader*>(self)->fd_, dst, room);
  if (got < 0) return errorFromErrno(errno);
  return static_cast<size_t>(got);
}

Result<std::optional<std::string_view>> CsvReader::nextRecordBytes() {
  if (!started_) {
    // The byte-order mark is looked for in the input's first bytes, however
    // the writer cut them into reads.
    while (!buffer_.end_of_input && buffer_.filled < kByteOrderMark.size()) {
      NARWE_TRY(buffer_.fill(&readFd, this));
    }
    buffer_.cursor = byteOrderMarkSize({buffer_.data.get(), buffer_.filled});
    started_ = true;
  }
  return buffer_.nextRecord(delimiter_, &readFd, this);
}

Result<std::optional<Record>> CsvReader::readRecordUnguarded() {
  NARWE_ASSIGN_OR_RETURN(const std::optional<std::string_view> bytes, nextRecordBytes());
  if (!bytes) return std::optional<Record>();
  NARWE_ASSIGN_OR_RETURN(Record record, splitter_.splitOwned(*bytes));
  return std::optional<Record>(std::move(record));
}

Result<std::optional<Record>> CsvReader::readRecord() {
  if (error_ != Error::None) return error_;
  Result<std::optional<Record>> next = Error::OutOfMemory;
  try {
    next = readRecordUnguarded();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  if (!next.ok()) error_ = next.error();
  return next;
}

}  // namespace narwe
