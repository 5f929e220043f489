// The name index: header names, trimmed and lower-cased, mapped to their
// column position. Every executor and the scalar/rewrite parsers look columns
// up through it, so a name means the same column everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/text_hash.h"

namespace narwe {

using NameIndex = std::unordered_map<std::string, size_t, TextHash, std::equal_to<>>;

// Trims bytes space, tab, CR and LF from both ends and lower-cases A-Z.
std::string lowerTrimmedName(std::string_view name);

// Lower-cases A-Z only; other bytes are kept.
std::string asciiLower(std::string_view text);

// Builds the index from header names: each name trimmed and lower-cased; when
// two names coincide the first position keeps the name.
NameIndex buildNameIndex(const std::vector<std::string_view>& headers);

// Looks up `name` (already lower-case); returns nullptr when absent.
inline const size_t* findColumn(const NameIndex& index, std::string_view name) {
  auto it = index.find(name);
  return it == index.end() ? nullptr : &it->second;
}

}  // namespace narwe
