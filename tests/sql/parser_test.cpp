// Statement parsing: the Query shape of each clause, FROM/JOIN forms,
// rejected SQL and hostile input.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <variant>
#include <vector>

#include "common/error.h"
#include "sql/parser.h"

namespace narwe {
namespace {

using Texts = std::vector<std::string>;

Query parsedOk(std::string_view statement) {
  Result<Query> result = parse(statement);
  EXPECT_TRUE(result.ok()) << statement << " -> " << errorName(result.error());
  return result.ok() ? std::move(result).value() : Query{};
}

const Comparison* whereComparison(const Query& query) {
  if (!query.where) return nullptr;
  return std::get_if<Comparison>(&query.where->node);
}

TEST(ParserSelectList, DefaultsAndSelectForms) {
  Query plain = parsedOk("SELECT * FROM f.csv");
  EXPECT_TRUE(plain.select_all);
  EXPECT_FALSE(plain.distinct);
  EXPECT_TRUE(plain.columns.empty());
  EXPECT_EQ(plain.file, "f.csv");
  EXPECT_EQ(plain.limit, -1);
  EXPECT_EQ(plain.offset, 0);
  EXPECT_FALSE(plain.where);
  EXPECT_FALSE(plain.having);
  EXPECT_FALSE(plain.order_by.has_value());
  EXPECT_TRUE(plain.group_by.empty());
  EXPECT_TRUE(plain.joins.empty());

  Query distinct_all = parsedOk("select distinct * from f");
  EXPECT_TRUE(distinct_all.select_all);
  EXPECT_TRUE(distinct_all.distinct);

  Query distinct = parsedOk("SELECT DISTINCT\ta, B FROM f");
  EXPECT_TRUE(distinct.distinct);
  EXPECT_FALSE(distinct.select_all);
  EXPECT_EQ(distinct.columns, (Texts{"a", "B"}));

  Query items = parsedOk("SELECT a, upper(b, 'x,y'), ,c AS Total, fromage, extract(year from d) FROM f");
  EXPECT_EQ(items.columns, (Texts{"a", "upper(b, 'x,y')", "c AS Total", "fromage", "extract(year from d)"}));

  Query leading_text = parsedOk("-- selected rows\nSELECT a FROM f;");
  EXPECT_EQ(leading_text.columns, (Texts{"a"}));
  EXPECT_EQ(leading_text.file, "f");

  EXPECT_EQ(splitCommaTerms(" a ,(b,c), 'd,e' ,, "), (Texts{"a", "(b,c)", "'d,e'"}));
  EXPECT_EQ(splitCommaTerms("f(a)), b"), (Texts{"f(a))", "b"}));
}

struct CountCase {
  const char* tail;
  int32_t limit;
  int32_t offset;
};

TEST(ParserLimitOffset, Values) {
  const CountCase cases[] = {
      {"", -1, 0},
      {"LIMIT 0", 0, 0},
      {"LIMIT 10 OFFSET 5", 10, 5},
      {"OFFSET 5 LIMIT 10", 10, 5},
      {"offset 7", -1, 7},
      {"LIMIT +3", 3, 0},
      {"LIMIT 1_000", 1000, 0},
      {"LIMIT 2147483647", 2147483647, 0},
      {"LIMIT -0", 0, 0},
      {"ORDER BY a LIMIT\n4\nOFFSET\t2", 4, 2},
      {"LIMIT 9;", 9, 0},
  };
  for (const CountCase& c : cases) {
    const std::string statement = std::string("SELECT * FROM f ") + c.tail;
    Query query = parsedOk(statement);
    EXPECT_EQ(query.limit, c.limit) << statement;
    EXPECT_EQ(query.offset, c.offset) << statement;
  }
}

struct RejectCase {
  const char* statement;
  Error expected;
};

void expectRejected(const RejectCase& c) {
  Result<Query> result = parse(c.statement);
  ASSERT_FALSE(result.ok()) << c.statement;
  EXPECT_EQ(errorName(result.error()), errorName(c.expected)) << c.statement;
}

TEST(ParserLimitOffset, RejectedValues) {
  const RejectCase cases[] = {
      {"SELECT * FROM f LIMIT -1", Error::NegativeLimitNotAllowed},
      {"SELECT * FROM f OFFSET -2", Error::NegativeOffsetNotAllowed},
      {"SELECT * FROM f LIMIT abc", Error::InvalidCharacter},
      {"SELECT * FROM f LIMIT", Error::InvalidCharacter},
      {"SELECT * FROM f LIMIT 5 5", Error::InvalidCharacter},
      {"SELECT * FROM f LIMIT 1.5", Error::InvalidCharacter},
      {"SELECT * FROM f LIMIT 1_", Error::InvalidCharacter},
      {"SELECT * FROM f LIMIT _1", Error::InvalidCharacter},
      {"SELECT * FROM f LIMIT 1__0", Error::InvalidCharacter},
      {"SELECT * FROM f LIMIT 2147483648", Error::Overflow},
      {"SELECT * FROM f OFFSET 99999999999", Error::Overflow},
      {"SELECT * FROM f LIMIT -99999999999", Error::Overflow},
  };
  for (const RejectCase& c : cases) expectRejected(c);
}

TEST(ParserClauses, BodiesEndAtTheNextClause) {
  Query query = parsedOk(
      "SELECT city, count(*) FROM 'sales.csv' WHERE amount > 100 GROUP BY city, region "
      "HAVING count(*) > 1 ORDER BY city LIMIT 5");
  EXPECT_EQ(query.file, "sales.csv");
  EXPECT_EQ(query.columns, (Texts{"city", "count(*)"}));
  const Comparison* where = whereComparison(query);
  ASSERT_NE(where, nullptr);
  EXPECT_EQ(where->column, "amount");
  EXPECT_EQ(where->op, Operator::gt);
  EXPECT_EQ(where->number, 100.0);
  EXPECT_EQ(query.group_by, (Texts{"city", "region"}));
  ASSERT_TRUE(query.having);
  EXPECT_EQ(std::get<Comparison>(query.having->node).column, "count(*)");
  ASSERT_TRUE(query.order_by.has_value());
  EXPECT_EQ(query.order_by->column, "city");
  EXPECT_EQ(query.limit, 5);

  // HAVING ends WHERE even without GROUP BY, so WHERE keeps its own literal.
  Query having = parsedOk("SELECT count(*) FROM f WHERE x > 1 HAVING count(*) > 5");
  ASSERT_NE(whereComparison(having), nullptr);
  EXPECT_EQ(whereComparison(having)->value, "1");
  EXPECT_TRUE(having.having);

  // Keywords inside literals, parentheses or longer words are not clauses.
  Query hidden = parsedOk("SELECT a FROM f WHERE note = ' limit 5 ' AND offset_x = 1 ORDER BY a");
  EXPECT_EQ(hidden.limit, -1);
  EXPECT_EQ(hidden.offset, 0);
  ASSERT_TRUE(hidden.where);
  EXPECT_TRUE(std::holds_alternative<Logical>(hidden.where->node));

  Query multiline = parsedOk("SELECT a\nFROM f\nWHERE a = 'x union y'\nGROUP\n BY a\nORDER\tBY a DESC;\n");
  EXPECT_EQ(multiline.group_by, (Texts{"a"}));
  ASSERT_TRUE(multiline.order_by.has_value());
  EXPECT_TRUE(multiline.order_by->descending);
  EXPECT_EQ(whereComparison(multiline)->value, "x union y");

  Query subquery = parsedOk("SELECT * FROM f WHERE id IN (SELECT id FROM g WHERE x = 1)");
  ASSERT_NE(whereComparison(subquery), nullptr);
  EXPECT_EQ(whereComparison(subquery)->subquery, "SELECT id FROM g WHERE x = 1");

  Query trailing = parsedOk("SELECT * FROM f WHERE a = 5 ;; ");
  EXPECT_EQ(whereComparison(trailing)->value, "5");
  EXPECT_EQ(whereComparison(trailing)->number, 5.0);
}

TEST(ParserOrderBy, Keys) {
  Query two = parsedOk("SELECT * FROM f ORDER BY x DESC, y ASC");
  ASSERT_TRUE(two.order_by.has_value());
  EXPECT_EQ(two.order_by->column, "x");
  EXPECT_TRUE(two.order_by->descending);
  ASSERT_EQ(two.order_by->extra_keys.size(), 1u);
  EXPECT_EQ(two.order_by->extra_keys[0].column, "y");
  EXPECT_FALSE(two.order_by->extra_keys[0].descending);

  Query mixed = parsedOk("SELECT * FROM f ORDER BY A desc, Name, z\tDESC, 2");
  EXPECT_EQ(mixed.order_by->column, "a");
  EXPECT_TRUE(mixed.order_by->descending);
  ASSERT_EQ(mixed.order_by->extra_keys.size(), 3u);
  EXPECT_EQ(mixed.order_by->extra_keys[0].column, "name");
  EXPECT_FALSE(mixed.order_by->extra_keys[0].descending);
  EXPECT_EQ(mixed.order_by->extra_keys[1].column, "z");
  EXPECT_TRUE(mixed.order_by->extra_keys[1].descending);
  EXPECT_EQ(mixed.order_by->extra_keys[2].column, "2");

  Query words = parsedOk("SELECT * FROM f ORDER BY description, ascii_code");
  EXPECT_EQ(words.order_by->column, "description");
  EXPECT_FALSE(words.order_by->descending);
  EXPECT_EQ(words.order_by->extra_keys[0].column, "ascii_code");

  Query call = parsedOk("SELECT * FROM f ORDER BY substr(Name, 1, 2) DESC LIMIT 3");
  EXPECT_EQ(call.order_by->column, "substr(name, 1, 2)");
  EXPECT_TRUE(call.order_by->descending);
  EXPECT_TRUE(call.order_by->extra_keys.empty());
  EXPECT_EQ(call.limit, 3);
}

TEST(ParserFrom, AliasesAndQualifiedNames) {
  Query query = parsedOk("SELECT t.a, T.b, t.* FROM data.csv t WHERE t.b = 1 ORDER BY t.a");
  EXPECT_EQ(query.file, "data.csv");
  EXPECT_EQ(query.columns, (Texts{"a", "b", "t.*"}));
  ASSERT_NE(whereComparison(query), nullptr);
  EXPECT_EQ(whereComparison(query)->column, "b");
  EXPECT_EQ(query.order_by->column, "a");

  // Literals keep their text even when it looks like a qualified name.
  Query literal = parsedOk("SELECT p.name FROM 'people.csv' p WHERE p.email = 'ann@p.com' OR p.x = 'p.x'");
  ASSERT_TRUE(literal.where);
  const auto& either = std::get<Logical>(literal.where->node);
  EXPECT_EQ(std::get<Comparison>(either.left->node).column, "email");
  EXPECT_EQ(std::get<Comparison>(either.left->node).value, "ann@p.com");
  EXPECT_EQ(std::get<Comparison>(either.right->node).value, "p.x");

  Query as = parsedOk("SELECT s.a FROM f.csv AS S WHERE xs.a = 1 AND s.b_s = 2");
  EXPECT_EQ(as.columns, (Texts{"a"}));
  const auto& both = std::get<Logical>(as.where->node);
  EXPECT_EQ(std::get<Comparison>(both.left->node).column, "xs.a");  // not the alias: part of a longer name
  EXPECT_EQ(std::get<Comparison>(both.right->node).column, "b_s");

  EXPECT_EQ(stripSingleAlias("t.a + T.b, t.1, t._c, at.d, 't.e', t.", "t"), "a + b, t.1, _c, at.d, 't.e', t.");
  EXPECT_EQ(stripSingleAlias("t.a", ""), "t.a");
  // Double-quoted literals and paths are data too.
  EXPECT_EQ(stripSingleAlias("t.a = \"t.b\" AND \"it's t.c\" = t.d", "t"),
            "a = \"t.b\" AND \"it's t.c\" = d");
  EXPECT_EQ(parsedOk("SELECT t.a FROM \"t.csv\" t WHERE t.a = \"t.x\"").file, "t.csv");
  // Names that merely begin like a keyword are aliases.
  EXPECT_EQ(parsedOk("SELECT o.a FROM f orders WHERE a = 1").file, "f");
}

TEST(ParserFrom, QuotedPathsAndStdin) {
  EXPECT_EQ(parsedOk("SELECT * FROM 'my data.csv' WHERE a = 1").file, "my data.csv");
  EXPECT_EQ(parsedOk("SELECT * FROM \"d.csv\"").file, "d.csv");
  EXPECT_EQ(parsedOk("SELECT * FROM \"my d.csv\" x LIMIT 1").file, "my d.csv");
  EXPECT_EQ(parsedOk("SELECT * FROM 'where.csv' WHERE a = 1").file, "where.csv");
  EXPECT_EQ(parsedOk("SELECT * FROM stdin").file, "stdin");
  EXPECT_EQ(parsedOk("SELECT * FROM - LIMIT 2").file, "-");

  Query joined = parsedOk("SELECT * FROM 'a b.csv' a JOIN \"c.csv\" c ON a.id = c.id JOIN 'd.csv' ON c.k = k");
  EXPECT_EQ(joined.file, "a b.csv");
  ASSERT_EQ(joined.joins.size(), 2u);
  EXPECT_EQ(joined.joins[0].file, "c.csv");
  EXPECT_EQ(joined.joins[1].file, "d.csv");
  EXPECT_EQ(joined.joins[1].left_alias, "c");
  EXPECT_EQ(joined.joins[1].alias, "");

  Result<FileAndAlias> item = extractFileAndAlias("  'x y.csv'  As  Tbl ");
  ASSERT_TRUE(item.ok());
  EXPECT_EQ(item->path, "x y.csv");
  EXPECT_EQ(item->alias, "tbl");
  EXPECT_EQ(trimQuotes("'a'"), "a");
  EXPECT_EQ(trimQuotes("\"a'"), "\"a'");
  EXPECT_EQ(trimQuotes("'"), "'");
}

TEST(ParserJoin, ClausesAndChains) {
  Query one = parsedOk("SELECT x.a, y.b FROM a.csv x JOIN b.csv y ON X.id = y.ID WHERE y.v > 1");
  EXPECT_EQ(one.file, "a.csv");
  EXPECT_EQ(one.columns, (Texts{"x.a", "y.b"}));  // join statements keep qualified names
  ASSERT_EQ(one.joins.size(), 1u);
  EXPECT_EQ(one.joins[0].file, "b.csv");
  EXPECT_EQ(one.joins[0].left_alias, "x");
  EXPECT_EQ(one.joins[0].alias, "y");
  EXPECT_EQ(one.joins[0].left_column, "x.id");
  EXPECT_EQ(one.joins[0].right_column, "y.id");
  ASSERT_NE(whereComparison(one), nullptr);
  EXPECT_EQ(whereComparison(one)->column, "y.v");

  Query chain = parsedOk(
      "SELECT * FROM a.csv A\nINNER JOIN b.csv AS b\nON a.id = b.aid\nJOIN c.csv c ON b.id=c.bid "
      "ORDER BY a.id LIMIT 3");
  ASSERT_EQ(chain.joins.size(), 2u);
  EXPECT_EQ(chain.joins[0].left_alias, "a");
  EXPECT_EQ(chain.joins[0].alias, "b");
  EXPECT_EQ(chain.joins[0].right_column, "b.aid");
  EXPECT_EQ(chain.joins[1].file, "c.csv");
  EXPECT_EQ(chain.joins[1].left_alias, "b");
  EXPECT_EQ(chain.joins[1].alias, "c");
  EXPECT_EQ(chain.joins[1].left_column, "b.id");
  EXPECT_EQ(chain.joins[1].right_column, "c.bid");
  EXPECT_EQ(chain.order_by->column, "a.id");
  EXPECT_EQ(chain.limit, 3);

  // Column names that contain clause words do not end the ON condition.
  Query words = parsedOk("SELECT * FROM a JOIN b ON a.speed_limit = b.nowhere_offset WHERE a.x = 'join on'");
  EXPECT_EQ(words.joins[0].left_column, "a.speed_limit");
  EXPECT_EQ(words.joins[0].right_column, "b.nowhere_offset");

  Query no_left = parsedOk("SELECT * FROM a JOIN b ON = b.id");
  EXPECT_EQ(no_left.joins[0].left_column, "");
  EXPECT_EQ(no_left.joins[0].right_column, "b.id");

  std::optional<TextSpan> inner = detectJoinKeyword(" f INNER\tJOIN g ON x = y");
  ASSERT_TRUE(inner.has_value());
  EXPECT_EQ(inner->start, 3u);
  EXPECT_EQ(inner->end, 13u);
  std::optional<TextSpan> plain = detectJoinKeyword("f 'a join b' JOIN g");
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->start, 13u);
  EXPECT_EQ(plain->end, 17u);
  EXPECT_FALSE(detectJoinKeyword("f joined x").has_value());
}

TEST(ParserRejects, UnsupportedAndMalformedStatements) {
  const RejectCase cases[] = {
      {"SELECT a FROM f UNION SELECT a FROM g", Error::UnsupportedSetOperation},
      {"SELECT a FROM f\nunion\nSELECT a FROM g", Error::UnsupportedSetOperation},
      {"SELECT a FROM f INTERSECT SELECT a FROM g", Error::UnsupportedSetOperation},
      {"SELECT a FROM f EXCEPT SELECT a FROM g", Error::UnsupportedSetOperation},
      {"SELECT * FROM (SELECT a FROM g)", Error::SubqueriesNotSupported},
      {"SELECT * FROM ( select a FROM g) t", Error::SubqueriesNotSupported},
      {"SELECT * FROM f WHERE EXISTS (SELECT 1 FROM g)", Error::SubqueriesNotSupported},
      {"SELECT * FROM f WHERE a = (select max(a) from g)", Error::SubqueriesNotSupported},
      {"SELECT * FROM f WHERE a xin (SELECT a FROM g)", Error::SubqueriesNotSupported},
      {"SELECT * FROM f LEFT JOIN g ON f.a = g.a", Error::UnsupportedJoinType},
      {"SELECT * FROM f left\n  join g ON f.a = g.a", Error::UnsupportedJoinType},
      {"SELECT * FROM f RIGHT JOIN g ON f.a = g.a", Error::UnsupportedJoinType},
      {"SELECT * FROM f FULL OUTER JOIN g ON f.a = g.a", Error::UnsupportedJoinType},
      {"SELECT * FROM f FULL JOIN g ON f.a = g.a", Error::UnsupportedJoinType},
      {"SELECT * FROM f CROSS JOIN g", Error::UnsupportedJoinType},
      {"SELECT * FROM f JOIN g ON f.a = g.a LEFT JOIN h ON g.b = h.b", Error::UnsupportedJoinType},
      {"SELECT * FROM f JOIN g", Error::InvalidJoinSyntax},
      {"SELECT * FROM f JOIN g ON f.a", Error::InvalidJoinSyntax},
      {"SELECT * FROM f JOIN g ON f.a >= g.a", Error::InvalidJoinSyntax},
      {"SELECT * FROM f JOIN g ON WHERE x = 1", Error::InvalidJoinSyntax},
      {"SELECT * FROM f JOIN g JOIN h ON f.a = h.a", Error::InvalidJoinSyntax},
      {"SELECT * FROM f JOIN g ON f.a = g.a JOIN h", Error::InvalidJoinSyntax},
      {"", Error::InvalidQuery},
      {"   ;  ", Error::InvalidQuery},
      {"SELECT", Error::InvalidQuery},
      {"SELECT a", Error::InvalidQuery},
      {"SELECT a FROMf", Error::InvalidQuery},
      {"SELECT a, (b FROM f", Error::InvalidQuery},
      {"SELECT FROM f", Error::InvalidQuery},
      {"SELECT DISTINCT FROM f", Error::InvalidQuery},
      {"SELECT * FROM", Error::InvalidQuery},
      {"SELECT * FROM 'abc", Error::InvalidQuery},
      {"SELECT * FROM f JOIN 'g ON f.a = g.a", Error::InvalidQuery},
      {"SELECT * FROM f JOIN \"g ON f.a = g.a", Error::InvalidQuery},
      // A lone keyword where an alias would stand is an unfinished clause.
      {"SELECT * FROM f ORDER", Error::InvalidQuery},
      {"SELECT * FROM f JOIN", Error::InvalidQuery},
      {"SELECT * FROM f group", Error::InvalidQuery},
      {"SELECT * FROM f AS", Error::InvalidQuery},
      {"SELECT * FROM f JOIN g Where ON f.a = g.a", Error::InvalidQuery},
      {"SELECT * FROM f ORDER BY a,, b", Error::InvalidQuery},
      {"SELECT * FROM f ORDER BY ,a DESC", Error::InvalidQuery},
      {"SELECT * FROM f ORDER BY a,", Error::InvalidQuery},
      {"SELECT * FROM f WERE x = 1", Error::InvalidQuery},
      {"SELECT * FROM f t u", Error::InvalidQuery},
      {"SELECT * FROM f JOIN g x y ON f.a = x.a", Error::InvalidQuery},
      {"SELECT * FROM f GROUP BY", Error::InvalidQuery},
      {"SELECT * FROM f ORDER BY , LIMIT 2", Error::InvalidQuery},
      {"SELECT * FROM f WHERE", Error::InvalidExpression},
      {"SELECT * FROM f WHERE a = 1 GROUP BY a HAVING", Error::InvalidExpression},
      {"SELECT * FROM f WHERE name = 'abc", Error::UnterminatedQuotedValue},
      {"SELECT * FROM f WHERE a == 1", Error::InvalidOperator},
      {"SELECT * FROM f WHERE a", Error::InvalidExpression},
  };
  for (const RejectCase& c : cases) expectRejected(c);

  // The same words inside literals, or a column merely starting with
  // "select", are fine.
  EXPECT_TRUE(parse("SELECT a FROM f WHERE a = 'x union y' OR b = '(select 1)'").ok());
  EXPECT_TRUE(parse("SELECT a FROM f WHERE (selected = 1)").ok());
  EXPECT_TRUE(parse("SELECT a FROM f WHERE b = 'left join'").ok());
  EXPECT_TRUE(parse("SELECT * FROM f WHERE a NOT IN ( SELECT id FROM g )").ok());
}

// Processor time, so that a busy machine does not fail the check.
double secondsSince(std::clock_t start) { return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }

constexpr size_t kHugeCount = 30000;      // close to a megabyte of statement text
constexpr size_t kDeepNesting = 100000;
constexpr double kGenerousSeconds = 5.0;  // catches quadratic work, not tuning

TEST(ParserLimits, HugeStatementsStayFastAndSafe) {
  std::string columns = "SELECT c0";
  for (size_t i = 1; i < kHugeCount; ++i) columns += ", c" + std::to_string(i);
  std::string where = columns + " FROM f t WHERE t.c0 = 1";
  for (size_t i = 1; i < kHugeCount; ++i) where += " OR t.c" + std::to_string(i) + " = 'v'";
  std::string joins = "SELECT * FROM a0.csv a0";
  for (size_t i = 1; i < kHugeCount / 10; ++i) {
    joins += " JOIN a" + std::to_string(i) + ".csv a" + std::to_string(i) + " ON a" + std::to_string(i - 1) +
             ".id = a" + std::to_string(i) + ".id";
  }
  joins += " WHERE x = 1";
  const std::string megabyte(1 << 20, 'x');
  const std::string megablank(1 << 18, ' ');

  const std::clock_t start = std::clock();
  Result<Query> wide = parse(where);
  ASSERT_TRUE(wide.ok());
  EXPECT_EQ(wide->columns.size(), kHugeCount);
  Result<Query> chained = parse(joins);
  ASSERT_TRUE(chained.ok());
  EXPECT_EQ(chained->joins.size(), kHugeCount / 10 - 1);
  EXPECT_EQ(chained->joins.back().left_alias, "a" + std::to_string(kHugeCount / 10 - 2));

  EXPECT_EQ(parse("SELECT * FROM f WHERE a = '" + megabyte).error(), Error::UnterminatedQuotedValue);
  EXPECT_EQ(parse("SELECT '" + megabyte + " FROM f").error(), Error::InvalidQuery);
  EXPECT_EQ(parse("SELECT " + std::string(kDeepNesting, '(') + " FROM f").error(), Error::InvalidQuery);
  EXPECT_EQ(parse("SELECT a FROM f WHERE " + std::string(kDeepNesting, '(') + "a = 1" +
                  std::string(kDeepNesting, ')')).error(),
            Error::InvalidExpression);
  EXPECT_EQ(parse("SELECT a FROM f ORDER BY " + std::string(kDeepNesting, '(')).error(), Error::None);
  EXPECT_EQ(parse(megabyte).error(), Error::InvalidQuery);
  Result<Query> blanks =
      parse("SELECT" + megablank + "a" + megablank + "FROM" + megablank + "f" + megablank + "LIMIT" + megablank + "1");
  ASSERT_TRUE(blanks.ok());
  EXPECT_EQ(blanks->limit, 1);
  Result<Query> long_alias = parse("SELECT x.a FROM f " + megabyte + " WHERE " + megabyte + ".b = 1 LIMIT 1");
  ASSERT_TRUE(long_alias.ok());
  EXPECT_EQ(long_alias->columns, (Texts{"x.a"}));
  EXPECT_EQ(whereComparison(*long_alias)->column, "b");
  std::string many_subqueries = "SELECT * FROM f WHERE a IN (SELECT";
  for (size_t i = 0; i < kHugeCount; ++i) many_subqueries += " IN (SELECT";
  EXPECT_FALSE(parse(many_subqueries).ok());
  EXPECT_LT(secondsSince(start), kGenerousSeconds);
}

}  // namespace
}  // namespace narwe
