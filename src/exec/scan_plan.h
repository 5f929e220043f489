// The per-query plans of a row scan, built once from the statement and the
// input's header row: header names and the name index, the projection (which
// output column comes from which field or scalar expression), and the WHERE
// condition bound to column positions.
//
// Every row-scan executor (file, standard input, mapped, parallel) builds
// these the same way and then runs its rows through them, so a statement
// means the same thing on every path. Plans are read-only after building and
// may be shared by worker threads; per-row scratch lives in the caller's
// Arena.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/arena.h"
#include "common/error.h"
#include "common/name_index.h"
#include "scalar/bound_predicate.h"
#include "scalar/scalar.h"
#include "sql/query.h"
#include "sql/select_item.h"

namespace narwe {

// The header of the input: names as written, the lowered names the WHERE
// tree is matched against, and the name index.
struct ScanHeader {
  std::vector<std::string> names;       // header fields as read (or c1, c2, ...)
  std::vector<std::string> lowered;     // trimmed of blanks/CR/LF, A-Z lower-cased
  std::vector<std::string_view> lowered_views;  // views of `lowered`
  std::vector<std::string_view> name_views;     // views of `names`
  NameIndex index;

  ScanHeader() = default;
  ScanHeader(const ScanHeader&) = delete;  // the views point into this object
  ScanHeader& operator=(const ScanHeader&) = delete;
};

// Builds the header from the first record. With `no_header_input` the names
// are "c1", "c2", ... for as many fields as the record has.
void buildScanHeader(std::span<const std::string> first_record, bool no_header_input,
                     ScanHeader& header);

// Which value each output column takes and what it is called.
struct Projection {
  std::vector<OutputColSpec> columns;
  std::vector<std::string> names;                    // output header names
  std::vector<std::optional<size_t>> plain_sources;  // input column of copied columns
  // The select items the scalar columns were parsed from: their texts must
  // outlive the ScalarSpecs, which view them.
  std::shared_ptr<const std::vector<SelectItem>> items;

  // Output values of one row. Copied columns are views of `fields` (the empty
  // text past the end of a short record); scalar columns live in `scratch`.
  void project(std::span<const std::string_view> fields, Arena& scratch,
               std::vector<std::string_view>& values) const;
};

// `SELECT *` gives every header field (named as written, trimmed); otherwise
// each item is a scalar expression or a column name, with an optional alias.
// Errors: the scalar parser's, ColumnNotFound, ArithmeticExpressionsNotSupported
// (an unknown item holding "*" or "/").
Result<Projection> buildProjection(const Query& query, const ScanHeader& header);

// The WHERE condition of a row scan, bound to the header once.
class RowFilter {
 public:
  // ColumnNotFound when the condition names a column the header lacks;
  // InvalidExpression for a comparison that cannot be evaluated (DATEADD).
  static Result<RowFilter> build(const Query& query, const ScanHeader& header, bool strict);

  bool empty() const { return !predicate_; }

  // True when the row passes. A field missing from a short record is the
  // empty text. With the strict flag a field that is not a number in a
  // numeric comparison sets `error` to StrictModeNonNumericValue (and the row
  // is dropped).
  bool keep(std::span<const std::string_view> fields, Error& error) const {
    return !predicate_ || predicate_->matches(fields, error);
  }

 private:
  std::optional<BoundPredicate> predicate_;
};

}  // namespace narwe
