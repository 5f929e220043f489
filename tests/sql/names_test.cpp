// The name tables: every name selects its enum value, in any case, and
// nothing else does.
#include "sql/names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/name_index.h"

namespace narwe {
namespace {

TEST(Names, FunctionsAggregatesAndUnits) {
  EXPECT_EQ(functionFromName("CEILING"), FunctionId::ceil);
  EXPECT_EQ(functionFromName("Substring"), FunctionId::substr);
  EXPECT_EQ(functionFromName("strftime"), FunctionId::strftime);
  EXPECT_FALSE(functionFromName("date_part"));
  EXPECT_FALSE(functionFromName(" upper"));
  EXPECT_FALSE(functionFromName(std::string(kMaxFunctionNameLength + 1, 'a')));

  EXPECT_EQ(aggregateFromName("STRING_AGG"), AggKind::group_concat);
  EXPECT_EQ(aggregateFromName("var"), AggKind::var_samp);
  EXPECT_EQ(aggregateFromName("std"), AggKind::stddev_samp);
  EXPECT_EQ(aggregateFromName("count"), AggKind::count);
  EXPECT_FALSE(aggregateFromName("count_distinct"));
  EXPECT_FALSE(aggregateFromName("round"));
  // Names are unique and each one selects a kind.
  std::set<std::string> seen;
  for (std::string_view name : aggregateNames()) {
    EXPECT_TRUE(seen.insert(asciiLower(name)).second) << name;
    EXPECT_TRUE(aggregateFromName(name)) << name;
    EXPECT_FALSE(functionFromName(name)) << name;
  }
  EXPECT_EQ(seen.size(), 16u);

  EXPECT_EQ(dateUnitFromText("HOUR"), DateUnit::hour);
  EXPECT_EQ(dateUnitFromText("week"), DateUnit::week);
  EXPECT_EQ(dateUnitFromText("quarter"), DateUnit::unknown);
  EXPECT_EQ(dateUnitFromText("days"), DateUnit::unknown);
}

TEST(Names, ReservedWordRoles) {
  const struct {
    const char* word;
    bool expression;
    bool clause;
  } rows[] = {
      {"DESC", true, false}, {"end", true, false},   {"null", true, false},
      {"where", false, true}, {"JOIN", false, true}, {"on", false, true},
      {"and", true, true},   {"As", true, true},     {"distinct", true, true},
      {"total", false, false}, {"", false, false},   {"ends", false, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(isExpressionWord(row.word), row.expression) << row.word;
    EXPECT_EQ(isClauseWord(row.word), row.clause) << row.word;
  }
}

}  // namespace
}  // namespace narwe
