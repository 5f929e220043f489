// The dialect's name tables, each beside the enum it selects.
//
// Every module that recognises a name asks here, so a name means the same
// thing to the parser, the router, the scalar and the aggregate recognisers:
//   - scalar function names -> FunctionId;
//   - aggregate function names -> AggKind;
//   - date units -> DateUnit;
//   - reserved words, with the roles the parsers give them.
// Lookups are ASCII-case-insensitive and exact (no trimming). Pure,
// thread-safe, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace narwe {

// Scalar functions of the select list. Several names may select one id
// (ceil / ceiling, substr / substring).
enum class FunctionId : uint8_t {
  upper, lower, trim, reverse, length,
  abs, sign, ceil, floor,
  substr, lpad, rpad, replace, split_part,
  greatest, least, concat,
  mod, round, coalesce, cast,
  datediff, dateadd, extract, strftime,
};

// Names longer than this are never function names.
constexpr size_t kMaxFunctionNameLength = 64;

std::optional<FunctionId> functionFromName(std::string_view name);

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

// The kind a call name selects ("count" gives count; DISTINCT is read from
// the argument). "count_distinct" is no aggregate name.
std::optional<AggKind> aggregateFromName(std::string_view name);

// Every aggregate call name, in a fixed order (for scans that look for any
// of them in a text).
std::span<const std::string_view> aggregateNames();

// A date unit as datediff/dateadd/extract understand it; `unknown` for any
// other text (datediff/dateadd then scale by 0, extract gives 0).
enum class DateUnit : uint8_t { unknown, second, minute, hour, day, week, month, year };

// Resolves a unit text ("day", "HOUR", ...).
DateUnit dateUnitFromText(std::string_view unit);

// Words the parsers give a role. A word that ends or continues an
// expression ("then", "desc", ...) is never a column alias written without
// AS; a statement or join word ("where", "join", ...) standing alone after
// a table is an unfinished clause, never the table's alias.
bool isExpressionWord(std::string_view word);
bool isClauseWord(std::string_view word);

}  // namespace narwe
