// LIKE and ILIKE matching.
#include "sql/predicate.h"

#include <cstring>

#include "common/text.h"

namespace narwe {
namespace {

constexpr size_t kNoStar = static_cast<size_t>(-1);

template <bool kFold>
inline unsigned char norm(unsigned char c) {
  if constexpr (kFold) return static_cast<unsigned char>(lowerAscii(static_cast<char>(c)));
  return c;
}

// First position >= from where text's byte equals `c` (c already folded
// when kFold), or kNoStar.
template <bool kFold>
size_t findByte(const unsigned char* text, size_t n, size_t from, unsigned char c) {
  if (from >= n) return kNoStar;
  if constexpr (!kFold) {
    const void* hit = std::memchr(text + from, c, n - from);
    return hit ? static_cast<size_t>(static_cast<const unsigned char*>(hit) - text) : kNoStar;
  } else {
    if (c < 'a' || c > 'z') return findByte<false>(text, n, from, c);
    const unsigned char upper = static_cast<unsigned char>(c - ('a' - 'A'));
    for (size_t i = from; i < n; ++i)
      if (text[i] == c || text[i] == upper) return i;
    return kNoStar;
  }
}

// Greedy wildcard match with one backtrack point: the latest "%" absorbs one
// more byte whenever the rest of the pattern fails. Later "%" supersede
// earlier ones, which keeps the work near-linear. When the byte after a "%"
// is a literal, the text is scanned straight to its next occurrence.
template <bool kFold>
bool matchPattern(std::string_view text_sv, std::string_view pattern_sv) {
  const auto* text = reinterpret_cast<const unsigned char*>(text_sv.data());
  const auto* pat = reinterpret_cast<const unsigned char*>(pattern_sv.data());
  const size_t n = text_sv.size();
  const size_t m = pattern_sv.size();
  size_t p = 0;
  size_t t = 0;
  size_t star_p = kNoStar;  // pattern index just after the latest "%" run
  size_t star_t = 0;        // text index where that rest is being tried
  while (t < n) {
    if (p < m) {
      const unsigned char pc = pat[p];
      // "%" is always a wildcard, even where the text holds a "%" byte.
      if (pc == '%') {
        while (p < m && pat[p] == '%') ++p;
        if (p == m) return true;  // a trailing "%" takes the rest of the text
        star_p = p;
        star_t = t;
        if (pat[p] != '_') {
          star_t = findByte<kFold>(text, n, t, norm<kFold>(pat[p]));
          if (star_t == kNoStar) return false;
          t = star_t;
        }
        continue;
      }
      if (pc == '_' || norm<kFold>(pc) == norm<kFold>(text[t])) {
        ++p;
        ++t;
        continue;
      }
    }
    if (star_p == kNoStar) return false;
    ++star_t;
    if (pat[star_p] != '_') {
      star_t = findByte<kFold>(text, n, star_t, norm<kFold>(pat[star_p]));
      if (star_t == kNoStar) return false;
    }
    p = star_p;
    t = star_t;
  }
  while (p < m && pat[p] == '%') ++p;
  return p == m;
}

}  // namespace

bool matchLike(std::string_view text, std::string_view pattern) {
  return matchPattern<false>(text, pattern);
}

bool matchILike(std::string_view text, std::string_view pattern) {
  return matchPattern<true>(text, pattern);
}

}  // namespace narwe
