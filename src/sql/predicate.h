// LIKE and ILIKE matching of a field against a pattern.
//
// "%" matches any run of bytes (also none), "_" exactly one byte, every other
// byte itself; there is no escape character and the whole text must match.
// ILIKE folds ASCII A-Z to lower case on both sides first. The matching is
// `likeMatch` (sql/like_match.h): linear in the text for patterns without "_".
//
// Evaluating a whole WHERE condition against rows is the job of the bound
// predicate (scalar/bound_predicate.h); this module only matches texts. Pure,
// thread-safe, allocation-free.
#pragma once

#include <string_view>

namespace narwe {

bool matchLike(std::string_view text, std::string_view pattern);
bool matchILike(std::string_view text, std::string_view pattern);

}  // namespace narwe
