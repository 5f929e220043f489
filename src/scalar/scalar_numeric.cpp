// The numeric functions: abs, sign, ceil, floor, mod, cast to integer and
// round. A value that is not a number is returned unchanged.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "scalar/scalar_ops.h"
#include "scalar/scalar_util.h"

namespace narwe::scalar_detail {

namespace {

// Bytes formatInt may write for any int64 (sign and 19 digits, rounded up).
constexpr size_t kIntTextMax = 21;
// round() with digits writes at most this many bytes; longer texts leave the
// value unchanged.
constexpr size_t kRoundTextMax = 64;
// round() prints at most this many fraction digits whatever it was asked.
constexpr int kRoundMaxFractionDigits = 9;
// Powers of ten that are exact doubles; larger ones come from pow().
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr size_t kExactPow10Count = sizeof(kExactPow10) / sizeof(kExactPow10[0]);
// Below 2^51 a rounded scaled value printed as an integer with the point
// inserted gives exactly the digits of the correctly rounded fixed-point
// text (the division's error stays under a quarter of the last digit).
constexpr double kTwoPow51 = 2251799813685248.0;
constexpr uint64_t kIntPow10[] = {1,      10,      100,      1000,      10000,
                                  100000, 1000000, 10000000, 100000000, 1000000000};
// 2^63: the first double beyond the int64 range.
constexpr double kTwoPow63 = 9223372036854775808.0;

std::string_view intText(int64_t v, Arena& scratch) {
  char* out = allocateScratch(scratch, kIntTextMax);
  return {out, formatInt(v, out)};
}

// Truncates toward zero into int64, saturating at the limits; NaN gives 0.
int64_t saturatingTrunc(double x) {
  if (std::isnan(x)) return 0;
  if (x >= kTwoPow63) return std::numeric_limits<int64_t>::max();
  if (x < -kTwoPow63) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(x);
}

// Prints r / 10^digits with exactly `digits` fraction digits (1..9).
std::string_view fixedFromScaled(int64_t r, unsigned digits, Arena& scratch) {
  char* out = allocateScratch(scratch, kRoundTextMax);
  size_t n = 0;
  uint64_t mag = r < 0 ? static_cast<uint64_t>(-r) : static_cast<uint64_t>(r);
  if (r < 0) out[n++] = '-';  // r == 0 prints without a sign
  const uint64_t unit = kIntPow10[digits];
  n += formatInt(static_cast<int64_t>(mag / unit), out + n);
  out[n++] = '.';
  uint64_t frac = mag % unit;
  for (unsigned i = digits; i > 0; --i) {
    out[n + i - 1] = static_cast<char>('0' + frac % 10);
    frac /= 10;
  }
  return {out, n + digits};
}

// Prints y with exactly `fraction` fraction digits, starting from the shared
// shortest plain-decimal text (so large values show the same digits as
// everywhere else) and rounding its digit string half away from zero when it
// has more fraction digits. Longer than kRoundTextMax bytes: `fallback`.
std::string_view fixedFromShortest(double y, unsigned fraction, Arena& scratch,
                                   std::string_view fallback) {
  char text[kNumberTextMax + 2];
  size_t n = formatShortest(y, text + 1);  // text[0] leaves room for a carry
  char* s = text + 1;
  if (!std::isfinite(y)) return copyToScratch(scratch, std::string_view(s, n));
  const size_t sign = s[0] == '-' ? 1 : 0;
  size_t point = std::string_view(s, n).find('.');
  if (point == std::string_view::npos) {
    point = n;
    s[n++] = '.';
  }
  const size_t keep = point + 1 + fraction;
  if (n > keep) {
    const bool round_up = s[keep] >= '5';
    n = keep;
    if (round_up) {
      size_t i = keep;
      while (i > sign) {
        --i;
        if (s[i] == '.') continue;
        if (s[i] != '9') {
          ++s[i];
          break;
        }
        s[i] = '0';
        if (i == sign) {  // carried out of the leading digit
          std::memmove(s + sign + 1, s + sign, n - sign);
          s[sign] = '1';
          ++n;
        }
      }
    }
  }
  while (n < keep) s[n++] = '0';
  if (n > kRoundTextMax) return fallback;
  // "-0.00" after rounding reads as zero.
  if (sign && std::string_view(s + 1, n - 1).find_first_not_of("0.") == std::string_view::npos) {
    ++s;
    --n;
  }
  return copyToScratch(scratch, std::string_view(s, n));
}

}  // namespace

std::string_view numberText(double x, bool as_float, Arena& scratch) {
  char buf[kNumberTextMax];
  size_t n = as_float ? formatFloat(x, buf) : formatNum(x, buf);
  return copyToScratch(scratch, std::string_view(buf, n));
}

std::string_view applyAbs(std::string_view v, Arena& scratch) {
  auto x = parseFloat(v);
  if (!x) return v;
  return numberText(std::fabs(*x), false, scratch);
}

std::string_view applySign(std::string_view v) {
  auto x = parseFloat(v);
  if (!x) return v;
  if (*x < 0) return "-1";
  if (*x > 0) return "1";
  return "0";  // zero and NaN
}

std::string_view applyCeil(std::string_view v, Arena& scratch) {
  auto x = parseFloat(v);
  if (!x) return v;
  return numberText(std::ceil(*x), true, scratch);
}

std::string_view applyFloor(std::string_view v, Arena& scratch) {
  auto x = parseFloat(v);
  if (!x) return v;
  return numberText(std::floor(*x), true, scratch);
}

std::string_view applyMod(std::string_view v, double divisor, Arena& scratch) {
  auto x = parseFloat(v);
  if (!x) return v;
  double r = std::fmod(*x, divisor);
  // A negative dividend is brought into the divisor's range, so mod(-7, 3)
  // is 2 rather than -1.
  if (!(*x >= 0)) r = std::fmod(divisor + r, divisor);
  return numberText(r, false, scratch);
}

std::string_view applyCastInt(std::string_view v, Arena& scratch) {
  auto x = parseFloat(v);
  if (!x) return v;
  return intText(saturatingTrunc(*x), scratch);
}

std::string_view applyRound(std::string_view v, uint8_t digits, Arena& scratch) {
  auto parsed = parseFloat(v);
  if (!parsed) return v;
  const double x = *parsed;
  if (digits == 0) {
    double r = std::round(x);  // halves go away from zero
    if (r >= -kTwoPow63 && r < kTwoPow63) return intText(static_cast<int64_t>(r), scratch);
    // Beyond the int64 range (and NaN, infinities) the rounded value is
    // printed whole rather than clipped to a wrong integer.
    return numberText(r, false, scratch);
  }
  const double scale =
      digits < kExactPow10Count ? kExactPow10[digits] : std::pow(10.0, static_cast<double>(digits));
  double scaled = x * scale;
  if (digits <= kRoundMaxFractionDigits && std::fabs(scaled) < kTwoPow51) {
    return fixedFromScaled(static_cast<int64_t>(std::round(scaled)), digits, scratch);
  }
  // When scaling overflows the value has no digits at that precision to
  // round away; keep it as it is instead of turning it into infinity.
  double y = std::isfinite(scaled) || !std::isfinite(x) ? std::round(scaled) / scale : x;
  if (y == 0) y = 0.0;  // no "-0.00"
  const unsigned fraction = std::min<unsigned>(digits, kRoundMaxFractionDigits);
  return fixedFromShortest(y, fraction, scratch, v);
}

}  // namespace narwe::scalar_detail
