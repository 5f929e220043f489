// Building the plan of a row scan.
#include "exec/row_plan.h"

#include <algorithm>
#include <optional>

#include "exec/sort_keys.h"

namespace narwe {
namespace {

// An ORDER BY key is an output column (by position, output name or the
// input column it copies), else an input column read from the record.
Result<OrderKeyPlan> resolveOrderKey(const std::string& term, bool descending,
                                     const RowScanPlan& plan) {
  const Projection& projection = plan.projection;
  NARWE_ASSIGN_OR_RETURN(std::optional<size_t> position,
                         resolveOrderByIdx(term, projection.names, projection.plain_sources,
                                           plan.header.name_views));
  OrderKeyPlan key;
  key.descending = descending;
  if (position) {
    key.column = *position;
    return key;
  }
  // The index maps each lowered name to its first position.
  const size_t* found = findColumn(plan.header.index, term);
  if (found == nullptr) return Error::OrderByColumnNotFound;
  key.column = *found;
  key.from_record = true;
  return key;
}

}  // namespace

uint64_t RowScanPlan::windowEnd() const {
  if (limit < 0) return UINT64_MAX;
  const uint64_t count = static_cast<uint64_t>(limit);
  return offset > UINT64_MAX - count ? UINT64_MAX : offset + count;
}

Status buildRowScanPlan(const Query& query, std::span<const std::string> first_record,
                        const RunOptions& options, RowScanPlan& plan) {
  buildScanHeader(first_record, options.no_header_input, plan.header);
  return bindRowScanPlan(query, options, plan);
}

Status bindRowScanPlan(const Query& query, const RunOptions& options, RowScanPlan& plan) {
  NARWE_ASSIGN_OR_RETURN(plan.projection, buildProjection(query, plan.header));
  NARWE_ASSIGN_OR_RETURN(plan.filter, RowFilter::build(query, plan.header, options.strict));
  plan.distinct = query.distinct;
  plan.limit = query.limit;
  plan.offset = query.offset < 0 ? 0 : static_cast<uint64_t>(query.offset);
  plan.order.clear();
  if (query.order_by) {
    const OrderBy& order = *query.order_by;
    NARWE_ASSIGN_OR_RETURN(OrderKeyPlan first, resolveOrderKey(order.column, order.descending, plan));
    plan.order.push_back(first);
    for (const OrderByKey& extra : order.extra_keys) {
      NARWE_ASSIGN_OR_RETURN(OrderKeyPlan key, resolveOrderKey(extra.column, extra.descending, plan));
      plan.order.push_back(key);
    }
  }
  return okStatus();
}

}  // namespace narwe
