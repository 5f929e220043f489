// The join-aggregate route: a JOIN whose result is grouped or aggregated.
//
// The join runs first and writes CSV (with a header line) into a temporary
// file named "joinagg"; the aggregating executor then reads that file as its
// input. Table-alias qualifiers are removed from the select list, GROUP BY,
// HAVING and ORDER BY first, because the joined file's columns carry bare
// names; a qualified name that exists in more than one table is ambiguous and
// fails with AmbiguousColumnReference. The temporary file is closed and
// deleted on every path.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "exec/run_options.h"
#include "common/error.h"
#include "io/output_sink.h"
#include "sql/query.h"

namespace narwe {

// Runs the route for `query` (joins not empty), writing the aggregated result
// into `out`.
Status runJoinAggregate(const Query& query, OutputSink& out, const RunOptions& options);

// The join alone: every column of every table, nothing grouped, ordered or
// limited; file, joins and WHERE kept.
Query joinOnlyQuery(const Query& query);

// A copy of `expr` whose column references have their table-alias qualifiers
// removed (dealiasText on every column text).
Result<std::shared_ptr<const Expression>> dealiasExpression(
    const Expression& expr, const std::vector<std::string>& aliases, const TextSet& ambiguous);

}  // namespace narwe
