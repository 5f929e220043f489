// Sort prefixes, the top-K heap and the sortEntries strategies.
#include "exec/fast_sort.h"

#include <algorithm>
#include <bit>

#include "common/numbers.h"

namespace narwe {
namespace {

constexpr uint64_t kSignBit = 0x8000000000000000ULL;
constexpr uint64_t kAllOnes = ~uint64_t{0};
constexpr size_t kPrefixBytes = 8;
constexpr unsigned kByteBits = 8;

// Radix digits of one byte: at most eight passes of 256 counters (wider
// digits measured slower here: their scatter spreads over more streams).
constexpr unsigned kDigitBits = 8;
constexpr size_t kDigitCount = (64 + kDigitBits - 1) / kDigitBits;
constexpr size_t kBuckets = size_t{1} << kDigitBits;
constexpr uint64_t kDigitMask = kBuckets - 1;

// Runs of texts sharing their first bytes shorter than this are finished by
// the merge sort; longer ones by another radix pass on their next 8 bytes.
constexpr size_t kTextRunMinRadix = 256;
// Beyond this many shared 8-byte chunks the merge sort finishes the run.
constexpr size_t kTextMaxChunkDepth = 32;

// One radix item: the (direction-adjusted) key and the entry's position.
struct RadixPair {
  uint64_t key;
  uint32_t index;
  uint32_t pad;
};
static_assert(sizeof(RadixPair) == 16);

template <typename T>
T* allocArray(size_t n) {
  if (n > std::numeric_limits<size_t>::max() / sizeof(T)) return nullptr;
  return static_cast<T*>(std::malloc(n * sizeof(T)));
}

// Bytes [8 * chunk, 8 * chunk + 8) of the text, big-endian, missing bytes
// zero. Chunk 0 of a text is its sort prefix.
uint64_t textChunk(std::string_view text, size_t chunk) {
  const size_t start = chunk * kPrefixBytes;
  uint64_t v = 0;
  for (size_t i = 0; i < kPrefixBytes; ++i) {
    size_t pos = start + i;
    uint64_t byte = pos < text.size() ? static_cast<unsigned char>(text[pos]) : 0;
    v = (v << kByteBits) | byte;
  }
  return v;
}

// Stable least-significant-digit radix sort of entries[0, n) by key(entry),
// through the scratch arrays a and b (n pairs each) and `copy` (n entries).
// Digit positions where every key has the same digit are skipped. Returns
// the sorted pairs (a or b), whose keys stay valid until the scratch is
// reused.
template <typename KeyFn>
RadixPair* radixByKey(SortEntry* entries, size_t n, RadixPair* a, RadixPair* b, SortEntry* copy,
                      KeyFn key) {
  static_assert(kDigitCount * kDigitBits >= 64);
  uint32_t counts[kDigitCount * kBuckets] = {};
  for (size_t i = 0; i < n; ++i) {
    uint64_t k = key(entries[i]);
    a[i] = RadixPair{k, static_cast<uint32_t>(i), 0};
    for (size_t d = 0; d < kDigitCount; ++d) ++counts[d * kBuckets + ((k >> (d * kDigitBits)) & kDigitMask)];
  }
  RadixPair* src = a;
  RadixPair* dst = b;
  for (size_t d = 0; d < kDigitCount; ++d) {
    uint32_t* count = counts + d * kBuckets;
    const unsigned shift = static_cast<unsigned>(d * kDigitBits);
    if (count[(src[0].key >> shift) & kDigitMask] == n) continue;  // nothing would move
    size_t offsets[kBuckets];
    size_t sum = 0;
    for (size_t v = 0; v < kBuckets; ++v) {
      offsets[v] = sum;
      sum += count[v];
    }
    for (size_t i = 0; i < n; ++i) dst[offsets[(src[i].key >> shift) & kDigitMask]++] = src[i];
    std::swap(src, dst);
  }
  // Gather through a copy: independent loads, unlike an in-place
  // permutation whose every move waits for the previous one.
  std::memcpy(static_cast<void*>(copy), entries, n * sizeof(SortEntry));
  for (size_t i = 0; i < n; ++i) entries[i] = copy[src[i].index];
  return src;
}

struct TextRunSorter {
  RadixPair* a;
  RadixPair* b;
  SortEntry* copy;
  uint64_t flip;
  bool descending;

  void mergeSort(SortEntry* e, size_t n) const {
    if (descending) {
      stableSort(e, n, [](const SortEntry& x, const SortEntry& y) { return compareEntries(x, y) > 0; });
    } else {
      stableSort(e, n, [](const SortEntry& x, const SortEntry& y) { return compareEntries(x, y) < 0; });
    }
  }

