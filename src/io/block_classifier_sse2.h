// SSE2 implementation of the 64-byte block classifier (see
// block_classifier.h). The only place in the library that uses vector
// intrinsics; include block_classifier.h instead of this file.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace narwe::blocks {

struct Sse2Classifier {
  static BlockMasks classify(const char* p, char delim) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
    BlockMasks m;
    m.quote = eqMask(v0, v1, v2, v3, _mm_set1_epi8(kQuote));
    m.delim = eqMask(v0, v1, v2, v3, _mm_set1_epi8(delim));
    m.lf = eqMask(v0, v1, v2, v3, _mm_set1_epi8(kLineFeed));
    m.cr = eqMask(v0, v1, v2, v3, _mm_set1_epi8(kCarriageReturn));
    return m;
  }

  static uint64_t match(const char* p, char c) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
    return eqMask(v0, v1, v2, v3, _mm_set1_epi8(c));
  }

 private:
  static uint64_t eqMask(__m128i v0, __m128i v1, __m128i v2, __m128i v3, __m128i needle) {
    const uint64_t m0 = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v0, needle)));
    const uint64_t m1 = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v1, needle)));
    const uint64_t m2 = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v2, needle)));
    const uint64_t m3 = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v3, needle)));
    return m0 | (m1 << 16) | (m2 << 32) | (m3 << 48);
  }
};

}  // namespace narwe::blocks
