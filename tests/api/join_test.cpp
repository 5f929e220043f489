// Joins through the exported functions: inner-join semantics, chained
// joins, names (qualified, bare, ambiguous), WHERE on either side, the
// OFFSET/LIMIT window across partners, ORDER BY and DISTINCT over joined
// rows, and the refusals.
#include <gtest/gtest.h>

#include <string>

#include "api/api_test_support.h"
#include "narwe.h"

namespace narwe {
namespace {

using testing::ScratchDir;

std::string answer(const std::string& sql, bool json = false) {
  char* out = nullptr;
  if (json) {
    narwe_query_json(sql.c_str(), &out);
  } else {
    narwe_query_csv(sql.c_str(), &out);
  }
  std::string text = out ? out : "";
  narwe_free(out);
  return text;
}

struct Case {
  std::string sql;
  std::string expected;
};

class JoinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Orders: 13 has no customer, 14 has the empty key, 17 the key "A".
    orders_ = quoted(dir_.write("orders.csv",
                                "id,customer,amount\n10,1,5\n11,1,20\n12,3,15\n13,9,7\n14,,30\n"
                                "15,a,1\n16,2,12\n17,A,8\n"));
    // Two customers have id 1 (Ann first); "a" and "A" are different keys;
    // Dan's record is short (no country).
    customers_ = quoted(dir_.write("customers.csv",
                                   "id,name,country\n1,Ann,FR\n2,Bob,DE\n3,Cid,FR\n,Nil,XX\n"
                                   "a,Low,FR\n1,Ann2,DE\n4,Dan\n"));
    regions_ = quoted(dir_.write("regions.csv", "country,region\nFR,West\nDE,Central\nXX,None\n"));
    // The key is the second column: "Zed" is too short to have one and is
    // skipped; Kim's extra field is dropped.
    managers_ = quoted(dir_.write("managers.csv",
                                  "manager,region\nZed\nMax,West\nKim,Central,extra\nLou,West\n"));
    empty_ = quoted(dir_.write("empty.csv", ""));
  }
  static std::string quoted(const std::string& path) { return "'" + path + "'"; }
  std::string oc() const {
    return " FROM " + orders_ + " o JOIN " + customers_ + " c ON o.customer = c.id";
  }

  ScratchDir dir_;
  std::string orders_, customers_, regions_, managers_, empty_;
};

TEST_F(JoinTest, RowsNamesAndWindows) {
  const std::string oc = this->oc();
  const Case cases[] = {
      // No partner (13) gives nothing; several partners come in the joined
      // file's order; the empty key joins the empty key; keys are
      // case-sensitive (a and A).
      {"SELECT o.id, c.name" + oc, "id,name\n10,Ann\n10,Ann2\n11,Ann\n11,Ann2\n12,Cid\n14,Nil\n15,Low\n16,Bob\n"},
      {"SELECT *" + oc + " WHERE o.id = 12",
       "id,customer,amount,id,name,country\n12,3,15,3,Cid,FR\n"},
      // A qualified name means its table's column; the header is the bare name.
      {"SELECT c.id, o.id, amount" + oc + " WHERE o.id >= 14", "id,id,amount\n,14,30\na,15,1\n2,16,12\n"},
      // Bare names found in one table only.
      {"SELECT name, amount" + oc + " WHERE country = 'DE'", "name,amount\nAnn2,5\nAnn2,20\nBob,12\n"},
      // WHERE on either side and on both, with the general evaluator.
      {"SELECT o.id" + oc + " WHERE o.amount >= 10 AND c.country = 'FR'", "id\n11\n12\n"},
      {"SELECT o.id" + oc + " WHERE o.amount < 10 OR c.name LIKE 'N%'", "id\n10\n10\n14\n15\n"},
      {"SELECT o.id" + oc + " WHERE NOT c.country IN ('FR')", "id\n10\n11\n14\n16\n"},
      // The window counts joined rows, across the partners of one base row.
      {"SELECT o.id, c.name" + oc + " LIMIT 3 OFFSET 1", "id,name\n10,Ann2\n11,Ann\n11,Ann2\n"},
      {"SELECT o.id" + oc + " LIMIT 0", "id\n"},
      {"SELECT o.id" + oc + " OFFSET 6", "id\n15\n16\n"},
      // Sorting, DISTINCT and functions see the joined rows.
      {"SELECT c.name, o.amount" + oc + " ORDER BY o.amount DESC LIMIT 2", "name,amount\nNil,30\nAnn,20\n"},
      // DISTINCT groups, as over one file: the values in byte order.
      {"SELECT DISTINCT c.country" + oc, "country\nDE\nFR\nXX\n"},
      {"SELECT DISTINCT c.country, upper(c.country)" + oc, "country,upper(c.country)\nFR,FR\nDE,DE\nXX,XX\n"},
      {"SELECT upper(c.name) AS n, o.id" + oc + " WHERE o.id = 12", "n,id\nCID,12\n"},
      // Ambiguous bare names, in every clause.
      {"SELECT id" + oc, "error: AmbiguousColumnReference"},
      {"SELECT o.amount" + oc + " WHERE id = 1", "error: AmbiguousColumnReference"},
      {"SELECT o.amount" + oc + " ORDER BY id", "error: AmbiguousColumnReference"},
      {"SELECT nosuch" + oc, "error: ColumnNotFound"},
      {"SELECT o.amount" + oc + " WHERE c.nosuch = 1", "error: ColumnNotFound"},
      // A table without an alias is qualified by its file name; ON may name
      // the joined table first.
      {"SELECT orders.id FROM " + orders_ + " JOIN " + customers_ +
           " ON customers.id = orders.customer WHERE customers.name = 'Bob'",
       "id\n16\n"},
      // Chained joins: the later left keys name columns of earlier joined
      // tables; the short managers record is skipped.
      {"SELECT o.id, r.region" + oc + " JOIN " + regions_ + " r ON c.country = r.country",
       "id,region\n10,West\n10,Central\n11,West\n11,Central\n12,West\n14,None\n15,West\n16,Central\n"},
      {"SELECT o.id, m.manager, m.region" + oc + " JOIN " + regions_ + " r ON c.country = r.country JOIN " +
           managers_ + " m ON r.region = m.region WHERE o.id <= 11",
       "id,manager,region\n10,Max,West\n10,Lou,West\n10,Kim,Central\n11,Max,West\n11,Lou,West\n"
       "11,Kim,Central\n"},
      {"SELECT *" + oc + " JOIN " + regions_ + " r ON country = r.country WHERE o.id = 16",
       "id,customer,amount,id,name,country,country,region\n16,2,12,2,Bob,DE,DE,Central\n"},
      // Refusals.
      {"SELECT o.id" + oc + " JOIN " + regions_ + " r ON c.nosuch = r.country",
       "error: JoinColumnNotFound"},
      {"SELECT o.id FROM " + orders_ + " o JOIN " + customers_ + " c ON o.customer = c.nosuch",
       "error: JoinColumnNotFound"},
      {"SELECT o.id" + oc + " JOIN " + regions_ + " r ON id = r.country", "error: AmbiguousColumnReference"},
      {"SELECT o.id FROM " + orders_ + " o JOIN " + empty_ + " c ON o.customer = c.id", "error: EmptyFile"},
      {"SELECT o.id FROM " + orders_ + " o JOIN '" + dir_.file("none.csv") + "' c ON o.customer = c.id",
       "error: FileNotFound"},
  };
  for (const Case& test : cases) EXPECT_EQ(answer(test.sql), test.expected) << test.sql;
}

