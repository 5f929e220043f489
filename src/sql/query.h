// The parsed form of one SELECT statement.
//
// Select items, GROUP BY items and ORDER BY keys are kept twice: as the
// texts written and as one parsed tree each (sql/select_item.h), which
// routing, projection and classification read. WHERE/HAVING become an
// Expression tree and JOIN clauses become JoinClause records. The statement parser
// builds a Query whole; afterwards it is read-only. Copies are cheap and
// share the (immutable) WHERE and HAVING trees, which lets the runner hand an
// executor a modified copy. Read-only sharing across threads is safe.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/text_hash.h"
#include "sql/names.h"

namespace narwe {

enum class Operator : uint8_t {
  eq = 0,       // =
  ne = 1,       // !=
  gt = 2,       // >
  ge = 3,       // >=
  lt = 4,       // <
  le = 5,       // <=
  like = 6,     // LIKE
  ilike = 7,    // ILIKE
  between = 8,  // BETWEEN ... AND ...
  is_null = 9,
  is_not_null = 10,
};

// "!=", ">=", "<=", "=", "<", ">", and LIKE / ILIKE in any case; anything
// else gives nullopt.
std::optional<Operator> operatorFromString(std::string_view token);

// Applies an equality or ordering operator (eq ne gt ge lt le) to two
// numbers; any other operator is false. IEEE rules: ne is true for NaN.
inline bool compareNumbers(double x, double n, Operator op) {
  switch (op) {
    case Operator::eq: return x == n;
    case Operator::ne: return x != n;
    case Operator::gt: return x > n;
    case Operator::ge: return x >= n;
    case Operator::lt: return x < n;
    case Operator::le: return x <= n;
    default: return false;
  }
}

// A column compared with a literal.
struct Comparison {
  std::string column;                   // trimmed, lower-cased
  std::string value;                    // literal, one pair of quotes removed; empty for IS [NOT] NULL
  std::optional<double> number;         // `value` as a float when the whole text parses
  std::optional<std::vector<std::string>> in_values;  // IN / NOT IN items
  std::shared_ptr<const TextSet> in_set;              // optional; consulted instead of in_values
  std::optional<std::string> subquery;  // text after "IN (" for IN (SELECT ...)
  std::optional<std::string> upper_value;  // BETWEEN upper bound (value holds the lower)
  std::optional<double> upper_number;
  std::optional<double> modulus;        // n of "column % n op value"
  Operator op = Operator::eq;
  bool negated = false;                 // NOT IN
};

// A date function compared with a number: EXTRACT / DATEDIFF (a DATEADD
// comparison is refused by the parser: it yields a date, not a number).
struct FunctionComparison {
  FunctionId function = FunctionId::extract;  // extract or datediff
  std::string part;      // unit or part argument
  std::string column;
  std::optional<std::string> column2;  // second column of datediff
  double number = 0;
  Operator op = Operator::eq;
};

struct Expression;

struct Logical {
  std::unique_ptr<Expression> left;
  std::unique_ptr<Expression> right;
  bool is_or = false;  // true = OR, false = AND
};

struct Not {
  std::unique_ptr<Expression> child;
};

struct Expression {
  std::variant<Comparison, FunctionComparison, Logical, Not> node;

  Expression() = default;
  template <typename T>
  explicit Expression(T&& n) : node(std::forward<T>(n)) {}
  Expression(Expression&&) noexcept = default;
  Expression& operator=(Expression&&) noexcept = default;
  // Destroys deep trees without deep recursion.
  ~Expression();
};

struct OrderByKey {
  std::string column;  // lower-cased
  bool descending = false;
};

struct OrderBy {
  std::string column;  // first key, lower-cased
  std::vector<OrderByKey> extra_keys;  // second and later keys
  bool descending = false;             // direction of the first key
};

struct JoinClause {
  std::string file;          // quotes removed
  std::string left_alias;    // lower-cased, may be empty
  std::string alias;         // lower-cased, may be empty
  std::string left_column;   // trimmed, lower-cased, may carry "alias."
  std::string right_column;  // trimmed, lower-cased
};

struct SelectItem;  // sql/select_item.h

struct Query {
  std::vector<std::string> columns;  // select items as written (case and AS kept)
  // The same items parsed into trees, one per `columns` entry. The parse
  // fills this and group_items / order_items after DATE_PART rewriting;
  // whoever rewrites the texts afterwards calls buildItemTrees
  // (sql/select_item.h) again. Shared and immutable.
  std::shared_ptr<const std::vector<SelectItem>> select_items;
  std::string file;                  // FROM path; "-" or "stdin" = standard input
  std::shared_ptr<const Expression> where;
  std::shared_ptr<const Expression> having;
  std::vector<std::string> group_by;
  std::shared_ptr<const std::vector<SelectItem>> group_items;  // one tree per group_by item
  std::optional<OrderBy> order_by;
  // One tree per ORDER BY key: order_by->column first, then extra_keys.
  std::shared_ptr<const std::vector<SelectItem>> order_items;
  std::vector<JoinClause> joins;
  int32_t limit = -1;   // -1 = no LIMIT
  int32_t offset = 0;
  bool select_all = false;
  bool distinct = false;
};

// True when `file` names standard input ("stdin" or "-").
inline bool isStdinPath(std::string_view file) { return file == "stdin" || file == "-"; }

}  // namespace narwe
