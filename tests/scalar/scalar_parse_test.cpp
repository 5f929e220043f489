// Recognition of scalar SELECT terms: shapes, payloads and error names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/api_test_support.h"
#include "common/name_index.h"
#include "narwe.h"
#include "scalar/scalar.h"
#include "sql/select_item.h"

namespace narwe {
namespace {

// Columns: name=0 x=1 a=2 b=3 age=4 c=5 d=6 e=7 f=8 g=9 h=10 i=11
NameIndex testIndex() {
  static const std::vector<std::string_view> headers = {"Name", "x", "a", "b", "age", "c",
                                                        "d",    "e", "f", "g", "h",   "i"};
  return buildNameIndex(headers);
}

ScalarSpec mustParse(std::string_view term) {
  auto r = tryParseScalar(term, testIndex());
  EXPECT_TRUE(r.ok()) << term << ": " << errorName(r.error());
  if (!r.ok() || !r->has_value()) {
    ADD_FAILURE() << term << " was not recognised";
    return {};
  }
  return std::move(**r);
}

// "absent", an error name, or "ok".
std::string outcome(std::string_view term) {
  auto r = tryParseScalar(term, testIndex());
  if (!r.ok()) return std::string(errorName(r.error()));
  return r->has_value() ? "ok" : "absent";
}

struct OutcomeCase {
  const char* term;
  const char* expected;
};

TEST(ScalarParse, RecognitionAndErrorNames) {
  const OutcomeCase cases[] = {
      // Not scalar expressions: plain names, unknown or malformed calls.
      {"x", "absent"},
      {"foo(x)", "absent"},
      {"upper(x", "absent"},
      {"upper x)", "absent"},
      {"substr(x)", "absent"},
      {"substr(x, a)", "absent"},
      {"substr(x, 1, b)", "absent"},
      {"substr(x, _1)", "absent"},
      {"substr(x, 1_)", "absent"},
      {"lpad(x, 5, *)", "absent"},
      {"lpad(x, -1)", "absent"},
      {"lpad(x)", "absent"},
      {"replace(x, '', 'a')", "absent"},
      {"replace(x, 'a')", "absent"},
      {"replace(x, 'a', b)", "absent"},
      {"split_part(x, ',', 0)", "absent"},
      {"split_part(x, ',', -1)", "absent"},
      {"split_part(x, '', 1)", "absent"},
      {"greatest(a)", "absent"},
      {"least()", "absent"},
      {"concat()", "absent"},
      {"coalesce('x', 'y')", "absent"},
      {"cast(x AS date)", "absent"},
      {"cast(x)", "absent"},
      {"mod(x)", "absent"},
      {"mod(x, a)", "absent"},
      {"round(x, 256)", "absent"},
      {"round(zz, q)", "absent"},  // digits are checked before the column
      {"round(x, a, 2)", "absent"},   // a list is no column
      {"round(x)), 2)", "absent"},    // the call closes before the end
      {"round(round(x, 1), 2)", "ColumnNotFound"},
      {"round(x, 1_0)", "ok"},
      {"upper(a, b)", "ColumnNotFound"},
      {"upper(a, lower(b))", "ColumnNotFound"},
      {"cast(x, int)", "absent"},
      {"extract(year, x)", "absent"},
      {"datediff('day', a)", "absent"},
      {"dateadd('day', x5, a)", "absent"},
      {"extract(year a)", "absent"},
      {"strftime('%Y' a)", "absent"},
      {"CASE WHEN a = 1 THEN 'x' END", "absent"},
      {"CASE WHEN a = b THEN 'x' ELSE 'y' END", "absent"},
      {"CASE WHEN a THEN 'x' ELSE 'y' END", "absent"},
      {"CASE WHEN a = 1 THEN 'x' ELSE 'y'", "absent"},
      // CASE, WHEN and END are words of their own.
      {"CASEWHEN a = 1 THEN 'x' ELSE 'y' END", "absent"},
      {"CASE WHEN a = 1 THEN 'x' ELSE a_legend", "absent"},
      {"CASE WHEN a = 1 THEN 'x' ELSE 'y'END", "ok"},
      // A null test must end the term; as a CASE condition it has no operator.
      {"CASE WHEN x IS NULL THEN 'a' ELSE 'b' END", "absent"},
      {"case", "absent"},
      {"casey", "absent"},
      // Recognised shapes.
      {"UPPER ( Name )", "ok"},
      {"substr(x, 2)", "ok"},
      {"substring(x, -2, 1_0)", "ok"},
      {"lpad(x, -0)", "ok"},
      // leading zeros are not a length limit
      {"substr(x, 000000000000000000000000000000"
       "000000000000000000000000000000000000000002)",
       "ok"},
      {"replace(x, 'a', '')", "ok"},
      {"greatest(a, 'z', 3)", "ok"},
      {"concat(a)", "ok"},
      {"ceiling(x)", "ok"},
      {"CASE  WHEN a=1 THEN 'x' ELSE 'y'END", "ok"},
      {"x is null", "ok"},
      // Named errors.
      {"abs(upper(x))", "NestedFunctionNotSupported"},
      {"floor(round(x))", "NestedFunctionNotSupported"},
      {"substr(upper(x), 1, 2)", "ColumnNotFound"},
      {"upper(zz)", "ColumnNotFound"},
      {"upper(foo(x))", "ColumnNotFound"},
      {"abs(zz)", "ColumnNotFound"},
      {"lpad(zz, 3)", "ColumnNotFound"},
      {"greatest(a, zz)", "ColumnNotFound"},
      {"concat(a, 3)", "ColumnNotFound"},
      {"coalesce(a, zz)", "ColumnNotFound"},
      {"cast(zz AS int)", "ColumnNotFound"},
      {"datediff('day', a, zz)", "ColumnNotFound"},
      {"extract(year FROM zz)", "ColumnNotFound"},
      {"round(zz, 2)", "ColumnNotFound"},
      {"zz IS NOT NULL", "ColumnNotFound"},
      {"CASE WHEN zz = 1 THEN 'x' ELSE 'y' END", "ColumnNotFound"},
      {"CASE WHEN a = 1 THEN zz ELSE 'y' END", "ColumnNotFound"},
      {"greatest(a, b, c, d, e, f, g, h, i)", "TooManyArgs"},
      {"concat(a, b, c, d, e, f, g, h, 'x')", "TooManyArgs"},
      {"coalesce(a, b, c, d, e, f, g, h, i)", "TooManyArgs"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.term), c.expected) << c.term;
}

// A term recognised on its own and the same term as a select item with an
// alias (the projection's path) give the same outcome and the same kind and
// column; the ScalarSpec's texts point into the item's own text.
TEST(ScalarParse, SelectItemPathAgreesWithTheTerm) {
  const char* terms[] = {
      "upper(x)", "substr(x, 2, 3)", "lpad(a, 5, 'a''b')", "replace(a, 'p,q', ')')",
      "split_part(a, ',', 2)", "greatest(a, 2, 'x')", "concat(a, ', ', b)", "mod(a, 3)",
      "round(x, 2)", "round(x)", "round(round(x, 1), 2)", "round(x, a, 2)", "coalesce(a, 'p,q')",
      "coalesce()", "cast(a AS varchar(20))", "datediff('day', a, b)", "dateadd('day', 1_0, a)",
      "extract(year FROM a)", "strftime('%Y', a)", "upper(lower(trim(a)))", "abs(upper(a))",
      "CASE WHEN a >= 'x' THEN b ELSE 1 END", "CASE WHEN a THEN b ELSE c END", "a IS NOT NULL",
      "a IS NULL AND b IS NOT NULL", "upper(a) || lower(b)", "nosuch(a)", "sum(a)", "'lit'",
      "concat(a, zz)", "greatest(a, b, c, d, e, f, g, h, i)",
  };
  for (const char* term : terms) {
    SCOPED_TRACE(term);
    auto direct = tryParseScalar(term, testIndex());
    auto item = parseSelectItem(std::string(term) + " AS out");
    ASSERT_TRUE(item.ok());
    auto via_item = buildScalar(*item, testIndex());
    ASSERT_EQ(direct.ok(), via_item.ok());
    if (!direct.ok()) {
      EXPECT_EQ(errorName(direct.error()), errorName(via_item.error()));
      continue;
    }
    ASSERT_EQ(direct->has_value(), via_item->has_value());
    if (!direct->has_value()) continue;
    EXPECT_EQ((*direct)->kind, (*via_item)->kind);
    EXPECT_EQ((*direct)->col, (*via_item)->col);
    EXPECT_EQ((*direct)->arg_count, (*via_item)->arg_count);
    EXPECT_EQ((*direct)->pad, (*via_item)->pad);
    const std::string_view text = item->text;
    for (std::string_view view : {(*via_item)->pad, (*via_item)->from, (*via_item)->fmt}) {
      if (view.empty() || view == " ") continue;
      EXPECT_TRUE(view.data() >= text.data() && view.data() + view.size() <= text.data() + text.size());
    }
  }
}

TEST(ScalarParse, ColumnLookupIsCaseInsensitiveAndTrimmed) {
  ScalarSpec s = mustParse("  UPPER ( NAME )  ");
  EXPECT_EQ(s.kind, ScalarKind::upper);
  EXPECT_EQ(s.col, 0u);

  auto col = resolveCol(" AGE\t", testIndex());
  ASSERT_TRUE(col.ok());
  EXPECT_EQ(*col, std::optional<size_t>(4));
  auto call = resolveCol("age()", testIndex());
  ASSERT_TRUE(call.ok());
  EXPECT_FALSE(call->has_value());

  // Names longer than the stack scratch buffer still resolve.
  std::string long_name(300, 'q');
  std::vector<std::string_view> headers = {"a", long_name};
  NameIndex idx = buildNameIndex(headers);
  std::string upper_name(300, 'Q');
  auto r = resolveCol(upper_name, idx);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(*r, std::optional<size_t>(1));
}

TEST(ScalarParse, NestingChainsAndDepthLimit) {
  ScalarSpec s = mustParse("upper(lower(trim(x)))");
  ASSERT_EQ(s.kind, ScalarKind::nested);
  EXPECT_EQ(s.nested_op, NestedOp::upper);
  ASSERT_TRUE(s.inner);
  ASSERT_EQ(s.inner->kind, ScalarKind::nested);
  EXPECT_EQ(s.inner->nested_op, NestedOp::lower);
  ASSERT_TRUE(s.inner->inner);
  EXPECT_EQ(s.inner->inner->kind, ScalarKind::trim);
  EXPECT_EQ(s.inner->inner->col, 1u);

  ScalarSpec len = mustParse("length(substr(x, 2))");
  ASSERT_EQ(len.kind, ScalarKind::nested);
  EXPECT_EQ(len.nested_op, NestedOp::length);
  EXPECT_EQ(len.inner->kind, ScalarKind::substr);

  auto chain = [](int depth) {
    std::string t;
    for (int i = 0; i < depth; ++i) t += "upper(";
    t += "x";
    t.append(depth, ')');
    return t;
  };
  EXPECT_EQ(outcome(chain(200)), "ok");
  // A pathological chain is refused instead of exhausting the stack.
  EXPECT_EQ(outcome(chain(400)), "NestedFunctionNotSupported");
}

TEST(ScalarParse, TextFunctionPayloads) {
  ScalarSpec s = mustParse("substr(x, 2)");
  EXPECT_EQ(s.start, 2);
  EXPECT_EQ(s.count, -1);
  s = mustParse("substr(x, 2, -1)");
  EXPECT_EQ(s.count, -1);
  s = mustParse("substring(x, -2, 1_0)");
  EXPECT_EQ(s.start, -2);
  EXPECT_EQ(s.count, 10);

  s = mustParse("lpad(x, 5)");
  EXPECT_EQ(s.kind, ScalarKind::lpad);
  EXPECT_EQ(s.width, 5u);
  EXPECT_EQ(s.pad, " ");
  s = mustParse("rpad(x, 7, 'ab')");
  EXPECT_EQ(s.kind, ScalarKind::rpad);
  EXPECT_EQ(s.pad, "ab");
  s = mustParse("rpad(x, 7, '')");
  EXPECT_EQ(s.pad, "");

  s = mustParse("replace(x, 'a,b', '')");
  EXPECT_EQ(s.from, "a,b");
  EXPECT_EQ(s.to, "");
  s = mustParse("split_part(x, ',', 2)");
  EXPECT_EQ(s.delim, ",");
  EXPECT_EQ(s.index, 2u);
}

TEST(ScalarParse, ArgumentListPayloads) {
  ScalarSpec s = mustParse("greatest(a, 'z', 3)");
  ASSERT_EQ(s.arg_count, 3u);
  EXPECT_FALSE(s.args[0].is_literal);
  EXPECT_EQ(s.args[0].col, 2u);
  EXPECT_TRUE(s.args[1].is_literal);
  EXPECT_EQ(s.args[1].text, "z");
  EXPECT_TRUE(s.args[2].is_literal);
  EXPECT_EQ(s.args[2].text, "3");

  s = mustParse("least(a, 'x,y', , b)");  // commas inside quotes do not split
  ASSERT_EQ(s.arg_count, 3u);
  EXPECT_EQ(s.args[1].text, "x,y");

  s = mustParse("coalesce(a, 'n/a', b)");
  ASSERT_EQ(s.col_count, 2u);
  EXPECT_EQ(s.cols[0], 2u);
  EXPECT_EQ(s.cols[1], 3u);
  EXPECT_EQ(s.fallback, "n/a");
  s = mustParse("coalesce('first', a, 0)");  // the last literal wins
  EXPECT_EQ(s.fallback, "0");
  s = mustParse("coalesce(a)");
  EXPECT_EQ(s.fallback, "");
  s = mustParse("coalesce(a, 'p,q')");  // a quoted fallback may hold a comma
  ASSERT_EQ(s.col_count, 1u);
  EXPECT_EQ(s.fallback, "p,q");
}

TEST(ScalarParse, CastTypes) {
  const std::pair<const char*, ScalarKind> cases[] = {
      {"cast(x AS INTEGER)", ScalarKind::cast_int},
      {"CAST(x as bigint)", ScalarKind::cast_int},
      {"cast(x AS tinyint)", ScalarKind::cast_int},
      {"cast(x AS numeric(10,2))", ScalarKind::cast_float},
      {"cast(x AS DOUBLE PRECISION)", ScalarKind::cast_float},
      {"cast(x AS real)", ScalarKind::cast_float},
      {"cast(x AS varchar(20))", ScalarKind::cast_text},
      {"cast(x AS nvarchar)", ScalarKind::cast_text},
      {"cast(x AS string)", ScalarKind::cast_text},
      {"cast(x AS int8)", ScalarKind::cast_int},
      {"cast(x AS decimal (10, 2))", ScalarKind::cast_float},
      {"cast(x AS character varying(8))", ScalarKind::cast_text},
      // Blank runs around AS and inside a two-word type.
      {"cast(x\nAS\tint)", ScalarKind::cast_int},
      {"cast( x \r\n as\n double \t precision )", ScalarKind::cast_float},
  };
  for (const auto& [term, kind] : cases) {
    ScalarSpec s = mustParse(term);
    EXPECT_EQ(s.kind, kind) << term;
    EXPECT_EQ(s.col, 1u) << term;
  }
  // Type names are matched by their start, as long as the text after AS is
  // only a type (no operator or literal riding along).
  EXPECT_EQ(mustParse("cast(x AS varchar2(10))").kind, ScalarKind::cast_text);
  EXPECT_EQ(mustParse("cast(x AS int unsigned)").kind, ScalarKind::cast_int);
  for (const char* term : {"cast(x AS int * 2)", "cast(x AS text || 'a')", "cast(x AS float-1)",
                           "cast(x AS date)", "cast(xAS int)"}) {
    EXPECT_EQ(outcome(term), "absent") << term;
  }
}

TEST(ScalarParse, NumericAndDatePayloads) {
  ScalarSpec s = mustParse("mod(x, -2.5)");
  EXPECT_EQ(s.divisor, -2.5);
  s = mustParse("mod(x, 0)");
  EXPECT_EQ(s.divisor, 0.0);
  s = mustParse("round(x)");
  EXPECT_EQ(s.digits, 0);
  s = mustParse("round(x, 255)");
  EXPECT_EQ(s.digits, 255);

  s = mustParse("datediff('Day', a, b)");
  EXPECT_EQ(s.unit, "Day");
  EXPECT_EQ(s.date_unit, DateUnit::day);
  EXPECT_EQ(s.col, 2u);
  EXPECT_EQ(s.col_b, 3u);
  s = mustParse("dateadd(hour, -3, a)");
  EXPECT_EQ(s.date_unit, DateUnit::hour);
  EXPECT_EQ(s.amount, -3);
  s = mustParse("extract(year FROM a)");
  EXPECT_EQ(s.date_unit, DateUnit::year);
  s = mustParse("extract(quarter FROM a)");  // an unknown bare unit reads as 0 later
  EXPECT_EQ(s.date_unit, DateUnit::unknown);
  s = mustParse("strftime('%Y-%m', a)");
  EXPECT_EQ(s.fmt, "%Y-%m");
}

TEST(ScalarParse, CaseExpressions) {
  ScalarSpec s = mustParse("CASE WHEN age >= 18 THEN 'adult' ELSE 'minor' END");
  EXPECT_EQ(s.kind, ScalarKind::case_when);
  EXPECT_EQ(s.col, 4u);
  EXPECT_EQ(s.cmp_op, Operator::ge);
  EXPECT_TRUE(s.cmp_is_number);
  EXPECT_EQ(s.cmp_number, 18.0);
  EXPECT_EQ(s.then_value.kind, CaseValueKind::text);
  EXPECT_EQ(s.then_value.text, "adult");
  EXPECT_EQ(s.else_value.text, "minor");

  s = mustParse("case when a <> 'q' then A else 2.5 end");
  EXPECT_EQ(s.cmp_op, Operator::ne);
  EXPECT_FALSE(s.cmp_is_number);
  EXPECT_EQ(s.cmp_text, "q");
  EXPECT_EQ(s.then_value.kind, CaseValueKind::column);
  EXPECT_EQ(s.then_value.col, 2u);
  EXPECT_EQ(s.else_value.kind, CaseValueKind::number);
  EXPECT_EQ(s.else_value.number, 2.5);

  // The leftmost operator wins; at one position the two-byte form wins.
  const std::pair<const char*, Operator> ops[] = {
      {"CASE WHEN a != 1 THEN 1 ELSE 0 END", Operator::ne},
      {"CASE WHEN a <= 1 THEN 1 ELSE 0 END", Operator::le},
      {"CASE WHEN a < 1 THEN 1 ELSE 0 END", Operator::lt},
      {"CASE WHEN a > 1 THEN 1 ELSE 0 END", Operator::gt},
      {"CASE WHEN a = '>=' THEN 1 ELSE 0 END", Operator::eq},
  };
  for (const auto& [term, op] : ops) EXPECT_EQ(mustParse(term).cmp_op, op) << term;
}

TEST(ScalarParse, NullTests) {
  ScalarSpec s = mustParse("x IS NOT NULL");
  EXPECT_EQ(s.kind, ScalarKind::null_test);
  EXPECT_TRUE(s.is_not);
  EXPECT_EQ(s.col, 1u);
  s = mustParse("X\tis\r\n null");
  EXPECT_FALSE(s.is_not);
  s = mustParse("x is\nnot\tnull \n");
  EXPECT_TRUE(s.is_not);
  // Anything after the keyword makes it something other than a null test.
  for (const char* term : {"X is null and more", "x IS NOT NULL AND a IS NULL", "x is nullx",
                           "x IS NULL OR a IS NULL"}) {
    EXPECT_EQ(outcome(term), "absent") << term;
  }
  // A keyword inside a literal is data.
  EXPECT_EQ(mustParse("concat(x, ' is null')").kind, ScalarKind::concat);
}

TEST(ScalarParse, CaseValues) {
  auto v = parseCaseValue(" 'it''s' ", testIndex());
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v->kind, CaseValueKind::text);
  EXPECT_EQ(v->text, "it''s");  // no escape processing
  v = parseCaseValue("-1e3", testIndex());
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v->kind, CaseValueKind::number);
  EXPECT_EQ(v->number, -1000.0);
  v = parseCaseValue("nope", testIndex());
  EXPECT_EQ(v.error(), Error::ColumnNotFound);
}

