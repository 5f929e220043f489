// The bound WHERE predicate: comparison rules, tree evaluation, binding
// errors, the strict flag and short records.
#include "scalar/bound_predicate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/name_index.h"
#include "common/numbers.h"
#include "sql/parser.h"

namespace narwe {
namespace {

// ---- builders -------------------------------------------------------------

Comparison textCmp(Operator op, std::string value, std::string column = "x") {
  Comparison c;
  c.column = std::move(column);
  c.op = op;
  c.value = std::move(value);
  return c;
}

// A literal that reads as a number sets `number`, as the expression parser does.
Comparison numCmp(Operator op, std::string value, std::string column = "x") {
  Comparison c = textCmp(op, std::move(value), std::move(column));
  c.number = parseFloat(c.value);
  return c;
}

Expression leaf(Comparison c) { return Expression(std::move(c)); }

Expression logical(Expression a, Expression b, bool is_or) {
  Logical l;
  l.left = std::make_unique<Expression>(std::move(a));
  l.right = std::make_unique<Expression>(std::move(b));
  l.is_or = is_or;
  return Expression(std::move(l));
}
Expression andOf(Expression a, Expression b) { return logical(std::move(a), std::move(b), false); }
Expression orOf(Expression a, Expression b) { return logical(std::move(a), std::move(b), true); }
Expression notOf(Expression a) {
  Not n;
  n.child = std::make_unique<Expression>(std::move(a));
  return Expression(std::move(n));
}

using Fields = std::vector<std::string_view>;

// Binds `e` against `headers` and evaluates one row (binding must succeed).
bool direct(const Expression& e, const Fields& fields, const Fields& headers) {
  Result<BoundPredicate> bound = BoundPredicate::bind(e, buildNameIndex(headers), false);
  EXPECT_TRUE(bound.ok());
  if (!bound.ok()) return false;
  Error error = Error::None;
  const bool kept = bound->matches(fields, error);
  EXPECT_EQ(error, Error::None);
  return kept;
}

// One comparison as a one-leaf tree over a one-column row.
bool compareValues(const Comparison& c, std::string_view field) {
  return direct(Expression(Comparison(c)), {field}, {c.column});
}

// ---- compareValues --------------------------------------------------------

struct CompareRow {
  Comparison cmp;
  const char* field;
  bool expected;
};

void runRows(const std::vector<CompareRow>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const CompareRow& row = rows[i];
    SCOPED_TRACE(testing::Message() << "row " << i << " value '" << row.cmp.value << "' field '"
                                    << row.field << "'");
    EXPECT_EQ(compareValues(row.cmp, row.field), row.expected);
  }
}

TEST(BoundPredicateCompare, NumericLiteralReadsFieldIntegerFirst) {
  using O = Operator;
  runRows({
      {numCmp(O::gt, "10"), "9.5", false},
      {numCmp(O::gt, "10"), "10.5", true},
      {numCmp(O::gt, "10"), "abc", false},
      {numCmp(O::ne, "10"), "abc", false},  // unparsable: false even for !=
      {numCmp(O::ne, "10"), "", false},
      {numCmp(O::eq, "0"), "", false},
      // integer path trims blanks; the float path does not
      {numCmp(O::eq, "42"), " 42", true},
      {numCmp(O::eq, "42"), "\t42 \r", true},
      {numCmp(O::eq, "42"), "+42", true},
      {numCmp(O::eq, "-42"), " -42", true},
      {numCmp(O::eq, "42"), "4 2", false},
      {numCmp(O::eq, "4.2"), " 4.2", false},
      {numCmp(O::eq, "4.2"), "4.2 ", false},
      {numCmp(O::eq, "4.2"), "4.20", true},
      {numCmp(O::eq, "1000"), "1e3", true},
      {numCmp(O::eq, "16"), "0x10", true},
      {numCmp(O::eq, "0"), "-0", true},
      // beyond 64-bit integers the float reading takes over
      {numCmp(O::eq, "9223372036854775808"), "9223372036854775808", true},
      {numCmp(O::gt, "9223372036854775807"), "99999999999999999999", true},
      // NaN: only != holds
      {numCmp(O::ne, "10"), "nan", true},
      {numCmp(O::eq, "10"), "NaN", false},
      {numCmp(O::lt, "10"), "nan", false},
      {numCmp(O::ge, "10"), "nan", false},
      {numCmp(O::gt, "1e308"), "inf", true},
      {numCmp(O::lt, "-1e308"), "-Infinity", true},
  });
}

TEST(BoundPredicateCompare, EveryOperatorNumericAndText) {
  using O = Operator;
  const O ops[] = {O::eq, O::ne, O::gt, O::ge, O::lt, O::le};
  // field, literal, expected for eq ne gt ge lt le
  const struct {
    const char* field;
    const char* literal;
    bool numeric;
    bool expected[6];
  } rows[] = {
      {"5", "5", true, {true, false, false, true, false, true}},
      {"4", "5", true, {false, true, false, false, true, true}},
      {"6", "5", true, {false, true, true, true, false, false}},
      {"10", "9", true, {false, true, true, true, false, false}},    // numeric, not bytes
      {"10", "9", false, {false, true, false, false, true, true}},   // bytes: "1" < "9"
      {"b", "a", false, {false, true, true, true, false, false}},
      {"a", "ab", false, {false, true, false, false, true, true}},   // prefix is smaller
      {"ab", "ab", false, {true, false, false, true, false, true}},
      {"Bob", "bob", false, {false, true, false, false, true, true}},
      {"\xc3\xa9", "z", false, {false, true, true, true, false, false}},  // unsigned bytes
      {"", "", false, {true, false, false, true, false, true}},
  };
  for (const auto& row : rows) {
    for (int i = 0; i < 6; ++i) {
      SCOPED_TRACE(testing::Message() << row.field << " op " << i << " " << row.literal);
      Comparison c = row.numeric ? numCmp(ops[i], row.literal) : textCmp(ops[i], row.literal);
      EXPECT_EQ(compareValues(c, row.field), row.expected[i]);
    }
  }
  // Operators that need a pattern or bounds never hold on a plain literal.
  Comparison weird = numCmp(O::eq, "5");
  weird.op = O::is_null;
  EXPECT_FALSE(compareValues(weird, "5"));
}

TEST(BoundPredicateCompare, NullModuloInAndBetween) {
  using O = Operator;
  auto mod = [](O op, std::string value, double n) {
    Comparison c = numCmp(op, std::move(value));
    c.modulus = n;
    return c;
  };
  auto in = [](std::vector<std::string> items, bool negated) {
    Comparison c = textCmp(O::eq, "");
    c.in_values = std::move(items);
    c.negated = negated;
    return c;
  };
  auto inSet = [](std::vector<std::string> items, bool negated) {
    Comparison c = textCmp(O::eq, "");
    c.in_set = std::make_shared<TextSet>(items.begin(), items.end());
    c.negated = negated;
    return c;
  };
  auto between = [](const char* lo, const char* hi, bool numeric) {
    Comparison c = numeric ? numCmp(O::between, lo) : textCmp(O::between, lo);
    if (hi != nullptr) {
      c.upper_value = hi;
      if (numeric) c.upper_number = parseFloat(hi);
    }
    return c;
  };
  runRows({
      {textCmp(O::is_null, ""), "", true},
      {textCmp(O::is_null, ""), " ", false},
      {textCmp(O::is_not_null, ""), " ", true},
      {textCmp(O::is_not_null, ""), "", false},
      // x % 2 = 0 keeps even values
      {mod(O::eq, "0", 2), "4", true},
      {mod(O::eq, "0", 2), "5", false},
      {mod(O::eq, "1", 2), "-5", false},  // fmod keeps the dividend's sign
      {mod(O::eq, "-1", 2), "-5", true},
      {mod(O::eq, "0.5", 2), "4.5", true},
      {mod(O::eq, "0", 2), "abc", false},
      {mod(O::eq, "0", 2), "", false},
      {mod(O::ne, "0", 2), "inf", true},  // NaN remainder
      {mod(O::ne, "0", 0), "3", true},
      {mod(O::gt, "0", 3), "7", true},
      // IN lists: exact bytes, empty items, empty lists
      {in({"1", "2"}, false), "1", true},
      {in({"1", "2"}, false), "1 ", false},
      {in({"1", "2"}, true), "3", true},
      {in({"1", "2"}, true), "2", false},
      {in({"", "x"}, false), "", true},
      {in({"x"}, false), "", false},
      {in({}, false), "", false},
      {in({}, true), "", true},
      {inSet({"1", "2"}, false), "2", true},
      {inSet({"1", "2"}, true), "2", false},
      {inSet({"1", "2"}, true), "", true},
      {inSet({""}, false), "", true},
      // BETWEEN, numeric and text
      {between("1", "10", true), "10", true},
      {between("1", "10", true), "1", true},
      {between("1", "10", true), "0.5", false},
      {between("1", "10", true), "abc", false},
      {between("1", nullptr, true), "5", false},
      {between("a", "c", false), "b", true},
      {between("a", "c", false), "c", true},
      {between("a", "c", false), "cz", false},
      {between("a", "c", false), "A", false},
      {between("a", nullptr, false), "b", false},
      // LIKE / ILIKE through compareValues
      {textCmp(O::like, "B_b"), "Bob", true},
      {textCmp(O::like, "b%"), "Bob", false},
      {textCmp(O::ilike, "b%"), "Bob", true},
  });
}

// ---- tree evaluation ------------------------------------------------------

TEST(BoundPredicateTree, LogicAndShortCircuit) {
  const Fields headers = {"A", " b "};
  auto a1 = [] { return leaf(numCmp(Operator::eq, "1", "a")); };
  auto b2 = [] { return leaf(numCmp(Operator::eq, "2", "b")); };
  auto eval = [&](const Expression& e, const Fields& fields) { return direct(e, fields, headers); };
  // NOT (a = 1 AND b = 2)
  Expression nand = notOf(andOf(a1(), b2()));
  EXPECT_TRUE(eval(nand, {"0", "2"}));
  EXPECT_FALSE(eval(nand, {"1", "2"}));
  EXPECT_TRUE(eval(nand, {"1", "3"}));
  Expression either = orOf(a1(), b2());
  EXPECT_TRUE(eval(either, {"1", "x"}));
  EXPECT_TRUE(eval(either, {"0", "2"}));
  EXPECT_FALSE(eval(either, {"0", "0"}));
  EXPECT_TRUE(eval(notOf(notOf(a1())), {"1", "0"}));
  Expression mixed = andOf(a1(), notOf(b2()));
  EXPECT_TRUE(eval(mixed, {"1", "3"}));
  EXPECT_FALSE(eval(mixed, {"1", "2"}));
  EXPECT_FALSE(eval(notOf(orOf(a1(), b2())), {"1", "0"}));
  EXPECT_TRUE(eval(notOf(orOf(a1(), b2())), {"0", "0"}));
  // (a=1 OR b=2) AND NOT (a=1 AND b=2): exclusive or
  Expression x_or = andOf(orOf(a1(), b2()), notOf(andOf(a1(), b2())));
  EXPECT_FALSE(eval(x_or, {"1", "2"}));
  EXPECT_TRUE(eval(x_or, {"1", "0"}));
  EXPECT_TRUE(eval(x_or, {"0", "2"}));
  EXPECT_FALSE(eval(x_or, {"0", "0"}));
}

TEST(BoundPredicateTree, DeepChainsDoNotRecurse) {
  // a = 1 AND (a = 1 AND (... )) thirty thousand deep, plus NOT NOT runs.
  Expression chain = leaf(numCmp(Operator::eq, "1", "a"));
  for (int i = 0; i < 30000; ++i) {
    Expression inner = (i % 2 == 0) ? notOf(notOf(std::move(chain))) : std::move(chain);
    chain = andOf(leaf(numCmp(Operator::eq, "1", "a")), std::move(inner));
  }
  EXPECT_TRUE(direct(chain, {"1"}, {"a"}));
  EXPECT_FALSE(direct(chain, {"2"}, {"a"}));
}

// A field missing from a short record is the empty text, whether the
// condition is one comparison or a tree.
TEST(BoundPredicateTree, ShortRecordsReadTheEmptyText) {
  const Fields headers = {"id", "name"};
  for (const char* where : {"name IS NULL", "name IS NULL OR name IS NULL", "NOT name IS NOT NULL",
                            "name = ''", "name <= 'a'", "name NOT IN ('x')"}) {
    SCOPED_TRACE(where);
    Result<Expression> e = parseExpression(where);
    ASSERT_TRUE(e.ok());
    EXPECT_TRUE(direct(*e, {"1"}, headers));
    EXPECT_FALSE(direct(*e, {"1", "x"}, headers));
  }
}

// ---- binding --------------------------------------------------------------

Expression fnCmp(const char* function, const char* part, const char* col, const char* col2,
                 Operator op, double number) {
  FunctionComparison f;
  f.function = *functionFromName(function);
  f.part = part;
  f.column = col;
  if (col2 != nullptr) f.column2 = col2;
  f.op = op;
  f.number = number;
  return Expression(std::move(f));
}

TEST(BoundPredicateBind, UnknownColumnsAndDateAdd) {
  const NameIndex index = buildNameIndex({"ID", "Name", "born"});
  auto cmp = [](const char* col) { return leaf(textCmp(Operator::eq, "v", col)); };
  const struct {
    Expression expr;
    Error expected;
  } rows[] = {
      {cmp("id"), Error::None},
      {cmp("missing"), Error::ColumnNotFound},
      {andOf(cmp("id"), orOf(cmp("name"), notOf(cmp("born")))), Error::None},
      {andOf(cmp("id"), orOf(cmp("name"), notOf(cmp("nope")))), Error::ColumnNotFound},
      {orOf(notOf(cmp("nope")), cmp("id")), Error::ColumnNotFound},
      {fnCmp("datediff", "day", "born", "born", Operator::eq, 0), Error::None},
      {fnCmp("datediff", "day", "born", "nope", Operator::eq, 0), Error::ColumnNotFound},
      {fnCmp("extract", "year", "nope", nullptr, Operator::eq, 0), Error::ColumnNotFound},
      {fnCmp("dateadd", "day", "born", nullptr, Operator::eq, 0), Error::InvalidExpression},
      {andOf(cmp("id"), fnCmp("dateadd", "day", "born", nullptr, Operator::eq, 0)),
       Error::InvalidExpression},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    Result<BoundPredicate> bound = BoundPredicate::bind(rows[i].expr, index, false);
    EXPECT_EQ(bound.ok() ? Error::None : bound.error(), rows[i].expected);
  }
  EXPECT_EQ(BoundPredicate::bind(cmp("id"), NameIndex{}, false).error(), Error::ColumnNotFound);
}

TEST(BoundPredicateBind, LeavesHoldPositionsAndDecodedLiterals) {
  Result<Expression> e = parseExpression(
      "b > 4.5 AND c IN ('x', 'y') AND EXTRACT(MONTH FROM c) = 3 AND a LIKE 'p%'");
  ASSERT_TRUE(e.ok());
  Result<BoundPredicate> bound = BoundPredicate::bind(*e, buildNameIndex({"a", "B", "c"}), false);
  ASSERT_TRUE(bound.ok());
  std::span<const PredicateLeaf> leaves = bound->leaves();
  ASSERT_EQ(leaves.size(), 4u);
  EXPECT_EQ(leaves[0].test, LeafTest::number_gt);
  EXPECT_EQ(leaves[0].column, 1u);
  EXPECT_EQ(leaves[0].number, 4.5);
  EXPECT_EQ(leaves[1].test, LeafTest::in_set);
  EXPECT_EQ(leaves[1].set->size(), 2u);
  EXPECT_EQ(leaves[2].test, LeafTest::extract);
  EXPECT_EQ(leaves[2].unit, DateUnit::month);
  EXPECT_EQ(leaves[3].test, LeafTest::like);
  EXPECT_EQ(leaves[3].column, 0u);
}

// ---- the strict flag --------------------------------------------------------

TEST(BoundPredicateStrict, EveryNumericComparisonOnEveryPath) {
  const NameIndex index = buildNameIndex({"id", "price", "name"});
  const struct {
    const char* where;
    const char* price;
    bool error;  // with the strict flag
  } rows[] = {
      {"price > 4", "abc", true},
      {"price > 4", "5", false},
      {"price > 4 AND id > 0", "abc", true},
      {"id > 0 AND price > 4", "abc", true},
      {"id < 0 OR price > 4", "abc", true},
      {"NOT price = 1", "", true},
      {"price BETWEEN 1 AND 9", "x", true},
      {"price % 2 = 0", "x", true},
      {"price = 'abc'", "abc", false},   // text literal: no number needed
      {"price IN ('1', 'abc')", "abc", false},
      {"price IS NULL", "", false},
      {"name = 'n' OR price > 4", "abc", false},  // the OR is decided before price
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.where);
    Result<Expression> e = parseExpression(row.where);
    ASSERT_TRUE(e.ok());
    const Fields fields = {"1", row.price, "n"};
    for (bool strict : {false, true}) {
      Result<BoundPredicate> bound = BoundPredicate::bind(*e, index, strict);
      ASSERT_TRUE(bound.ok());
      Error error = Error::None;
      const bool kept = bound->matches(fields, error);
      const bool expect_error = strict && row.error;
      EXPECT_EQ(error, expect_error ? Error::StrictModeNonNumericValue : Error::None);
      if (expect_error) {
        EXPECT_FALSE(kept);
      }
    }
  }
}

