// Classification of 64-byte blocks of CSV text into bit masks.
//
// This is the only interface through which the CSV scanners use vector
// instructions. A classifier turns 64 bytes into four 64-bit masks (bit i set
// when byte i is a quote, the delimiter, a line feed, a carriage return). Two
// classifiers implement it with identical results: `ScalarClassifier` (plain
// byte loop, the reference) and `Sse2Classifier` (16-byte compares, x86-64).
// `ActiveClassifier` names the one the library uses; tests run both.
//
// Everything here is header-only so the scanners' inner loops inline it.
// All functions are pure and thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace narwe::blocks {

constexpr size_t kBlockSize = 64;
constexpr char kQuote = '"';
constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';

// Bit i of each mask describes byte i of the block.
struct BlockMasks {
  uint64_t quote = 0;
  uint64_t delim = 0;
  uint64_t lf = 0;
  uint64_t cr = 0;
};

// Reference implementation: one byte at a time.
struct ScalarClassifier {
  static BlockMasks classify(const char* p, char delim) {
    BlockMasks m;
    for (size_t i = 0; i < kBlockSize; ++i) {
      const uint64_t bit = uint64_t{1} << i;
      const char c = p[i];
      if (c == kQuote) m.quote |= bit;
      if (c == delim) m.delim |= bit;
      if (c == kLineFeed) m.lf |= bit;
      if (c == kCarriageReturn) m.cr |= bit;
    }
    return m;
  }

  // Mask of the bytes equal to `c` among 64.
  static uint64_t match(const char* p, char c) {
    uint64_t m = 0;
    for (size_t i = 0; i < kBlockSize; ++i) {
      if (p[i] == c) m |= uint64_t{1} << i;
    }
    return m;
  }
};

// Bit i of the result is the XOR of bits 0..i of `x`: applied to a quote
// mask it marks the bytes after an odd number of quotes.
inline uint64_t prefixXor(uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  x ^= x << 32;
  return x;
}

// Population count without relying on the POPCNT instruction (which SSE2
// machines may lack); the compiler would otherwise emit a library call.
inline uint64_t popcount64(uint64_t x) {
  x = x - ((x >> 1) & 0x5555555555555555ULL);
  x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return (x * 0x0101010101010101ULL) >> 56;
}

inline unsigned lowestBit(uint64_t x) { return static_cast<unsigned>(__builtin_ctzll(x)); }
inline unsigned highestBit(uint64_t x) { return 63u - static_cast<unsigned>(__builtin_clzll(x)); }

// Mask with the low `n` bits set (n <= 64).
inline uint64_t lowBits(size_t n) { return n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1; }

// Classifies the `n` < 64 bytes at `p` without reading past them: they are
// copied into a zeroed block and the masks are cut to `n` bits.
template <class C>
inline BlockMasks classifyPartial(const char* p, size_t n, char delim) {
  alignas(16) char tmp[kBlockSize] = {};
  std::memcpy(tmp, p, n);
  BlockMasks m = C::classify(tmp, delim);
  const uint64_t keep = lowBits(n);
  m.quote &= keep;
  m.delim &= keep;
  m.lf &= keep;
  m.cr &= keep;
  return m;
}

template <class C>
inline uint64_t matchPartial(const char* p, size_t n, char c) {
  alignas(16) char tmp[kBlockSize] = {};
  std::memcpy(tmp, p, n);
  return C::match(tmp, c) & lowBits(n);
}

}  // namespace narwe::blocks

#if defined(__SSE2__)
#include "io/block_classifier_sse2.h"
namespace narwe::blocks {
using ActiveClassifier = Sse2Classifier;
}
#else
namespace narwe::blocks {
using ActiveClassifier = ScalarClassifier;
}
#endif
