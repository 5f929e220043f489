// Sorting of ORDER BY results: the comparison rule for one key, the sort
// entry with its precomputed 64-bit prefix, the stable merge sort used by
// every ORDER BY path, the bounded top-K heap and sortEntries.
//
// The comparison rule (ascending; descending reverses it, ties stay ties):
// both texts read as numbers with parseFloat (a text that does not parse, or
// parses to NaN, is not a number) -> compare numerically; otherwise compare
// the texts as unsigned byte strings, a proper prefix sorting first. The
// empty text is never a number and so sorts before every other text.
//
// A column mixing numbers and texts: the rule compares two numbers by value,
// two texts by bytes, and a number with a text by bytes, which need not be
// consistent (10 < 5a as texts, 5a < 9 as texts, 9 < 10 as numbers). The
// single-key sorts (sortEntries, TopKHeap) therefore order rows as the merge
// of two sequences: the numbers in the order of the rule, the texts in the
// order of the rule, the rule deciding between the next number and the next
// text. Where the rule is consistent that is exactly the stable sort by the
// rule; where it is not it is still one order fixed by the rows alone, so
// the first K rows of it can be found without sorting the rest, per chunk.
//
// Promises:
//  * Every sort is stable: rows that tie keep their input order.
//  * sortEntries returns the merge order above; on consistent data (all
//    numbers, all texts, empty fields, numbers with texts that sort after
//    them) that is what a stable sort with the rule gives. The top-K and
//    radix paths are only faster ways to get it, so a LIMIT K gives the
//    first K rows of the full sort on any data.
//  * On data where the rule is not transitive (a column holding 10, 9 and
//    5a) every path still terminates, stays in bounds and is deterministic.
//  * No comparison allocates.
// Sorting runs on one thread; a TopKHeap belongs to one thread.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "common/bytes.h"
#include "common/error.h"

namespace narwe {

// ---- the comparison rule on texts ----------------------------------------

// The key text read as a number, or NaN when it is not one.
double sortKeyNumber(std::string_view text);


// The rule for two already-read keys (value NaN = not a number): <0, 0, >0.
inline int compareKeys(double a_value, std::string_view a_text, double b_value,
                       std::string_view b_text) {
  if (!std::isnan(a_value) && !std::isnan(b_value)) {
    return a_value < b_value ? -1 : (b_value < a_value ? 1 : 0);
  }
  return compareBytes(a_text, b_text);
}

// The rule on two raw texts (ascending): <0, 0, >0.
inline int compareKeyTexts(std::string_view a, std::string_view b) {
  return compareKeys(sortKeyNumber(a), a, sortKeyNumber(b), b);
}

// ---- sort entries ---------------------------------------------------------

// One row of a single-key ORDER BY. Build it with makeSortEntry so that
// value and prefix agree with the key text.
struct SortEntry {
  uint64_t prefix = 0;        // order-preserving 64-bit key, see sortPrefix
  double value = 0;           // key read as a number; NaN when it is not one
  const char* key_ptr = nullptr;
  uint64_t key_len = 0;
  const char* line_ptr = nullptr;  // the whole formatted row to write out
  uint64_t line_len = 0;

  std::string_view key() const { return {key_ptr, static_cast<size_t>(key_len)}; }
  std::string_view line() const { return {line_ptr, static_cast<size_t>(line_len)}; }
  bool isNumber() const { return !std::isnan(value); }
};

// The sort prefix. For a number: its bits made order-preserving as an
// unsigned integer (sign bit set: all bits flipped; else the sign bit
// flipped), -0 counted as +0 so that equal numbers have equal prefixes. For
// a non-number: the first up to 8 bytes of the text, big-endian, missing
// bytes zero. Among numbers the prefix order is the numeric order exactly;
// among texts a smaller prefix means a smaller text, equal prefixes decide
// nothing.
uint64_t sortPrefix(double value, std::string_view text);

// An entry for `key` (parsed with the rule) and the output `line`.
SortEntry makeSortEntry(std::string_view key, std::string_view line);

// The rule on two entries, ascending: <0, 0, >0. Uses the prefix where it
// is exact and falls back to the texts only where it is not.
inline int compareEntries(const SortEntry& a, const SortEntry& b) {
  const bool a_num = a.isNumber();
  if (a_num == b.isNumber()) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    if (a_num) return 0;  // equal prefixes of numbers are equal numbers
  }
  return compareBytes(a.key(), b.key());
}

// ---- stable merge sort ----------------------------------------------------

