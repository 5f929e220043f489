// The buffered file reader: whole records found in a growing buffer, then split.
#include "io/bulk_csv.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "io/block_classifier.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
constexpr size_t kByteOrderMarkSize = sizeof(kByteOrderMark);
constexpr char kQuote = '"';
// Growth factor for a buffer that one record fills completely.
constexpr size_t kGrowthFactor = 2;

bool containsQuote(std::string_view text) {
  return std::memchr(text.data(), kQuote, text.size()) != nullptr;
}

// True when two quotes stand side by side somewhere in `text`.
bool containsQuotePair(std::string_view text) {
  using C = blocks::ActiveClassifier;
  const char* p = text.data();
  const size_t n = text.size();
  uint64_t carry = 0;  // the previous block ended with a quote
  for (size_t i = 0; i < n; i += blocks::kBlockSize) {
    const size_t chunk = n - i < blocks::kBlockSize ? n - i : blocks::kBlockSize;
    const uint64_t q = chunk == blocks::kBlockSize ? C::match(p + i, kQuote)
                                                   : blocks::matchPartial<C>(p + i, chunk, kQuote);
    if (q & ((q << 1) | carry)) return true;
    carry = q >> 63;
  }
  return false;
}

bool fieldContainsQuotePair(std::string_view text) {
  size_t from = 0;
  while (from < text.size()) {
    const void* hit = std::memchr(text.data() + from, kQuote, text.size() - from);
    if (hit == nullptr) return false;
    const size_t q = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (q + 1 < text.size() && text[q + 1] == kQuote) return true;
    from = q + 1;
  }
  return false;
}

// Index of the first `c` in text[from..], or text.size().
size_t findOrEnd(std::string_view text, size_t from, char c) {
  const size_t at = text.find(c, from);
  return at == std::string_view::npos ? text.size() : at;
}

}  // namespace

BulkCsvReader::BulkCsvReader(FileSource source, std::unique_ptr<char[]> buffer)
    : buffer_(std::move(buffer)), source_(source) {}

Result<BulkCsvReader> BulkCsvReader::init(int fd) {
  NARWE_ASSIGN_OR_RETURN(const uint64_t size, sizeAtOpen(fd));
  return init(fd, size);
}

Result<BulkCsvReader> BulkCsvReader::init(int fd, uint64_t size_at_open) {
  unsigned char head[kByteOrderMarkSize] = {};
  ssize_t got;
  do {
    got = ::pread(fd, head, kByteOrderMarkSize, 0);
  } while (got < 0 && errno == EINTR);
  // Other failures show again on the first read, which reports them.
  if (got < 0 && errno == ESPIPE) return Error::Unseekable;
  const uint64_t start = got == static_cast<ssize_t>(kByteOrderMarkSize) &&
                                 std::memcmp(head, kByteOrderMark, kByteOrderMarkSize) == 0
                             ? kByteOrderMarkSize
                             : 0;
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

Status BulkCsvReader::makeRoom(size_t limit) {
  if (cursor_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + cursor_, filled_ - cursor_);
    filled_ -= cursor_;
    cursor_ = 0;
  }
  if (filled_ == capacity_) {
    // One record fills the whole buffer: grow rather than cut it. The caller
    // has checked that the record is not past the limit yet.
    size_t bigger = capacity_ <= SIZE_MAX / kGrowthFactor ? capacity_ * kGrowthFactor : SIZE_MAX;
    if (limit < SIZE_MAX && bigger > limit + 1) bigger = limit + 1;
    if (bigger <= capacity_) return Error::FileTooBig;
    std::unique_ptr<char[]> grown(new (std::nothrow) char[bigger]);
    if (!grown) return Error::OutOfMemory;
    std::memcpy(grown.get(), buffer_.get(), filled_);
    buffer_ = std::move(grown);
    capacity_ = bigger;
  }
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
    if (filled_ - cursor_ > limit) return Error::FileTooBig;
    if (end_of_input_) {
      const std::string_view bytes(buffer_.get() + cursor_, filled_ - cursor_);
      cursor_ = filled_;
      return std::optional<std::string_view>(stripRecordCr(bytes));
    }
    const size_t scanned_part = filled_ - cursor_;
    NARWE_TRY(makeRoom(limit));
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

Result<Record> BulkCsvReader::parseLine(std::string_view line) const {
  try {
    Record record;
    if (!containsQuote(line)) {
      size_t begin = 0;
      for (;;) {
        const size_t end = findOrEnd(line, begin, delimiter_);
        record.emplace_back(line.substr(begin, end - begin));
        if (end >= line.size()) break;
        begin = end + 1;
      }
      return record;
    }
    size_t k = 0;
    const size_t n = line.size();
    for (;;) {
      std::string field;
      if (k < n && line[k] == kQuote) {
        // Quoted: unescape pairs up to the closing quote, then drop the
        // bytes before the next delimiter.
        size_t i = k + 1;
        bool closed = false;
        while (i < n) {
          const size_t q = findOrEnd(line, i, kQuote);
          field.append(line.substr(i, q - i));
          if (q >= n) {
            i = n;
            break;
          }
          if (q + 1 < n && line[q + 1] == kQuote) {
            field.push_back(kQuote);
            i = q + 2;
            continue;
          }
          i = q + 1;
          closed = true;
          break;
        }
        k = closed ? findOrEnd(line, i, delimiter_) : n;
      } else {
        const size_t end = findOrEnd(line, k, delimiter_);
        field.assign(line.substr(k, end - k));
        k = end;
      }
      record.push_back(std::move(field));
      if (k >= n) break;
      ++k;  // at a delimiter
    }
    return record;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
}

Result<std::span<const std::string_view>> BulkCsvReader::parseLineSlices(std::string_view line) {
  return splitter_.split(line);
}

FieldSplitter::FieldSplitter()
    : fields_(std::make_unique<std::array<std::string_view, kRecordFieldCapacity>>()) {}

Result<std::span<const std::string_view>> FieldSplitter::split(std::string_view line) {
  scratch_.reset();
  std::string_view* table = fields_->data();
  NARWE_ASSIGN_OR_RETURN(const size_t count,
                         parseCSVFieldsStatic(line, table, kRecordFieldCapacity, delimiter_));
  if (containsQuotePair(line)) {
    try {
      for (size_t f = 0; f < count; ++f) {
        const std::string_view field = table[f];
        if (!fieldContainsQuotePair(field)) continue;
        char* out = scratch_.allocate(field.size());
        size_t len = 0;
        for (size_t i = 0; i < field.size(); ++i) {
          out[len++] = field[i];
          if (field[i] == kQuote && i + 1 < field.size() && field[i + 1] == kQuote) ++i;
        }
        table[f] = std::string_view(out, len);
      }
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
  }
  return std::span<const std::string_view>(table, count);
}

}  // namespace narwe
