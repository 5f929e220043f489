// Small text helpers shared by the scalar parser and evaluator (internal to
// the scalar module). All inline, pure and allocation-free.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <string_view>

#include "common/arena.h"
#include "common/numbers.h"
#include "common/text.h"

namespace narwe::scalar_detail {

// The text helpers are shared with the other parsers.
using narwe::endsWithIgnoreCase;
using narwe::equalsIgnoreCase;
using narwe::findIgnoreCase;
using narwe::startsWithIgnoreCase;
using narwe::trimBlanks;
using narwe::trimLeft;
using narwe::trimRight;
constexpr char asciiLowerChar(char c) { return lowerAscii(c); }

// Exactly one single-quoted literal: the quote that opens the text is closed
// by its last byte. A doubled quote ('it''s') stays inside the literal; any
// other quote before the end closes it early, so "'a' || 'b'" is not one
// literal but an expression that merely starts and ends with quotes.
inline bool isQuoted(std::string_view s) {
  if (s.size() < 2 || s.front() != '\'') return false;
  size_t from = 1;
  for (;;) {
    const size_t close = s.find('\'', from);
    if (close == std::string_view::npos) return false;
    if (close + 1 == s.size()) return true;
    if (s[close + 1] != '\'') return false;
    from = close + 2;  // a doubled quote: the literal goes on
  }
}

// The text between the quotes of a quoted text.
inline std::string_view quotedInner(std::string_view s) { return s.substr(1, s.size() - 2); }

// Removes one pair of surrounding single quotes when present.
inline std::string_view unquoteOnce(std::string_view s) { return isQuoted(s) ? quotedInner(s) : s; }

// Scratch bytes for a result. Running out of memory throws std::bad_alloc,
// which ends the query with OutOfMemory: a value is never silently replaced
// by another text because memory ran out.
inline char* allocateScratch(Arena& arena, size_t size) { return arena.allocate(size); }

// Copies `text` into the arena.
inline std::string_view copyToScratch(Arena& arena, std::string_view text) {
  if (text.empty()) return {};
  char* p = arena.allocate(text.size());
  std::memcpy(p, text.data(), text.size());
  return {p, text.size()};
}

}  // namespace narwe::scalar_detail
