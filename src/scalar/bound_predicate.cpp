// Binding a WHERE tree to a header, and evaluating it per row.
#include "scalar/bound_predicate.h"

#include <cmath>
#include <limits>
#include <new>

#include "common/bytes.h"
#include "common/numbers.h"
#include "sql/predicate.h"

namespace narwe {
namespace {

std::string_view fieldAt(std::span<const std::string_view> fields, size_t column) {
  return column < fields.size() ? fields[column] : std::string_view();
}

Result<size_t> columnOf(const NameIndex& index, std::string_view name) {
  const size_t* position = findColumn(index, name);
  if (position == nullptr) return Error::ColumnNotFound;
  return *position;
}

// The per-operator leaf kinds of a numeric or text comparison; `never` for
// an operator that holds on no plain literal.
LeafTest numberTest(Operator op) {
  switch (op) {
    case Operator::eq: return LeafTest::number_eq;
    case Operator::ne: return LeafTest::number_ne;
    case Operator::gt: return LeafTest::number_gt;
    case Operator::ge: return LeafTest::number_ge;
    case Operator::lt: return LeafTest::number_lt;
    case Operator::le: return LeafTest::number_le;
    default: return LeafTest::never;
  }
}

LeafTest textTest(Operator op) {
  switch (op) {
    case Operator::eq: return LeafTest::text_eq;
    case Operator::ne: return LeafTest::text_ne;
    case Operator::gt: return LeafTest::text_gt;
    case Operator::ge: return LeafTest::text_ge;
    case Operator::lt: return LeafTest::text_lt;
    case Operator::le: return LeafTest::text_le;
    default: return LeafTest::never;
  }
}

}  // namespace

Result<BoundPredicate> BoundPredicate::bind(const Expression& expr, const NameIndex& index,
                                            bool strict) {
  try {
    BoundPredicate predicate;
    predicate.strict_ = strict;
    NARWE_TRY(predicate.bindNode(expr, index));
    for (PredicateLeaf& leaf : predicate.leaves_) leaf.strict_number = strict && leaf.reads_number;
    predicate.single_leaf_ = predicate.nodes_.size() == 1;
    return predicate;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

// Iterative over NOT and the right operand of AND / OR (long chains do not
// deepen the stack); recursive on left operands only, whose depth the
// parser's nesting limit bounds.
Status BoundPredicate::bindNode(const Expression& expr, const NameIndex& index) {
  const Expression* e = &expr;
  for (;;) {
    if (nodes_.size() >= std::numeric_limits<uint32_t>::max()) return Error::InvalidExpression;
    const uint32_t self = static_cast<uint32_t>(nodes_.size());
    if (const auto* negation = std::get_if<Not>(&e->node)) {
      nodes_.push_back({NodeKind::negate, self + 1, 0});
      e = negation->child.get();
      continue;
    }
    if (const auto* logical = std::get_if<Logical>(&e->node)) {
      nodes_.push_back({logical->is_or ? NodeKind::any : NodeKind::all, self + 1, 0});
      NARWE_TRY(bindNode(*logical->left, index));
      nodes_[self].second = static_cast<uint32_t>(nodes_.size());
      e = logical->right.get();
      continue;
    }
    PredicateLeaf leaf;
    if (const auto* comparison = std::get_if<Comparison>(&e->node)) {
      NARWE_ASSIGN_OR_RETURN(leaf, bindComparison(*comparison, index));
    } else {
      NARWE_ASSIGN_OR_RETURN(leaf, bindFunction(std::get<FunctionComparison>(e->node), index));
    }
    nodes_.push_back({NodeKind::leaf, static_cast<uint32_t>(leaves_.size()), 0});
    leaves_.push_back(leaf);
    return okStatus();
  }
}

Result<PredicateLeaf> BoundPredicate::bindComparison(const Comparison& c, const NameIndex& index) {
  PredicateLeaf leaf;
  NARWE_ASSIGN_OR_RETURN(leaf.column, columnOf(index, c.column));
  leaf.op = c.op;
  leaf.negated = c.negated;
  leaf.text = c.value;
  // The first applicable rule decides what the comparison means.
  if (c.op == Operator::is_null || c.op == Operator::is_not_null) {
    leaf.test = c.op == Operator::is_null ? LeafTest::is_null : LeafTest::is_not_null;
    return leaf;
  }
  if (c.modulus) {
    // The literal read as a float whenever it parses (also a NaN literal).
    const std::optional<double> n = c.number ? c.number : parseFloat(c.value);
    leaf.reads_number = true;
    if (!n) return leaf;  // never
    leaf.test = LeafTest::modulo;
    leaf.number = *n;
    leaf.divisor = *c.modulus;
    return leaf;
  }
  if (c.in_set || c.in_values) {
    leaf.test = LeafTest::in_set;
    if (c.in_set) {
      leaf.set = c.in_set.get();
    } else {
      sets_.push_back(std::make_unique<TextSet>(c.in_values->begin(), c.in_values->end()));
      leaf.set = sets_.back().get();
    }
    return leaf;
  }
  if (c.op == Operator::like || c.op == Operator::ilike) {
    leaf.test = c.op == Operator::like ? LeafTest::like : LeafTest::ilike;
    return leaf;
  }
  if (c.op == Operator::between) {
    if (c.number) {
      leaf.reads_number = true;
      if (!c.upper_number) return leaf;  // never
      leaf.test = LeafTest::between_number;
      leaf.number = *c.number;
      leaf.upper = *c.upper_number;
      return leaf;
    }
    if (!c.upper_value) return leaf;  // never
    leaf.test = LeafTest::between_text;
    leaf.upper_text = *c.upper_value;
    return leaf;
  }
  if (c.number) {
    leaf.test = numberTest(c.op);
    leaf.number = *c.number;
    leaf.reads_number = true;
    return leaf;
  }
  leaf.test = textTest(c.op);
  return leaf;
}

Result<PredicateLeaf> BoundPredicate::bindFunction(const FunctionComparison& f,
                                                   const NameIndex& index) {
  PredicateLeaf leaf;
  NARWE_ASSIGN_OR_RETURN(leaf.column, columnOf(index, f.column));
  leaf.op = f.op;
  leaf.number = f.number;
  leaf.unit = dateUnitFromText(f.part);
  if (f.function == FunctionId::extract) {
    leaf.test = LeafTest::extract;
    return leaf;
  }
  if (f.function == FunctionId::datediff && f.column2) {
    NARWE_ASSIGN_OR_RETURN(leaf.column2, columnOf(index, *f.column2));
    leaf.test = LeafTest::datediff;
    return leaf;
  }
  // DATEADD yields a date, not a number a comparison could use.
  return Error::InvalidExpression;
}

bool BoundPredicate::otherLeafMatches(const PredicateLeaf& leaf, std::string_view field,
                                      std::span<const std::string_view> fields) const {
  switch (leaf.test) {
    case LeafTest::like: return matchLike(field, leaf.text);
    case LeafTest::ilike: return matchILike(field, leaf.text);
    case LeafTest::in_set: return (leaf.set->find(field) != leaf.set->end()) != leaf.negated;
    case LeafTest::between_number: {
      const std::optional<double> x = parseFloat(field);
      return x && leaf.number <= *x && *x <= leaf.upper;
    }
    case LeafTest::between_text:
      return compareBytes(field, leaf.text) >= 0 && compareBytes(field, leaf.upper_text) <= 0;
    case LeafTest::modulo: {
      const std::optional<double> x = parseFloat(field);
      return x && compareNumbers(std::fmod(*x, leaf.divisor), leaf.number, leaf.op);
    }
    case LeafTest::extract:
      return compareNumbers(extractNumber(leaf.unit, field), leaf.number, leaf.op);
    case LeafTest::datediff:
      return compareNumbers(dateDiffNumber(leaf.unit, field, fieldAt(fields, leaf.column2)),
                            leaf.number, leaf.op);
    default:  // the kinds leafMatches decides inline, and never
      return false;
  }
  return false;
}

// Iterative over NOT and the right operand; recursive on the left operand.
bool BoundPredicate::treeMatches(uint32_t node, std::span<const std::string_view> fields,
                                 Error& error) const {
  bool invert = false;
  for (;;) {
    const Node& n = nodes_[node];
    switch (n.kind) {
      case NodeKind::negate:
        invert = !invert;
        node = n.first;
        continue;
      case NodeKind::all:
      case NodeKind::any: {
        const bool left = treeMatches(n.first, fields, error);
        if (error != Error::None) return false;
        if (n.kind == NodeKind::any ? left : !left) return left != invert;
        node = n.second;
        continue;
      }
      case NodeKind::leaf: {
        const bool value = leafMatches(leaves_[n.first], fields, error);
        if (error != Error::None) return false;
        return value != invert;
      }
    }
    return false;
  }
}

}  // namespace narwe
