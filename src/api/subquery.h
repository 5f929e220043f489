// IN (SELECT ...) sub-queries: run before the statement that holds them.
//
// Each sub-query of the WHERE and HAVING conditions is parsed and run by the
// same engine as any statement (its own sub-queries first), with CSV output
// into a memory-backed file; the file is read back with the file reader and
// the values of its one output column become the comparison's IN set. The
// outer filter then tests membership by bytes, as IN lists do: a sub-query
// giving 12.5 does not match a field 12.50.
//
// Errors: InvalidExpression (the sub-query gives more or fewer than one
// column), InvalidQuery (a sub-query reads standard input), and
// SubqueriesNotSupported (nesting deeper than kMaxSubqueryNesting); those of
// parsing and running the sub-query are returned unchanged.
#pragma once

#include "common/error.h"
#include "exec/run_options.h"
#include "sql/query.h"

namespace narwe {

// Sub-queries may nest this deep (a sub-query of a sub-query is depth 2).
inline constexpr int kMaxSubqueryNesting = 8;

// True when the WHERE or HAVING condition holds an IN (SELECT ...).
bool hasSubqueries(const Query& query);

// Runs every sub-query of `query` (which sits at nesting depth `depth`, 0 for
// the statement itself) and gives a copy whose comparisons hold the results
// as IN sets.
Result<Query> resolveSubqueries(const Query& query, int depth = 0);

}  // namespace narwe
