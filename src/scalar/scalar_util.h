// Small text helpers shared by the scalar parser and evaluator (internal to
// the scalar module). All inline, pure and allocation-free.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <string_view>

#include "common/arena.h"
#include "common/numbers.h"

namespace narwe::scalar_detail {

constexpr char asciiLowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Removes blanks (bytes 9-13 and space) from both ends.
inline std::string_view trimBlanks(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && isBlank(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && isBlank(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

inline std::string_view trimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && isBlank(static_cast<unsigned char>(s[b]))) ++b;
  return s.substr(b);
}

inline std::string_view trimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && isBlank(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(0, e);
}

// ASCII case-insensitive equality (only A-Z fold).
inline bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLowerChar(a[i]) != asciiLowerChar(b[i])) return false;
  }
  return true;
}

inline bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

inline bool endsWithIgnoreCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         equalsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

// First case-insensitive occurrence of `needle` at or after `from`; npos when
// absent. Parse-time only, so the plain quadratic scan is fine.
inline size_t findIgnoreCase(std::string_view hay, std::string_view needle, size_t from = 0) {
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
    if (equalsIgnoreCase(hay.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

// A quoted text: at least two bytes, a single quote first and last.
inline bool isQuoted(std::string_view s) {
  return s.size() >= 2 && s.front() == '\'' && s.back() == '\'';
}

// The text between the quotes of a quoted text.
inline std::string_view quotedInner(std::string_view s) { return s.substr(1, s.size() - 2); }

// Removes one pair of surrounding single quotes when present.
inline std::string_view unquoteOnce(std::string_view s) { return isQuoted(s) ? quotedInner(s) : s; }

// Arena allocation that reports exhaustion as nullptr, so each function can
// fall back to its own defined text instead of failing the row.
inline char* tryAllocate(Arena& arena, size_t size) {
  try {
    return arena.allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Copies `text` into the arena; `fallback` when memory is exhausted.
inline std::string_view copyOr(Arena& arena, std::string_view text, std::string_view fallback) {
  if (text.empty()) return {};
  char* p = tryAllocate(arena, text.size());
  if (p == nullptr) return fallback;
  std::memcpy(p, text.data(), text.size());
  return {p, text.size()};
}

}  // namespace narwe::scalar_detail