// ---- date function comparisons --------------------------------------------

TEST(BoundPredicateTree, DateFunctionComparisons) {
  const Fields headers = {"start", "end"};
  const Fields row = {"2024-01-01", "2024-01-31 12:00:00"};
  using O = Operator;
  auto eval = [&](const Expression& e) { return direct(e, row, headers); };
  EXPECT_TRUE(eval(fnCmp("extract", "year", "start", nullptr, O::eq, 2024)));
  EXPECT_TRUE(eval(fnCmp("extract", "MONTH", "end", nullptr, O::eq, 1)));
  EXPECT_TRUE(eval(fnCmp("extract", "hour", "end", nullptr, O::gt, 11)));
  EXPECT_FALSE(eval(fnCmp("extract", "year", "start", nullptr, O::ne, 2024)));
  EXPECT_TRUE(eval(fnCmp("datediff", "day", "start", "end", O::eq, 30.5)));
  EXPECT_TRUE(eval(fnCmp("datediff", "hour", "start", "end", O::ge, 732)));
  EXPECT_FALSE(eval(fnCmp("extract", "year", "start", nullptr, O::like, 2024)));
  // An unparsable date counts as 0, which still compares.
  EXPECT_TRUE(direct(fnCmp("extract", "year", "start", nullptr, O::eq, 0), {"garbage", ""}, headers));
}

}  // namespace
}  // namespace narwe

