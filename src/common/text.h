// Text helpers every parser uses: blank trimming, ASCII case folding and
// case-insensitive search. Blank means bytes 9..13 and 32; only A-Z fold.
// All inline, pure and allocation-free.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/numbers.h"  // isBlank

namespace narwe {

constexpr char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Letters, digits and '_' (the bytes of a plain name).
constexpr bool isWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
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

inline std::string_view trimBlanks(std::string_view s) { return trimRight(trimLeft(s)); }

// Header names are trimmed of space, tab, CR and LF only.
inline std::string_view trimHeaderName(std::string_view name) {
  auto strip = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!name.empty() && strip(name.front())) name.remove_prefix(1);
  while (!name.empty() && strip(name.back())) name.remove_suffix(1);
  return name;
}

inline bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

inline bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

inline bool endsWithIgnoreCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && equalsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

// First case-insensitive occurrence of `needle` at or after `from`; npos when
// absent. Used on statement texts at parse time, not per row.
inline size_t findIgnoreCase(std::string_view hay, std::string_view needle, size_t from = 0) {
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
    if (equalsIgnoreCase(hay.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

}  // namespace narwe
