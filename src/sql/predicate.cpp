// Predicate evaluation over the list and map row views, LIKE matching and
// column validation.
#include "sql/predicate.h"

#include <cmath>
#include <cstring>

#include "common/text.h"
#include "sql/like_match.h"
#include "scalar/scalar.h"

namespace narwe {
namespace {

// Size of the buffer the scalar date functions write their result into.
constexpr size_t kFunctionResultBuffer = 64;

// The row accessors of the two views. `field` gives nullopt for a missing
// column or an absent field, which makes the comparison false.
struct ListRow {
  std::span<const std::string_view> fields;
  std::span<const std::string_view> headers;

  std::optional<std::string_view> field(std::string_view column) const {
    long pos = findHeader(headers, column);
    if (pos < 0) return std::nullopt;
    size_t i = static_cast<size_t>(pos);
    return i < fields.size() ? fields[i] : std::string_view();
  }
};

struct MapRow {
  const RowMapView& view;

  std::optional<std::string_view> field(std::string_view column) const {
    const size_t* pos = findColumn(view.index, column);
    if (pos == nullptr || *pos >= view.fields.size()) return std::nullopt;
    return view.fields[*pos];
  }
};

template <typename Row>
bool evalFunction(const FunctionComparison& f, const Row& row) {
  char buf[kFunctionResultBuffer];
  std::string_view result;
  if (f.function == "extract") {
    std::optional<std::string_view> value = row.field(f.column);
    if (!value) return false;
    result = scalarExtract(f.part, *value, buf);
  } else if (f.function == "datediff") {
    if (!f.column2) return false;
    std::optional<std::string_view> first = row.field(f.column);
    std::optional<std::string_view> second = row.field(*f.column2);
    if (!first || !second) return false;
    result = scalarDateDiff(f.part, *first, *second, buf);
  } else {
    return false;
  }
  std::optional<double> r = parseFloat(result);
  return r && compareNumbers(*r, f.number, f.op);
}

// Iterative over Not and the right child of Logical; recursive on the left.
template <typename Row>
bool evalTree(const Expression* expr, const Row& row) {
  bool invert = false;
  for (;;) {
    if (const auto* n = std::get_if<Not>(&expr->node)) {
      invert = !invert;
      expr = n->child.get();
      continue;
    }
    if (const auto* l = std::get_if<Logical>(&expr->node)) {
      bool left = evalTree(l->left.get(), row);
      if (l->is_or ? left : !left) return left != invert;
      expr = l->right.get();
      continue;
    }
    bool value;
    if (const auto* c = std::get_if<Comparison>(&expr->node)) {
      std::optional<std::string_view> field = row.field(c->column);
      value = field && compareValues(*c, *field);
    } else {
      value = evalFunction(std::get<FunctionComparison>(expr->node), row);
    }
    return value != invert;
  }
}

// Walks the tree and reports the first column `has` rejects.
template <typename Has>
Status validateTree(const Expression& expr, const Has& has) {
  const Expression* e = &expr;
  for (;;) {
    if (const auto* n = std::get_if<Not>(&e->node)) {
      e = n->child.get();
      continue;
    }
    if (const auto* l = std::get_if<Logical>(&e->node)) {
      NARWE_TRY(validateTree(*l->left, has));
      e = l->right.get();
      continue;
    }
    if (const auto* c = std::get_if<Comparison>(&e->node)) {
      return has(c->column) ? okStatus() : Status(Error::ColumnNotFound);
    }
    const auto& f = std::get<FunctionComparison>(e->node);
    if (!has(f.column)) return Error::ColumnNotFound;
    if (f.column2 && !has(*f.column2)) return Error::ColumnNotFound;
    return okStatus();
  }
}

}  // namespace

long findHeader(std::span<const std::string_view> headers, std::string_view name) {
  for (size_t i = 0; i < headers.size(); ++i) {
    if (headers[i].size() == name.size() &&
        std::memcmp(headers[i].data(), name.data(), name.size()) == 0)
      return static_cast<long>(i);
  }
  return -1;
}

bool matchLike(std::string_view text, std::string_view pattern) {
  return likeMatch(text, pattern, false);
}

bool matchILike(std::string_view text, std::string_view pattern) {
  return likeMatch(text, pattern, true);
}

namespace predicate_detail {

bool compareSpecial(const Comparison& c, std::string_view field) {
  if (c.modulus) {
    std::optional<double> x = parseFloat(field);
    if (!x) return false;
    // `number` is the literal read as a float whenever it parses.
    std::optional<double> n = c.number ? c.number : parseFloat(c.value);
    if (!n) return false;
    return compareNumbers(std::fmod(*x, *c.modulus), *n, c.op);
  }
  if (c.in_set) {
    bool found = c.in_set->find(field) != c.in_set->end();
    return found != c.negated;
  }
  if (c.in_values) {
    bool found = false;
    for (const std::string& item : *c.in_values) {
      if (item == field) {
        found = true;
        break;
      }
    }
    return found != c.negated;
  }
  if (c.op == Operator::like) return matchLike(field, c.value);
  if (c.op == Operator::ilike) return matchILike(field, c.value);
  // BETWEEN
  if (c.number) {
    if (!c.upper_number) return false;
    std::optional<double> x = parseFloat(field);
    return x && *c.number <= *x && *x <= *c.upper_number;
  }
  if (!c.upper_value) return false;
  return compareBytes(field, c.value) >= 0 && compareBytes(field, *c.upper_value) <= 0;
}

}  // namespace predicate_detail

bool evaluate(const Expression& expr, const RowMapView& row) {
  return evalTree(&expr, MapRow{row});
}

bool evaluateDirect(const Expression& expr, std::span<const std::string_view> fields,
                    std::span<const std::string_view> headers) {
  return evalTree(&expr, ListRow{fields, headers});
}

Status validateWhereExprColumns(const Expression& expr, std::span<const std::string_view> headers) {
  return validateTree(expr, [&](std::string_view name) { return findHeader(headers, name) >= 0; });
}

Status validateWhereExprColumnsMap(const Expression& expr, const NameIndex& index) {
  return validateTree(expr, [&](std::string_view name) { return findColumn(index, name) != nullptr; });
}

}  // namespace narwe