namespace narwe {
namespace {

// ---- randomised differential check ---------------------------------------
//
// Random conditions over three columns are parsed, bound and evaluated on
// random rows (some short), and compared with a plain walk of the parsed
// tree that applies the comparison rules directly. NOT p must be the
// complement of p, and p AND q must imply p.

struct Reference {
  const std::vector<std::string_view>& fields;
  const std::vector<std::string>& names;

  std::string_view field(const std::string& column) const {
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == column) return i < fields.size() ? fields[i] : std::string_view();
    }
    ADD_FAILURE() << "unbound column " << column;
    return {};
  }

  static bool like(std::string_view t, std::string_view p, bool fold) {
    // Dynamic programming over prefixes: independent of the matcher.
    std::vector<std::vector<char>> ok(t.size() + 1, std::vector<char>(p.size() + 1, 0));
    ok[0][0] = 1;
    for (size_t j = 1; j <= p.size(); ++j) ok[0][j] = ok[0][j - 1] && p[j - 1] == '%';
    auto low = [&](char c) { return fold && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t i = 1; i <= t.size(); ++i) {
      for (size_t j = 1; j <= p.size(); ++j) {
        if (p[j - 1] == '%') {
          ok[i][j] = ok[i - 1][j] || ok[i][j - 1];
        } else {
          ok[i][j] = ok[i - 1][j - 1] && (p[j - 1] == '_' || low(p[j - 1]) == low(t[i - 1]));
        }
      }
    }
    return ok[t.size()][p.size()];
  }

