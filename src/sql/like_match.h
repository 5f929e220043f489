// LIKE and ILIKE matching in time linear in the text for patterns without
// "_".
//
// Pattern language: "%" matches any run of bytes (also none), "_" exactly
// one byte, every other byte itself; there is no escape character, and the
// whole text must match. With `fold_case` (ILIKE) ASCII A-Z compare equal to
// a-z on both sides; other bytes compare exactly.
//
// Cost: the pattern splits at its "%" runs into segments. A segment the
// pattern starts or ends with is anchored there and checked in place; the
// others are found left to right, each at its earliest place after the one
// before, with a linear substring search. So a pattern without "_" costs
// O(text + pattern); a segment holding "_" is found by trying each start,
// O(text * segment) at worst. No allocation unless a case-folded segment is
// longer than 256 bytes. Pure and thread-safe.
#pragma once

#include <string_view>

namespace narwe {

bool likeMatch(std::string_view text, std::string_view pattern, bool fold_case);

}  // namespace narwe
