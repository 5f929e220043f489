// Predicate evaluation: comparison rules, LIKE matching, tree evaluation and
// column validation.
#include "sql/predicate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

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

bool direct(const Expression& e, const Fields& fields, const Fields& headers) {
  return evaluateDirect(e, fields, headers);
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

TEST(PredicateCompare, NumericLiteralReadsFieldIntegerFirst) {
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

TEST(PredicateCompare, EveryOperatorNumericAndText) {
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

TEST(PredicateCompare, NullModuloInAndBetween) {
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

// ---- LIKE -----------------------------------------------------------------

TEST(PredicateLike, Table) {
  const struct {
    const char* text;
    const char* pattern;
    bool like;
    bool ilike;
  } rows[] = {
      {"", "%", true, true},
      {"", "", true, true},
      {"a", "", false, false},
      {"", "_", false, false},
      {"Bob", "B_b", true, true},
      {"Bob", "b%", false, true},
      {"Bob", "%OB", false, true},
      {"hello world", "%o w%", true, true},
      {"hello world", "h%o%d", true, true},
      {"hello world", "h%o%x", false, false},
      {"abc", "a%%%c", true, true},
      {"abc", "abc%", true, true},
      {"abc", "ab", false, false},
      {"ab", "abc", false, false},
      {"aaab", "%ab", true, true},
      {"abab", "%ab", true, true},
      {"abac", "%ab", false, false},
      {"mississippi", "%iss%ppi", true, true},
      {"mississippi", "m%s_s%i", true, true},
      {"xyz", "%_", true, true},
      {"xyz", "___", true, true},
      {"xyz", "____", false, false},
      // "_" is one byte, so a two-byte character needs two
      {"\xc3\xa9", "_", false, false},
      {"\xc3\xa9", "__", true, true},
      {"caf\xc3\xa9", "caf_", false, false},
      // "%" in the pattern is a wildcard even where the text holds "%"
      {"%xa", "%a", true, true},
      {"50%", "5_%", true, true},
      {"a%b", "a%b", true, true},
      // folding is ASCII only
      {"\xc3\x89", "\xc3\xa9", false, false},
      {"[A]", "[a]", false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "'" << row.text << "' LIKE '" << row.pattern << "'");
    EXPECT_EQ(matchLike(row.text, row.pattern), row.like);
    EXPECT_EQ(matchILike(row.text, row.pattern), row.ilike);
  }
}

// Reference: dynamic programming over (text prefix, pattern prefix).
bool referenceLike(const std::string& t, const std::string& p, bool fold) {
  auto low = [&](char c) { return fold && c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
  std::vector<std::vector<char>> ok(t.size() + 1, std::vector<char>(p.size() + 1, 0));
  ok[0][0] = 1;
  for (size_t j = 1; j <= p.size(); ++j) ok[0][j] = p[j - 1] == '%' && ok[0][j - 1];
  for (size_t i = 1; i <= t.size(); ++i) {
    for (size_t j = 1; j <= p.size(); ++j) {
      char pc = p[j - 1];
      if (pc == '%') {
        ok[i][j] = ok[i][j - 1] || ok[i - 1][j];
      } else {
        ok[i][j] = ok[i - 1][j - 1] && (pc == '_' || low(pc) == low(t[i - 1]));
      }
    }
  }
  return ok[t.size()][p.size()];
}

TEST(PredicateLike, AgreesWithReferenceOnRandomInputs) {
  std::mt19937 rng(7);
  const char text_alphabet[] = "abAB%";
  const char pattern_alphabet[] = "abA%_";
  for (int iter = 0; iter < 20000; ++iter) {
    std::string t(rng() % 9, ' ');
    for (char& c : t) c = text_alphabet[rng() % 5];
    std::string p(rng() % 7, ' ');
    for (char& c : p) c = pattern_alphabet[rng() % 5];
    ASSERT_EQ(matchLike(t, p), referenceLike(t, p, false)) << "'" << t << "' LIKE '" << p << "'";
    ASSERT_EQ(matchILike(t, p), referenceLike(t, p, true)) << "'" << t << "' ILIKE '" << p << "'";
  }
}

TEST(PredicateLike, ManyWildcardsOnLongTextsStayFast) {
  const std::string as(200000, 'a');
  std::string abs;
  for (int i = 0; i < 100000; ++i) abs += "ab";
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(matchLike(as, "%a%a%a%a%a%a%b"));
  EXPECT_TRUE(matchLike(as, "%a%a%a%a%a%a"));
  EXPECT_FALSE(matchLike(abs, "%a%b%c"));
  EXPECT_TRUE(matchLike(abs, "%a_a%b%b"));
  EXPECT_FALSE(matchILike(abs, "%A%B%C"));
  EXPECT_FALSE(matchLike(as, "%aaaaaaaab"));
  EXPECT_FALSE(matchLike(as, "%_b%"));
  // Exponential backtracking would take far longer than this.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// ---- tree evaluation ------------------------------------------------------

TEST(PredicateEvaluate, LogicAndShortCircuitInBothViews) {
  const Fields headers = {"a", "b"};
  const NameIndex index = buildNameIndex({"A", " b "});
  auto both = [&](const Expression& e, const Fields& fields) {
    bool list = direct(e, fields, headers);
    std::vector<std::optional<std::string_view>> opt(fields.begin(), fields.end());
    bool map = evaluate(e, RowMapView{index, opt});
    EXPECT_EQ(list, map);
    return list;
  };
  auto a1 = [] { return leaf(numCmp(Operator::eq, "1", "a")); };
  auto b2 = [] { return leaf(numCmp(Operator::eq, "2", "b")); };
  // NOT (a = 1 AND b = 2)
  Expression nand = notOf(andOf(a1(), b2()));
  EXPECT_TRUE(both(nand, {"0", "2"}));
  EXPECT_FALSE(both(nand, {"1", "2"}));
  EXPECT_TRUE(both(nand, {"1", "3"}));
  // a = 1 OR b = 2, every combination
  Expression either = orOf(a1(), b2());
  EXPECT_TRUE(both(either, {"1", "x"}));
  EXPECT_TRUE(both(either, {"0", "2"}));
  EXPECT_FALSE(both(either, {"0", "0"}));
  // NOT NOT keeps the value; NOT on the right child applies only there
  EXPECT_TRUE(both(notOf(notOf(a1())), {"1", "0"}));
  Expression mixed = andOf(a1(), notOf(b2()));
  EXPECT_TRUE(both(mixed, {"1", "3"}));
  EXPECT_FALSE(both(mixed, {"1", "2"}));
  // NOT (x OR y) where the left decides
  EXPECT_FALSE(both(notOf(orOf(a1(), b2())), {"1", "0"}));
  EXPECT_TRUE(both(notOf(orOf(a1(), b2())), {"0", "0"}));
  // (a=1 OR b=2) AND NOT (a=1 AND b=2): exclusive or
  Expression x_or = andOf(orOf(a1(), b2()), notOf(andOf(a1(), b2())));
  EXPECT_FALSE(both(x_or, {"1", "2"}));
  EXPECT_TRUE(both(x_or, {"1", "0"}));
  EXPECT_TRUE(both(x_or, {"0", "2"}));
  EXPECT_FALSE(both(x_or, {"0", "0"}));
}

TEST(PredicateEvaluate, MissingColumnsAbsentFieldsAndShortRows) {
  const Fields headers = {"id", "name"};
  Expression is_null = leaf(textCmp(Operator::is_null, "", "name"));
  Expression not_null = leaf(textCmp(Operator::is_not_null, "", "name"));
  // List view: a row too short to have the column reads the empty field.
  EXPECT_TRUE(direct(is_null, {"1"}, headers));
  EXPECT_FALSE(direct(not_null, {"1"}, headers));
  EXPECT_TRUE(direct(is_null, {"1", ""}, headers));
  EXPECT_FALSE(direct(is_null, {"1", " "}, headers));
  // A column that is not in the header is false, and its negation true.
  Expression ghost = leaf(textCmp(Operator::is_null, "", "ghost"));
  EXPECT_FALSE(direct(ghost, {"1", ""}, headers));
  EXPECT_TRUE(direct(notOf(leaf(textCmp(Operator::is_null, "", "ghost"))), {"1", ""}, headers));
  // Header names match by exact bytes.
  EXPECT_FALSE(direct(is_null, {"1", ""}, {"id", "Name"}));

  // Map view: an absent field or a short row makes the comparison false.
  const NameIndex index = buildNameIndex({"id", "name"});
  std::vector<std::optional<std::string_view>> absent = {"1", std::nullopt};
  EXPECT_FALSE(evaluate(is_null, RowMapView{index, absent}));
  EXPECT_FALSE(evaluate(not_null, RowMapView{index, absent}));
  std::vector<std::optional<std::string_view>> short_row = {"1"};
  EXPECT_FALSE(evaluate(is_null, RowMapView{index, short_row}));
  std::vector<std::optional<std::string_view>> present = {"1", ""};
  EXPECT_TRUE(evaluate(is_null, RowMapView{index, present}));
  EXPECT_FALSE(evaluate(ghost, RowMapView{index, present}));
}

TEST(PredicateEvaluate, DeepRightChainsDoNotRecurse) {
  // a = 1 AND (a = 1 AND (... )) thirty thousand deep, plus NOT NOT runs.
  Expression chain = leaf(numCmp(Operator::eq, "1", "a"));
  for (int i = 0; i < 30000; ++i) {
    Expression inner = (i % 2 == 0) ? notOf(notOf(std::move(chain))) : std::move(chain);
    chain = andOf(leaf(numCmp(Operator::eq, "1", "a")), std::move(inner));
  }
  EXPECT_TRUE(direct(chain, {"1"}, {"a"}));
  EXPECT_FALSE(direct(chain, {"2"}, {"a"}));
}

// ---- validation -----------------------------------------------------------

TEST(PredicateValidate, ColumnNotFoundInBothViews) {
  const Fields headers = {"id", "name", "born"};
  const NameIndex index = buildNameIndex({"ID", "Name", "born"});
  auto check = [&](const Expression& e, bool ok) {
    Status list = validateWhereExprColumns(e, headers);
    Status map = validateWhereExprColumnsMap(e, index);
    EXPECT_EQ(list.ok(), ok);
    EXPECT_EQ(map.ok(), ok);
    if (!ok) {
      EXPECT_EQ(list.error(), Error::ColumnNotFound);
      EXPECT_EQ(map.error(), Error::ColumnNotFound);
    }
  };
  auto cmp = [](const char* col) { return leaf(textCmp(Operator::eq, "v", col)); };
  auto fn = [](const char* col, const char* col2) {
    FunctionComparison f;
    f.function = "datediff";
    f.part = "day";
    f.column = col;
    if (col2 != nullptr) f.column2 = col2;
    return Expression(std::move(f));
  };
  check(cmp("id"), true);
  check(cmp("missing"), false);
  check(andOf(cmp("id"), orOf(cmp("name"), notOf(cmp("born")))), true);
  check(andOf(cmp("id"), orOf(cmp("name"), notOf(cmp("nope")))), false);
  check(orOf(notOf(cmp("nope")), cmp("id")), false);
  check(fn("born", "born"), true);
  check(fn("born", nullptr), true);
  check(fn("born", "nope"), false);
  check(fn("nope", "born"), false);
  // No headers at all: every column is missing.
  EXPECT_EQ(validateWhereExprColumns(fn("born", nullptr), {}).error(), Error::ColumnNotFound);
  EXPECT_EQ(validateWhereExprColumns(cmp("id"), {}).error(), Error::ColumnNotFound);
}

// ---- date function comparisons --------------------------------------------

Expression fnCmp(const char* function, const char* part, const char* col, const char* col2,
                 Operator op, double number) {
  FunctionComparison f;
  f.function = function;
  f.part = part;
  f.column = col;
  if (col2 != nullptr) f.column2 = col2;
  f.op = op;
  f.number = number;
  return Expression(std::move(f));
}

TEST(PredicateEvaluate, DateFunctionComparisons) {
  const Fields headers = {"start", "end"};
  const Fields row = {"2024-01-01", "2024-01-31 12:00:00"};
  const NameIndex index = buildNameIndex({"start", "end"});
  std::vector<std::optional<std::string_view>> opt(row.begin(), row.end());
  auto both = [&](const Expression& e) {
    bool list = direct(e, row, headers);
    EXPECT_EQ(list, evaluate(e, RowMapView{index, opt}));
    return list;
  };
  using O = Operator;
  EXPECT_TRUE(both(fnCmp("extract", "year", "start", nullptr, O::eq, 2024)));
  EXPECT_TRUE(both(fnCmp("extract", "MONTH", "end", nullptr, O::eq, 1)));
  EXPECT_TRUE(both(fnCmp("extract", "hour", "end", nullptr, O::gt, 11)));
  EXPECT_FALSE(both(fnCmp("extract", "year", "start", nullptr, O::ne, 2024)));
  EXPECT_FALSE(both(fnCmp("extract", "year", "nope", nullptr, O::eq, 2024)));
  EXPECT_TRUE(both(fnCmp("datediff", "day", "start", "end", O::eq, 30.5)));
  EXPECT_TRUE(both(fnCmp("datediff", "hour", "start", "end", O::ge, 732)));
  EXPECT_FALSE(both(fnCmp("datediff", "day", "start", nullptr, O::eq, 0)));
  EXPECT_FALSE(both(fnCmp("datediff", "day", "start", "nope", O::eq, 0)));
  EXPECT_FALSE(both(fnCmp("dateadd", "day", "start", nullptr, O::eq, 0)));
  EXPECT_FALSE(both(fnCmp("extract", "year", "start", nullptr, O::like, 2024)));
  // An unparsable date gives the text "0", which still compares.
  EXPECT_TRUE(direct(fnCmp("extract", "year", "start", nullptr, O::eq, 0), {"garbage", ""}, headers));
}

}  // namespace
}  // namespace narwe
