// findRecordEnd: the LF that ends a record in an in-memory buffer.
#include "io/csv.h"
#include "io/record_scan.h"

namespace narwe {

std::optional<size_t> findRecordEnd(const char* data, size_t length, size_t start,
                                    char delimiter) {
  if (start >= length) return std::nullopt;
  scan::ScanState state = scan::ScanState::RecordStart;
  const size_t end = scan::scanForRecordEnd<blocks::ActiveClassifier>(data, length, start,
                                                                       state, delimiter);
  if (end == scan::kNoRecordEnd) return std::nullopt;
  return end;
}

}  // namespace narwe