namespace sort_detail {

// Runs shorter than this are sorted by insertion before merging.
constexpr size_t kInsertionRun = 24;

template <typename T, typename Less>
void insertionSort(T* a, size_t n, Less& less) {
  for (size_t i = 1; i < n; ++i) {
    if (!less(a[i], a[i - 1])) continue;
    T item = a[i];
    size_t j = i;
    do {
      a[j] = a[j - 1];
      --j;
    } while (j > 0 && less(item, a[j - 1]));
    a[j] = item;
  }
}

// First position in [lo, hi) whose element does not sort before `key`.
template <typename T, typename Less>
size_t lowerBound(const T* a, size_t lo, size_t hi, const T& key, Less& less) {
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (less(a[mid], key)) lo = mid + 1; else hi = mid;
  }
  return lo;
}

// First position in [lo, hi) whose element sorts after `key`.
template <typename T, typename Less>
size_t upperBound(const T* a, size_t lo, size_t hi, const T& key, Less& less) {
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (less(key, a[mid])) hi = mid; else lo = mid + 1;
  }
  return lo;
}

template <typename T>
void reverseRange(T* a, size_t lo, size_t hi) {
  while (lo + 1 < hi) {
    --hi;
    std::swap(a[lo], a[hi]);
    ++lo;
  }
}

// Stable merge of the sorted runs [lo, mid) and [mid, hi) without extra
// memory (recursive split and rotation); used only when the merge buffer
// cannot be allocated.
template <typename T, typename Less>
void mergeInPlace(T* a, size_t lo, size_t mid, size_t hi, Less& less) {
  while (lo < mid && mid < hi) {
    if (hi - lo == 2) {
      if (less(a[mid], a[lo])) std::swap(a[lo], a[mid]);
      return;
    }
    size_t cut1, cut2;
    if (mid - lo >= hi - mid) {
      cut1 = lo + (mid - lo) / 2;
      cut2 = lowerBound(a, mid, hi, a[cut1], less);
    } else {
      cut2 = mid + (hi - mid) / 2;
      cut1 = upperBound(a, lo, mid, a[cut2], less);
    }
    // Rotate [cut1, mid) past [mid, cut2).
    reverseRange(a, cut1, mid);
    reverseRange(a, mid, cut2);
    reverseRange(a, cut1, cut2);
    size_t new_mid = cut1 + (cut2 - mid);
    // Recurse into the smaller half, loop on the larger: bounded depth.
    if ((new_mid - lo) < (hi - new_mid)) {
      mergeInPlace(a, lo, cut1, new_mid, less);
      lo = new_mid;
      mid = cut2;
    } else {
      mergeInPlace(a, new_mid, cut2, hi, less);
      hi = new_mid;
      mid = cut1;
    }
  }
}

// Stable merge of [lo, mid) and [mid, hi) through `buf`, which holds at
// least min(mid - lo, hi - mid) elements: the smaller run is moved out and
// merged back from its side.
template <typename T, typename Less>
void mergeBuffered(T* a, size_t lo, size_t mid, size_t hi, T* buf, Less& less) {
  const size_t left = mid - lo;
  const size_t right = hi - mid;
  if (left <= right) {
    std::memcpy(static_cast<void*>(buf), a + lo, left * sizeof(T));
    size_t i = 0, j = mid, k = lo;
    while (i < left && j < hi) {
      if (less(a[j], buf[i])) a[k++] = a[j++]; else a[k++] = buf[i++];
    }
    if (i < left) std::memcpy(static_cast<void*>(a + k), buf + i, (left - i) * sizeof(T));
  } else {
    std::memcpy(static_cast<void*>(buf), a + mid, right * sizeof(T));
    size_t i = right, j = mid, k = hi;
    while (i > 0 && j > lo) {
      if (less(buf[i - 1], a[j - 1])) a[--k] = a[--j]; else a[--k] = buf[--i];
    }
    if (i > 0) std::memcpy(static_cast<void*>(a + lo), buf, i * sizeof(T));
  }
}

}  // namespace sort_detail

// Stable sort of a[0, n) by `less` (strictly-before). Any comparator is safe:
// one that is not a strict weak order gives some deterministic order, never
// an out-of-bounds access. Uses a scratch buffer of n/2 elements when it can
// be allocated and merges in place otherwise, so it never fails. T must be
// trivially copyable (sort entries, pointers, indices).
template <typename T, typename Less>
void stableSort(T* a, size_t n, Less less) {
  static_assert(std::is_trivially_copyable_v<T>, "sort pointers or small records");
  using namespace sort_detail;
  if (n < 2) return;
  for (size_t i = 0; i < n; i += kInsertionRun) {
    insertionSort(a + i, n - i < kInsertionRun ? n - i : kInsertionRun, less);
  }
  if (n <= kInsertionRun) return;
  T* buf = static_cast<T*>(std::malloc(sizeof(T) * (n / 2)));
  for (size_t width = kInsertionRun; width < n; width *= 2) {
    for (size_t lo = 0; lo + width < n; lo += 2 * width) {
      size_t mid = lo + width;
      size_t hi = n - mid < width ? n : mid + width;
      if (!less(a[mid], a[mid - 1])) continue;  // already in order
      if (buf != nullptr) mergeBuffered(a, lo, mid, hi, buf, less);
      else mergeInPlace(a, lo, mid, hi, less);
    }
    if (width > n / 2) break;
  }
  std::free(buf);
}