  bool compare(const Comparison& c) const {
    const std::string_view f = field(c.column);
    if (c.op == Operator::is_null) return f.empty();
    if (c.op == Operator::is_not_null) return !f.empty();
    if (c.in_values) {
      bool found = std::find(c.in_values->begin(), c.in_values->end(), f) != c.in_values->end();
      return found != c.negated;
    }
    if (c.op == Operator::like || c.op == Operator::ilike) return like(f, c.value, c.op == Operator::ilike);
    if (c.op == Operator::between) {
      if (c.number) {
        std::optional<double> x = parseFloat(f);
        return c.upper_number && x && *c.number <= *x && *x <= *c.upper_number;
      }
      return c.upper_value && std::string_view(c.value) <= f && f <= std::string_view(*c.upper_value);
    }
    if (c.number) {
      std::optional<double> x = readNumber(f);
      return x && compareNumbers(*x, *c.number, c.op);
    }
    const int order = f.compare(c.value);
    switch (c.op) {
      case Operator::eq: return order == 0;
      case Operator::ne: return order != 0;
      case Operator::gt: return order > 0;
      case Operator::ge: return order >= 0;
      case Operator::lt: return order < 0;
      case Operator::le: return order <= 0;
      default: return false;
    }
  }

  bool eval(const Expression& e) const {
    if (const auto* n = std::get_if<Not>(&e.node)) return !eval(*n->child);
    if (const auto* l = std::get_if<Logical>(&e.node)) {
      return l->is_or ? (eval(*l->left) || eval(*l->right)) : (eval(*l->left) && eval(*l->right));
    }
    return compare(std::get<Comparison>(e.node));
  }
};