// Terms that hold more than one expression: each is refused (absent, so the
// executor reports it as an unknown term, or a named error), never computed
// from a fragment of the text.
TEST(ScalarParse, CompoundTermsAreNotTakenApart) {
  const OutcomeCase cases[] = {
      // Several calls joined by an operator: the first "(" is not closed by
      // the final ")".
      {"cast(a AS int) * cast(b AS int)", "absent"},
      {"cast(a AS float) / cast(b AS float)", "absent"},
      {"greatest(a, '1') * least('2', b)", "absent"},
      {"concat(a, 'x') * concat('y', b)", "absent"},
      {"lpad(a, 5, 'x') || lpad(b, 5, 'y')", "absent"},
      {"replace(a, '3', 'x') || replace(b, '4', 'y')", "absent"},
      {"upper(a) || lower(b)", "absent"},
      {"upper(lower(a) || 'x')", "ColumnNotFound"},  // the inner term is not recognised
      // Text arguments that are more than one literal.
      {"lpad(a, 5, 'x' || 'y')", "absent"},
      {"replace(a, 'x' || 'y', 'z')", "absent"},
      {"replace(a, 'x', 'y' || 'z')", "absent"},
      {"replace(a, 'x', 'y', 'z')", "absent"},
      {"replace(a, junk 'x', 'y')", "absent"},
      {"split_part(a, ',' || ';', 1)", "absent"},
      {"greatest(a, 'x' || 'y')", "ColumnNotFound"},
      {"concat(a, 'x' 'y')", "ColumnNotFound"},
      {"coalesce(a, 'x' || 'y')", "ColumnNotFound"},
      // CASE: one branch, one literal per value and compare value.
      {"CASE WHEN a = 3 THEN 'x' ELSE 'y' END * CASE WHEN b = 4 THEN 'p' ELSE 'q' END",
       "ColumnNotFound"},
      {"CASE WHEN a = 3 THEN 'x' WHEN a = 5 THEN 'y' ELSE 'z' END", "ColumnNotFound"},
      {"CASE WHEN a = 3 THEN 1 WHEN a = 5 THEN 2 ELSE 0 END", "ColumnNotFound"},
      {"CASE WHEN a = 1 THEN 'x' || 'y' ELSE 'z' END", "ColumnNotFound"},
      {"CASE WHEN a = 'x' OR b = 'y' THEN 1 ELSE 0 END", "absent"},
      // Null tests followed by more text; EXTRACT units that are not a word.
      {"a IS NOT NULL AND b IS NULL", "absent"},
      {"extract('year' FROM d)", "absent"},
      {"extract(year + 1 FROM d)", "absent"},
      // Quotes, parentheses and keywords inside literals are data.
      {"concat(a, ')')", "ok"},
      {"concat(a, '(', b, ''')')", "ok"},
      {"replace(a, 'it''s', ')')", "ok"},
      {"CASE WHEN a = 'x THEN y' THEN 'ELSE' ELSE ' END' END", "ok"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.term), c.expected) << c.term;

  ScalarSpec s = mustParse("replace(a, 'it''s', ')')");
  EXPECT_EQ(s.from, "it''s");  // literals are taken as written
  EXPECT_EQ(s.to, ")");
  s = mustParse("lpad(a, 5, 'a''b')");
  EXPECT_EQ(s.pad, "a''b");
  s = mustParse("CASE WHEN a = 'x THEN y' THEN 'ELSE' ELSE ' END' END");
  EXPECT_EQ(s.cmp_text, "x THEN y");
  EXPECT_EQ(s.then_value.text, "ELSE");
  EXPECT_EQ(s.else_value.text, " END");
  s = mustParse("split_part(a, ''',', 2)");
  EXPECT_EQ(s.delim, "'',");
}

