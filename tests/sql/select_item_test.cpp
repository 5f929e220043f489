// Select items parsed into trees: aggregate recognition for routing, the
// node shapes, aggregate calls with their DISTINCT, separator, CASE and
// round forms, and the spans that survive copying.
#include "sql/select_item.h"

#include "sql/parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace narwe {
namespace {

SelectItem mustParse(std::string_view text) {
  Result<SelectItem> item = parseSelectItem(text);
  EXPECT_TRUE(item.ok());
  return item.ok() ? std::move(*item) : SelectItem{};
}

bool isAggregate(const char* text) { return mustParse(text).is_aggregate; }

// ---- text helpers: DATE_PART rewriting, alias splitting, round wrappers ----

TEST(RewriteDateParts, RewritesTheFirstRecognisedCallOfEachText) {
  struct Case {
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {"DATE_PART('month', created_at)", "STRFTIME('%m', created_at)"},
      {"date_part( 'Year' , d ) AS y", "STRFTIME('%Y', d) AS y"},
      {"DATE_PART('day', d)", "STRFTIME('%d', d)"},
      {"Date_Part('minute',d)", "STRFTIME('%M', d)"},
      {"DATE_PART(' second ', d)", "STRFTIME('%S', d)"},
      {"upper(DATE_PART('year', d))", "upper(STRFTIME('%Y', d))"},
      // The column expression may itself hold a call.
      {"DATE_PART('year', trim(d))", "STRFTIME('%Y', trim(d))"},
      // Only the first call is rewritten.
      {"DATE_PART('day', a) || DATE_PART('year', b)", "STRFTIME('%d', a) || DATE_PART('year', b)"},
      // Unknown units and malformed calls stay as written.
      {"DATE_PART('week', d)", "DATE_PART('week', d)"},
      {"DATE_PART(year, d)", "DATE_PART(year, d)"},
      {"DATE_PART('year' d)", "DATE_PART('year' d)"},
      {"DATE_PART('year', d", "DATE_PART('year', d"},
      {"DATE_PART('year)", "DATE_PART('year)"},
      {"", ""},
      // A literal that merely mentions the function is data.
      {"concat(x, 'DATE_PART(''year'', d)')", "concat(x, 'DATE_PART(''year'', d)')"},
      {"coalesce(x, 'date_part(')", "coalesce(x, 'date_part(')"},
      // A ")" inside a literal of the column expression does not end the call.
      {"DATE_PART('year', coalesce(d, ')'))", "STRFTIME('%Y', coalesce(d, ')'))"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> items = {c.input};
    ASSERT_TRUE(rewriteDateParts(items).ok()) << c.input;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0], c.expected) << c.input;
  }
}

TEST(RewriteDateParts, RewritesEveryElementOfTheList) {
  std::vector<std::string> items = {"city", "DATE_PART('year', d) AS y", "date_part('month', e)"};
  ASSERT_TRUE(rewriteDateParts(items).ok());
  EXPECT_EQ(items, (std::vector<std::string>{"city", "STRFTIME('%Y', d) AS y",
                                             "STRFTIME('%m', e)"}));
}

TEST(SplitAlias, SeparatesExpressionAndAlias) {
  struct Case {
    const char* item;
    const char* expression;
    const char* alias;  // nullptr: no alias
  };
  const Case cases[] = {
      {"upper(name) AS n", "upper(name)", "n"},
      {"price total", "price", "total"},
      {"count(*) desc", "count(*) desc", nullptr},
      {"a + b", "a +", "b"},
      {"concat(a, ' as ', b)", "concat(a, ' as ', b)", nullptr},
      {"'a b' c", "'a b'", "c"},
      {"CASE WHEN a = 1 THEN 'x' ELSE 'y' END", "CASE WHEN a = 1 THEN 'x' ELSE 'y' END", nullptr},
      {"CASE WHEN a = 1 THEN 'x' ELSE 'y' END flag", "CASE WHEN a = 1 THEN 'x' ELSE 'y' END", "flag"},
      // An AS alias with a space falls back to the last word.
      {"x AS first name", "x AS first", "name"},
      // A trailing AS without alias, reserved words and non-identifiers.
      {"sum(x) AS", "sum(x) AS", nullptr},
      {"a b(c)", "a b(c)", nullptr},
      {"a 1b", "a 1b", nullptr},
      {"x as y(z)", "x as y(z)", nullptr},
      {"f(a AS b)", "f(a AS b)", nullptr},
      // ")" never takes the depth below zero.
      {"x ) y", "x )", "y"},
      {"'abc def", "'abc def", nullptr},
      // Any run of blanks separates the words.
      {"price\ttotal", "price", "total"},
      {"price total\n", "price", "total"},
      {"name\nAS n", "name", "n"},
      {"upper(name)\r\n\tas\t\tu", "upper(name)", "u"},
      {"x AS\tfirst\nname", "x AS\tfirst", "name"},
      {"CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND\nflag",
       "CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND", "flag"},
      {"CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND", "CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND",
       nullptr},
      {"f(a\nAS b)", "f(a\nAS b)", nullptr},
      {"", "", nullptr},
  };
  for (const Case& c : cases) {
    AliasSplit split = splitAlias(c.item);
    EXPECT_EQ(split.expression, c.expression) << c.item;
    if (c.alias == nullptr) {
      EXPECT_FALSE(split.alias.has_value()) << c.item << " -> " << *split.alias;
    } else {
      ASSERT_TRUE(split.alias.has_value()) << c.item;
      EXPECT_EQ(*split.alias, c.alias) << c.item;
    }
  }
}