// Grouping and aggregates over joined rows, and sub-queries beside them.
TEST_F(JoinTest, AggregatesOverJoinedRows) {
  const std::string oc = this->oc();
  const std::string nums = quoted(dir_.write("nums.csv", "v\n12.5\n7\n"));
  const std::string prices = quoted(dir_.write("prices.csv", "p\n12.50\n12.5\n7\n"));
  const Case cases[] = {
      {"SELECT c.country, count(*), sum(o.amount)" + oc + " GROUP BY c.country",
       "country,count(*),sum(o.amount)\nDE,3,37\nFR,4,41\nXX,1,30\n"},
      // A qualified name means its table's column in every clause, also when
      // both tables have the name (id).
      {"SELECT c.id, count(*)" + oc + " GROUP BY c.id HAVING count(*) > 1 ORDER BY c.id DESC",
       "id,count(*)\n1,4\n"},
      {"SELECT o.id, count(*)" + oc + " WHERE c.country = 'FR' GROUP BY o.id ORDER BY o.id LIMIT 2",
       "id,count(*)\n10,1\n11,1\n"},
      {"SELECT c.name, group_concat(o.id)" + oc + " GROUP BY c.name ORDER BY c.name",
       "name,group_concat(o.id)\nAnn,\"10,11\"\nAnn2,\"10,11\"\nBob,16\nCid,12\nLow,15\nNil,14\n"},
      {"SELECT count(*), sum(o.amount), max(o.amount)" + oc, "count(*),sum(o.amount),max(o.amount)\n8,108,30\n"},
      {"SELECT count(*)" + oc + " WHERE c.country = 'FR' AND o.amount > 10", "count(*)\n2\n"},
      // A literal that reads like a qualified name is only a literal.
      {"SELECT count(*)" + oc + " WHERE c.name = 'c.name'", "count(*)\n0\n"},
      {"SELECT id, count(*)" + oc + " GROUP BY id", "error: AmbiguousColumnReference"},
      {"SELECT c.country, count(*)" + oc + " GROUP BY country HAVING sum(amount) > 40",
       "country,count(*)\nFR,4\n"},
      {"SELECT c.name, count(*)" + oc, "error: MixedAggregateAndNonAggregateSelect"},
      // Sub-queries with aggregation outside and inside; IN compares bytes,
      // so max() giving 12.5 misses 12.50.
      {"SELECT c.country, count(*)" + oc + " WHERE o.id IN (SELECT id FROM " + orders_ +
           " WHERE amount > 10) GROUP BY c.country",
       "country,count(*)\nDE,2\nFR,2\nXX,1\n"},
      {"SELECT count(*) FROM " + orders_ + " WHERE customer NOT IN (SELECT id FROM " + customers_ + ")",
       "count(*)\n2\n"},
      {"SELECT p FROM " + prices + " WHERE p IN (SELECT max(v) FROM " + nums + ")", "p\n12.5\n"},
  };
  for (const Case& test : cases) EXPECT_EQ(answer(test.sql), test.expected) << test.sql;
}

TEST_F(JoinTest, JsonOutput) {
  EXPECT_EQ(answer("SELECT o.id, c.name" + oc() + " WHERE o.id = 12", true), "[\n{\"id\":12,\"name\":\"Cid\"}\n]\n");
  EXPECT_EQ(answer("SELECT o.id" + oc() + " LIMIT 0", true), "[]\n");
}

}  // namespace
}  // namespace narwe