TEST(ScalarParse, KeywordsMayBeSeparatedByAnyBlankRun) {
  ScalarSpec s = mustParse("CASE\n  WHEN age >= 18\n  THEN 'adult'\n  ELSE\t'minor'\nEND");
  EXPECT_EQ(s.kind, ScalarKind::case_when);
  EXPECT_EQ(s.cmp_op, Operator::ge);
  EXPECT_EQ(s.then_value.text, "adult");
  EXPECT_EQ(s.else_value.text, "minor");
  s = mustParse("case\twhen\r\na = 'q'\fthen\va\n\nelse 1 end");
  EXPECT_EQ(s.cmp_text, "q");
  EXPECT_EQ(s.then_value.kind, CaseValueKind::column);
  EXPECT_EQ(s.else_value.number, 1.0);
  s = mustParse("extract(month\r\nFROM\ta)");
  EXPECT_EQ(s.kind, ScalarKind::extract);
  EXPECT_EQ(s.date_unit, DateUnit::month);
  EXPECT_EQ(s.col, 2u);
  // An empty THEN value is a missing column, not a missing ELSE.
  EXPECT_EQ(outcome("CASE WHEN a = 1 THEN ELSE 'y' END"), "ColumnNotFound");
  EXPECT_EQ(outcome("CASE WHENa = 1 THEN 'x' ELSE 'y' END"), "absent");
}