  // e[0, n) is ordered by chunk `chunk`, whose keys are in sorted[0, n);
  // orders every run of equal keys by the following bytes. A run's scratch
  // is [lo, hi) of a and b, which only overlaps keys already read.
  void finishRuns(SortEntry* e, const RadixPair* sorted, size_t n, size_t offset, size_t chunk) const {
    size_t lo = 0;
    while (lo < n) {
      size_t hi = lo + 1;
      while (hi < n && sorted[hi].key == sorted[lo].key) ++hi;
      if (hi - lo > 1) sortRun(e + lo, hi - lo, offset + lo, chunk + 1);
      lo = hi;
    }
  }

  // e[0, n) share their first `chunk` 8-byte chunks; scratch at `offset`.
  void sortRun(SortEntry* e, size_t n, size_t offset, size_t chunk) const {
    bool longer = false;
    for (size_t i = 0; i < n && !longer; ++i) longer = e[i].key_len > chunk * kPrefixBytes;
    if (n < kTextRunMinRadix || chunk >= kTextMaxChunkDepth || !longer) {
      // Short runs, very long shared beginnings, and texts that differ only
      // in trailing zero bytes or length: the rule itself finishes them.
      mergeSort(e, n);
      return;
    }
    const uint64_t f = flip;
    RadixPair* sorted = radixByKey(e, n, a + offset, b + offset, copy + offset,
                                   [chunk, f](const SortEntry& x) {
                                     return textChunk(x.key(), chunk) ^ f;
                                   });
    finishRuns(e, sorted, n, offset, chunk);
  }
};

// Radix sort by prefix of entries that are all numbers or all texts. For
// numbers the prefix is the numeric order exactly. For texts it orders by
// the first 8 bytes; runs that share them are ordered by further 8-byte
// chunks, and the merge sort with the rule settles what is left.
Status radixSortEntries(SortEntry* entries, size_t n, bool descending, bool texts) {
  RadixPair* a = allocArray<RadixPair>(n);
  RadixPair* b = allocArray<RadixPair>(n);
  SortEntry* copy = allocArray<SortEntry>(n);
  Status status;
  if (a == nullptr || b == nullptr || copy == nullptr) {
    status = Error::OutOfMemory;
  } else {
    const uint64_t flip = descending ? kAllOnes : 0;
    RadixPair* sorted = radixByKey(entries, n, a, b, copy,
                                   [flip](const SortEntry& x) { return x.prefix ^ flip; });
    if (texts) {
      TextRunSorter sorter{a, b, copy, flip, descending};
      sorter.finishRuns(entries, sorted, n, 0, 0);
    }
  }
  std::free(a);
  std::free(b);
  std::free(copy);
  return status;
}

// Merges the sorted numbers and the sorted texts into `out` (at most
// `limit` entries), the rule deciding between the two next ones. A number
// and a text never tie, so the merge is well defined. `entry` gives the
// sort entry of an item.
template <typename T, typename EntryOf>
size_t mergeKinds(const T* numbers, size_t number_count, const T* texts, size_t text_count,
                  bool descending, SortEntry* out, size_t limit, EntryOf entry) {
  size_t i = 0, j = 0, k = 0;
  while (k < limit && (i < number_count || j < text_count)) {
    bool text_first = i == number_count;
    if (!text_first && j < text_count) {
      const int c = compareEntries(entry(texts[j]), entry(numbers[i]));
      text_first = descending ? c > 0 : c < 0;
    }
    out[k++] = text_first ? entry(texts[j++]) : entry(numbers[i++]);
  }
  return k;
}

const SortEntry& itself(const SortEntry& entry) { return entry; }

// Sorts entries of one kind (all numbers or all texts) by the rule.
Status sortOneKind(SortEntry* a, size_t n, bool descending, bool texts) {
  if (n >= kRadixMinEntries && n <= std::numeric_limits<uint32_t>::max()) {
    return radixSortEntries(a, n, descending, texts);
  }
  if (descending) {
    stableSort(a, n, [](const SortEntry& x, const SortEntry& y) { return compareEntries(x, y) > 0; });
  } else {
    stableSort(a, n, [](const SortEntry& x, const SortEntry& y) { return compareEntries(x, y) < 0; });
  }
  return okStatus();
}

}  // namespace

double sortKeyNumber(std::string_view text) {
  std::optional<double> v = parseFloat(text);
  return v ? *v : std::numeric_limits<double>::quiet_NaN();
}

uint64_t sortPrefix(double value, std::string_view text) {
  if (!std::isnan(value)) {
    if (value == 0) value = 0.0;  // -0 and +0 are the same number
    uint64_t bits = std::bit_cast<uint64_t>(value);
    return (bits & kSignBit) ? bits ^ kAllOnes : bits ^ kSignBit;
  }
  uint64_t prefix = 0;
  size_t n = text.size() < kPrefixBytes ? text.size() : kPrefixBytes;
  for (size_t i = 0; i < kPrefixBytes; ++i) {
    uint64_t byte = i < n ? static_cast<unsigned char>(text[i]) : 0;
    prefix = (prefix << kByteBits) | byte;
  }
  return prefix;
}

SortEntry makeSortEntry(std::string_view key, std::string_view line) {
  SortEntry e;
  e.value = sortKeyNumber(key);
  e.prefix = sortPrefix(e.value, key);
  e.key_ptr = key.data();
  e.key_len = key.size();
  e.line_ptr = line.data();
  e.line_len = line.size();
  return e;
}

// ---- TopKHeap ---------------------------------------------------------------

Result<TopKHeap> TopKHeap::create(uint64_t k, bool descending) {
  Slot* slots = nullptr;
  if (k > 0) {
    if (k > std::numeric_limits<size_t>::max() / (kParts * sizeof(Slot))) return Error::OutOfMemory;
    slots = allocArray<Slot>(static_cast<size_t>(k) * kParts);
    if (slots == nullptr) return Error::OutOfMemory;
  }
  return TopKHeap(slots, k, descending);
}

TopKHeap& TopKHeap::operator=(TopKHeap&& other) noexcept {
  if (this != &other) {
    deinit();
    slots_ = std::exchange(other.slots_, nullptr);
    for (size_t p = 0; p < kParts; ++p) count_[p] = std::exchange(other.count_[p], 0);
    k_ = std::exchange(other.k_, 0);
    next_seq_ = std::exchange(other.next_seq_, 0);
    descending_ = other.descending_;
  }
  return *this;
}

void TopKHeap::deinit() {
  std::free(slots_);
  slots_ = nullptr;
  count_[0] = count_[1] = 0;
  k_ = 0;
}

// Each part keeps the slot that is output last at its root, so the root is
// the one to evict.
void TopKHeap::siftDown(size_t p, size_t i) {
  Slot* slots = part(p);
  const size_t n = count_[p];
  Slot item = slots[i];
  for (;;) {
    size_t child = 2 * i + 1;
    if (child >= n) break;
    if (child + 1 < n && later(slots[child + 1], slots[child])) ++child;
    if (!later(slots[child], item)) break;
    slots[i] = slots[child];
    i = child;
  }
  slots[i] = item;
}

void TopKHeap::insert(const SortEntry& entry) {
  const uint64_t seq = next_seq_++;
  if (k_ == 0) return;
  const size_t p = partOf(entry);
  Slot* slots = part(p);
  size_t& count = count_[p];
  if (count < k_) {
    slots[count++] = Slot{entry, seq};
    if (count == k_) {
      for (size_t i = count / 2; i-- > 0;) siftDown(p, i);
    }
    return;
  }
  // Later inserts lose ties, so only a strictly better entry gets in.
  if (order(entry, slots[0].entry) >= 0) return;
  slots[0] = Slot{entry, seq};
  siftDown(p, 0);
}

void TopKHeap::drainSorted(SortEntry* out) {
  for (size_t p = 0; p < kParts; ++p) {
    stableSort(part(p), count_[p], [this](const Slot& a, const Slot& b) { return later(b, a); });
  }
  mergeKinds(part(0), count_[0], part(1), count_[1], descending_, out, count_[0] + count_[1],
             [](const Slot& slot) -> const SortEntry& { return slot.entry; });
  count_[0] = count_[1] = 0;
}

// ---- sortEntries ------------------------------------------------------------

Result<std::span<SortEntry>> sortEntries(std::span<SortEntry> entries, bool descending,
                                         std::optional<uint64_t> k) {
  const size_t n = entries.size();
  if (n == 0 || (k && *k == 0)) return entries.first(0);
  SortEntry* a = entries.data();

  if (k && *k <= kTopKMaxK && *k < n / kTopKMaxShare) {
    NARWE_ASSIGN_OR_RETURN(TopKHeap heap, TopKHeap::create(*k, descending));
    for (size_t i = 0; i < n; ++i) heap.insert(a[i]);
    const size_t kept = std::min<size_t>(heap.count(), static_cast<size_t>(*k));
    heap.drainSorted(a);  // at most 2k < n entries
    return entries.first(kept);
  }

  size_t numbers = 0;
  for (size_t i = 0; i < n; ++i) numbers += a[i].isNumber() ? 1 : 0;
  const size_t kept = k && *k < n ? static_cast<size_t>(*k) : n;
  if (numbers == 0 || numbers == n) {
    NARWE_TRY(sortOneKind(a, n, descending, numbers == 0));
    return entries.first(kept);
  }
  // Both kinds: sort each apart (keeping input order within each), then
  // merge them back.
  SortEntry* parts = allocArray<SortEntry>(n);
  if (parts == nullptr) return Error::OutOfMemory;
  size_t next_number = 0, next_text = numbers;
  for (size_t i = 0; i < n; ++i) parts[a[i].isNumber() ? next_number++ : next_text++] = a[i];
  Status status = sortOneKind(parts, numbers, descending, false);
  if (status.ok()) status = sortOneKind(parts + numbers, n - numbers, descending, true);
  if (status.ok()) mergeKinds(parts, numbers, parts + numbers, n - numbers, descending, a, n, itself);
  std::free(parts);
  NARWE_TRY(status);
  return entries.first(kept);
}

}  // namespace narwe
