// Randomly mutated statements and random file bytes through the exported
// functions: whatever the input, a call returns 0 or 1 with a string, never
// crashes or hangs. Run under the sanitizer build this also checks memory
// safety and leaks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "api_test_support.h"
#include "narwe.h"

namespace narwe {
namespace {

TEST(MutatedStatements, AlwaysAnswerWithATextOrANamedError) {
  testing::ScratchDir dir;
  std::string file = "'" + dir.write("t.csv", "a,b,c\n1,x,2024-01-05\n2,\"y,z\",\n-3,,1999-12-31\n") + "'";
  const std::vector<std::string> seeds = {
      "SELECT a, b FROM " + file + " WHERE a > 1 ORDER BY b DESC LIMIT 2",
      "SELECT DISTINCT upper(b) AS u, substr(c, 1, 4) FROM " + file + " WHERE b LIKE '%y%'",
      "SELECT * FROM " + file + " t WHERE t.a IN ('1', '2') OR NOT (c IS NULL AND a BETWEEN 0 AND 5)",
      "SELECT CASE WHEN a > 1 THEN 'big' ELSE b END, round(a, 2), coalesce(b, c, 'none') FROM " +
          file + " OFFSET 1",
      "SELECT strftime('%Y-%m', c), DATE_PART('year', c) y, datediff('day', c, c) FROM " + file +
          " WHERE EXTRACT(year FROM c) > 2000",
      "SELECT a FROM " + file + " WHERE a % 2 = 0 ORDER BY 1, b LIMIT 5 OFFSET 0",
  };
  const std::vector<std::string> pieces = {
      "(", ")", "'", "\"", ",", " ", "%", "_", "*", "/", "=", "!=", "<", ">=", " AND ", " OR ",
      " NOT ", " IN (", " LIKE ", " BETWEEN ", " IS NULL", " ORDER BY ", " LIMIT ", " OFFSET ",
      " GROUP BY ", " JOIN ", " ON ", " UNION ", "SELECT ", " FROM ", "-1", "99999999999",
      "upper(", "substr(", "case when ", " then ", " end", "\\", ";", "\t", "\n", "\xff"};
  std::mt19937 rng(20261208);
  int answered = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string sql = seeds[rng() % seeds.size()];
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !sql.empty(); ++e) {
      size_t at = rng() % (sql.size() + 1);
      switch (rng() % 3) {
        case 0: sql.insert(at, pieces[rng() % pieces.size()]); break;
        case 1: sql.erase(at, 1 + rng() % 6); break;
        default: sql.replace(at, 1 + rng() % 3, pieces[rng() % pieces.size()]); break;
      }
    }
    char* out = nullptr;
    int rc = (round % 2 == 0) ? narwe_query_csv(sql.c_str(), &out) : narwe_query_json(sql.c_str(), &out);
    ASSERT_TRUE(rc == 0 || rc == 1) << sql;
    ASSERT_NE(out, nullptr) << sql;
    if (rc == 1) {
      ASSERT_EQ(std::string(out).rfind("error: ", 0), 0u) << sql << " -> " << out;
    } else {
      ++answered;
    }
    narwe_free(out);
  }
  // Some mutations stay valid statements and must still be answered.
  EXPECT_GT(answered, 0);
}

TEST(MutatedStatements, RandomFileBytesAreReadSafely) {
  testing::ScratchDir dir;
  const std::string alphabet = std::string("ab1,\"\n\r ") + '\0' + "\xff;";
  const std::vector<std::string> queries = {
      "SELECT * FROM {f}",
      "SELECT a, b FROM {f} WHERE a != 'x' ORDER BY b DESC LIMIT 3",
      "SELECT DISTINCT b FROM {f} WHERE a LIKE '%1%' OR b IS NULL",
      "SELECT upper(a), length(b) FROM {f} ORDER BY 1, 2",
  };
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string csv = "a,b\n";
    size_t length = rng() % 400;
    for (size_t i = 0; i < length; ++i) csv += alphabet[rng() % alphabet.size()];
    std::string path = "'" + dir.write("r.csv", csv) + "'";
    for (std::string sql : queries) {
      sql.replace(sql.find("{f}"), 3, path);
      char* out = nullptr;
      int rc = (round % 2 == 0) ? narwe_query_csv(sql.c_str(), &out) : narwe_query_json(sql.c_str(), &out);
      ASSERT_TRUE(rc == 0 || rc == 1) << sql;
      ASSERT_NE(out, nullptr);
      narwe_free(out);
    }
  }
}

}  // namespace
}  // namespace narwe
