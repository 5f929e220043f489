// LIKE matching: anchored end segments checked in place, the others found
// left to right with a linear substring search.
#include "sql/like_match.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace narwe {
namespace {

constexpr size_t kNotFound = static_cast<size_t>(-1);
// Longest case-folded segment whose search table lives on the stack.
constexpr size_t kStackTableEntries = 256;

inline unsigned char foldByte(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

inline bool isAsciiLetter(unsigned char c) { return foldByte(c) >= 'a' && foldByte(c) <= 'z'; }

struct Segment {
  const unsigned char* bytes;
  size_t size;
  bool has_any_byte;  // holds "_"
  bool has_letter;    // holds an ASCII letter (matters when folding)
};

Segment makeSegment(const unsigned char* bytes, size_t size) {
  Segment s{bytes, size, false, false};
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] == '_') s.has_any_byte = true;
    if (isAsciiLetter(bytes[i])) s.has_letter = true;
  }
  return s;
}

// True when the segment matches the text bytes starting at `t`.
template <bool kFold>
bool matchesAt(const unsigned char* t, const Segment& seg) {
  for (size_t i = 0; i < seg.size; ++i) {
    const unsigned char p = seg.bytes[i];
    if (p == '_') continue;
    if constexpr (kFold) {
      if (foldByte(t[i]) != foldByte(p)) return false;
    } else {
      if (t[i] != p) return false;
    }
  }
  return true;
}

// Earliest start in [from, n - seg.size] by trying every start:
// O((n - from) * seg.size) at worst. For segments holding "_".
template <bool kFold>
size_t findByTrying(const unsigned char* text, size_t n, size_t from, const Segment& seg) {
  for (size_t i = from; i + seg.size <= n; ++i) {
    if (matchesAt<kFold>(text + i, seg)) return i;
  }
  return kNotFound;
}

// Earliest start of a case-folded segment (no "_") by Knuth-Morris-Pratt
// over folded bytes: O(n + m) with a table of m entries.
size_t findFoldedLinear(const unsigned char* text, size_t n, size_t from, const Segment& seg,
                        uint32_t* table) {
  const unsigned char* p = seg.bytes;
  const size_t m = seg.size;
  // table[i]: length of the longest proper border of p[0..i].
  table[0] = 0;
  for (size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && foldByte(p[i]) != foldByte(p[k])) k = table[k - 1];
    if (foldByte(p[i]) == foldByte(p[k])) ++k;
    table[i] = static_cast<uint32_t>(k);
  }
  const unsigned char first = foldByte(p[0]);
  size_t k = 0;
  for (size_t i = from; i < n; ++i) {
    const unsigned char c = foldByte(text[i]);
    if (k == 0) {
      // Skip quickly to the next byte that can start a match.
      while (c != first) {
        if (++i == n) return kNotFound;
        if (foldByte(text[i]) == first) break;
      }
      k = 1;
      if (k == m) return i + 1 - m;
      continue;
    }
    while (k > 0 && c != foldByte(p[k])) k = table[k - 1];
    if (c == foldByte(p[k])) ++k;
    if (k == m) return i + 1 - m;
  }
  return kNotFound;
}

// Earliest start >= from where `seg` (not empty) matches, or kNotFound.
template <bool kFold>
size_t findSegment(const unsigned char* text, size_t n, size_t from, const Segment& seg) {
  if (from > n || n - from < seg.size) return kNotFound;
  if (seg.has_any_byte) return findByTrying<kFold>(text, n, from, seg);
  if (!kFold || !seg.has_letter) {
    const void* hit = ::memmem(text + from, n - from, seg.bytes, seg.size);
    return hit ? static_cast<size_t>(static_cast<const unsigned char*>(hit) - text) : kNotFound;
  }
  if (seg.size <= kStackTableEntries) {
    uint32_t table[kStackTableEntries];
    return findFoldedLinear(text, n, from, seg, table);
  }
  try {
    std::vector<uint32_t> table(seg.size);
    return findFoldedLinear(text, n, from, seg, table.data());
  } catch (const std::bad_alloc&) {
    return findByTrying<true>(text, n, from, seg);  // slower, still correct
  }
}

template <bool kFold>
bool matchPattern(std::string_view text_sv, std::string_view pattern_sv) {
  const auto* text = reinterpret_cast<const unsigned char*>(text_sv.data());
  const auto* pat = reinterpret_cast<const unsigned char*>(pattern_sv.data());
  const size_t n = text_sv.size();
  const size_t m = pattern_sv.size();

  const void* first_percent = std::memchr(pat, '%', m);
  if (first_percent == nullptr) {
    // No "%": the text is exactly one segment long.
    return n == m && matchesAt<kFold>(text, makeSegment(pat, m));
  }
  // The segment before the first "%" is anchored at the text's start.
  size_t p = static_cast<size_t>(static_cast<const unsigned char*>(first_percent) - pat);
  size_t t = 0;
  if (p > 0) {
    if (n < p || !matchesAt<kFold>(text, makeSegment(pat, p))) return false;
    t = p;
  }
  // The segment after the last "%" is anchored at the text's end.
  size_t last_end = m;
  size_t tail_start = m;
  while (tail_start > 0 && pat[tail_start - 1] != '%') --tail_start;
  const size_t tail_size = last_end - tail_start;
  if (tail_size > 0) {
    if (n - t < tail_size) return false;
    if (!matchesAt<kFold>(text + n - tail_size, makeSegment(pat + tail_start, tail_size))) {
      return false;
    }
    last_end = tail_start;
  }
  const size_t text_end = n - tail_size;  // the middle segments must fit before it
  // The middle segments, each at its earliest place: an earlier end never
  // leaves less room for the segments after it.
  while (p < last_end) {
    while (p < last_end && pat[p] == '%') ++p;
    size_t q = p;
    while (q < last_end && pat[q] != '%') ++q;
    if (q > p) {
      const Segment seg = makeSegment(pat + p, q - p);
      const size_t at = findSegment<kFold>(text, text_end, t, seg);
      if (at == kNotFound) return false;
      t = at + seg.size;
    }
    p = q;
  }
  return true;
}

}  // namespace

bool likeMatch(std::string_view text, std::string_view pattern, bool fold_case) {
  return fold_case ? matchPattern<true>(text, pattern) : matchPattern<false>(text, pattern);
}

}  // namespace narwe
