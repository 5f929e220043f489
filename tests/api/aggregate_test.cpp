// Aggregation end to end through the runner: every aggregate kind and its
// edge cases, the CASE forms and round wrappers, grouping keys, HAVING,
// ORDER BY, the window and the errors, each as one row of a table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "api/runner.h"
#include "api_test_support.h"

namespace narwe {
namespace {

using testing::ScratchDir;

std::string run(const std::string& sql, OutputFormat format = OutputFormat::Csv) {
  auto result = runStatement(sql, format, -1);
  if (!result.ok()) return "error: " + std::string(errorName(result.error()));
  std::string text = *result;
  std::free(*result);
  return text;
}

// Replaces every "T" and "B" table name with the quoted path of the file.
std::string withFiles(std::string sql, const std::string& t, const std::string& b) {
  std::string out;
  for (size_t i = 0; i < sql.size(); ++i) {
    const bool word = (i == 0 || sql[i - 1] == ' ') && (i + 1 == sql.size() || sql[i + 1] == ' ');
    if (word && sql[i] == 'T') {
      out += "'" + t + "'";
    } else if (word && sql[i] == 'B') {
      out += "'" + b + "'";
    } else {
      out += sql[i];
    }
  }
  return out;
}

struct Case {
  const char* sql;
  const char* expected;
};

const Case kCases[] = {
    // Every kind; " 20 " is a number, "x" and "" are not.
    {"SELECT count(*), count(amount), sum(amount), avg(amount), min(amount), max(amount) FROM T",
     "count(*),count(amount),sum(amount),avg(amount),min(amount),max(amount)\n"
     "5,4,32.5,10.833333333333334,2.5,20\n"},
    {"SELECT median(qty), var_pop(qty), var_samp(qty), stddev_pop(qty), group_concat(name), "
     "count(DISTINCT city) FROM T",
     "median(qty),var_pop(qty),var_samp(qty),stddev_pop(qty),group_concat(name),"
     "count(DISTINCT city)\n3,2,2.5,1.4142135623730951,\"ann,bob,cid,dan,eve\",3\n"},
    {"SELECT median(qty) FROM T WHERE qty < 5", "median(qty)\n2.5\n"},
    {"SELECT var_samp(qty), sum(amount), var_pop(amount) FROM T WHERE name = 'cid'",
     "var_samp(qty),sum(amount),var_pop(amount)\n,,0\n"},
    {"SELECT string_agg(name, ' | ') FROM T WHERE city = 'Bergen'",
     "\"string_agg(name, ' | ')\"\ncid | eve\n"},
    {"SELECT group_concat(amount, ';') AS g FROM T", "g\n10; 20 ;x;;2.5\n"},
    {"SELECT count(DISTINCT amount) FROM T WHERE qty > 1", "count(DISTINCT amount)\n4\n"},
    // CASE forms and round wrappers.
    {"SELECT sum(CASE WHEN city = 'Oslo' THEN qty ELSE 0 END) AS s, "
     "count(CASE WHEN qty > 2 THEN 1 ELSE 0 END) AS c, "
     "min(CASE WHEN qty > 2 THEN qty ELSE 100 END) AS m FROM T",
     "s,c,m\n5,5,3\n"},
    {"SELECT CASE WHEN sum(qty) > 10 THEN 'big' ELSE 'small' END AS size FROM T", "size\nbig\n"},
    {"SELECT round(avg(qty), 2), round(sum(amount), 0) FROM T",
     "\"round(avg(qty), 2)\",\"round(sum(amount), 0)\"\n3.00,33\n"},
    // The whole-table row: HAVING, window, count(*) with and without WHERE.
    {"SELECT count(*) FROM T WHERE qty > 0", "count(*)\n5\n"},
    {"SELECT count(*) AS n FROM T HAVING count(*) > 5", "n\n"},
    {"SELECT count(*) AS n FROM T HAVING n = 5", "n\n5\n"},
    {"SELECT count(*) FROM T LIMIT 0", "count(*)\n"},
    {"SELECT count(*) FROM T OFFSET 1", "count(*)\n"},
    {"SELECT count(*), group_concat(v) FROM B", "count(*),group_concat(v)\n3,\"a,,b\"\n"},
    // Grouping: key order is byte order; keys from plain, alias, position,
    // strftime, substr and round items.
    {"SELECT city, count(*) AS n, sum(qty) FROM T GROUP BY city",
     "city,n,sum(qty)\nBergen,2,8\nOslo,2,5\noslo,1,2\n"},
    {"SELECT city AS c, count(*) FROM T GROUP BY 1", "c,count(*)\nBergen,2\nOslo,2\noslo,1\n"},
    {"SELECT city AS c, count(*) FROM T GROUP BY c", "c,count(*)\nBergen,2\nOslo,2\noslo,1\n"},
    {"SELECT strftime('%Y-%m', day) AS m, sum(qty) FROM T GROUP BY strftime('%Y-%m', day)",
     "m,sum(qty)\n2024-01,3\n2024-02,7\n2024-03,5\n"},
    {"SELECT substr(city, 1, 1) AS f, group_concat(name) FROM T GROUP BY substr(city, 1, 1)",
     "f,group_concat(name)\nB,\"cid,eve\"\nO,\"ann,dan\"\no,bob\n"},
    {"SELECT round(price, 0) AS r, count(*) FROM T GROUP BY round(price, 0)",
     "r,count(*)\n1,1\n2,1\n3,3\n"},
    {"SELECT * FROM T GROUP BY city", "city\nBergen\nOslo\noslo\n"},
    {"SELECT k, count(*) FROM B GROUP BY k", "k,count(*)\n,1\n1,2\n"},
    {"SELECT city, upper(city) AS u FROM T GROUP BY city", "city,u\nBergen,BERGEN\nOslo,OSLO\noslo,OSLO\n"},
    // HAVING, with hidden aggregates.
    {"SELECT city FROM T GROUP BY city HAVING count(*) > 1", "city\nBergen\nOslo\n"},
    {"SELECT city, sum(qty) AS s FROM T GROUP BY city HAVING s < 8 AND avg(qty) > 1",
     "city,s\nOslo,5\noslo,2\n"},
    {"SELECT city FROM T GROUP BY city HAVING sum(qty) > count(*)",
     "error: UnsupportedHavingComparesTwoAggregates"},
    // ORDER BY position, name, expression, key; window.
    {"SELECT city, sum(qty) AS s FROM T GROUP BY city ORDER BY 2 DESC",
     "city,s\nBergen,8\nOslo,5\noslo,2\n"},
    {"SELECT city, sum(qty) AS s FROM T GROUP BY city ORDER BY s", "city,s\noslo,2\nOslo,5\nBergen,8\n"},
    {"SELECT city, sum(qty) FROM T GROUP BY city ORDER BY sum(qty) DESC LIMIT 1",
     "city,sum(qty)\nBergen,8\n"},
    {"SELECT count(*) AS n FROM T GROUP BY city ORDER BY city DESC", "n\n1\n2\n2\n"},
    {"SELECT city FROM T GROUP BY city ORDER BY nope", "error: OrderByColumnNotFound"},
    {"SELECT city FROM T GROUP BY city LIMIT 0", "city\n"},
    {"SELECT city FROM T GROUP BY city LIMIT 5 OFFSET 7", "city\n"},
    {"SELECT city FROM T GROUP BY city LIMIT 1 OFFSET 1", "city\nOslo\n"},
    // DISTINCT is grouping on the select items.
    {"SELECT DISTINCT city FROM T", "city\nBergen\nOslo\noslo\n"},
    {"SELECT DISTINCT k AS key, v FROM B ORDER BY v DESC", "key,v\n1,b\n1,a\n,\n"},
    // Errors.
    {"SELECT city, count(*) FROM T", "error: MixedAggregateAndNonAggregateSelect"},
    {"SELECT sum(amt) FROM T", "error: ColumnNotFound"},
    {"SELECT sum(qty*2) FROM T", "error: ArithmeticExpressionsNotSupported"},
    {"SELECT count() FROM T", "error: ColumnNotFound"},
    {"SELECT sum(CASE WHEN nope = 1 THEN qty ELSE 0 END) FROM T", "error: ColumnNotFound"},
    {"SELECT count(*) FROM T GROUP BY nope", "error: ColumnNotFound"},
};

TEST(Aggregation, EndToEndTable) {
  ScratchDir dir;
  const std::string t = dir.write("t.csv",
                                  "city,name,amount,qty,day,price\n"
                                  "Oslo,ann,10,1,2024-01-05,1.4\n"
                                  "oslo,bob, 20 ,2,2024-01-20,2.5\n"
                                  "Bergen,cid,x,3,2024-02-01,2.4\n"
                                  "Oslo,dan,,4,2024-02-11,3.1\n"
                                  "Bergen,eve,2.5,5,2024-03-01,2.6\n");
  const std::string b = dir.write("b.csv", "k,v\n1,a\n\n1,b\n");
  for (const Case& c : kCases) {
    const std::string sql = withFiles(c.sql, t, b);
    EXPECT_EQ(run(sql), c.expected) << c.sql;
  }
}

// A file of only a header without its line feed holds no rows on every route.
TEST(Aggregation, HeaderWithoutLineFeed) {
  ScratchDir dir;
  const std::string f = "'" + dir.write("h.csv", "a,b") + "'";
  EXPECT_EQ(run("SELECT a FROM " + f), "a\n");
  EXPECT_EQ(run("SELECT count(*) FROM " + f), "count(*)\n0\n");
  EXPECT_EQ(run("SELECT count(*), sum(b) FROM " + f + " WHERE a > 0"), "count(*),sum(b)\n0,\n");
  EXPECT_EQ(run("SELECT a, count(*) FROM " + f + " GROUP BY a"), "a,count(*)\n");
}

TEST(Aggregation, JsonValuesFollowTheBareNumberRule) {
  ScratchDir dir;
  const std::string t = dir.write("t.csv", "a,b\n1,x\n007,y\n");
  EXPECT_EQ(run("SELECT count(*) FROM '" + t + "'", OutputFormat::JsonArray), "[\n{\"count(*)\":2}\n]\n");
  EXPECT_EQ(run("SELECT count(*) FROM '" + t + "' WHERE b != ''", OutputFormat::JsonArray),
            "[\n{\"count(*)\":2}\n]\n");
  EXPECT_EQ(run("SELECT a, count(*) AS n FROM '" + t + "' GROUP BY a", OutputFormat::JsonArray),
            "[\n{\"a\":\"007\",\"n\":1},\n{\"a\":1,\"n\":1}\n]\n");
}

}  // namespace
}  // namespace narwe
