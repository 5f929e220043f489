// Growing the read buffer of the CSV readers.
#include "io/record_buffer.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "io/record_scan.h"

namespace narwe {
namespace {

// Growth factor for a buffer that one record fills completely.
constexpr size_t kGrowthFactor = 2;

}  // namespace

Status makeRecordRoom(std::unique_ptr<char[]>& buffer, size_t& capacity, size_t& filled,
                      size_t& cursor, char delimiter, size_t limit) {
  if (cursor > 0) {
    std::memmove(buffer.get(), buffer.get() + cursor, filled - cursor);
    filled -= cursor;
    cursor = 0;
  }
  if (filled < capacity) return okStatus();
  if (scan::recordHasLoneCr(buffer.get(), filled, delimiter)) return Error::InvalidInput;
  size_t bigger = capacity <= SIZE_MAX / kGrowthFactor ? capacity * kGrowthFactor : SIZE_MAX;
  if (limit < SIZE_MAX && bigger > limit + 1) bigger = limit + 1;
  if (bigger <= capacity) return Error::FileTooBig;
  std::unique_ptr<char[]> grown(new (std::nothrow) char[bigger]);
  if (!grown) return Error::OutOfMemory;
  std::memcpy(grown.get(), buffer.get(), filled);
  buffer = std::move(grown);
  capacity = bigger;
  return okStatus();
}

}  // namespace narwe