// The same terms through the exported entry point: every compound term is an
// error, and blank runs and text ordering give the rows a user expects.
TEST(ScalarTermsEndToEnd, CompoundTermsFailAndBlankRunsWork) {
  narwe::testing::ScratchDir dir;
  const std::string file = dir.write("ab.csv", "a,b,name\n3,4,bob\n5,6,Zed\n");
  struct Case {
    const char* select;  // followed by " FROM <file>"
    const char* expected;
  };
  const Case cases[] = {
      {"SELECT cast(a AS int) * cast(b AS int) AS k", "error: ArithmeticExpressionsNotSupported"},
      {"SELECT cast(a AS float) / cast(b AS float) AS k",
       "error: ArithmeticExpressionsNotSupported"},
      {"SELECT greatest(a, '1') * least('2', b) AS k", "error: ArithmeticExpressionsNotSupported"},
      {"SELECT concat(a, 'x') * concat('y', b) AS k", "error: ArithmeticExpressionsNotSupported"},
      {"SELECT lpad(a, 5, 'x') || lpad(b, 5, 'y') AS k", "error: ColumnNotFound"},
      {"SELECT replace(a, '3', 'x') || replace(b, '4', 'y') AS k", "error: ColumnNotFound"},
      {"SELECT CASE WHEN a = 3 THEN 'x' ELSE 'y' END * CASE WHEN b = 4 THEN 'p' ELSE 'q' END AS k",
       "error: ColumnNotFound"},
      {"SELECT a IS NOT NULL AND b IS NULL AS k", "error: ColumnNotFound"},
      {"SELECT CASE WHEN a = 3 THEN 'x' WHEN a = 5 THEN 'y' ELSE 'z' END AS k",
       "error: ColumnNotFound"},
      {"SELECT extract('year' FROM name) AS k", "error: ColumnNotFound"},
      {"SELECT CASE\n  WHEN a >= 4\n  THEN 'big'\n  ELSE 'small'\nEND AS k", "k\nsmall\nbig\n"},
      {"SELECT name\nAS n, cast(a\tAS\nint)\tAS\ti", "n,i\nbob,3\nZed,5\n"},
      {"SELECT CASE WHEN name < 'm' THEN 'lo' ELSE 'hi' END AS k", "k\nlo\nlo\n"},
      {"SELECT CASE WHEN name >= 'bob' THEN 'ge' ELSE 'lt' END AS k", "k\nge\nlt\n"},
      // A value that cannot be built fails the query instead of coming out
      // unpadded; a width that fits is built.
      {"SELECT lpad(name, 1000000000000, 'x') AS p", "error: OutOfMemory"},
      {"SELECT rpad(name, 18446744073709551615, 'x') AS p", "error: OutOfMemory"},
      {"SELECT lpad(name, 6, '.') AS p", "p\n...bob\n...Zed\n"},
  };
  for (const Case& c : cases) {
    const std::string sql = std::string(c.select) + " FROM '" + file + "'";
    char* out = nullptr;
    const int rc = narwe_query_csv(sql.c_str(), &out);
    const std::string text = out != nullptr ? out : "";
    narwe_free(out);
    EXPECT_EQ(text, c.expected) << sql;
    EXPECT_EQ(rc != 0, std::string_view(c.expected).starts_with("error: ")) << sql;
  }
}

}  // namespace
}  // namespace narwe