template <typename T, typename Less>
void stableSort(std::span<T> items, Less less) {
  stableSort(items.data(), items.size(), std::move(less));
}

// ---- top-K ----------------------------------------------------------------

// Keeps what the first k entries of the merge order (see the top of this
// file) can be drawn from: the best k numbers and the best k texts seen so
// far (ties: the earlier insert wins), in 2k slots. Each insert costs one
// comparison with the worst kept entry of its kind when it does not make the
// cut, which for numbers and for texts that differ in their first 8 bytes is
// one integer comparison.
class TopKHeap {
 public:
  // OutOfMemory when the slots cannot be allocated.
  static Result<TopKHeap> create(uint64_t k, bool descending);

  TopKHeap(TopKHeap&& other) noexcept
      : slots_(std::exchange(other.slots_, nullptr)),
        k_(std::exchange(other.k_, 0)),
        next_seq_(std::exchange(other.next_seq_, 0)),
        descending_(other.descending_) {
    for (size_t part = 0; part < kParts; ++part) count_[part] = std::exchange(other.count_[part], 0);
  }
  TopKHeap& operator=(TopKHeap&& other) noexcept;
  TopKHeap(const TopKHeap&) = delete;
  TopKHeap& operator=(const TopKHeap&) = delete;
  ~TopKHeap() { deinit(); }

  // Offers one entry (copied).
  void insert(const SortEntry& entry);

  // True when insert would keep `entry`: fewer than k of its kind are kept,
  // or it sorts strictly before the worst one of its kind kept (later
  // entries lose ties). Lets a caller skip building rows that cannot make
  // the cut.
  bool wouldKeep(const SortEntry& entry) const {
    const size_t part = partOf(entry);
    if (count_[part] < k_) return true;
    return k_ != 0 && order(entry, root(part).entry) < 0;
  }

  // Entries kept: at most 2k; the first k of drainSorted's output are the
  // answer.
  size_t count() const { return count_[0] + count_[1]; }
  uint64_t k() const { return k_; }
  bool descending() const { return descending_; }

  // Writes the kept entries to out[0, count()) in the merge order, ties in
  // insert order, and empties the heap. Concatenating the results of several
  // heaps in input order and running sortEntries with k over them gives the
  // same rows as one heap over all the input.
  void drainSorted(SortEntry* out);

  void deinit();

 private:
  static constexpr size_t kParts = 2;  // numbers, texts
  struct Slot {
    SortEntry entry;
    uint64_t seq;
  };

  TopKHeap(Slot* slots, uint64_t k, bool descending)
      : slots_(slots), k_(k), descending_(descending) {}

  static size_t partOf(const SortEntry& entry) { return entry.isNumber() ? 0 : 1; }
  Slot* part(size_t p) const { return slots_ + p * k_; }
  const Slot& root(size_t p) const { return part(p)[0]; }
  // Direction-adjusted rule: <0 when a comes before b in the output.
  int order(const SortEntry& a, const SortEntry& b) const {
    int c = compareEntries(a, b);
    return descending_ ? -c : c;
  }
  // True when slot a is output after slot b (ties by insert order).
  bool later(const Slot& a, const Slot& b) const {
    int c = order(a.entry, b.entry);
    return c > 0 || (c == 0 && a.seq > b.seq);
  }
  void siftDown(size_t p, size_t i);

  Slot* slots_ = nullptr;
  size_t count_[kParts] = {0, 0};
  uint64_t k_ = 0;
  uint64_t next_seq_ = 0;
  bool descending_ = false;
};

// ---- sortEntries ----------------------------------------------------------

// Largest K for which the bounded heap is used, and the share of the input
// K must stay below (K < n / kTopKMaxShare).
constexpr uint64_t kTopKMaxK = 2048;
constexpr size_t kTopKMaxShare = 4;
// Inputs at least this large are sorted by radix on the prefix.
constexpr size_t kRadixMinEntries = 8192;

// Orders `entries` in place in the merge order (descending when asked) and
// returns the first min(k, n) of them (all without k). OutOfMemory when a scratch
// allocation fails; the array is then in an unspecified order.
Result<std::span<SortEntry>> sortEntries(std::span<SortEntry> entries, bool descending,
                                         std::optional<uint64_t> k);

}  // namespace narwe
