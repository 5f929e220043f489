// The exported C functions: result protocol, errors that reach the caller,
// hostile input and many concurrent calls.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "api_test_support.h"
#include "narwe.h"

namespace narwe {
namespace {

struct Outcome {
  int rc = -1;
  std::string text;
};

Outcome query(const char* sql, bool json = false) {
  char* out = nullptr;
  Outcome o;
  o.rc = json ? narwe_query_json(sql, &out) : narwe_query_csv(sql, &out);
  if (out != nullptr) o.text = out;
  narwe_free(out);
  return o;
}

Outcome query(const std::string& sql, bool json = false) { return query(sql.c_str(), json); }

// Both exports give the same failure for the same statement.
void expectError(const std::string& sql, const std::string& name) {
  for (bool json : {false, true}) {
    Outcome o = query(sql, json);
    EXPECT_EQ(o.rc, 1) << sql;
    EXPECT_EQ(o.text, "error: " + name) << sql << (json ? " (json)" : " (csv)");
  }
}

TEST(CApi, ResultProtocolBasics) {
  expectError("", "InvalidQuery");
  expectError("   \t\n", "InvalidQuery");
  expectError("SELECT a FROM 'no_such_file_4711.csv'", "FileNotFound");
  expectError("SELECT name, count(*) FROM 'no_such_file_4711.csv'",
              "MixedAggregateAndNonAggregateSelect");

  char* out = nullptr;
  EXPECT_EQ(narwe_query_csv(nullptr, &out), 1);  // a missing statement is an empty one
  ASSERT_NE(out, nullptr);
  EXPECT_STREQ(out, "error: InvalidQuery");
  narwe_free(out);
  EXPECT_EQ(narwe_query_json("SELECT a FROM f", nullptr), 1);  // nowhere to store: no crash
  narwe_free(nullptr);
}

TEST(CApi, StatementParserRejections) {
  struct Case {
    const char* sql;
    const char* error;
  } cases[] = {
      {"SELECT a FROM f.csv UNION SELECT a FROM g.csv", "UnsupportedSetOperation"},
      {"select a from f.csv intersect select a from g.csv", "UnsupportedSetOperation"},
      {"SELECT a FROM f.csv EXCEPT SELECT a FROM g.csv", "UnsupportedSetOperation"},
      {"SELECT a FROM (SELECT a FROM f.csv)", "SubqueriesNotSupported"},
      {"SELECT a FROM f.csv WHERE b = (SELECT max(b) FROM f.csv)", "SubqueriesNotSupported"},
      {"SELECT", "InvalidQuery"},
      {"SELECT a", "InvalidQuery"},
      {"DELETE FROM f.csv", "InvalidQuery"},
      {"SELECT a FROM 'f.csv", "InvalidQuery"},
      {"SELECT * FROM a.csv x LEFT JOIN b.csv y ON x.id = y.id", "UnsupportedJoinType"},
      {"SELECT * FROM a.csv x RIGHT JOIN b.csv y ON x.id = y.id", "UnsupportedJoinType"},
      {"SELECT * FROM a.csv x FULL OUTER JOIN b.csv y ON x.id = y.id", "UnsupportedJoinType"},
      {"SELECT * FROM a.csv x CROSS JOIN b.csv y", "UnsupportedJoinType"},
      {"SELECT * FROM a.csv x JOIN b.csv y", "InvalidJoinSyntax"},
      {"SELECT * FROM a.csv x JOIN b.csv y ON x.id", "InvalidJoinSyntax"},
      {"SELECT a FROM f.csv LIMIT abc", "InvalidCharacter"},
      {"SELECT a FROM f.csv LIMIT 1.5", "InvalidCharacter"},
      {"SELECT a FROM f.csv LIMIT 99999999999", "Overflow"},
      {"SELECT a FROM f.csv LIMIT -1", "NegativeLimitNotAllowed"},
      {"SELECT a FROM f.csv OFFSET -3", "NegativeOffsetNotAllowed"},
      {"SELECT a FROM f.csv LIMIT 5 OFFSET x", "InvalidCharacter"},
  };
  for (const auto& c : cases) expectError(c.sql, c.error);
}

TEST(CApi, ExpressionParserRejections) {
  struct Case {
    const char* sql;
    const char* error;
  } cases[] = {
      {"SELECT a FROM f.csv WHERE a", "InvalidExpression"},
      {"SELECT a FROM f.csv WHERE a = 1 AND = 2", "InvalidExpression"},
      {"SELECT a FROM f.csv WHERE = 1", "InvalidExpression"},
      {"SELECT a FROM f.csv WHERE (a = 1) OR ()", "InvalidExpression"},
      {"SELECT a FROM f.csv WHERE name = 'abc", "UnterminatedQuotedValue"},
      {"SELECT a FROM f.csv WHERE name = \"abc", "UnterminatedQuotedValue"},
      {"SELECT a, count(*) FROM f.csv GROUP BY a HAVING count(*) > '3", "UnterminatedQuotedValue"},
  };
  for (const auto& c : cases) expectError(c.sql, c.error);
}

// One statement per route, through both exports. Routes whose executor is
// still a placeholder expect "error: Unimplemented"; when an executor lands,
// replace that expectation with the real output.
TEST(CApi, RoutesReachTheirExecutors) {
  testing::ScratchDir dir;
  std::string file = "'" + dir.write("people.csv", "name,age\nann,31\nbob,25\n") + "'";
  const std::string unimplemented = "error: Unimplemented";
  struct Case {
    std::string sql;
    std::string csv;
    std::string json;
  } cases[] = {
      {"SELECT name FROM " + file, "name\nann\nbob\n",
       "[\n{\"name\":\"ann\"},\n{\"name\":\"bob\"}\n]\n"},
      {"SELECT upper(name) FROM " + file + " WHERE age > 30", "upper(name)\nANN\n",
       "[\n{\"upper(name)\":\"ANN\"}\n]\n"},
      {"SELECT name FROM " + file + " WHERE age > 99", "name\n", "[]\n"},
      {"SELECT count(*) FROM " + file, "count(*)\n2\n", "[\n{\"count(*)\":2}\n]\n"},
      {"SELECT name, count(*) FROM " + file + " GROUP BY name", "name,count(*)\nann,1\nbob,1\n",
       "[\n{\"name\":\"ann\",\"count(*)\":1},\n{\"name\":\"bob\",\"count(*)\":1}\n]\n"},
      {"SELECT DISTINCT name FROM " + file, "name\nann\nbob\n",
       "[\n{\"name\":\"ann\"},\n{\"name\":\"bob\"}\n]\n"},
      {"SELECT name FROM " + file + " WHERE name IN (SELECT name FROM " + file + ")",
       "name\nann\nbob\n", "[\n{\"name\":\"ann\"},\n{\"name\":\"bob\"}\n]\n"},
      {"SELECT * FROM " + file + " a JOIN " + file + " b ON a.name = b.name",
       "name,age,name,age\nann,31,ann,31\nbob,25,bob,25\n",
       "[\n{\"name\":\"ann\",\"age\":31,\"name\":\"ann\",\"age\":31},\n"
       "{\"name\":\"bob\",\"age\":25,\"name\":\"bob\",\"age\":25}\n]\n"},
  };
  for (const auto& c : cases) {
    for (bool json : {false, true}) {
      const std::string& expected = json ? c.json : c.csv;
      Outcome o = query(c.sql, json);
      EXPECT_EQ(o.rc, expected.starts_with("error: ") ? 1 : 0) << c.sql;
      EXPECT_EQ(o.text, expected) << c.sql << (json ? " (json)" : " (csv)");
    }
  }
}

TEST(CApi, HostileStatementsFailByName) {
  const std::string missing = " FROM 'no_such_file_4711.csv'";
  std::string many_columns = "SELECT a0";
  for (int i = 1; many_columns.size() < (256u << 10); ++i) many_columns += ", a" + std::to_string(i);
  auto nested = [&](size_t depth) {
    return "SELECT a" + missing + " WHERE " + std::string(depth, '(') + "a = 1" +
           std::string(depth, ')');
  };
  std::string long_condition = "SELECT a" + missing + " WHERE a = 1";
  while (long_condition.size() < (256u << 10)) long_condition += " OR a = 1";
  struct Case {
    std::string sql;
    const char* error;
  } cases[] = {
      {std::string(1 << 20, 'x'), "InvalidQuery"},
      {std::string(1 << 20, '\''), "InvalidQuery"},
      {"SELECT '" + std::string(1 << 20, 'a') + " FROM f.csv", "InvalidQuery"},
      {many_columns + missing, "FileNotFound"},
      {nested(900), "FileNotFound"},
      {nested(200000), "InvalidExpression"},  // deeper than the parser accepts
      {long_condition, "FileNotFound"},
      {"SELECT a" + missing + " WHERE " + std::string(2000, '(') + "a = 1", "InvalidExpression"},
      {"SELECT a FROM f.csv WHERE b = '" + std::string(1 << 20, 'q'), "UnterminatedQuotedValue"},
      {"SELECT a FROM f.csv WHERE b = '\xff\xfe", "UnterminatedQuotedValue"},
  };
  for (const auto& c : cases) {
    for (bool json : {false, true}) {
      Outcome o = query(c.sql, json);
      EXPECT_EQ(o.rc, 1) << c.sql.substr(0, 60);
      EXPECT_EQ(o.text, std::string("error: ") + c.error) << c.sql.substr(0, 60);
    }
  }
}

TEST(CApi, ConcurrentCallsAreIndependent) {
  testing::ScratchDir dir;
  std::string file = "'" + dir.write("people.csv", "name,age\nann,31\nbob,25\ncid,47\n") + "'";
  struct Case {
    std::string sql;
    bool json;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"", false, "error: InvalidQuery"},
      {"SELECT name FROM " + file + " WHERE age > 30", false, "name\nann\ncid\n"},
      {"SELECT a FROM 'no_such_file_4711.csv'", true, "error: FileNotFound"},
      {"SELECT age FROM " + file + " WHERE name = 'bob'", true, "[\n{\"age\":25}\n]\n"},
      {"SELECT a FROM f.csv UNION SELECT b FROM g.csv", false, "error: UnsupportedSetOperation"},
      {"SELECT a, sum(b) FROM f.csv", true, "error: MixedAggregateAndNonAggregateSelect"},
      {"SELECT a FROM f.csv LIMIT -4", false, "error: NegativeLimitNotAllowed"},
  };
  constexpr int kThreads = 8;
  constexpr int kCallsPerThread = 50;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCallsPerThread; ++i) {
        const Case& c = cases[(t + i) % cases.size()];
        Outcome o = query(c.sql, c.json);
        int rc = std::string_view(c.expected).starts_with("error: ") ? 1 : 0;
        if (o.rc != rc || o.text != c.expected) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace narwe
