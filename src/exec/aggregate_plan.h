// The plans of the aggregating executors, built once from the statement and
// the input header before any row is read:
//   - the group-key plan (plain, strftime, substring and round key parts;
//     GROUP BY n and select aliases resolved);
//   - the output plan (one ColKind per output column, the AggSpecs, names);
//   - HAVING bound to the final row: output names, select expressions and
//     the hidden aggregates HAVING names but the select list does not.
// Read-only after building; shared by worker threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agg/classify.h"
#include "common/arena.h"
#include "common/error.h"
#include "exec/scan_plan.h"
#include "sql/query.h"

namespace narwe {

struct KeyPart {
  enum class Kind : uint8_t { plain, strftime, substr, round };
  Kind kind = Kind::plain;
  size_t column = 0;
  std::string format;              // strftime
  uint64_t start0 = 0;             // substr: zero-based start
  std::optional<uint64_t> length;  // substr
  uint8_t digits = 0;              // round
  bool has_digits = false;         // round
  std::string text;                // the GROUP BY item as resolved (lowered)
  std::string written;             // the GROUP BY item as written (lowered)
};

// The value of a key part for one row; `buf` holds at least
// kKeyPartBufferSize bytes and may back the result.
constexpr size_t kKeyPartBufferSize = 64;
std::string_view keyPartValue(const KeyPart& part, std::span<const std::string_view> fields,
                              char* buf);

struct AggregatePlan {
  std::vector<KeyPart> keys;
  std::vector<ColKind> columns;   // one per output column
  std::vector<std::string> names;  // output names
  std::vector<AggSpec> specs;      // output aggregates, then hidden ones
  size_t output_specs = 0;         // entries from output_specs on are hidden
  std::optional<AccumLayout> layout;
  // HAVING over the row: output values, then the hidden aggregates' texts.
  std::optional<BoundPredicate> having;
  RowFilter where;

  AggregatePlan() = default;
  AggregatePlan(const AggregatePlan&) = delete;
  AggregatePlan& operator=(const AggregatePlan&) = delete;
};

// The plan of a grouped statement (GROUP BY, DISTINCT as grouping).
Status buildGroupPlan(const Query& query, const ScanHeader& header, bool strict,
                      AggregatePlan& plan);

// The plan of a whole-table aggregate (every select item an aggregate).
Status buildTablePlan(const Query& query, const ScanHeader& header, bool strict,
                      AggregatePlan& plan);

// The output values of one group (`key_values`: one per key part) given its
// aggregates' final texts (one per AggSpec), into `out`; then whether HAVING
// keeps the row. `scratch` backs scalar results until reset.
bool finalRow(const AggregatePlan& plan, std::span<const std::string_view> key_values,
              std::span<const std::string> finals, Arena& scratch,
              std::vector<std::string_view>& out);

}  // namespace narwe
