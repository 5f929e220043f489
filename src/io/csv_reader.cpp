// The streaming reader for standard input, through a 256 KiB buffer.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "common/unique_fd.h"
#include "io/block_classifier.h"
#include "io/csv.h"
#include "io/record_limit.h"

namespace narwe {
namespace {

// Index of the first delimiter, CR or LF in p[from, n), or n: the end of a
// run of ordinary bytes in an unquoted field.
size_t findFieldBreak(const char* p, size_t from, size_t n, char delim) {
  using C = blocks::ActiveClassifier;
  size_t i = from;
  for (; n - i >= blocks::kBlockSize; i += blocks::kBlockSize) {
    const blocks::BlockMasks m = C::classify(p + i, delim);
    const uint64_t stops = m.delim | m.cr | m.lf;
    if (stops != 0) return i + blocks::lowestBit(stops);
  }
  for (; i < n; ++i) {
    const char c = p[i];
    if (c == delim || c == '\r' || c == '\n') return i;
  }
  return n;
}

}  // namespace

CsvReader::CsvReader(int fd, char delimiter)
    : fd_(fd), delimiter_(delimiter), buffer_(new char[kBufferSize]) {}

int CsvReader::fetch() {
  if (pos_ < filled_) return static_cast<unsigned char>(buffer_[pos_++]);
  if (end_of_input_ || read_error_ != Error::None) return kEndOfInput;
  // Every buffered byte belongs to the current record by now (one of them
  // may be its CR): past the limit, stop before reading more.
  before_buffer_ += filled_;
  pos_ = 0;
  filled_ = 0;
  if (before_buffer_ - record_start_ > maxRecordBytes() + 1) {
    read_error_ = Error::FileTooBig;
    return kEndOfInput;
  }
  ssize_t got = readRetrying(fd_, buffer_.get(), kBufferSize);
  if (got < 0) {
    read_error_ = errorFromErrno(errno);
    return kEndOfInput;
  }
  if (got == 0) {
    end_of_input_ = true;
    return kEndOfInput;
  }
  pos_ = 0;
  filled_ = static_cast<size_t>(got);
  return static_cast<unsigned char>(buffer_[pos_++]);
}

uint64_t CsvReader::recordBytes(size_t terminator) const {
  return before_buffer_ + pos_ - record_start_ - terminator;
}

Result<std::optional<Record>> CsvReader::readRecord() {
  if (read_error_ != Error::None) return read_error_;
  try {
    return readRecordUnguarded();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
}

Result<std::optional<Record>> CsvReader::readRecordUnguarded() {
  record_start_ = before_buffer_ + pos_;
  Record record;
  std::string field;
  bool in_quotes = false;
  bool any_byte = false;
  for (;;) {
    const int c = fetch();
    if (c == kEndOfInput) {
      if (read_error_ != Error::None) return read_error_;
      if (!any_byte) return std::optional<Record>();
      record.push_back(std::move(field));
      if (recordBytes(0) > maxRecordBytes()) return read_error_ = Error::FileTooBig;
      return std::optional<Record>(std::move(record));
    }
    any_byte = true;
    if (in_quotes) {
      if (c != '"') {
        // Data up to the next quote in the buffer goes in as one block.
        field.push_back(static_cast<char>(c));
        const char* run = buffer_.get() + pos_;
        const void* quote = std::memchr(run, '"', filled_ - pos_);
        const size_t len =
            quote ? static_cast<size_t>(static_cast<const char*>(quote) - run) : filled_ - pos_;
        field.append(run, len);
        pos_ += len;
        continue;
      }
      const int next = fetch();
      if (next == '"') {
        field.push_back('"');  // a pair is one quote
        continue;
      }
      if (next == kEndOfInput) {
        if (read_error_ != Error::None) return read_error_;
      } else {
        unread();
      }
      in_quotes = false;  // bytes after the closing quote join the field
      continue;
    }
    if (c == '"' && field.empty()) {
      in_quotes = true;
      continue;
    }
    if (c == static_cast<unsigned char>(delimiter_)) {
      record.push_back(std::move(field));
      field.clear();
      continue;
    }
    if (c == '\n') {
      record.push_back(std::move(field));
      if (recordBytes(1) > maxRecordBytes()) return read_error_ = Error::FileTooBig;
      return std::optional<Record>(std::move(record));
    }
    if (c == '\r') {
      // CR, LF and CR LF all end a record.
      const int next = fetch();
      if (next == kEndOfInput) {
        if (read_error_ != Error::None) return read_error_;
      } else if (next != '\n') {
        unread();
      }
      record.push_back(std::move(field));
      if (recordBytes(1) > maxRecordBytes()) return read_error_ = Error::FileTooBig;
      return std::optional<Record>(std::move(record));
    }
    field.push_back(static_cast<char>(c));
    const size_t stop = findFieldBreak(buffer_.get(), pos_, filled_, delimiter_);
    field.append(buffer_.get() + pos_, stop - pos_);
    pos_ = stop;
  }
}

}  // namespace narwe
