// The read buffer of the CSV readers and the record loop over it.
#include "io/record_buffer.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "io/block_classifier.h"
#include "io/csv.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

// Growth factor for a buffer that one record fills completely.
constexpr size_t kGrowthFactor = 2;

}  // namespace

Status RecordBuffer::fill(ReadFn read, void* input) {
  NARWE_ASSIGN_OR_RETURN(const size_t got, read(input, data.get() + filled, capacity - filled));
  if (got == 0) end_of_input = true;
  filled += got;
  return okStatus();
}

Status RecordBuffer::makeRoom(char delimiter, size_t limit) {
  if (cursor > 0) {
    std::memmove(data.get(), data.get() + cursor, filled - cursor);
    filled -= cursor;
    cursor = 0;
  }
  if (filled < capacity) return okStatus();
  if (scan::recordHasLoneCr(data.get(), filled, delimiter)) return Error::InvalidInput;
  size_t bigger = capacity <= SIZE_MAX / kGrowthFactor ? capacity * kGrowthFactor : SIZE_MAX;
  if (limit < SIZE_MAX && bigger > limit + 1) bigger = limit + 1;
  if (bigger <= capacity) return Error::FileTooBig;
  std::unique_ptr<char[]> grown(new (std::nothrow) char[bigger]);
  if (!grown) return Error::OutOfMemory;
  std::memcpy(grown.get(), data.get(), filled);
  data = std::move(grown);
  capacity = bigger;
  return okStatus();
}

Result<std::optional<std::string_view>> RecordBuffer::nextRecord(char delimiter, ReadFn read,
                                                                 void* input) {
  if (cursor >= filled) {
    if (end_of_input) return std::optional<std::string_view>();
    cursor = 0;
    filled = 0;
    NARWE_TRY(fill(read, input));
    if (filled == 0) return std::optional<std::string_view>();
  }
  const size_t limit = maxRecordBytes();
  scan::ScanState state = scan::ScanState::RecordStart;
  size_t scanned = cursor;
  for (;;) {
    const size_t lf = scan::scanForRecordEnd<blocks::ActiveClassifier>(data.get(), filled, scanned,
                                                                       state, delimiter);
    if (lf != scan::kNoRecordEnd) {
      if (lf - cursor > limit) return Error::FileTooBig;
      const std::string_view bytes(data.get() + cursor, lf - cursor);
      cursor = lf + 1;
      return std::optional<std::string_view>(stripRecordCr(bytes));
    }
    // No line feed yet: the record is at least this long.
    if (filled - cursor > limit) {
      return scan::recordHasLoneCr(data.get() + cursor, filled - cursor, delimiter)
                 ? Error::InvalidInput
                 : Error::FileTooBig;
    }
    if (end_of_input) {
      const std::string_view bytes(data.get() + cursor, filled - cursor);
      cursor = filled;
      return std::optional<std::string_view>(stripRecordCr(bytes));
    }
    const size_t scanned_part = filled - cursor;
    NARWE_TRY(makeRoom(delimiter, limit));
    scanned = scanned_part;
    NARWE_TRY(fill(read, input));
  }
}

}  // namespace narwe
