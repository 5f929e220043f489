// Scalar expressions of the select list: parsing and per-row evaluation.
//
// A SELECT term such as `upper(name)`, `substr(code, 2, 3)`,
// `CASE WHEN age >= 18 THEN 'adult' ELSE 'minor' END` or `x IS NULL` is parsed
// once, while the executor sets up, into a ScalarSpec: every column reference
// is already a column position and every constant already decoded. eval()
// then computes the term for one row from the parsed ScalarSpec alone; it
// dispatches on the kind enum and never compares function names at run time.
//
// Promises:
//  - buildScalar() / tryParseScalar() are all-or-nothing: a term of no recognised shape gives
//    an empty optional (not an error) and the caller treats the term as a
//    plain column name. Named errors are ColumnNotFound,
//    NestedFunctionNotSupported, TooManyArgs and OutOfMemory.
//  - Text inside a ScalarSpec (pads, literals, units, formats) are views into
//    the term text: a ScalarSpec must not outlive the statement text it came from.
//  - eval() reports no errors: running out of scratch memory throws
//    std::bad_alloc, which ends the query with OutOfMemory (a value is never
//    silently swapped for another text). Values are text; the empty text
//    stands for NULL. A result is a view into the row's fields, into the
//    statement text, into constant text, or into the caller's scratch arena;
//    it stays valid until the caller resets that arena. Column positions
//    beyond the row's field count read as the empty text. A value that is
//    not a number where one is needed, or a date that does not parse, gives
//    the fallback text of that function (usually the value unchanged).
//  - Numbers are read and printed only through common/numbers.h; a valid
//    number is never printed as the empty text for lack of room.
//
// Thread-safety: a ScalarSpec is immutable after parsing and may be shared
// by any number of threads; eval() is reentrant as long as each thread uses
// its own Arena.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "common/arena.h"
#include "common/error.h"
#include "common/name_index.h"
#include "sql/names.h"  // DateUnit
#include "sql/query.h"  // Operator

namespace narwe {

struct SelectItem;

// The function families, in their fixed order.
enum class ScalarKind : uint8_t {
  upper = 0,
  lower,
  trim,
  reverse,
  length,
  substr,
  lpad,
  rpad,
  abs,
  sign,
  ceil,
  floor,
  mod,
  coalesce,
  cast_int,
  cast_float,
  cast_text,
  datediff,
  dateadd,
  extract,
  strftime,
  round,
  replace,
  split_part,
  greatest,
  least,
  concat,
  nested,
  case_when,
  null_test,
};

// The string function applied on top of a nested inner expression.
enum class NestedOp : uint8_t { upper = 0, lower = 1, trim = 2, reverse = 3, length = 4 };

// Most columns or arguments a coalesce/greatest/least/concat call may have.
constexpr size_t kMaxScalarArgs = 8;

// An argument of greatest/least/concat: a column or a literal text.
struct ScalarArg {
  size_t col = 0;         // column position when !is_literal
  std::string_view text;  // the literal when is_literal
  bool is_literal = false;
};

// A THEN or ELSE value of a CASE expression.
enum class CaseValueKind : uint8_t { text = 0, number = 1, column = 2 };
struct CaseValue {
  CaseValueKind kind = CaseValueKind::text;
  std::string_view text;  // kind text
  double number = 0;      // kind number
  size_t col = 0;         // kind column
};

// One parsed scalar expression. `kind` says which fields are meaningful; the
// others keep their defaults. Copies are cheap: the inner ScalarSpec of `nested` is
// shared (it is immutable).
struct ScalarSpec {
  ScalarKind kind = ScalarKind::upper;

  // The column of every single-column kind; datediff's first column;
  // case_when's compared column; null_test's column.
  size_t col = 0;
  size_t col_b = 0;  // datediff: second column

  int32_t start = 0;   // substr: 1-based start (<= 0 and negatives per rules)
  int32_t count = -1;  // substr: byte count; negative = to the end
  int32_t amount = 0;  // dateadd: units to add
  uint8_t digits = 0;  // round: fraction digits
  bool is_not = false;              // null_test: IS NOT NULL
  NestedOp nested_op = NestedOp::upper;  // nested: the outer function

  uint64_t width = 0;     // lpad/rpad: width in bytes
  std::string_view pad;   // lpad/rpad: pad text (may be empty)
  double divisor = 0;     // mod
  std::string_view from;  // replace: never empty
  std::string_view to;    // replace: may be empty
  std::string_view delim;  // split_part: never empty
  uint64_t index = 0;      // split_part: 1-based piece number, never 0

  std::string_view unit;  // datediff/dateadd/extract: unit as written
  DateUnit date_unit = DateUnit::unknown;  // `unit` resolved once
  std::string_view fmt;   // strftime: format

