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
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/error.h"
#include "common/name_index.h"
#include "common/numbers.h"
#include "common/text_hash.h"
#include "scalar/scalar.h"
#include "sql/query.h"

namespace narwe {

// What a leaf tests, decided once at binding.
enum class LeafTest : uint8_t {
  is_null,         // the field is empty
  is_not_null,     // the field is not empty
  // The field read as a number, compared with the literal `number`; one
  // kind per operator, so a row costs one dispatch.
  number_eq, number_ne, number_gt, number_ge, number_lt, number_le,
  // The field's bytes compared with the literal `text` (byte order).
  text_eq, text_ne, text_gt, text_ge, text_lt, text_le,
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
  bool reads_number = false;    // the comparison reads the field as a number
  bool strict_number = false;   // reads_number under the strict flag: a non-number is an error
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
    if (single_leaf_) return leafMatches(leaves_.front(), fields, error);
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

  // The common tests are inline, so a one-comparison WHERE costs the
  // comparison itself; the rest go through otherLeafMatches.
  bool leafMatches(const PredicateLeaf& leaf, std::span<const std::string_view> fields,
                   Error& error) const {
    const std::string_view field =
        leaf.column < fields.size() ? fields[leaf.column] : std::string_view();
    if (leaf.strict_number && !readNumber(field)) {
      error = Error::StrictModeNonNumericValue;
      return false;
    }
    switch (leaf.test) {
      case LeafTest::is_null: return field.empty();
      case LeafTest::is_not_null: return !field.empty();
      case LeafTest::number_eq: return numberMatches(field, [&](double x) { return x == leaf.number; });
      case LeafTest::number_ne: return numberMatches(field, [&](double x) { return x != leaf.number; });
      case LeafTest::number_gt: return numberMatches(field, [&](double x) { return x > leaf.number; });
      case LeafTest::number_ge: return numberMatches(field, [&](double x) { return x >= leaf.number; });
      case LeafTest::number_lt: return numberMatches(field, [&](double x) { return x < leaf.number; });
      case LeafTest::number_le: return numberMatches(field, [&](double x) { return x <= leaf.number; });
      case LeafTest::text_eq: return field == leaf.text;
      case LeafTest::text_ne: return field != leaf.text;
      case LeafTest::text_gt: return compareBytes(field, leaf.text) > 0;
      case LeafTest::text_ge: return compareBytes(field, leaf.text) >= 0;
      case LeafTest::text_lt: return compareBytes(field, leaf.text) < 0;
      case LeafTest::text_le: return compareBytes(field, leaf.text) <= 0;
      default: return otherLeafMatches(leaf, field, fields);
    }
  }
  // A field that is not a number fails every numeric comparison.
  template <typename Test>
  static bool numberMatches(std::string_view field, Test&& test) {
    const std::optional<double> x = readNumber(field);
    return x && test(*x);
  }
  bool otherLeafMatches(const PredicateLeaf& leaf, std::string_view field,
                        std::span<const std::string_view> fields) const;
  bool treeMatches(uint32_t node, std::span<const std::string_view> fields, Error& error) const;

  std::vector<Node> nodes_;  // nodes_[0] is the root
  std::vector<PredicateLeaf> leaves_;
  std::vector<std::unique_ptr<TextSet>> sets_;
  bool strict_ = false;
  bool single_leaf_ = false;  // the condition is one comparison
};

}  // namespace narwe
