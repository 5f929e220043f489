// Text-level preparation and classification of select, GROUP BY and alias
// texts.
//
// Select items are parsed into trees by sql/select_item.h (which also owns
// alias splitting, round wrappers and DATE_PART rewriting). This module
// owns the routines that work on item texts during interpretation:
//   - hasScalarSelectFunctions: does the select list need scalar evaluation
//     (read from the parsed items);
//   - dealiasText: drops table-alias qualifiers ("t1.name" -> "name");
//   - parseStrftimeRaw / parseSubstrRaw / parseRoundGroupRaw /
//     applyRoundKey: expression shapes that serve as GROUP BY keys.
//
// Promises: no routine changes its input. Views returned point into the argument text.
// Texts outside the recognised shapes give an empty result, never an error;
// errors are named values (InvalidQuery, ColumnNotFound,
// AmbiguousColumnReference, OutOfMemory). No routine reads outside its text.
// All functions are pure apart from their arguments and are thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/name_index.h"
#include "sql/query.h"
#include "sql/select_item.h"  // splitAlias, parseRoundWrapper, rewriteDateParts

namespace narwe {

// True when some select item needs scalar evaluation: a CASE, an IS [NOT]
// NULL test, or a call of a function that is neither an aggregate nor round.
// False for SELECT *.
bool hasScalarSelectFunctions(const Query& query);

// Copies `text`, dropping every "alias." qualifier (aliases matched
// case-insensitively at word starts). A qualified column whose lower-cased
// name is in `ambiguous_names` fails with AmbiguousColumnReference.
Result<std::string> dealiasText(std::string_view text, const std::vector<std::string>& aliases,
                                const TextSet& ambiguous_names);

// GROUP BY strftime('fmt', col).
struct StrftimeGroupKey {
  size_t column = 0;
  std::string format;
  std::string text;  // the whole item
};

// GROUP BY substr(col, start[, count]).
struct SubstrGroupKey {
  size_t column = 0;
  uint64_t start0 = 0;  // zero-based start
  std::optional<uint64_t> count;
  std::string text;  // the whole item
};

// GROUP BY round(col[, digits]).
struct RoundGroupKey {
  size_t column = 0;
  std::string text;  // the whole item
  uint8_t digits = 0;
  bool has_digits = false;
};

// Each returns nullopt for an item of another shape, the key for a
// well-formed one, and an error (InvalidQuery for a malformed call,
// ColumnNotFound for an unknown column) otherwise.
Result<std::optional<StrftimeGroupKey>> parseStrftimeRaw(std::string_view item,
                                                         const NameIndex& index);
Result<std::optional<SubstrGroupKey>> parseSubstrRaw(std::string_view item,
                                                     const NameIndex& index);
Result<std::optional<RoundGroupKey>> parseRoundGroupRaw(std::string_view item,
                                                        const NameIndex& index);

// Size of the output buffer applyRoundKey writes into.
constexpr size_t kRoundKeyBufferSize = 64;

// Rounds a group-key value: without digits (or digits 0) half away from zero
// to an integer; otherwise plain decimal with exactly min(digits, 6)
// fraction digits. A value that is not a number, or whose rounded text does
// not fit, comes back unchanged. The result views `value` or `out64`
// (kRoundKeyBufferSize bytes).
std::string_view applyRoundKey(uint8_t digits, bool has_digits, std::string_view value,
                               char* out64);

}  // namespace narwe
