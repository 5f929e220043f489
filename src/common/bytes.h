// Byte order of texts, shared by filters and sorting so that "less" means the
// same thing in a WHERE comparison and in an ORDER BY.
#pragma once

#include <cstring>
#include <string_view>

namespace narwe {

// Unsigned byte-string order: at the first differing byte the smaller byte
// sorts first; a proper prefix sorts before the longer text. <0, 0, >0.
inline int compareBytes(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace narwe
