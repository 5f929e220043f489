// The date functions: datediff, dateadd, extract and strftime. EXTRACT and
// DATEDIFF also have numeric forms, which the bound WHERE comparisons use.
#include <cstring>

#include "scalar/datetime.h"
#include "scalar/scalar_ops.h"
#include "scalar/scalar_util.h"

namespace narwe {

namespace scalar_detail {

namespace {

// Size of the caller buffers of the date helpers.
constexpr size_t kDateResultMax = 64;

// Seconds per unit for datediff/dateadd; 0 for an unknown unit. Months and
// years are fixed lengths (30 and 365 days).
int64_t unitSeconds(DateUnit unit) {
  switch (unit) {
    case DateUnit::second: return 1;
    case DateUnit::minute: return 60;
    case DateUnit::hour: return 3600;
    case DateUnit::day: return kSecondsPerDay;
    case DateUnit::week: return 7 * kSecondsPerDay;
    case DateUnit::month: return 30 * kSecondsPerDay;
    case DateUnit::year: return 365 * kSecondsPerDay;
    case DateUnit::unknown: return 0;
  }
  return 0;
}

}  // namespace

double dateDiffValue(DateUnit unit, std::string_view first, std::string_view second) {
  auto a = parseDateTime(first);
  auto b = parseDateTime(second);
  if (!a.ok() || !b.ok()) return 0;
  const int64_t per_unit = unitSeconds(unit);
  if (per_unit == 0) return 0;
  return static_cast<double>(*b - *a) / static_cast<double>(per_unit);
}

std::string_view applyDateDiff(DateUnit unit, std::string_view first, std::string_view second,
                               char* buf64) {
  const double diff = dateDiffValue(unit, first, second);
  char text[kNumberTextMax];
  size_t n = formatNum(diff, text);
  // Timestamps of 32-bit years keep the quotient far below 64 printed bytes.
  if (n > kDateResultMax) return "0";
  std::memcpy(buf64, text, n);
  return {buf64, n};
}

std::string_view applyDateAdd(DateUnit unit, int32_t amount, std::string_view v, Arena& scratch) {
  auto ts = parseDateTime(v);
  if (!ts.ok()) return v;
  const int64_t moved = *ts + static_cast<int64_t>(amount) * unitSeconds(unit);
  char text[kDateTimeTextMax];
  size_t n = formatDateTime(moved, text);
  return copyToScratch(scratch, std::string_view(text, n));
}

int64_t extractValue(DateUnit unit, std::string_view v) {
  auto dt = parseDateTimeFields(v);
  if (!dt.ok()) return 0;
  int64_t part = 0;
  switch (unit) {
    case DateUnit::year: part = dt->year; break;
    case DateUnit::month: part = dt->month; break;
    case DateUnit::day: part = dt->day; break;
    case DateUnit::hour: part = dt->hour; break;
    case DateUnit::minute: part = dt->minute; break;
    case DateUnit::second: part = dt->second; break;
    case DateUnit::week:
    case DateUnit::unknown: part = 0; break;
  }
  return part;
}

std::string_view applyExtract(DateUnit unit, std::string_view v, char* buf64) {
  return {buf64, formatInt(extractValue(unit, v), buf64)};
}

std::string_view applyStrftimeCopy(std::string_view fmt, std::string_view v, Arena& scratch) {
  char buf[kStrftimeBufferSize];
  std::string_view text = applyStrftime(fmt, v, buf);
  return copyToScratch(scratch, text);
}

}  // namespace scalar_detail

double extractNumber(DateUnit unit, std::string_view value) {
  return static_cast<double>(scalar_detail::extractValue(unit, value));
}

double dateDiffNumber(DateUnit unit, std::string_view first, std::string_view second) {
  return scalar_detail::dateDiffValue(unit, first, second);
}

}  // namespace narwe
