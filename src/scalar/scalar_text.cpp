// The text functions: case mapping, reverse, length, substr, padding,
// replace, split_part and concat.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "scalar/scalar_ops.h"
#include "scalar/scalar_util.h"

namespace narwe::scalar_detail {

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;
constexpr size_t kWord = 8;
constexpr size_t kBlock = 64;  // eight words per unrolled step
// Distance between an ASCII letter's two cases.
constexpr unsigned char kCaseBit = 0x20;
// Largest value lpad/rpad builds (256 MiB); wider pads fail with OutOfMemory.
constexpr uint64_t kMaxPaddedBytes = uint64_t{1} << 28;

// Flips the case of every byte of `w` that lies in [lo, hi] (ASCII only):
// each byte's low seven bits are offset so that the high bit reports
// ">= lo" and "> hi"; bytes with the high bit set never match.
template <unsigned char kLo, unsigned char kHi>
inline uint64_t mapCaseWord(uint64_t w) {
  uint64_t low7 = w & ~kHighBits;
  uint64_t at_least_lo = low7 + kOnes * (0x80 - kLo);
  uint64_t above_hi = low7 + kOnes * (0x80 - kHi - 1);
  uint64_t in_range = at_least_lo & ~above_hi & ~w & kHighBits;
  return w ^ (in_range >> 2);  // 0x80 >> 2 is the case bit
}

template <unsigned char kLo, unsigned char kHi>
void mapCase(const char* src, char* dst, size_t n) {
  size_t i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    for (size_t k = 0; k < kBlock; k += kWord) {
      uint64_t w;
      std::memcpy(&w, src + i + k, kWord);
      w = mapCaseWord<kLo, kHi>(w);
      std::memcpy(dst + i + k, &w, kWord);
    }
  }
  for (; i + kWord <= n; i += kWord) {
    uint64_t w;
    std::memcpy(&w, src + i, kWord);
    w = mapCaseWord<kLo, kHi>(w);
    std::memcpy(dst + i, &w, kWord);
  }
  for (; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(src[i]);
    dst[i] = static_cast<char>(c >= kLo && c <= kHi ? c ^ kCaseBit : c);
  }
}

template <unsigned char kLo, unsigned char kHi>
std::string_view mappedCopy(std::string_view v, Arena& scratch) {
  if (v.empty()) return {};
  char* out = allocateScratch(scratch, v.size());
  mapCase<kLo, kHi>(v.data(), out, v.size());
  return {out, v.size()};
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the UTF-8 sequence a valid lead byte starts.
size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

}  // namespace

bool isValidUtf8(std::string_view v) {
  const auto* s = reinterpret_cast<const unsigned char*>(v.data());
  const size_t n = v.size();
  size_t i = 0;
  while (i < n) {
    unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    // The second byte's allowed range excludes overlong forms, surrogates
    // and code points above U+10FFFF.
    unsigned char lo = 0x80, hi = 0xBF;
    size_t len;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (i + len > n) return false;
    if (s[i + 1] < lo || s[i + 1] > hi) return false;
    for (size_t k = 2; k < len; ++k) {
      if (!isContinuation(s[i + k])) return false;
    }
    i += len;
  }
  return true;
}

std::string_view applyUpper(std::string_view v, Arena& scratch) {
  return mappedCopy<'a', 'z'>(v, scratch);
}

std::string_view applyLower(std::string_view v, Arena& scratch) {
  return mappedCopy<'A', 'Z'>(v, scratch);
}

std::string_view applyReverse(std::string_view v, Arena& scratch) {
  if (v.empty()) return {};
  char* out = allocateScratch(scratch, v.size());
  const size_t n = v.size();
  if (isValidUtf8(v)) {
    // Code points in reverse order, each one's bytes kept in order.
    size_t i = 0;
    while (i < n) {
      size_t len = sequenceLength(static_cast<unsigned char>(v[i]));
      std::memcpy(out + (n - i - len), v.data() + i, len);
      i += len;
    }
  } else {
    for (size_t i = 0; i < n; ++i) out[i] = v[n - 1 - i];
  }
  return {out, n};
}

