// A WHERE condition bound to one input header: the one predicate evaluator.
//
// BoundPredicate::bind walks a parsed condition once, before any row is read,
// and turns every comparison into a leaf that holds what the row test needs:
// the column position (looked up once in the name index), the decoded
// literal (a number, a text, a LIKE pattern, an IN set, a BETWEEN range, a
// modulo divisor) and, for EXTRACT / DATEDIFF comparisons, the date unit as
// an enum. Evaluating a row is then a walk over small nodes with no name
// lookups and no string dispatch. A condition of one comparison is a tree of
// one leaf, evaluated directly.
//
// Row rules:
//  - A field missing from a short record is the empty text.
//  - A numeric literal makes the comparison numeric; the field is read
//    integer-first (common/numbers.h readNumber). A field that is not a
//    number makes that comparison false, for every operator. With the strict
//    flag, a field that is not a number in any numeric comparison (ordering,
//    equality, BETWEEN with numeric bounds, modulo) is an error instead:
//    matches() sets StrictModeNonNumericValue and returns false.
//  - Text literals compare bytes; IN lists compare bytes exactly.
//
// Binding errors: ColumnNotFound (a column the header lacks), InvalidExpression
// (a date-function comparison that yields no number to compare, DATEADD).
//
// Thread-safety: a bound predicate is immutable after bind() and may be
// shared by worker threads. It holds views into the Expression it was bound
// from, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/name_index.h"
#include "common/text_hash.h"
#include "scalar/scalar.h"
#include "sql/query.h"

namespace narwe {

// What a leaf tests, decided once at binding.
enum class LeafTest : uint8_t {
  is_null,         // the field is empty
  is_not_null,     // the field is not empty
  number,          // field read as a number, `op` the literal `number`
  text,            // field bytes, `op` the literal `text`
  like,            // LIKE `text`
  ilike,           // ILIKE `text`
  in_set,          // field bytes in `set` (inverted when `negated`)
  between_number,  // number <= field <= upper (field read as a whole-text float)
  between_text,    // text <= field <= upper_text in byte order
  modulo,          // fmod(field, divisor) `op` number
  extract,         // EXTRACT(unit FROM field) `op` number
  datediff,        // DATEDIFF(unit, field, field2) `op` number
  never,           // no field can satisfy it (a range without its upper bound)
};

struct PredicateLeaf {
  LeafTest test = LeafTest::never;
  Operator op = Operator::eq;
  bool negated = false;         // in_set: NOT IN
  bool reads_number = false;    // the field must be a number (the strict check)
  DateUnit unit = DateUnit::unknown;
  size_t column = 0;
  size_t column2 = 0;           // datediff: the second column
  double number = 0;            // literal, lower bound, or modulo / date comparand
  double upper = 0;             // between_number
  double divisor = 0;           // modulo
  std::string_view text;        // text / like / ilike literal, between_text lower bound
  std::string_view upper_text;  // between_text
  const TextSet* set = nullptr;  // in_set, owned by the BoundPredicate
};

class BoundPredicate {
 public:
  // Binds `expr` against the header's name index (lower-cased names).
  static Result<BoundPredicate> bind(const Expression& expr, const NameIndex& index, bool strict);

  // True when the row passes. With the strict flag a non-number in a numeric
  // comparison sets `error` and gives false. Never allocates.
  bool matches(std::span<const std::string_view> fields, Error& error) const {
    if (nodes_.size() == 1) return leafMatches(leaves_.front(), fields, error);
    return treeMatches(0, fields, error);
  }

  // The leaves in the order the condition names them (for inspection).
  std::span<const PredicateLeaf> leaves() const { return leaves_; }

 private:
  enum class NodeKind : uint8_t { leaf, all, any, negate };
  struct Node {
    NodeKind kind = NodeKind::leaf;
    uint32_t first = 0;   // leaf: leaf index; all/any: left node; negate: child node
    uint32_t second = 0;  // all/any: right node
  };

  Status bindNode(const Expression& expr, const NameIndex& index);
  Result<PredicateLeaf> bindComparison(const Comparison& c, const NameIndex& index);
  Result<PredicateLeaf> bindFunction(const FunctionComparison& f, const NameIndex& index);

  bool leafMatches(const PredicateLeaf& leaf, std::span<const std::string_view> fields,
                   Error& error) const;
  bool treeMatches(uint32_t node, std::span<const std::string_view> fields, Error& error) const;

  std::vector<Node> nodes_;  // nodes_[0] is the root
  std::vector<PredicateLeaf> leaves_;
  std::vector<std::unique_ptr<TextSet>> sets_;
  bool strict_ = false;
};

}  // namespace narwe
