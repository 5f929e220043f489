// The query thread's body: parse, rewrite, collect, route, execute.
#include "api/runner.h"

#include <utility>

#include "api/collector.h"
#include "api/memfile.h"
#include "api/route.h"
#include "api/subquery.h"
#include "common/unique_fd.h"
#include "exec/join.h"
#include "io/file_source.h"
#include "scalar/rewrite.h"
#include "sql/parser.h"
#include "sql/select_item.h"

namespace narwe {
namespace {

// Runs the executor of a route that reads the FROM file through `input`.
Status runFileScan(Route route, const Query& query, const InputFile& input, OutputSink& out,
                   const RunOptions& options) {
  switch (route) {
    case Route::ParallelScalar: return executeParallelScalar(query, input, out, options);
    case Route::ParallelMapped: return executeParallelMapped(query, input, out, options);
    case Route::Mapped: return executeMapped(query, input, out, options);
    case Route::Sequential: return executeSequential(query, input, out, options);
    default: return Error::Unexpected;  // chooseRoute never gives another route here
  }
}

Status runSpooled(Route route, const Query& query, OutputSink& out, const RunOptions& options,
                  int stdin_fd) {
  NARWE_ASSIGN_OR_RETURN(int spool_fd, spoolToMemoryFile(stdin_fd));
  UniqueFd spool(spool_fd);
  PreopenedInput input{spool.get(), true};
  switch (route) {
    case Route::SpooledGroupBy: return executeGroupBy(query, input, out, options);
    case Route::SpooledDistinct: {
      const Query grouped = distinctAsGroupBy(query);
      if (!grouped.group_items) return Error::OutOfMemory;
      return executeGroupBy(grouped, input, out, options);
    }
    case Route::SpooledScalarAgg: return executeScalarAgg(query, input, out, options);
    default: return Error::MixedAggregateAndNonAggregateSelect;
  }
}

}  // namespace

RunOptions runOptionsFor(OutputFormat format) {
  RunOptions options;
  options.thread_count = 0;
  options.omit_header = false;
  options.delimiter = ',';
  options.format = format;
  options.no_header_input = false;
  options.strict = false;
  return options;
}

Query distinctAsGroupBy(const Query& query) {
  Query grouped = query;
  grouped.group_by.clear();
  grouped.group_by.reserve(query.columns.size());
  for (const auto& item : query.columns) {
    grouped.group_by.emplace_back(splitAlias(item).expression);
  }
  grouped.distinct = false;
  // The trees follow the texts. Out of memory, the group trees are left
  // unset rather than describing the old GROUP BY list.
  if (!buildItemTrees(grouped).ok()) grouped.group_items.reset();
  return grouped;
}

Status executeQuery(const Query& query, int out_fd, const RunOptions& options, int stdin_fd) {
  FdSink out(out_fd);
  RouteInputs inputs;
  inputs.format = options.format;
  Route route = chooseRoute(query, inputs);
  // A HAVING without groups or aggregates would be dropped without a word.
  if (query.having && !routeAppliesHaving(route)) return Error::InvalidQuery;
  // Standard input is read by the stdin scan or spooled for aggregation;
  // neither joins, and the join reads named files only, so a JOIN that
  // involves stdin on either side is refused.
  if (!query.joins.empty()) {
    if (isStdinPath(query.file)) return Error::InvalidQuery;
    for (const JoinClause& join : query.joins) {
      if (isStdinPath(join.file)) return Error::InvalidQuery;
    }
  }
  switch (route) {
    case Route::FromStdin:
      return executeFromStdin(query, stdin_fd, out, options);
    case Route::SpooledMixedSelect:
      // Refused before standard input is read: spooling it first would read
      // an input of any length only to fail anyway.
      return Error::MixedAggregateAndNonAggregateSelect;
    case Route::SpooledGroupBy:
    case Route::SpooledDistinct:
    case Route::SpooledScalarAgg:
      return runSpooled(route, query, out, options, stdin_fd);
    case Route::JoinAggregate:
      return executeJoinAggregate(query, out, options);
    case Route::Join:
      // DISTINCT is answered by grouping on the select items, as it is over
      // one file, so a join gives the same rows in the same order.
      if (query.distinct && !query.select_all && !hasScalarSelectFunctions(query)) {
        const Query grouped = distinctAsGroupBy(query);
        if (!grouped.group_items) return Error::OutOfMemory;
        return executeJoinAggregate(grouped, out, options);
      }
      return executeJoin(query, out, options);
    case Route::GroupBy:
      return executeGroupBy(query, PreopenedInput{}, out, options);
    case Route::ScalarAgg:
      return executeScalarAgg(query, PreopenedInput{}, out, options);
    case Route::MixedSelect:
      return Error::MixedAggregateAndNonAggregateSelect;
    case Route::DistinctGroupBy: {
      const Query grouped = distinctAsGroupBy(query);
      if (!grouped.group_items) return Error::OutOfMemory;
      return executeGroupBy(grouped, PreopenedInput{}, out, options);
    }
    default:
      break;
  }
  // The remaining routes scan the FROM file, chosen by its size.
  NARWE_ASSIGN_OR_RETURN(UniqueFd file, openReadOnly(query.file));
  InputFile input;
  input.fd = file.get();
  // The size seen now bounds every read of the file; a device has none and
  // is read to its end by one scan.
  NARWE_ASSIGN_OR_RETURN(input.size, sizeAtOpen(file.get()));
  input.path = query.file;
  inputs.file_size = input.size == kUnknownFileSize ? 0 : input.size;
  if (options.route_size_override != 0) inputs.file_size = options.route_size_override;
  inputs.workers = effectiveThreadCount(options.thread_count);
  route = chooseRoute(query, inputs);
  return runFileScan(route, query, input, out, options);
}

Result<char*> runStatement(std::string_view statement, OutputFormat format, int stdin_fd) {
  NARWE_ASSIGN_OR_RETURN(Query parsed, parse(statement));
  // Sub-queries run first, each to its end, so the statement's own executor
  // sees plain IN sets.
  NARWE_ASSIGN_OR_RETURN(Query query, resolveSubqueries(parsed));
  const RunOptions options = runOptionsFor(format);

  OutputCollector collector;
  NARWE_TRY(collector.start());

  Status executed = executeQuery(query, collector.writeFd(), options, stdin_fd);

  Status collected = collector.finish();
  // A failed collector closed the pipe, so an executor error that follows
  // (BrokenPipe) is only its consequence: the collector's error is the answer.
  if (!collected.ok()) return collected.error();
  if (!executed.ok()) return executed.error();
  return collector.takeText();
}

}  // namespace narwe
