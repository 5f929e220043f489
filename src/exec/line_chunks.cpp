// Cutting a buffer into chunks at proven record starts.
#include "exec/line_chunks.h"

#include <array>
#include <new>

#include "io/record_scan.h"

namespace narwe {
namespace {

using scan::ScanState;
using Classifier = blocks::ActiveClassifier;

// How far the scan that follows every possible state goes before giving up
// and rescanning from the known record start instead.
constexpr uint64_t kSpeculationLimit = 64 * 1024;

using StateSet = uint8_t;  // bit s: state s is possible
constexpr StateSet kAllStates = (1u << scan::kStateCount) - 1;
constexpr StateSet kInQuotesBit = 1u << static_cast<unsigned>(ScanState::InQuotes);

// kSetNext[set][class]: the possible states after one byte of that class.
constexpr auto kSetNext = [] {
  std::array<std::array<StateSet, scan::kClassCount>, kAllStates + 1> table{};
  for (unsigned set = 0; set <= kAllStates; ++set) {
    for (size_t cls = 0; cls < scan::kClassCount; ++cls) {
      StateSet next = 0;
      for (size_t s = 0; s < scan::kStateCount; ++s) {
        if ((set >> s) & 1u) next |= StateSet(1u << static_cast<unsigned>(scan::kNext[s][cls]));
      }
      table[set][cls] = next;
    }
  }
  return table;
}();

constexpr uint64_t kUndecided = ~uint64_t{0};

// Follows every state that is possible at `from`. A line feed that ends a
// record in all of them ends one in the true state too. Once a single state
// remains, the exact block scanner takes over. Returns the record start
// found, `length` when there is surely none, or kUndecided.
uint64_t speculativeRecordStart(const char* data, uint64_t length, uint64_t from,
                                char delimiter) {
  StateSet set = kAllStates;
  const uint64_t limit = length - from > kSpeculationLimit ? from + kSpeculationLimit : length;
  uint64_t i = from;
  for (;;) {
    if ((set & (set - 1)) == 0) {
      ScanState state = static_cast<ScanState>(__builtin_ctz(set));
      const size_t lf = scan::scanForRecordEnd<Classifier>(data, length, i, state, delimiter);
      return lf == scan::kNoRecordEnd ? length : lf + 1;
    }
    if (i >= limit) return kUndecided;
    const scan::ByteClass cls = scan::classOf(data[i], delimiter);
    if (cls == scan::kLineFeedClass && (set & kInQuotesBit) == 0) return i + 1;
    set = kSetNext[set][cls];
    ++i;
  }
}

}  // namespace

uint64_t nextRecordStart(const char* data, uint64_t length, uint64_t known_start, uint64_t from,
                         char delimiter) {
  if (from <= known_start) return known_start;
  if (from >= length) return length;
  const uint64_t fast = speculativeRecordStart(data, length, from, delimiter);
  if (fast != kUndecided) return fast;
  ScanState state =
      scan::advanceState<Classifier>(data, known_start, from, ScanState::RecordStart, delimiter);
  const size_t lf = scan::scanForRecordEnd<Classifier>(data, length, from, state, delimiter);
  return lf == scan::kNoRecordEnd ? length : lf + 1;
}

Result<std::vector<LineChunk>> splitLineChunks(const char* data, uint64_t length, uint64_t start,
                                               size_t n, char delimiter) {
  if (n == 0) n = 1;
  if (start > length) start = length;
  try {
    std::vector<LineChunk> chunks(n);
    const uint64_t step = (length - start) / n;
    uint64_t begin = start;
    for (size_t k = 0; k + 1 < n; ++k) {
      const uint64_t nominal = start + (k + 1) * step;
      const uint64_t boundary = nextRecordStart(data, length, begin, nominal, delimiter);
      chunks[k] = LineChunk{begin, boundary};
      begin = boundary;
    }
    chunks[n - 1] = LineChunk{begin, length};
    return chunks;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
