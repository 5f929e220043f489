// IN (SELECT ...) sub-queries through the exported functions: membership by
// bytes, NOT IN, inner WHERE, nesting and its limit, and the refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "api/api_test_support.h"
#include "api/subquery.h"
#include "narwe.h"

namespace narwe {
namespace {

using testing::ScratchDir;

std::string csv(const std::string& sql) {
  char* out = nullptr;
  const int rc = narwe_query_csv(sql.c_str(), &out);
  std::string text = out ? out : "";
  narwe_free(out);
  (void)rc;  // the text says "error: ..." on failure
  return text;
}

TEST(Subquery, MembershipAndRefusals) {
  ScratchDir dir;
  const std::string people = dir.write(
      "people.csv",
      "id,name,city\n1,Ann,Lyon\n2,Bob,\"Paris, FR\"\n3,Cid,Oslo\n4,Dee,\n5,Eve,lyon\n6,Fay,12.50\n");
  const std::string cities = dir.write(
      "cities.csv", "city,country,size\nLyon,FR,2\n\"Paris, FR\",FR,9\nOslo,NO,1\n12.5,XX,0\n");
  const std::string empty = dir.write("empty.csv", "city\n");
  const std::string blanks = dir.write("blanks.csv", "city\n\n");
  const std::string p = "'" + people + "'";
  const std::string c = "'" + cities + "'";

  // A sub-query nested `levels` deep, each level selecting city from cities.
  auto nested = [&](int levels) {
    std::string sql = "SELECT city FROM " + c;
    for (int i = 1; i < levels; ++i) sql = "SELECT city FROM " + c + " WHERE city IN (" + sql + ")";
    return "SELECT id FROM " + p + " WHERE city IN (" + sql + ")";
  };

  struct Case {
    std::string sql;
    std::string expected;
  };
  const Case cases[] = {
      // Bytes decide: the quoted value with a comma matches, "lyon" and 12.50 do not.
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city FROM " + c + ")", "id\n1\n2\n3\n"},
      {"SELECT id FROM " + p + " WHERE city NOT IN (SELECT city FROM " + c + ")", "id\n4\n5\n6\n"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city FROM " + c + " WHERE country = 'FR')",
       "id\n1\n2\n"},
      {"SELECT id FROM " + p + " WHERE NOT city IN (SELECT city FROM " + c + " WHERE size > 1)",
       "id\n3\n4\n5\n6\n"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city FROM " + c + ") AND id > 1", "id\n2\n3\n"},
      // An alias names the column; the values are what counts.
      {"SELECT id FROM " + p + " WHERE city IN (SELECT upper(country) AS city FROM " + c + ")", "id\n"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city FROM '" + empty + "')", "id\n"},
      {"SELECT id FROM " + p + " WHERE city NOT IN (SELECT city FROM '" + empty + "')",
       "id\n1\n2\n3\n4\n5\n6\n"},
      // An empty value in the result matches the empty field.
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city FROM '" + blanks + "')", "id\n4\n"},
      {nested(2), "id\n1\n2\n3\n"},
      {nested(kMaxSubqueryNesting), "id\n1\n2\n3\n"},
      {nested(kMaxSubqueryNesting + 1), "error: SubqueriesNotSupported"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city, country FROM " + c + ")",
       "error: InvalidExpression"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT * FROM " + c + ")", "error: InvalidExpression"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city FROM stdin)", "error: InvalidQuery"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT nosuch FROM " + c + ")", "error: ColumnNotFound"},
      {"SELECT id FROM " + p + " WHERE city IN (SELECT city FROM '" + dir.file("missing.csv") + "')",
       "error: FileNotFound"},
  };
  for (const Case& test : cases) EXPECT_EQ(csv(test.sql), test.expected) << test.sql;
  // No result file of a sub-query is left behind.
  EXPECT_EQ(dir.entries().size(), 4u);
}

}  // namespace
}  // namespace narwe
