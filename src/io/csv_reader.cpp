// The streaming reader for standard input: whole records found in a growing
// buffer with the shared scanner, then split by the shared field rule.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "common/unique_fd.h"
#include "io/block_classifier.h"
#include "io/csv.h"
#include "io/record_buffer.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

// Growth factor for a buffer that one record fills completely.

}  // namespace

CsvReader::CsvReader(int fd, char delimiter)
    : buffer_(new char[kBufferSize]), fd_(fd), delimiter_(delimiter) {
  splitter_.setDelimiter(delimiter);
}

Status CsvReader::fill() {
  const ssize_t got = readRetrying(fd_, buffer_.get() + filled_, capacity_ - filled_);
  if (got < 0) return errorFromErrno(errno);
  if (got == 0) end_of_input_ = true;
  filled_ += static_cast<size_t>(got);
  return okStatus();
}

Result<std::optional<std::string_view>> CsvReader::nextRecordBytes() {
  if (!started_) {
    // The byte-order mark is looked for in the input's first bytes, however
    // the writer cut them into reads.
    while (!end_of_input_ && filled_ < kByteOrderMark.size()) NARWE_TRY(fill());
    cursor_ = byteOrderMarkSize({buffer_.get(), filled_});
    started_ = true;
  }
  if (cursor_ >= filled_) {
    if (end_of_input_) return std::optional<std::string_view>();
    cursor_ = 0;
    filled_ = 0;
    NARWE_TRY(fill());
    if (filled_ == 0) return std::optional<std::string_view>();
  }
  const size_t limit = maxRecordBytes();
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
