// Aggregate recognition and description.
//
// The aggregate kinds and the names that select them live with the other
// name tables (sql/names.h). This module owns the recognisers that turn one select term into an aggregate description.
// The query runner uses isAggregateExpr to route a statement to an
// aggregating executor; the aggregating executors build their aggregate
// lists from the parsers declared here.
//
// Promises: matching is ASCII case-insensitive; recognisers never read
// outside their text; isAggregateExpr neither allocates nor fails. All
// functions are pure and thread-safe.
#pragma once

#include <string_view>

#include "sql/names.h"  // AggKind

namespace narwe {

// True when a select term (its alias, if any, ignored) is an aggregate:
// a call of an aggregate function, possibly wrapped in round(..., n), such as
// "sum(a)", "ROUND(avg(x), 2) AS a" or "sum(a) + 1"; or a CASE whose
// condition calls an aggregate ("CASE WHEN count(*) > 1 THEN ...").
bool isAggregateExpr(std::string_view item);

}  // namespace narwe
