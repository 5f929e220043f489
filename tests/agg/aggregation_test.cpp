// Aggregate recognition.
#include "agg/aggregation.h"

#include <gtest/gtest.h>

namespace narwe {
namespace {

TEST(IsAggregateExpr, RecognisesAggregateCalls) {
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
  for (const char* item : aggregates) EXPECT_TRUE(isAggregateExpr(item)) << item;
}

TEST(IsAggregateExpr, RejectsEverythingElse) {
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
  for (const char* item : others) EXPECT_FALSE(isAggregateExpr(item)) << item;
}

}  // namespace
}  // namespace narwe
