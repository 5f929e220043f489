// The decision table of the runner.
#include "api/route.h"

#include "scalar/rewrite.h"
#include "sql/select_item.h"

namespace narwe {
namespace {

struct AggregateUse {
  bool any = false;
  bool all = false;
};

// Which select items are aggregates. With SELECT * nothing counts as one.
AggregateUse aggregateUse(const Query& query) {
  AggregateUse use;
  if (query.select_all) return use;
  const std::shared_ptr<const std::vector<SelectItem>> items = selectItemsOf(query);
  if (!items) return use;
  size_t count = 0;
  for (const SelectItem& item : *items) {
    if (item.is_aggregate) ++count;
  }
  use.any = count > 0;
  use.all = use.any && count == items->size();
  return use;
}

bool hasLimit(const Query& query) { return query.limit >= 0; }

bool parallelAllowed(const Query& query, const RouteInputs& inputs, uint64_t size) {
  return query.offset == 0 && size > kParallelScanMinBytes && inputs.workers >= 2;
}

Route chooseScalarScan(const Query& query, const RouteInputs& inputs, uint64_t size) {
  if (parallelAllowed(query, inputs, size) && !query.order_by && !query.distinct &&
      !hasLimit(query) && inputs.format == OutputFormat::Csv) {
    return Route::ParallelScalar;
  }
  return Route::Sequential;
}

Route choosePlainScan(const Query& query, const RouteInputs& inputs, uint64_t size) {
  if (query.order_by && !query.order_by->extra_keys.empty()) return Route::Sequential;
  // No LIMIT (-1) wraps to the largest unsigned value and passes.
  bool large_limit = static_cast<uint32_t>(query.limit) >= kParallelLimitThreshold;
  if (parallelAllowed(query, inputs, size) && (query.order_by || large_limit)) {
    return Route::ParallelMapped;
  }
  if (query.offset == 0 && size > kMappedScanMinBytes) return Route::Mapped;
  return Route::Sequential;
}

}  // namespace

Route chooseRoute(const Query& query, const RouteInputs& inputs) {
  const AggregateUse aggregates = aggregateUse(query);
  const bool grouped = !query.group_by.empty();

  const bool scalar = hasScalarSelectFunctions(query);
  // DISTINCT without scalar functions is answered by grouping on every route,
  // so standard input gives the rows, their order and the errors of a file.
  const bool distinct_grouping = query.distinct && !query.select_all && !scalar;
  if (isStdinPath(query.file)) {
    if (!aggregates.any && !grouped) {
      return distinct_grouping ? Route::SpooledDistinct : Route::FromStdin;
    }
    if (grouped || query.select_all || query.columns.empty()) return Route::SpooledGroupBy;
    if (aggregates.all) return Route::SpooledScalarAgg;
    return Route::SpooledMixedSelect;
  }
  if (!query.joins.empty()) {
    return grouped || aggregates.any ? Route::JoinAggregate : Route::Join;
  }
  if (grouped) return Route::GroupBy;
  if (aggregates.any) return aggregates.all ? Route::ScalarAgg : Route::MixedSelect;

  if (distinct_grouping) return Route::DistinctGroupBy;
  if (!inputs.file_size) return Route::NeedsFileSize;
  if (scalar) return chooseScalarScan(query, inputs, *inputs.file_size);
  return choosePlainScan(query, inputs, *inputs.file_size);
}

bool routeAppliesHaving(Route route) {
  switch (route) {
    case Route::SpooledGroupBy:
    case Route::SpooledDistinct:
    case Route::SpooledScalarAgg:
    case Route::SpooledMixedSelect:
    case Route::JoinAggregate:
    case Route::GroupBy:
    case Route::ScalarAgg:
    case Route::MixedSelect:
    case Route::DistinctGroupBy:
      return true;
    case Route::FromStdin:
    case Route::Join:
    case Route::NeedsFileSize:
    case Route::ParallelScalar:
    case Route::ParallelMapped:
    case Route::Mapped:
    case Route::Sequential:
      return false;
  }
  return false;
}

std::string_view routeName(Route route) {
  switch (route) {
    case Route::FromStdin: return "FromStdin";
    case Route::SpooledGroupBy: return "SpooledGroupBy";
    case Route::SpooledDistinct: return "SpooledDistinct";
    case Route::SpooledScalarAgg: return "SpooledScalarAgg";
    case Route::SpooledMixedSelect: return "SpooledMixedSelect";
    case Route::JoinAggregate: return "JoinAggregate";
    case Route::Join: return "Join";
    case Route::GroupBy: return "GroupBy";
    case Route::ScalarAgg: return "ScalarAgg";
    case Route::MixedSelect: return "MixedSelect";
    case Route::DistinctGroupBy: return "DistinctGroupBy";
    case Route::NeedsFileSize: return "NeedsFileSize";
    case Route::ParallelScalar: return "ParallelScalar";
    case Route::ParallelMapped: return "ParallelMapped";
    case Route::Mapped: return "Mapped";
    case Route::Sequential: return "Sequential";
  }
  return "Unknown";
}

}  // namespace narwe
