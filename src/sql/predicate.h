// Predicate evaluation: what a WHERE/HAVING Expression means for one row.
//
// Comparisons work on the raw field bytes. A literal that is a number makes
// the comparison numeric (the field is read integer-first, see readNumber);
// otherwise fields compare as bytes. The only NULL is the empty field.
// Evaluation never fails: a missing column, an absent field or an
// unparsable number makes that one comparison false. Only the up-front column
// validation reports an error (ColumnNotFound).
//
// Two row views:
//   list view  the header names (lower-cased by the executor) searched by
//              exact bytes, and the row's fields; a column past the end of
//              a short row reads as the empty field.
//   map view   a NameIndex from column name to position, and the row's
//              fields as optional texts; an absent field (or a position past
//              the end) makes a comparison false.
//
// Nothing on the evaluation path allocates. All functions are pure and
// thread-safe on shared read-only expressions.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "common/bytes.h"
#include "common/error.h"
#include "common/name_index.h"
#include "common/numbers.h"
#include "sql/query.h"

namespace narwe {

// Map view of one row.
struct RowMapView {
  const NameIndex& index;
  std::span<const std::optional<std::string_view>> fields;
};

// Tree evaluation over the map view and the list view.
bool evaluate(const Expression& expr, const RowMapView& row);
bool evaluateDirect(const Expression& expr, std::span<const std::string_view> fields,
                    std::span<const std::string_view> headers);

// LIKE: "%" matches any run of bytes (also none), "_" exactly one byte,
// every other byte itself; no escape character; the whole text must match.
// ILIKE folds ASCII A-Z to lower case on both sides first.
bool matchLike(std::string_view text, std::string_view pattern);
bool matchILike(std::string_view text, std::string_view pattern);

// Every column named in the tree must exist: ColumnNotFound otherwise.
// Executors call one of these once, before reading rows.
Status validateWhereExprColumns(const Expression& expr, std::span<const std::string_view> headers);
Status validateWhereExprColumnsMap(const Expression& expr, const NameIndex& index);


namespace predicate_detail {
// The comparisons that need more than a number or byte compare: modulo,
// IN lists, LIKE / ILIKE and BETWEEN.
bool compareSpecial(const Comparison& c, std::string_view field);

inline bool needsSpecial(const Comparison& c) {
  return c.modulus.has_value() || c.in_set != nullptr || c.in_values.has_value() ||
         c.op == Operator::like || c.op == Operator::ilike || c.op == Operator::between;
}
}  // namespace predicate_detail

// One comparison against one field (the field is present). The first
// applicable rule wins: IS [NOT] NULL; modulo; IN set; IN list; LIKE/ILIKE;
// BETWEEN; numeric literal (field read integer-first, unparsable: false for
// every operator); otherwise byte comparison with the literal.
inline bool compareValues(const Comparison& c, std::string_view field) {
  if (c.op == Operator::is_null) return field.empty();
  if (c.op == Operator::is_not_null) return !field.empty();
  if (predicate_detail::needsSpecial(c)) return predicate_detail::compareSpecial(c, field);
  if (c.number) {
    std::optional<double> x = readNumber(field);
    return x && compareNumbers(*x, *c.number, c.op);
  }
  switch (c.op) {
    case Operator::eq: return field == c.value;
    case Operator::ne: return field != c.value;
    case Operator::gt: return compareBytes(field, c.value) > 0;
    case Operator::ge: return compareBytes(field, c.value) >= 0;
    case Operator::lt: return compareBytes(field, c.value) < 0;
    case Operator::le: return compareBytes(field, c.value) <= 0;
    default: return false;
  }
}

// Position of `name` among `headers` (exact bytes), or -1.
long findHeader(std::span<const std::string_view> headers, std::string_view name);

}  // namespace narwe