class ConditionGenerator {
 public:
  explicit ConditionGenerator(uint32_t seed) : rng_(seed) {}

  std::string condition(int depth) {
    const unsigned pick = rng_() % 10;
    if (depth > 0 && pick < 2) return "(" + condition(depth - 1) + ")" + (rng_() % 2 ? " AND " : " OR ") + "(" + condition(depth - 1) + ")";
    if (depth > 0 && pick == 2) return "NOT (" + condition(depth - 1) + ")";
    return comparison();
  }

  std::string value() {
    static const char* const kValues[] = {"", "1", "2", "10", "-3", " 7", "2.5", "abc", "Abc", "b", "ab%", "x_y", "1e1"};
    return kValues[rng_() % std::size(kValues)];
  }

 private:
  std::string literal() {
    static const char* const kLiterals[] = {"1", "2", "10", "2.5", "-3", "'abc'", "'b'", "'1'", "\"ab\"", "'1e1'"};
    return kLiterals[rng_() % std::size(kLiterals)];
  }

  std::string comparison() {
    static const char* const kColumns[] = {"a", "B", "c"};
    static const char* const kOps[] = {"=", "!=", "<>", ">", ">=", "<", "<="};
    static const char* const kPatterns[] = {"'a%'", "'%b%'", "'_'", "'%'", "''", "'A_c'"};
    const std::string column = kColumns[rng_() % 3];
    switch (rng_() % 6) {
      case 0: return column + (rng_() % 2 ? " IS NULL" : " IS NOT NULL");
      case 1: return column + (rng_() % 2 ? " LIKE " : " ILIKE ") + kPatterns[rng_() % std::size(kPatterns)];
      case 2: return column + (rng_() % 2 ? " IN (" : " NOT IN (") + literal() + ", " + literal() + ")";
      case 3: return column + " BETWEEN " + literal() + " AND " + literal();
      default: return column + " " + kOps[rng_() % std::size(kOps)] + " " + literal();
    }
  }

