// Recognition of the expression shapes that serve as GROUP BY keys
// (round, strftime, substr) and the rounding of round keys.
#include <cmath>
#include <cstring>
#include <new>

#include "common/numbers.h"
#include "common/text.h"
#include "scalar/rewrite.h"

namespace narwe {

namespace {

constexpr size_t npos = std::string_view::npos;

constexpr std::string_view kRoundCall = "round(";
constexpr std::string_view kStrftimeCall = "strftime(";
constexpr std::string_view kSubstrCall = "substr(";

// Shortest texts that can hold each call with an argument.
constexpr size_t kStrftimeMinSize = 11;       // strftime('',x)
constexpr size_t kSubstrMinSize = 8;          // substr(x,1)
constexpr size_t kRoundGroupMinSize = 8;      // round(x)

// Beyond this many requested decimals a round key prints this many.
constexpr unsigned kMaxRoundKeyDecimals = 6;
constexpr unsigned kRoundKeyDecimalsCap = 5;

// 2^63: the first double outside the signed 64-bit range.
constexpr double kInt64Limit = 9223372036854775808.0;

// A digit count: an unsigned integer of at most 255.
std::optional<uint8_t> parseDigitCount(std::string_view text) {
  Result<uint64_t> value = parseUint64(text);
  if (!value.ok() || *value > UINT8_MAX) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

// Looks a column expression up: trimmed, lower-cased.
Result<size_t> lookUpColumn(std::string_view name, const NameIndex& index) {
  const size_t* position = findColumn(index, asciiLower(trimBlanks(name)));
  if (position == nullptr) return Error::ColumnNotFound;
  return *position;
}

// Rounds the plain decimal text `shortest` (optional '-', digits, optional
// fraction) to exactly `places` fraction digits, rounding half up on its
// decimal digits. Returns the length written to `out` (kRoundKeyBufferSize
// bytes), or 0 when the result does not fit. A result of only zeros loses its sign,
// so -0.001 and 0.001 give the same key.
size_t roundDecimalText(std::string_view shortest, unsigned places, char* out) {
  bool negative = !shortest.empty() && shortest[0] == '-';
  if (negative) shortest.remove_prefix(1);
  size_t dot = shortest.find('.');
  std::string_view int_part = dot == npos ? shortest : shortest.substr(0, dot);
  std::string_view frac_part = dot == npos ? std::string_view() : shortest.substr(dot + 1);

  // digits = carry slot + integer digits + `places` fraction digits.
  size_t int_len = 1 + int_part.size();
  size_t digit_count = int_len + places;
  // The text is at least digit_count bytes long (the carry slot stands in for
  // the decimal point), so longer digit runs can never fit.
  if (digit_count > kRoundKeyBufferSize) return 0;
  char digits[kRoundKeyBufferSize];
  digits[0] = '0';
  std::memcpy(digits + 1, int_part.data(), int_part.size());
  for (unsigned k = 0; k < places; ++k) {
    digits[int_len + k] = k < frac_part.size() ? frac_part[k] : '0';
  }
  if (frac_part.size() > places && frac_part[places] >= '5') {
    size_t k = digit_count;
    while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
    if (k > 0) ++digits[k - 1];
  }

  size_t first = 0;
  while (first + 1 < int_len && digits[first] == '0') ++first;
  bool all_zero = true;
  for (size_t k = 0; k < digit_count; ++k) all_zero = all_zero && digits[k] == '0';
  bool sign = negative && !all_zero;

  size_t length = (sign ? 1 : 0) + (int_len - first) + 1 + places;
  if (length > kRoundKeyBufferSize) return 0;
  char* p = out;
  if (sign) *p++ = '-';
  std::memcpy(p, digits + first, int_len - first);
  p += int_len - first;
  *p++ = '.';
  std::memcpy(p, digits + int_len, places);
  return length;
}

}  // namespace

Result<std::optional<StrftimeGroupKey>> parseStrftimeRaw(std::string_view item,
                                                         const NameIndex& index) {
  using Key = std::optional<StrftimeGroupKey>;
  if (item.size() < kStrftimeMinSize || !startsWithIgnoreCase(item, kStrftimeCall)) return Key();
  size_t open = item.find('\'', kStrftimeCall.size());
  if (open == npos) return Error::InvalidQuery;
  size_t close = item.find('\'', open + 1);
  if (close == npos) return Error::InvalidQuery;
  size_t comma = item.find(',', close + 1);
  if (comma == npos) return Error::InvalidQuery;
  size_t call_end = item.rfind(')');
  // The closing parenthesis must follow the comma; an earlier one would
  // leave no column text.
  if (call_end == npos || call_end < comma) return Error::InvalidQuery;
  try {
    NARWE_ASSIGN_OR_RETURN(size_t column,
                           lookUpColumn(item.substr(comma + 1, call_end - comma - 1), index));
    StrftimeGroupKey key;
    key.column = column;
    key.format = std::string(item.substr(open + 1, close - open - 1));
    key.text = std::string(item);
    return Key(std::move(key));
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Result<std::optional<SubstrGroupKey>> parseSubstrRaw(std::string_view item,
                                                     const NameIndex& index) {
  using Key = std::optional<SubstrGroupKey>;
  if (item.size() < kSubstrMinSize || !startsWithIgnoreCase(item, kSubstrCall) ||
      item.back() != ')') {
    return Key();
  }
  std::string_view args = item.substr(kSubstrCall.size(), item.size() - kSubstrCall.size() - 1);
  size_t comma = args.find(',');
  if (comma == npos) return Error::InvalidQuery;
  try {
    NARWE_ASSIGN_OR_RETURN(size_t column, lookUpColumn(args.substr(0, comma), index));
    std::string_view rest = args.substr(comma + 1);
    size_t second = rest.find(',');
    Result<uint64_t> start = parseUint64(trimBlanks(rest.substr(0, second)));
    if (!start.ok()) return Error::InvalidQuery;
    SubstrGroupKey key;
    key.column = column;
    key.start0 = *start == 0 ? 0 : *start - 1;
    if (second != npos) {
      Result<uint64_t> count = parseUint64(trimBlanks(rest.substr(second + 1)));
      if (!count.ok()) return Error::InvalidQuery;
      key.count = *count;
    }
    key.text = std::string(item);
    return Key(std::move(key));
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Result<std::optional<RoundGroupKey>> parseRoundGroupRaw(std::string_view item,
                                                        const NameIndex& index) {
  using Key = std::optional<RoundGroupKey>;
  std::string_view t = trimBlanks(item);
  if (t.size() < kRoundGroupMinSize || !startsWithIgnoreCase(t, kRoundCall)) return Key();
  if (t.find(')') == npos) return Error::InvalidQuery;
  if (t.back() != ')') return Key();
  std::string_view args = t.substr(kRoundCall.size(), t.size() - kRoundCall.size() - 1);
  try {
    RoundGroupKey key;
    std::string_view column_text = args;
    size_t comma = args.rfind(',');
    if (comma != npos) {
      std::optional<uint8_t> digits = parseDigitCount(trimBlanks(args.substr(comma + 1)));
      if (!digits) return Error::InvalidQuery;
      key.digits = *digits;
      key.has_digits = true;
      column_text = args.substr(0, comma);
    }
    NARWE_ASSIGN_OR_RETURN(key.column, lookUpColumn(column_text, index));
    key.text = std::string(t);
    return Key(std::move(key));
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

std::string_view applyRoundKey(uint8_t digits, bool has_digits, std::string_view value,
                               char* out64) {
  std::optional<double> parsed = parseFloat(trimBlanks(value));
  if (!parsed) return value;
  double x = *parsed;
  char text[kNumberTextMax];
  size_t length = 0;

  if (!std::isfinite(x)) {
    // nan and the infinities keep their canonical spelling; no integer or
    // fixed-point form exists for them.
    length = formatShortest(x, text);
  } else if (!has_digits || digits == 0) {
    double rounded = std::round(x);  // half away from zero
    if (rounded >= -kInt64Limit && rounded < kInt64Limit) {
      length = formatInt(static_cast<int64_t>(rounded), text);
    } else {
      // Beyond the 64-bit range every double is already an integer.
      length = formatShortest(rounded, text);
    }
  } else {
    unsigned places = digits <= kRoundKeyDecimalsCap ? digits : kMaxRoundKeyDecimals;
    char shortest[kNumberTextMax];
    size_t shortest_length = formatShortest(x, shortest);
    length = roundDecimalText(std::string_view(shortest, shortest_length), places, out64);
    return length == 0 ? value : std::string_view(out64, length);
  }
  if (length > kRoundKeyBufferSize) return value;
  std::memcpy(out64, text, length);
  return std::string_view(out64, length);
}

}  // namespace narwe