std::string_view applyLength(std::string_view v, Arena& scratch) {
  constexpr size_t kIntText = 21;
  if (v.empty()) return {};
  char* out = allocateScratch(scratch, kIntText);
  return {out, formatInt(static_cast<int64_t>(v.size()), out)};
}

std::string_view applySubstr(std::string_view v, int32_t start, int32_t count) {
  const size_t len = v.size();
  size_t begin;
  if (start >= 1) {
    begin = std::min(static_cast<size_t>(start) - 1, len);
  } else if (start == 0) {
    begin = 0;
  } else {
    size_t back = static_cast<size_t>(-static_cast<int64_t>(start));
    begin = back <= len ? len - back : 0;
  }
  size_t end = len;
  if (count >= 0) end = std::min(begin + static_cast<size_t>(count), len);
  return v.substr(begin, end - begin);
}

std::string_view applyPad(std::string_view v, uint64_t width, std::string_view pad, bool left,
                          Arena& scratch) {
  if (v.empty()) return {};
  const size_t len = v.size();
  if (width == len) return v;
  if (width < len) {
    // Keep the leading bytes without splitting a code point.
    size_t cut = static_cast<size_t>(width);
    while (cut > 0 && isContinuation(static_cast<unsigned char>(v[cut]))) --cut;
    return v.substr(0, cut);
  }
  if (pad.empty()) return v;
  // A padded value larger than any sane result is refused like memory
  // that cannot be had, instead of filling gigabytes per row.
  if (width > kMaxPaddedBytes) throw std::bad_alloc();
  char* out = allocateScratch(scratch, static_cast<size_t>(width));
  const size_t fill = static_cast<size_t>(width) - len;
  char* pad_at = left ? out : out + len;
  char* v_at = left ? out + fill : out;
  for (size_t i = 0; i < fill; ++i) pad_at[i] = pad[i % pad.size()];
  std::memcpy(v_at, v.data(), len);
  return {out, static_cast<size_t>(width)};
}

std::string_view applyReplace(std::string_view v, std::string_view from, std::string_view to,
                              Arena& scratch) {
  if (from.empty()) return v;
  size_t hits = 0;
  for (size_t p = v.find(from); p != std::string_view::npos; p = v.find(from, p + from.size())) {
    ++hits;
  }
  if (hits == 0) return v;
  const size_t size = v.size() - hits * from.size() + hits * to.size();
  if (size == 0) return {};
  char* out = allocateScratch(scratch, size);
  char* w = out;
  size_t prev = 0;
  for (size_t p = v.find(from); p != std::string_view::npos; p = v.find(from, p + from.size())) {
    std::memcpy(w, v.data() + prev, p - prev);
    w += p - prev;
    std::memcpy(w, to.data(), to.size());
    w += to.size();
    prev = p + from.size();
  }
  std::memcpy(w, v.data() + prev, v.size() - prev);
  return {out, size};
}

std::string_view applySplitPart(std::string_view v, std::string_view delim, uint64_t index) {
  if (delim.empty() || index == 0) return {};
  size_t begin = 0;
  for (uint64_t piece = 1;; ++piece) {
    size_t p = v.find(delim, begin);
    if (piece == index) return v.substr(begin, p == std::string_view::npos ? p : p - begin);
    if (p == std::string_view::npos) return {};
    begin = p + delim.size();
  }
}

std::string_view applyConcat(const std::string_view* parts, size_t count, Arena& scratch) {
  size_t total = 0;
  for (size_t i = 0; i < count; ++i) total += parts[i].size();
  if (total == 0) return {};
  char* out = allocateScratch(scratch, total);
  char* w = out;
  for (size_t i = 0; i < count; ++i) {
    if (parts[i].empty()) continue;
    std::memcpy(w, parts[i].data(), parts[i].size());
    w += parts[i].size();
  }
  return {out, total};
}

std::string_view applyStringOp(NestedOp op, std::string_view v, Arena& scratch) {
  switch (op) {
    case NestedOp::upper: return applyUpper(v, scratch);
    case NestedOp::lower: return applyLower(v, scratch);
    case NestedOp::trim: return trimBlanks(v);
    case NestedOp::reverse: return applyReverse(v, scratch);
    case NestedOp::length: return applyLength(v, scratch);
  }
  return v;
}

}  // namespace narwe::scalar_detail
