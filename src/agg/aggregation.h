// Aggregate recognition and description.
//
// This module owns the aggregate kinds and the names that select them, and
// the recognisers that turn one select term into an aggregate description.
// The query runner uses isAggregateExpr to route a statement to an
// aggregating executor; the aggregating executors build their aggregate
// lists from the parsers declared here.
//
// Promises: matching is ASCII case-insensitive; recognisers never read
// outside their text; isAggregateExpr neither allocates nor fails. All
// functions are pure and thread-safe.
#pragma once

#include <cstdint>
#include <string_view>

namespace narwe {

// The aggregate kinds. The numeric values are stable: accumulators group
// kinds by value (2-3 the summing family, 7-10 the variance family).
enum class AggKind : uint8_t {
  count = 0,           // count(*) counts rows, count(col) non-empty values
  count_distinct = 1,  // COUNT(DISTINCT col)
  sum = 2,
  avg = 3,
  min = 4,
  max = 5,
  median = 6,
  var_pop = 7,
  stddev_pop = 8,
  var_samp = 9,        // variance, var_samp, var
  stddev_samp = 10,    // stddev, stddev_samp, std
  group_concat = 11,   // group_concat, string_agg
};

// True when a select term (its alias, if any, ignored) is an aggregate:
// a call of an aggregate function, possibly wrapped in round(..., n), such as
// "sum(a)", "ROUND(avg(x), 2) AS a" or "sum(a) + 1"; or a CASE whose
// condition calls an aggregate ("CASE WHEN count(*) > 1 THEN ...").
bool isAggregateExpr(std::string_view item);

}  // namespace narwe
