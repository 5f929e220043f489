// The plan of a row scan, built once per query from the statement and the
// input's header: header names, the bound projection and WHERE filter
// (scan_plan.h), the ORDER BY keys resolved to where their text comes from,
// DISTINCT, and the OFFSET/LIMIT window.
//
// Every row-scan executor builds exactly this, whatever its record source,
// so a statement means the same on every path. The plan is read-only after
// building and may be shared by worker threads. It is built in place and
// never moves: the filter keeps a view of the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/error.h"
#include "exec/run_options.h"
#include "exec/scan_plan.h"
#include "sql/query.h"

namespace narwe {

// One ORDER BY key: which value of a row holds its text, and its direction.
struct OrderKeyPlan {
  size_t column = 0;
  bool from_record = false;  // a record field (an unselected column), else an output value
  bool descending = false;
};

struct RowScanPlan {
  ScanHeader header;
  Projection projection;
  RowFilter filter;
  std::vector<OrderKeyPlan> order;  // empty without ORDER BY
  bool distinct = false;
  int64_t limit = -1;               // negative: no LIMIT
  uint64_t offset = 0;

  RowScanPlan() = default;
  RowScanPlan(const RowScanPlan&) = delete;
  RowScanPlan& operator=(const RowScanPlan&) = delete;

  bool ordered() const { return !order.empty(); }
  // Rows past offset + limit can never be written (UINT64_MAX without LIMIT).
  uint64_t windowEnd() const;
};

// Builds `plan` from the statement and the input's first record (the header,
// or the first data row with header-less input). Errors: those of the
// projection and the filter, OrderByColumnNotFound for a key that names no
// output column and no input column.
Status buildRowScanPlan(const Query& query, std::span<const std::string> first_record,
                        const RunOptions& options, RowScanPlan& plan);

// The same over a header the caller has already filled in `plan.header`
// (the joined header of several tables, whose name index holds qualified
// names too). ORDER BY keys that name an input column are looked up in
// that index.
Status bindRowScanPlan(const Query& query, const RunOptions& options, RowScanPlan& plan);

}  // namespace narwe
