// Condition parsing: tree shapes, comparison fields, rejected forms and
// hostile input (huge, deeply nested, unbalanced).
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <variant>

#include "api/api_test_support.h"
#include "common/error.h"
#include "narwe.h"
#include "sql/parser.h"

namespace narwe {
namespace {

const char* opText(Operator op) {
  switch (op) {
    case Operator::eq: return "=";
    case Operator::ne: return "!=";
    case Operator::gt: return ">";
    case Operator::ge: return ">=";
    case Operator::lt: return "<";
    case Operator::le: return "<=";
    case Operator::like: return " LIKE ";
    case Operator::ilike: return " ILIKE ";
    case Operator::between: return " BETWEEN ";
    case Operator::is_null: return " IS NULL";
    case Operator::is_not_null: return " IS NOT NULL";
  }
  return "?";
}

std::string joinItems(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "|" : "") + items[i];
  return out;
}

// A compact rendering of a tree, e.g. "OR(a=1, AND(b=2, c=3))".
std::string describe(const Expression& e) {
  if (const auto* c = std::get_if<Comparison>(&e.node)) {
    if (c->subquery) return c->column + (c->negated ? " NOT IN SUBQUERY[" : " IN SUBQUERY[") + *c->subquery + "]";
    if (c->in_values) return c->column + (c->negated ? " NOT IN[" : " IN[") + joinItems(*c->in_values) + "]";
    if (c->op == Operator::between) return c->column + " BETWEEN " + c->value + ".." + c->upper_value.value_or("?");
    if (c->modulus) return c->column + "%" + std::to_string(static_cast<int>(*c->modulus)) + opText(c->op) + c->value;
    return c->column + opText(c->op) + c->value;
  }
  if (const auto* f = std::get_if<FunctionComparison>(&e.node)) {
    return std::string(f->function == FunctionId::extract ? "extract" : "datediff") + "(" + f->part + "|" + f->column + (f->column2 ? "|" + *f->column2 : "") + ")" +
           opText(f->op) + std::to_string(static_cast<int>(f->number));
  }
  if (const auto* l = std::get_if<Logical>(&e.node)) {
    return std::string(l->is_or ? "OR(" : "AND(") + describe(*l->left) + ", " + describe(*l->right) + ")";
  }
  return "NOT(" + describe(*std::get<Not>(e.node).child) + ")";
}

std::string parsed(std::string_view text) {
  Result<Expression> result = parseExpression(text);
  if (!result.ok()) return std::string("error: ") + std::string(errorName(result.error()));
  return describe(*result);
}

const Comparison& comparisonOf(const Result<Expression>& result) { return std::get<Comparison>(result->node); }

struct ShapeCase {
  const char* text;
  const char* expected;
};

TEST(ExpressionParserShape, PrecedenceAndGrouping) {
  const ShapeCase cases[] = {
      {"a = 1 OR b = 2 AND c = 3", "OR(a=1, AND(b=2, c=3))"},
      {"a = 1 AND b = 2 OR c = 3", "OR(AND(a=1, b=2), c=3)"},
      {"a = 1 OR b = 2 OR c = 3", "OR(a=1, OR(b=2, c=3))"},
      {"NOT a = 1 AND b = 2", "NOT(AND(a=1, b=2))"},
      {"NOT a = 1 OR b = 2", "NOT(OR(a=1, b=2))"},
      {"NOT (a = 1) AND b = 2", "NOT(AND(a=1, b=2))"},
      {"NOT(a = 1)", "NOT(a=1)"},
      {"a = 1 OR NOT b = 2 OR c = 3", "OR(a=1, NOT(OR(b=2, c=3)))"},
      {"(a = 1 OR b = 2) AND c = 3", "AND(OR(a=1, b=2), c=3)"},
      {"(a = 1) OR (b = 2)", "OR(a=1, b=2)"},
      // A literal in double quotes is one literal, as one in single quotes is.
      {"a = \"(\" OR b = 2", "OR(a=(, b=2)"},
      {"a = '(' OR b = 2", "OR(a=(, b=2)"},
      {"a = \"x or y\" AND b = \")\"", "AND(a=x or y, b=))"},
      {"a IN (\"p,q\", 'r')", "a IN[p,q|r]"},
      {"  ((( a = 1 )))  ", "a=1"},
      {"x BETWEEN 1 AND 5 AND y = 2", "AND(x BETWEEN 1..5, y=2)"},
      {"y = 2 AND x BETWEEN 1 AND 5", "AND(y=2, x BETWEEN 1..5)"},
      {"x BETWEEN 1 AND 5 AND y BETWEEN 'a' AND 'c' AND z = 3",
       "AND(x BETWEEN 1..5, AND(y BETWEEN a..c, z=3))"},
      {"city = 'a or b'", "city=a or b"},
      {"name = 'x and y' AND b = 1", "AND(name=x and y, b=1)"},
      {"a = ')' OR (b = '(')", "OR(a=), b=()"},
      {"a = 1\nAND\tb = 2\r\nOR c = 3", "OR(AND(a=1, b=2), c=3)"},
  };
  for (const ShapeCase& c : cases) EXPECT_EQ(parsed(c.text), c.expected) << c.text;
}

// AND / OR written against a parenthesis: "AND(" and ")AND" split like
// " AND " does; names and literals that merely contain the words do not.
TEST(ExpressionParserShape, ConnectivesTouchingParentheses) {
  const ShapeCase cases[] = {
      {"id > 1 AND(id < 3)", "AND(id>1, id<3)"},
      {"id = 1 OR(id = 2)", "OR(id=1, id=2)"},
      {"id = 1 or\t(id = 2)", "OR(id=1, id=2)"},
      {"(a = 1)AND(b = 2)", "AND(a=1, b=2)"},
      {"(a = 1)OR b = 2", "OR(a=1, b=2)"},
      {"(a = 1)and b = 2 OR(c = 3)", "OR(AND(a=1, b=2), c=3)"},
      {"a = 1 and(b = 2) or(c = 3)", "OR(AND(a=1, b=2), c=3)"},
      {"a = 1 OR b = 2 AND(c = 3)", "OR(a=1, AND(b=2, c=3))"},
      {"a = 1 OR((b = 2))", "OR(a=1, b=2)"},
      {"a = 1 AND(b = 2 OR(c = 3 AND(d = 4)))", "AND(a=1, OR(b=2, AND(c=3, d=4)))"},
      {"((a = 1)OR(b = 2))AND(c = 3)", "AND(OR(a=1, b=2), c=3)"},
      {"NOT(a = 1)AND(b = 2)", "NOT(AND(a=1, b=2))"},
      {"a = 1 AND NOT(b = 2)", "AND(a=1, NOT(b=2))"},
      {"a = 1 AND(NOT b = 2)", "AND(a=1, NOT(b=2))"},
      {"a IN (1, 2)AND b = 3", "AND(a IN[1|2], b=3)"},
      {"a IS NULL OR(b LIKE 'x%')", "OR(a IS NULL, b LIKE x%)"},
      {"count(*) > 1 AND(sum(x) < 5)", "AND(count(*)>1, sum(x)<5)"},
      {"extract(year from d) = 2020 AND(x = 1)", "AND(extract(year|d)=2020, x=1)"},
      // BETWEEN keeps its own AND, also when a bound is parenthesised.
      {"x BETWEEN 1 AND(5)", "x BETWEEN 1..5"},
      {"x BETWEEN (1) AND ( (5) )", "x BETWEEN 1..5"},
      {"x BETWEEN (1)AND(5)OR y = 2", "OR(x BETWEEN 1..5, y=2)"},
      {"x BETWEEN 1 AND(5) AND(y = 2)", "AND(x BETWEEN 1..5, y=2)"},
      {"y = 2 AND(x BETWEEN 1 AND(5))", "AND(y=2, x BETWEEN 1..5)"},
      {"x BETWEEN '(a)' AND '(z)'", "x BETWEEN (a)..(z)"},
      {"x BETWEEN (1) + 1 AND 5", "x BETWEEN (1) + 1..5"},
      // Quoted text and names holding the words stay whole.
      {"name = 'x and(y)'", "name=x and(y)"},
      {"name = 'p or(q' OR(b = 1)", "OR(name=p or(q, b=1)"},
      {"name LIKE '% AND(%'", "name LIKE % AND(%"},
      {"a IN ('or(', ')and(') AND b = 1", "AND(a IN[or(|)and(], b=1)"},
      {"brand=1", "brand=1"},
      {"band = 2 AND order_id = 3", "AND(band=2, order_id=3)"},
      {"order_id = 1 OR oracle = 2", "OR(order_id=1, oracle=2)"},
      {"x = 1 ANDROID(2)", "x=1 ANDROID(2)"},
      {"x = 1 ORDER(2)", "x=1 ORDER(2)"},
      {"x = f(1)andy", "x=f(1)andy"},
  };
  for (const ShapeCase& c : cases) EXPECT_EQ(parsed(c.text), c.expected) << c.text;

  // The operand after "AND(" starts at the parenthesis, so the whole
  // parenthesised group is the right child.
  Result<Expression> result = parseExpression("a = 1 AND(b = 2) ");
  ASSERT_TRUE(result.ok());
  const auto& logical = std::get<Logical>(result->node);
  EXPECT_FALSE(logical.is_or);
  EXPECT_EQ(std::get<Comparison>(logical.left->node).value, "1");
  EXPECT_EQ(std::get<Comparison>(logical.right->node).column, "b");

  Result<Expression> between = parseExpression("x BETWEEN 1 AND(5)");
  ASSERT_TRUE(between.ok());
  EXPECT_EQ(comparisonOf(between).upper_value, "5");
  EXPECT_EQ(comparisonOf(between).upper_number, 5.0);
}

TEST(ExpressionParserShape, ComparisonForms) {
  const ShapeCase cases[] = {
      {"Name = 'x'", "name=x"},
      {"age >= 18", "age>=18"},
      {"age<=18", "age<=18"},
      {"a != 'b'", "a!=b"},
      {"a <> 'b'", "a!=b"},
      {"a < -1", "a<-1"},
      {"a > \"q\"", "a>q"},
      {"name = 'O''Brien'", "name=O''Brien"},
      // A value spelled like a connective, and parentheses inside quotes.
      {"state = OR", "state=OR"},
      {"a IN (x, or)", "a IN[x|or]"},
      {"name = 'f(x' AND b = \"y)\"", "AND(name=f(x, b=y))"},
      {"name = 'a = b'", "name=a = b"},
      {"id % 2 = 0", "id%2=0"},
      {"id % 3 != 1", "id%3!=1"},
      {"id % 2 >= '1'", "id%2>=1"},
      {"a IN (1, 'x', \"y\", ' z ')", "a IN[1|x|y| z ]"},
      {"a IN ('x,y', 'q')", "a IN[x,y|q]"},
      {"a NOT IN ('1','2')", "a NOT IN[1|2]"},
      {"a IN(1,2)", "a IN[1|2]"},
      {"id IN (SELECT id FROM g)", "id IN SUBQUERY[SELECT id FROM g]"},
      {"id NOT IN ( select id from g where x = 1 )", "id NOT IN SUBQUERY[select id from g where x = 1]"},
      {"id IN (selected, other)", "id IN[selected|other]"},
      {"x IS NULL", "x IS NULL"},
      {"x is not null", "x IS NOT NULL"},
      {"x IS  NOT\tNULL", "x IS NOT NULL"},
      {"name LIKE 'A%'", "name LIKE A%"},
      {"name ILIKE 'b_b'", "name ILIKE b_b"},
      {"name NOT LIKE 'a%'", "NOT(name LIKE a%)"},
      {"name not ilike 'a%'", "NOT(name ILIKE a%)"},
      {"x NOT BETWEEN 1 AND 2", "NOT(x BETWEEN 1..2)"},
      {"x BETWEEN 'a and b' AND 'z'", "x BETWEEN a and b..z"},
      {"count(*) > 5", "count(*)>5"},
      {"sum(a) > sum(b)", "sum(a)>sum(b)"},
      {"EXTRACT(YEAR FROM OrderDate) = 2020", "extract(YEAR|orderdate)=2020"},
      {"datediff('day', Start, End) > 5", "datediff(day|start|end)>5"},
      {"extract(month from d) <> '3'", "extract(month|d)!=3"},
  };
  for (const ShapeCase& c : cases) EXPECT_EQ(parsed(c.text), c.expected) << c.text;
}

TEST(ExpressionParserFields, LiteralsAndNumbers) {
  Result<Expression> quoted_number = parseExpression("age = '42'");
  ASSERT_TRUE(quoted_number.ok());
  EXPECT_EQ(comparisonOf(quoted_number).value, "42");
  EXPECT_EQ(comparisonOf(quoted_number).number, 42.0);

  Result<Expression> text = parseExpression("name = 'x'");
  ASSERT_TRUE(text.ok());
  EXPECT_FALSE(comparisonOf(text).number.has_value());
  EXPECT_FALSE(comparisonOf(text).negated);

  // A literal reading as NaN stays text so that it can match its own bytes.
  Result<Expression> nan = parseExpression("status = 'NaN'");
  ASSERT_TRUE(nan.ok());
  EXPECT_FALSE(comparisonOf(nan).number.has_value());

  Result<Expression> between = parseExpression("x BETWEEN '1.5' AND 10");
  ASSERT_TRUE(between.ok());
  EXPECT_EQ(comparisonOf(between).op, Operator::between);
  EXPECT_EQ(comparisonOf(between).number, 1.5);
  EXPECT_EQ(comparisonOf(between).upper_number, 10.0);

  Result<Expression> text_between = parseExpression("x BETWEEN 'a' AND 'c'");
  ASSERT_TRUE(text_between.ok());
  EXPECT_FALSE(comparisonOf(text_between).number.has_value());
  EXPECT_EQ(comparisonOf(text_between).upper_value, "c");

  Result<Expression> modulo = parseExpression("amount % 2 = 0");
  ASSERT_TRUE(modulo.ok());
  EXPECT_EQ(comparisonOf(modulo).modulus, 2.0);
  EXPECT_EQ(comparisonOf(modulo).op, Operator::eq);
  EXPECT_EQ(comparisonOf(modulo).value, "0");
  EXPECT_EQ(comparisonOf(modulo).number, 0.0);

  Result<Expression> is_null = parseExpression("x IS NULL");
  ASSERT_TRUE(is_null.ok());
  EXPECT_EQ(comparisonOf(is_null).value, "");
  EXPECT_FALSE(comparisonOf(is_null).in_values.has_value());

  Result<Expression> subquery = parseExpression("id IN (SELECT id FROM g)");
  ASSERT_TRUE(subquery.ok());
  EXPECT_EQ(comparisonOf(subquery).op, Operator::eq);
  EXPECT_EQ(comparisonOf(subquery).value, "");
  EXPECT_FALSE(comparisonOf(subquery).in_values.has_value());

  Result<Expression> datediff = parseExpression("DATEDIFF('day', a, b) >= 2.5");
  ASSERT_TRUE(datediff.ok());
  const auto& function = std::get<FunctionComparison>(datediff->node);
  EXPECT_EQ(function.number, 2.5);
  EXPECT_EQ(function.op, Operator::ge);
}

struct ErrorCase {
  const char* text;
  Error expected;
};

TEST(ExpressionParserErrors, RejectedConditions) {
  const ErrorCase cases[] = {
      {"", Error::InvalidExpression},
      {" \t\n ", Error::InvalidExpression},
      {"()", Error::InvalidExpression},
      {"a", Error::InvalidExpression},
      {"a = 1 AND ()", Error::InvalidExpression},
      {"= 5", Error::InvalidExpression},
      {"a =", Error::InvalidExpression},
      {"a = 1 AND (b = 2", Error::InvalidExpression},
      {"(a = 1", Error::InvalidExpression},
      {"name = 'abc", Error::UnterminatedQuotedValue},
      {"name = \"abc", Error::UnterminatedQuotedValue},
      {"name = '", Error::UnterminatedQuotedValue},
      {"name LIKE 'abc", Error::UnterminatedQuotedValue},
      // A double-quoted literal is one literal, as a single-quoted one is:
      // the AND inside it does not close the range.
      {"x BETWEEN \"a AND b\"", Error::InvalidExpression},
      {"x BETWEEN 'a AND b", Error::InvalidExpression},
      {"a == 1", Error::InvalidOperator},
      {"a => 1", Error::InvalidOperator},
      {"a =< 1", Error::InvalidOperator},
      {"a !== 1", Error::InvalidOperator},
      {"a % 2 == 0", Error::InvalidOperator},
      {"x BETWEEN 1", Error::InvalidExpression},
      {"x BETWEEN AND 5", Error::InvalidExpression},
      {"x BETWEEN 1 AND ", Error::InvalidExpression},
      {"a IN (1, 2", Error::InvalidExpression},
      {"a IN ()", Error::InvalidExpression},
      {"a IN (1,,2)", Error::InvalidExpression},
      {"a IN (1) AND", Error::InvalidExpression},
      {"a IN (1) b", Error::InvalidExpression},
      {"a IS NULL b = 1", Error::InvalidExpression},
      {"a % x = 1", Error::InvalidExpression},
      {"a % 2", Error::InvalidExpression},
      {"a % 2 = ", Error::InvalidExpression},
      {"extract(year d) = 1", Error::InvalidExpression},
      {"extract(year from d) = abc", Error::InvalidExpression},
      {"extract(year from d) + 1 = 5", Error::InvalidExpression},
      {"extract(year from d = 5", Error::InvalidExpression},
      {"datediff('day', a) > 1", Error::InvalidExpression},
      {"datediff('day', a, , b) > 1", Error::InvalidExpression},
      {"dateadd('day', x, d) = 1", Error::InvalidExpression},
      // DATEADD yields a date: a comparison with a number is refused.
      {"DATEADD('day', 3, d) = 1", Error::InvalidExpression},
      {"a = 1 OR dateadd('day', 3, d) > 0", Error::InvalidExpression},
      {"a = 1 AND()", Error::InvalidExpression},
      // Parentheses that do not pair up, and a bare AND / OR at the end.
      {"id > (1", Error::InvalidExpression},
      {"id > 1)", Error::InvalidExpression},
      {"id BETWEEN 1 AND (4", Error::InvalidExpression},
      {"(a = 1) OR (b = 2))", Error::InvalidExpression},
      {"id >= 1 AND", Error::InvalidExpression},
      {"id >= 1 and ", Error::InvalidExpression},
      {"id BETWEEN 1 AND 4 AND", Error::InvalidExpression},
      {"(a = 1)OR", Error::InvalidExpression},
      {"a = 1 OR(", Error::InvalidExpression},
      {"a = 1 AND(b = 2", Error::InvalidExpression},
      {"(a = 1)AND", Error::InvalidExpression},
      {"x BETWEEN 1 AND()", Error::InvalidExpression},
      {"x BETWEEN (1 AND 5", Error::InvalidExpression},
  };
  for (const ErrorCase& c : cases) {
    Result<Expression> result = parseExpression(c.text);
    EXPECT_FALSE(result.ok()) << c.text << " parsed as " << (result.ok() ? describe(*result) : "");
    if (!result.ok()) {
      EXPECT_EQ(errorName(result.error()), errorName(c.expected)) << c.text;
    }
  }
}

TEST(ExpressionParserErrors, DirectComparisonEntries) {
  EXPECT_EQ(parseComparison("a ~ 1", "~", 2).error(), Error::InvalidOperator);
  EXPECT_EQ(parseComparison("a LIKE 1", "LIKE", 2).error(), Error::InvalidOperator);
  EXPECT_EQ(parseComparison("a = 1", "=", 40).error(), Error::InvalidExpression);
  Result<Expression> ok = parseComparison("Score >= 7", ">=", 6);
  ASSERT_TRUE(ok.ok());
  EXPECT_EQ(describe(*ok), "score>=7");
  EXPECT_EQ(parseModComparison("a % 2 = 1", 40).error(), Error::InvalidExpression);
  EXPECT_EQ(parseModComparison("a + 2 = 1", 1).error(), Error::InvalidExpression);
}

// Depth of the right spine, walked without recursion.
size_t rightSpineLength(const Expression& root) {
  size_t length = 0;
  const Expression* e = &root;
  while (const auto* l = std::get_if<Logical>(&e->node)) {
    ++length;
    e = l->right.get();
  }
  return length;
}

// Processor time, so that a busy machine does not fail the check.
double secondsSince(std::clock_t start) { return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }

constexpr size_t kHugeTermCount = 20000;  // 0.2 to 0.7 megabyte of condition text
constexpr size_t kDeepNesting = 100000;
constexpr double kGenerousSeconds = 5.0;   // catches quadratic work, not tuning

TEST(ExpressionParserLimits, LongChainsAreLinear) {
  struct Chain {
    const char* term;
    const char* joiner;
  };
  const Chain chains[] = {
      {"a = 1", " OR "},
      {"a = 1", " AND "},
      {"a = 1", " AND x BETWEEN 1 AND 2 AND "},
      {"(a = 1)", "OR"},
      {"(a = 1)", " AND"},
      {"a = 1", " AND x BETWEEN (1)AND(2) AND "},
  };
  for (const Chain& chain : chains) {
    std::string text = chain.term;
    for (size_t i = 1; i < kHugeTermCount; ++i) (text += chain.joiner) += chain.term;
    const std::clock_t start = std::clock();
    Result<Expression> result = parseExpression(text);
    EXPECT_LT(secondsSince(start), kGenerousSeconds) << chain.joiner;
    ASSERT_TRUE(result.ok()) << chain.joiner;
    EXPECT_GE(rightSpineLength(*result), kHugeTermCount - 1) << chain.joiner;
  }
}

TEST(ExpressionParserLimits, NestingIsBoundedNotFatal) {
  auto nested = [](size_t depth, const std::string& inner) {
    return std::string(depth, '(') + inner + std::string(depth, ')');
  };
  EXPECT_EQ(parsed(nested(kMaxConditionNesting, "a = 1")), "a=1");
  EXPECT_EQ(parseExpression(nested(kMaxConditionNesting + 1, "a = 1")).error(), Error::InvalidExpression);
  EXPECT_EQ(parseExpression(nested(kDeepNesting, "a = 1")).error(), Error::InvalidExpression);
  EXPECT_EQ(parseExpression(std::string(kDeepNesting, '(')).error(), Error::InvalidExpression);
  EXPECT_EQ(parseExpression(std::string(kDeepNesting, ')')).error(), Error::InvalidExpression);
  EXPECT_EQ(parseExpression(std::string(kDeepNesting, '(') + "a = 1").error(), Error::InvalidExpression);

  // Left operands recurse; at the nesting limit they still fit a normal stack.
  std::string left_nested = "a = 1";
  for (size_t i = 0; i < kMaxConditionNesting; ++i) left_nested = "(" + left_nested + " AND b = 2) OR c = 3";
  Result<Expression> deep = parseExpression(left_nested);
  ASSERT_TRUE(deep.ok());
  left_nested = "(" + left_nested + " AND b = 2) OR c = 3";
  EXPECT_EQ(parseExpression(left_nested).error(), Error::InvalidExpression);
}

TEST(ExpressionParserLimits, HugeAndUnbalancedTextGetsNamedErrors) {
  const std::string megabyte(1 << 20, 'x');
  EXPECT_EQ(parseExpression("a = '" + megabyte).error(), Error::UnterminatedQuotedValue);
  EXPECT_EQ(parseExpression(megabyte).error(), Error::InvalidExpression);
  EXPECT_EQ(parseExpression(std::string(1 << 20, ' ') + "a = 1" + std::string(1 << 20, ' ')).ok(), true);
  std::string quotes;
  for (size_t i = 0; i < kHugeTermCount; ++i) quotes += "a = ' OR ";
  EXPECT_FALSE(parseExpression(quotes).ok());
  std::string items = "a IN (";
  for (size_t i = 0; i < kHugeTermCount; ++i) items += "'v', ";
  items += "'end')";
  Result<Expression> list = parseExpression(items);
  ASSERT_TRUE(list.ok());
  EXPECT_EQ(comparisonOf(list).in_values->size(), kHugeTermCount + 1);
}

// The same spellings end to end: the rows a user gets back.
TEST(ExpressionParserEndToEnd, ConnectivesTouchingParenthesesFilterRows) {
  testing::ScratchDir dir;
  const std::string path = dir.write("t.csv",
                                     "id,band,name\n"
                                     "1,a,x and(y)\n"
                                     "2,b,p\n"
                                     "3,c,q\n"
                                     "4,c,r\n"
                                     "5,e,s\n"
                                     "6,f,t\n");
  const ShapeCase cases[] = {
      {"WHERE id > 1 AND(id < 3)", "id\n2\n"},
      {"WHERE id = 1 OR(id = 2)", "id\n1\n2\n"},
      {"WHERE (id = 1)OR(id = 6)", "id\n1\n6\n"},
      {"WHERE id BETWEEN 2 AND(4)", "id\n2\n3\n4\n"},
      {"WHERE NOT(id < 6)AND(id > 1)", "id\n1\n6\n"},
      {"WHERE band = 'b' OR(band = 'c' AND(id > 3))", "id\n2\n4\n"},
      {"WHERE name = 'x and(y)'", "id\n1\n"},
      {"WHERE id = 6 OR(id = 1) ORDER BY id DESC", "id\n6\n1\n"},
  };
  for (const ShapeCase& c : cases) {
    const std::string sql = "SELECT id FROM '" + path + "' " + c.text;
    char* out = nullptr;
    const int rc = narwe_query_csv(sql.c_str(), &out);
    const std::string text = out ? out : "";
    narwe_free(out);
    EXPECT_EQ(rc, 0) << c.text << ": " << text;
    EXPECT_EQ(text, c.expected) << c.text;
  }
}

}  // namespace
}  // namespace narwe