TEST(SplitAlias, LongBlankRunsAreWalkedOnce) {
  // A megabyte of blanks between the words: quadratic work would take
  // minutes here (and the test would time out), linear work milliseconds.
  const std::string blanks(1 << 20, ' ');
  const std::string with_as = "id" + blanks + "AS" + blanks + "k";  // the split views into it
  AliasSplit split = splitAlias(with_as);
  EXPECT_EQ(split.expression, "id");
  ASSERT_TRUE(split.alias.has_value());
  EXPECT_EQ(*split.alias, "k");
  const std::string bare = "id" + blanks + "x";
  split = splitAlias(bare);
  EXPECT_EQ(split.expression, "id");
  EXPECT_EQ(split.alias.value_or(""), "x");
}

TEST(ParseRoundWrapper, RecognisesRoundWithDigits) {
  struct Case {
    const char* text;
    const char* inner;  // nullptr: not a wrapper
    int digits;
  };
  const Case cases[] = {
      {"round(avg(x), 2)", "avg(x)", 2},
      {"ROUND( sum(a) , 3 )", "sum(a)", 3},
      {"  round(x,1)  ", "x", 1},
      {"round(f(a, b), 2)", "f(a, b)", 2},
      {"round(x, 255)", "x", 255},
      {"round(x)", nullptr, 0},
      {"round(x, 256)", nullptr, 0},
      {"round(x, -1)", nullptr, 0},
      {"round(x, 2) AS y", nullptr, 0},
      {"round(a,1", nullptr, 0},
      {"rounds(x, 1)", nullptr, 0},
  };
  for (const Case& c : cases) {
    std::optional<RoundWrapper> wrapper = parseRoundWrapper(c.text);
    if (c.inner == nullptr) {
      EXPECT_FALSE(wrapper.has_value()) << c.text;
    } else {
      ASSERT_TRUE(wrapper.has_value()) << c.text;
      EXPECT_EQ(wrapper->inner, c.inner) << c.text;
      EXPECT_EQ(wrapper->digits, c.digits) << c.text;
    }
  }
}

TEST(SelectItemAggregate, RecognisesAggregateCalls) {
  const char* aggregates[] = {
      "sum(a)",
      "COUNT(*)",
      "count(distinct x)",
      "SUM ( price )",
      "  avg(x)  ",
      "sum(a) + 1",
      "sum(a",
      "sum(a) AS total",
      "count(x) c",
      "min(a)", "max(a)", "median(x)", "MEDIAN(x)", "variance(x)", "var(x)", "var_pop(x)",
      "var_samp(x)", "stddev(x)", "stddev_pop(x)", "stddev_samp(x)", "std(x)",
      "group_concat(name, ';')", "string_agg(n, ' | ')",
      "sum(CASE WHEN s = 'p' THEN a ELSE 0 END)",
      // round wrappers, nested and aliased
      "round(avg(x), 2)",
      "ROUND( round(sum(x), 2) , 1)",
      "round(avg(x), 2) AS a",
      "round(avg(x), 2) avg_x",
      // CASE whose condition calls an aggregate
      "CASE WHEN sum(x) > 100 THEN 'big' ELSE 'small' END",
      "case when COUNT(*) > 1 then 1 else 0 end",
      "CASE WHEN a > 1 AND max(b) < 3 THEN 1 ELSE 0 END AS flag",
      "CASE WHEN (avg(b)) > 3 THEN 1 ELSE 0 END",
      "CASE WHEN sum(x) > 100\n  THEN 'big'\n  ELSE 'small' END",
  };
  for (const char* item : aggregates) EXPECT_TRUE(isAggregate(item)) << item;
}