  std::mt19937 rng_;
};

TEST(BoundPredicateRandom, AgreesWithAPlainTreeWalk) {
  ConditionGenerator gen(20261208);
  const std::vector<std::string> names = {"a", "b", "c"};
  const NameIndex index = buildNameIndex({"a", "B", "c"});
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    const std::string p_text = gen.condition(3);
    const std::string q_text = gen.condition(2);
    SCOPED_TRACE(p_text + "  |  " + q_text);
    Result<Expression> p = parseExpression(p_text);
    Result<Expression> not_p = parseExpression("NOT (" + p_text + ")");
    Result<Expression> p_and_q = parseExpression("(" + p_text + ") AND (" + q_text + ")");
    ASSERT_TRUE(p.ok() && not_p.ok() && p_and_q.ok());
    Result<BoundPredicate> bound_p = BoundPredicate::bind(*p, index, false);
    Result<BoundPredicate> bound_not_p = BoundPredicate::bind(*not_p, index, false);
    Result<BoundPredicate> bound_p_and_q = BoundPredicate::bind(*p_and_q, index, false);
    ASSERT_TRUE(bound_p.ok() && bound_not_p.ok() && bound_p_and_q.ok());
    for (int row = 0; row < 20; ++row) {
      std::vector<std::string> values;
      const size_t width = rng() % 4;  // 0..3 fields: short records too
      for (size_t i = 0; i < width; ++i) values.push_back(gen.value());
      const std::vector<std::string_view> fields(values.begin(), values.end());
      Error error = Error::None;
      const bool kept = bound_p->matches(fields, error);
      ASSERT_EQ(kept, (Reference{fields, names}.eval(*p))) << "row of " << width << " fields";
      ASSERT_NE(kept, bound_not_p->matches(fields, error));
      if (bound_p_and_q->matches(fields, error)) {
        ASSERT_TRUE(kept);
      }
      ASSERT_EQ(error, Error::None);
    }
  }
}

}  // namespace
}  // namespace narwe
