// Hashing of texts for the containers keyed by names and literals (the name
// index, IN sets, ambiguous-column sets).
//
// TextHash is transparent, so a set or map keyed by std::string can be probed
// with a std::string_view without building a string per lookup. Pure,
// thread-safe.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace narwe {

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// A set of texts that can be probed with a string_view (no allocation).
using TextSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

}  // namespace narwe
