// ORDER BY keys: resolving ORDER BY terms to output columns, and the
// several-key comparator of rows held as field arrays, used with stableSort
// (fast_sort.h).
//
//  * resolveOrderByIdx: a term is a 1-based SELECT position, else an output
//    column name, else the input column of a plain (copied-through) output
//    column. Nothing found -> empty; the executor then fails with
//    OrderByColumnNotFound.
//  * RowSortCtx orders rows held as field arrays (GROUP BY results).
//
// The context applies the one-key rule of fast_sort.h key by key: the first
// key that does not tie decides, with its own direction; rows that tie on
// every key are not "less". It is read-only after construction, allocates
// nothing per comparison and may be shared by threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "exec/fast_sort.h"

namespace narwe {

struct ResolvedOrderKey {
  uint64_t column = 0;  // position in the row (output column)
  bool descending = false;
};

// The field `column` of a row as a field array; rows shorter than that give
// the empty text.
template <typename Row>
std::string_view rowField(const Row& row, uint64_t column) {
  if (column >= static_cast<uint64_t>(row.size())) return {};
  return std::string_view(row[static_cast<size_t>(column)]);
}

struct RowSortCtx {
  std::vector<ResolvedOrderKey> keys;

  // True when row a sorts strictly before row b. Row: anything with size()
  // and operator[] giving text (span/vector of string_view or string).
  template <typename Row>
  bool lessThan(const Row& a, const Row& b) const {
    for (const ResolvedOrderKey& key : keys) {
      int c = compareKeyTexts(rowField(a, key.column), rowField(b, key.column));
      if (c != 0) return key.descending ? c > 0 : c < 0;
    }
    return false;
  }
  template <typename Row>
  bool operator()(const Row& a, const Row& b) const { return lessThan(a, b); }
};

// Resolves one ORDER BY term (lower-cased by the parser) to an output
// position:
//  1. an unsigned decimal N with 1 <= N <= output count gives N - 1;
//  2. else the first output name equal to the term, ignoring ASCII case;
//  3. else the first plain output column (plain_sources[i] holds its input
//     column; empty for computed columns) whose input header name, trimmed
//     of space, tab, CR and LF, equals the term ignoring ASCII case;
//  4. else empty.
// output_names and plain_sources have one element per SELECT term.
Result<std::optional<size_t>> resolveOrderByIdx(std::string_view term,
                                                std::span<const std::string_view> output_names,
                                                std::span<const std::optional<size_t>> plain_sources,
                                                std::span<const std::string_view> header_names);
Result<std::optional<size_t>> resolveOrderByIdx(std::string_view term,
                                                std::span<const std::string> output_names,
                                                std::span<const std::optional<size_t>> plain_sources,
                                                std::span<const std::string_view> header_names);

}  // namespace narwe