TEST(SelectItemAggregate, RejectsEverythingElse) {
  const char* others[] = {
      "",
      "   ",
      "a",
      "sum",
      "summary",
      "summary(x)",
      "avg_x(x)",
      "x_sum(a)",
      "count_distinct(x)",
      "upper(name)",
      "round(x, 2)",
      "round(x)",
      "round(sum(x))",
      "(sum(x))",
      "verylongname(x)",
      "abs(sum)",
      // CASE forms: only the condition counts, and the call must be direct
      "CASE WHEN a > 1 THEN sum(b) ELSE 0 END",
      "CASE WHEN mysum(x) > 1 THEN 1 ELSE 0 END",
      "CASE WHEN summary(x) > 1 THEN 1 ELSE 0 END",
      "CASE WHEN sum (x) > 1 THEN 1 ELSE 0 END",
      "CASE WHEN sum THEN 1 ELSE 0 END",
      "CASE WHEN sum(x) > 1",
      "CASE x",
  };
  for (const char* item : others) EXPECT_FALSE(isAggregate(item)) << item;
}


// One row per item: the root's kind, its function or aggregate, and the
// text of the pieces the later stages read.
TEST(SelectItemTree, NodeShapes) {
  const struct {
    const char* text;
    NodeKind kind;
    const char* detail;  // argument / arguments / condition text
    const char* alias;
  } rows[] = {
      {"name", NodeKind::column, "", ""},
      {" Name AS n ", NodeKind::column, "", "n"},
      {"'x, y' lit", NodeKind::literal, "", "lit"},
      {"\"x, y\"", NodeKind::literal, "", ""},
      {"2.5", NodeKind::literal, "", ""},
      {"*", NodeKind::star, "", ""},
      {"upper(name)", NodeKind::call, "name", ""},
      {"concat(a, ', ', upper(b)) AS c", NodeKind::call, "a, ', ', upper(b)", "c"},
      {"nosuch(a)", NodeKind::unparsed, "", ""},
      {"sum(a) + 1", NodeKind::unparsed, "", ""},
      {"x IS NOT NULL", NodeKind::null_test, "", ""},
      {"CASE WHEN a > 1 THEN 'big' ELSE 'small' END AS size", NodeKind::case_when, "a > 1", "size"},
      {"CASE WHEN a > 1 THEN 'big' END", NodeKind::unparsed, "", ""},
      {"count(*)", NodeKind::aggregate, "*", ""},
      {"SUM ( price )", NodeKind::aggregate, "price", ""},
      {"count()", NodeKind::aggregate, "", ""},
      {"count(DISTINCT city)", NodeKind::aggregate, "city", ""},
      {"count(distinctcity)", NodeKind::aggregate, "distinctcity", ""},
      {"round(avg(x), 2) AS a", NodeKind::aggregate, "x", "a"},
      {"string_agg(name, ' | ')", NodeKind::aggregate, "name", ""},
      {"sum(price*qty)", NodeKind::aggregate, "price*qty", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    SelectItem item = mustParse(row.text);
    EXPECT_EQ(item.root.kind, row.kind);
    EXPECT_EQ(item.alias ? item.view(*item.alias) : "", row.alias);
    std::string_view detail;
    if (row.kind == NodeKind::call) detail = item.view(item.root.arguments);
    if (row.kind == NodeKind::aggregate) detail = item.view(item.root.aggregate.argument);
    if (row.kind == NodeKind::case_when) detail = item.view(item.root.branches.at(0).condition);
    EXPECT_EQ(detail, row.detail);
  }
}

// What the scalar functions read from a call or CASE node: the argument
// children (a keyword splits CAST and EXTRACT), whether the call is the whole
// text, and the CASE comparison split at its first operator outside
// parentheses.
TEST(SelectItemTree, CallAndCaseParts) {
  const struct {
    const char* text;
    NodeKind kind;
    const char* parts;  // children (call) or left|op-right (case), '|' separated
  } rows[] = {
      {"substr(a, 2, 3)", NodeKind::call, "a|2|3"},
      {"coalesce(a, 'p,q')", NodeKind::call, "a|'p,q'"},
      {"concat(a, \"x,y\", f(b, c))", NodeKind::call, "a|\"x,y\"|f(b, c)"},
      {"cast(a AS numeric(10, 2))", NodeKind::call, "a|numeric(10, 2)"},
      {"CAST(a\n as\tint)", NodeKind::call, "a|int"},
      {"cast(a, b)", NodeKind::call, "a|b"},
      {"extract(year FROM d)", NodeKind::call, "year|d"},
      {"extract('a from b' from d)", NodeKind::call, "'a from b'|d"},
      {"upper(a) || lower(b)", NodeKind::unparsed, ""},
      {"upper(')') ", NodeKind::call, "')'"},
      {"CASE WHEN a >= 'x)' THEN 1 ELSE 2 END", NodeKind::case_when, "a|>=|'x)'"},
      {"CASE WHEN f(a = 1) <> 2 THEN 1 ELSE 2 END", NodeKind::case_when, "f(a = 1)|<>|2"},
      {"CASE WHEN a THEN 1 ELSE 2 END", NodeKind::case_when, ""},
      {"a IS NOT NULL AND b IS NULL", NodeKind::column, ""},
      {"a IS NULL AND b IS NOT NULL", NodeKind::null_test, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    SelectItem item = mustParse(row.text);
    ASSERT_EQ(item.root.kind, row.kind);
    std::string parts;
    if (row.kind == NodeKind::call) {
      const bool keyword_call = item.root.function == FunctionId::cast ||
                                item.root.function == FunctionId::extract;
      EXPECT_EQ(item.root.keyword_arguments, keyword_call && parts.empty() &&
                                                 std::string_view(row.text) != "cast(a, b)");
      for (const ExprNode& child : item.root.children) {
        if (!parts.empty()) parts += '|';
        parts += item.view(child.span);
      }
    }
    if (row.kind == NodeKind::case_when && item.root.branches.at(0).comparison) {
      const CaseBranch& branch = item.root.branches.at(0);
      const std::string_view condition = item.view(branch.condition);
      parts = std::string(item.view(branch.left)) + "|" +
              std::string(condition.substr(branch.left.end - branch.condition.start,
                                           branch.right.start - branch.left.end)) +
              "|" + std::string(item.view(branch.right));
      parts.erase(std::remove(parts.begin(), parts.end(), ' '), parts.end());
      std::string expected = row.parts;
      expected.erase(std::remove(expected.begin(), expected.end(), ' '), expected.end());
      EXPECT_EQ(parts, expected);
      continue;
    }
    EXPECT_EQ(parts, row.parts);
  }
  // A list inside a round wrapper is marked as one.
  EXPECT_TRUE(mustParse("round(a, b, 2)").root.has_top_level_comma);
  EXPECT_FALSE(mustParse("round(f(a, b), 2)").root.has_top_level_comma);
}

TEST(SelectItemTree, AggregateForms) {
  SelectItem item = mustParse("COUNT(DISTINCT city)");
  EXPECT_EQ(item.root.aggregate.kind, AggKind::count_distinct);
  EXPECT_TRUE(item.root.aggregate.distinct);
  item = mustParse("count(*)");
  EXPECT_EQ(item.root.aggregate.kind, AggKind::count);
  EXPECT_TRUE(item.root.aggregate.star);
  item = mustParse("group_concat(name)");
  EXPECT_EQ(item.root.aggregate.separator, ",");
  EXPECT_FALSE(item.root.aggregate.has_separator);
  item = mustParse("group_concat(name, ';')");
  EXPECT_EQ(item.root.aggregate.separator, ";");
  item = mustParse("group_concat(name, '')");
  EXPECT_EQ(item.root.aggregate.separator, "");
  EXPECT_TRUE(item.root.aggregate.has_separator);
  item = mustParse("variance(x)");
  EXPECT_EQ(item.root.aggregate.kind, AggKind::var_samp);
  item = mustParse("ROUND( round(sum(x), 2) , 1)");
  EXPECT_EQ(item.round_digits, (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(item.root.aggregate.kind, AggKind::sum);

  // An aggregate over a CASE keeps the CASE parts and the parsed condition.
  item = mustParse("sum(CASE WHEN status = 'paid' THEN amount ELSE 0 END) AS paid");
  ASSERT_EQ(item.root.kind, NodeKind::aggregate);
  ASSERT_TRUE(item.root.aggregate.case_argument);
  const CaseArgument& arg = *item.root.aggregate.case_argument;
  EXPECT_EQ(item.view(arg.condition), "status = 'paid'");
  EXPECT_EQ(item.view(arg.then_value), "amount");
  EXPECT_EQ(item.view(arg.else_value), "0");
  ASSERT_TRUE(arg.parsed_condition);
  EXPECT_EQ(std::get<Comparison>(arg.parsed_condition->node).value, "paid");
  item = mustParse("sum(CASE WHEN a == 1 THEN 1 ELSE 0 END)");
  ASSERT_TRUE(item.root.aggregate.case_argument);
  EXPECT_EQ(item.root.aggregate.case_argument->condition_error, Error::InvalidOperator);
  EXPECT_FALSE(mustParse("sum(CASE WHEN a = 1 THEN 1 END)").root.aggregate.case_argument);
  EXPECT_FALSE(mustParse("median(CASE WHEN a = 1 THEN 1 ELSE 0 END)").root.aggregate.case_argument);

  // A CASE whose condition tests an aggregate keeps that call as a node.
  item = mustParse("CASE WHEN sum(x) >= 100 THEN 'big' ELSE 'small' END");
  ASSERT_EQ(item.root.kind, NodeKind::case_when);
  ASSERT_TRUE(item.root.condition_aggregate);
  EXPECT_EQ(item.root.condition_aggregate->aggregate.kind, AggKind::sum);
  EXPECT_EQ(item.root.condition_operator, ">=");
  EXPECT_EQ(item.view(item.root.condition_value), "100");
  EXPECT_TRUE(item.is_aggregate);
}

TEST(SelectItemTree, CopiesKeepTheirSpansValid) {
  std::vector<SelectItem> items;
  items.push_back(mustParse("CASE WHEN sum(x) > 1 THEN 'a' ELSE 'b' END AS flag"));
  std::vector<SelectItem> copy = items;  // copies own their text
  items.clear();
  EXPECT_EQ(copy[0].view(*copy[0].alias), "flag");
  EXPECT_EQ(copy[0].view(copy[0].root.condition_aggregate->span), "sum(x)");
}

TEST(SelectItemFlags, ScalarEvaluationNeeded) {
  const struct {
    const char* text;
    bool needs_scalar;
  } rows[] = {
      {"abs(x)", true},        {"x IS NULL", true},       {"CASE WHEN a = 1 THEN 1 ELSE 0 END", true},
      {"round(x, 2)", false},  {"COUNT(*)", false},       {"name", false},
      {"count_distinct(x)", false}, {"(a)", false},      {"nosuch(a)", true},
      {"upper(x) AS u", true}, {"concat(a, ' as ', b)", true},
  };
  for (const auto& row : rows) EXPECT_EQ(mustParse(row.text).needs_scalar, row.needs_scalar) << row.text;
}

// The parse builds one tree per select item, GROUP BY item and ORDER BY key,
// after DATE_PART calls have become STRFTIME calls.
TEST(SelectItemTree, ParseBuildsEveryList) {
  Result<Query> query = parse(
      "SELECT date_part('year', d) AS y, count(*) FROM f "
      "GROUP BY DATE_PART('year', d) ORDER BY y DESC, count(*)");
  ASSERT_TRUE(query.ok());
  ASSERT_TRUE(query->select_items && query->group_items && query->order_items);
  ASSERT_EQ(query->select_items->size(), 2u);
  EXPECT_EQ(query->columns[0], "STRFTIME('%Y', d) AS y");
  const SelectItem& year = (*query->select_items)[0];
  EXPECT_EQ(year.root.function, FunctionId::strftime);
  EXPECT_EQ(year.view(*year.alias), "y");
  EXPECT_TRUE((*query->select_items)[1].is_aggregate);
  ASSERT_EQ(query->group_items->size(), 1u);
  EXPECT_EQ((*query->group_items)[0].root.function, FunctionId::strftime);
  ASSERT_EQ(query->order_items->size(), 2u);
  EXPECT_EQ((*query->order_items)[0].root.kind, NodeKind::column);
  EXPECT_EQ((*query->order_items)[1].root.kind, NodeKind::aggregate);
}

}  // namespace
}  // namespace narwe

namespace narwe {
namespace {

// A query assembled without the parser gets its trees on demand; a parsed
// one keeps the trees the parse built.
TEST(SelectItemTree, TreesOfAQueryBuiltByHand) {
  Query query;
  query.columns = {"sum(a)", "upper(b) AS u"};
  std::shared_ptr<const std::vector<SelectItem>> items = selectItemsOf(query);
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 2u);
  EXPECT_TRUE((*items)[0].is_aggregate);
  EXPECT_TRUE((*items)[1].needs_scalar);
  Result<Query> parsed = parse("SELECT a FROM f");
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(selectItemsOf(*parsed), parsed->select_items);
}

}  // namespace
}  // namespace narwe
