// ORDER BY keys: resolving ORDER BY terms to output columns, and the
// several-key comparators used with stableSort (fast_sort.h).
//
//  * resolveOrderByIdx: a term is a 1-based SELECT position, else an output
//    column name, else the input column of a plain (copied-through) output
//    column. Nothing found -> empty; the executor then fails with
//    OrderByColumnNotFound.
//  * RowSortCtx orders rows held as field arrays (GROUP BY results).
//  * MultiKeyCtx orders rows held as delimited lines, reading the key fields
//    out of the line on every comparison. For output lines that cannot be
//    split (JSON objects) the executor keeps a key line beside each row,
//    built by appendKeyLine, and sorts with the context of forKeyLines().
//
// Both contexts apply the one-key rule of fast_sort.h key by key: the first
// key that does not tie decides, with its own direction; rows that tie on
// every key are not "less". They are read-only after construction, allocate
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
#include "io/csv_field.h"

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

// The field `column` of a delimited line. A field that begins with a quote
// runs to its closing quote (a doubled quote does not close it) and its text
// is what lies between the quotes, doubled quotes left doubled (this keeps
// the byte order of the values). An unquoted field runs to the next
// delimiter. A field must be followed by the delimiter for the walk to go
// on; a line with fewer fields gives the empty text.
std::string_view extractLineField(std::string_view line, uint64_t column, char delimiter);

struct MultiKeyCtx {
  std::vector<ResolvedOrderKey> keys;
  char delimiter = ',';

  // True when line a sorts strictly before line b.
  bool lessThan(std::string_view a, std::string_view b) const;
  bool operator()(std::string_view a, std::string_view b) const { return lessThan(a, b); }

  // The context for key lines made by appendKeyLine: key i is field i, with
  // the direction of key i.
  MultiKeyCtx forKeyLines() const;

  // Appends the key line of a row: the values of the keys' columns in key
  // order, joined by the delimiter, a value enclosed in quotes (quotes
  // doubled) when it holds the delimiter, a quote, CR or LF. A key column
  // beyond the row gives an empty field. `append(std::string_view)` returns
  // false to stop; the result is false then.
  template <typename Row, typename Append>
  bool appendKeyLine(const Row& values, Append&& append) const {
    for (size_t i = 0; i < keys.size(); ++i) {
      if (i > 0 && !append(std::string_view(&delimiter, 1))) return false;
      if (!appendQuotedField(rowField(values, keys[i].column), append)) return false;
    }
    return true;
  }

  // appendKeyLine into a std::string; OutOfMemory when it cannot grow.
  template <typename Row>
  Status appendKeyLine(const Row& values, std::string& out) const {
    try {
      appendKeyLine(values, [&out](std::string_view s) {
        out.append(s);
        return true;
      });
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
    return okStatus();
  }

 private:
  template <typename Append>
  bool appendQuotedField(std::string_view value, Append& append) const {
    if (!csvFieldNeedsQuotes(value, delimiter)) return append(value);
    return appendCsvQuoted(value, append);
  }
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
