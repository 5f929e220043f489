// The statement parser and the WHERE/HAVING condition parser.
//
// `parse` turns one SELECT statement into a Query (sql/query.h). It does not
// tokenise: it finds clause keywords by scanning the text (ASCII-case-
// insensitively, outside single-quoted runs and, for most keywords, at
// parenthesis depth 0), cuts the text into clause bodies and hands each body
// to a small routine: comma splitting for the select and GROUP BY lists,
// `parseExpression` for WHERE and HAVING, and dedicated readers for FROM,
// JOIN ... ON, ORDER BY, LIMIT and OFFSET. Unsupported SQL (set operations,
// sub-queries other than IN (SELECT ...), joins other than the inner
// equi-join) is rejected up front with its own error name.
//
// Whitespace means bytes 9-13 and 32; wherever the dialect separates words by
// a space, any run of whitespace is accepted (statements may span lines).
//
// Promises:
// - Every failure is a named Error; no input, however long or malformed,
//   crashes, hangs or leaks. Work is linear in the statement length apart
//   from small per-clause constants.
// - Conditions nest at most kMaxConditionNesting parentheses deep; deeper
//   text is InvalidExpression. This bounds the parser's recursion and the
//   depth of the trees that evaluation walks.
// - The result owns copies of everything; the statement text is not
//   referenced after the call.
//
// Thread-safety: all functions are pure and may run concurrently.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "sql/parser_text.h"
#include "sql/query.h"

namespace narwe {

// Deepest parenthesis nesting accepted in a WHERE or HAVING condition.
constexpr size_t kMaxConditionNesting = 1000;

// Parses one SELECT statement (no terminator needed). A trailing ";" is
// allowed.
Result<Query> parse(std::string_view statement);

// Splits at commas outside quoted runs and at parenthesis depth 0
// (depth never drops below 0); pieces are trimmed, empty pieces dropped.
std::vector<std::string> splitCommaTerms(std::string_view text);

struct FileAndAlias {
  std::string path;   // quotes removed
  std::string alias;  // lower-cased; empty when none
};

// Reads "path [AS] [alias]". A path starting with ' or " runs to the next
// such quote (none: InvalidQuery) and may contain spaces; otherwise it runs
// to the first whitespace. An empty path, or an alias that is not a single
// name (letters, digits, '_', UTF-8 bytes), is InvalidQuery: text after the
// file that is no alias is never silently ignored.
Result<FileAndAlias> extractFileAndAlias(std::string_view text);

// Removes one pair of surrounding quotes (both ' or both ") from a text of at
// least two bytes; otherwise returns it unchanged.
std::string_view trimQuotes(std::string_view text);

// First top-level JOIN keyword outside quoted runs: "INNER JOIN" (at the
// start or after whitespace, followed by whitespace; the span covers both
// words) or a whitespace-bounded "JOIN" (the span covers the word).
std::optional<TextSpan> detectJoinKeyword(std::string_view text);

// Copies `text`, turning every qualified name "alias.name" into "name": an
// occurrence of one of `aliases` (any case; empty aliases are ignored) at the
// start or after a byte that is not a name byte, followed by "." and a
// letter, '_' or UTF-8 byte, loses the alias and the dot. Quoted runs are
// copied unchanged. With `ambiguous`, a qualified name whose lower-cased
// form is in that set fails with AmbiguousColumnReference (the name exists
// in several joined tables). Running out of memory throws std::bad_alloc.
Result<std::string> stripQualifiers(std::string_view text, std::span<const std::string> aliases,
                                    const TextSet* ambiguous);

// stripQualifiers for the one alias of a single-table statement.
std::string stripSingleAlias(std::string_view text, std::string_view alias);

// Parses a WHERE or HAVING condition into an Expression tree.
// Errors: InvalidExpression (empty text or side, no operator, malformed
// BETWEEN / IN / date-function comparison, nesting beyond
// kMaxConditionNesting), InvalidOperator (an operator such as "==" or "=>"),
// UnterminatedQuotedValue (a literal that opens a quote without closing it).
Result<Expression> parseExpression(std::string_view text);

// Builds the comparison "left <op> right" where `op_token` is the operator
// text found at `op_pos` in `text`. Accepted tokens: = != <> < > <= >=;
// any other is InvalidOperator.
Result<Expression> parseComparison(std::string_view text, std::string_view op_token, size_t op_pos);

// Builds "column % divisor <op> value" where the " % " starts at
// `percent_pos` in `text`.
Result<Expression> parseModComparison(std::string_view text, size_t percent_pos);

}  // namespace narwe