  std::array<size_t, kMaxScalarArgs> cols{};  // coalesce: columns in order
  size_t col_count = 0;
  std::string_view fallback;  // coalesce: literal when every column is blank

  std::array<ScalarArg, kMaxScalarArgs> args{};  // greatest/least/concat
  size_t arg_count = 0;

  std::shared_ptr<const ScalarSpec> inner;  // nested: the inner expression

  // case_when: CASE WHEN col cmp_op (cmp_number | cmp_text) THEN .. ELSE .. END
  Operator cmp_op = Operator::eq;
  bool cmp_is_number = false;
  double cmp_number = 0;
  std::string_view cmp_text;
  // cmp_text read as a number (not NaN), decoded once: ordering operators
  // compare numerically against it.
  std::optional<double> cmp_text_number;
  CaseValue then_value;
  CaseValue else_value;

  // Releases the inner ScalarSpec of `nested` (the destructor does the same).
  void deinit() { inner.reset(); }
};

// One output column of a projection: a column copied through unchanged, or a
// scalar expression.
struct OutputColSpec {
  enum class Kind : uint8_t { column, scalar };
  Kind kind = Kind::column;
  size_t column = 0;  // kind column
  ScalarSpec scalar;  // kind scalar

  static OutputColSpec ofColumn(size_t index) {
    OutputColSpec s;
    s.kind = Kind::column;
    s.column = index;
    return s;
  }
  static OutputColSpec ofScalar(ScalarSpec spec) {
    OutputColSpec s;
    s.kind = Kind::scalar;
    s.scalar = std::move(spec);
    return s;
  }
};

// ---- Parsing (once per SELECT term, while the executor sets up) ----

// Recognises the expression of `item` (its tree and round wrappers) as a
// scalar expression over the columns of `index`. Empty optional: not a
// scalar expression. Errors: ColumnNotFound, NestedFunctionNotSupported,
// TooManyArgs, OutOfMemory. The ScalarSpec's texts view `item.text`.
Result<std::optional<ScalarSpec>> buildScalar(const SelectItem& item, const NameIndex& index);

// The same for a term given as text (no alias): the term is parsed into its
// tree first. The ScalarSpec's texts view `term`.
Result<std::optional<ScalarSpec>> tryParseScalar(std::string_view term, const NameIndex& index);

// Trims `name` and looks it up case-insensitively. Empty when the name holds
// "(" (a call is never a column) or is not a column. Only error: OutOfMemory.
Result<std::optional<size_t>> resolveCol(std::string_view name, const NameIndex& index);

// A THEN/ELSE value: a quoted text, a number, or a column. ColumnNotFound
// when it is none of these; OutOfMemory.
Result<CaseValue> parseCaseValue(std::string_view text, const NameIndex& index);

// ---- Evaluation (once per row and output column) ----

// The value of `spec` for the row `fields[0..field_count)`. Scratch memory
// comes from `scratch`, which the caller resets per row or per batch.
std::string_view eval(const ScalarSpec& spec, const std::string_view* fields, size_t field_count,
                      Arena& scratch);

// The value of `spec` against a single value: every column reference reads
// `value` (used for scalar GROUP BY keys).
std::string_view evalScalarOnSingleValue(const ScalarSpec& spec, std::string_view value,
                                         Arena& scratch);

// A THEN/ELSE value for one row: the literal, the field (empty when out of
// range) or the number printed with formatNum into the arena.
std::string_view resolveCaseValue(const CaseValue& value, const std::string_view* fields,
                                  size_t field_count, Arena& scratch);

// The greatest (want_max) or least of `count` texts: numerically when every
// text is a number, else bytewise; ties keep the earlier text. Returns the
// winner's own text (empty when count is 0).
std::string_view pickExtremeValues(const std::string_view* texts, size_t count, bool want_max);

// EXTRACT(unit FROM value) and DATEDIFF(unit, first, second) as numbers:
// the values the select-list functions print (0 for an unparsable date or
// an unknown unit). No allocation.
double extractNumber(DateUnit unit, std::string_view value);
double dateDiffNumber(DateUnit unit, std::string_view first, std::string_view second);

// A numeric THEN/ELSE operand of a CASE inside an aggregate: a constant or a
// column whose field supplies the number.
struct CaseWhenValue {
  double number = 0;  // the constant when !is_column
  size_t column = 0;  // the column position when is_column
  bool is_column = false;

  // The constant; or the field read integer-first (empty, out of range or
  // unparsable: 0).
  double resolve(const std::string_view* fields, size_t field_count) const;
};

}  // namespace narwe
