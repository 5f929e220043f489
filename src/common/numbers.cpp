// Number reading and printing; see numbers.h for the rules.
#include "common/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "common/text.h"

namespace narwe {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Parses an unsigned decimal or hexadecimal body (no sign) completely.
std::optional<double> parseUnsignedBody(std::string_view body) {
  if (body.empty()) return std::nullopt;
  if (equalsIgnoreCase(body, "inf") || equalsIgnoreCase(body, "infinity")) {
    return std::numeric_limits<double>::infinity();
  }
  if (equalsIgnoreCase(body, "nan")) return std::numeric_limits<double>::quiet_NaN();
  const char* first = body.data();
  const char* last = body.data() + body.size();
  auto format = std::chars_format::general;
  if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
    first += 2;
    format = std::chars_format::hex;
  }
  // from_chars would also take "inf"/"nan(...)" forms and signs in odd places;
  // the body must start with a digit or a '.' followed by a digit.
  if (!isDigit(*first) && *first != '.') {
    if (format != std::chars_format::hex) return std::nullopt;
    bool hex_digit = (*first >= 'a' && *first <= 'f') || (*first >= 'A' && *first <= 'F');
    if (!hex_digit) return std::nullopt;
  }
  double value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value, format);
  if (ptr != last) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // from_chars reports overflow and underflow without a value; the usual
    // float parse gives infinity or zero. strtod knows which (rare path).
    char small[kNumberTextMax];
    if (body.size() < sizeof small) {
      std::memcpy(small, body.data(), body.size());
      small[body.size()] = '\0';
      return std::fabs(std::strtod(small, nullptr));
    }
    std::string copy(body);
    return std::fabs(std::strtod(copy.c_str(), nullptr));
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

template <typename T>
Result<T> parseIntegerStrict(std::string_view text) {
  if (text.empty()) return Error::InvalidCharacter;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return Error::InvalidCharacter;
  for (size_t j = i; j < text.size(); ++j) {
    if (!isDigit(text[j])) return Error::InvalidCharacter;
  }
  // Parse the digits with the sign attached so the most negative value fits.
  T value = 0;
  for (size_t j = i; j < text.size(); ++j) {
    T digit = static_cast<T>(text[j] - '0');
    if (__builtin_mul_overflow(value, static_cast<T>(10), &value)) return Error::Overflow;
    bool overflow = negative ? __builtin_sub_overflow(value, digit, &value)
                             : __builtin_add_overflow(value, digit, &value);
    if (overflow) return Error::Overflow;
  }
  return value;
}

}  // namespace

std::optional<double> parseFloat(std::string_view text) {
  if (text.empty()) return std::nullopt;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  auto value = parseUnsignedBody(text);
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

std::optional<double> readNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  size_t digits_start = i;
  int64_t value = 0;
  bool overflow = false;
  while (i < text.size() && isDigit(text[i])) {
    int64_t digit = text[i] - '0';
    if (__builtin_mul_overflow(value, int64_t{10}, &value) ||
        (negative ? __builtin_sub_overflow(value, digit, &value)
                  : __builtin_add_overflow(value, digit, &value))) {
      overflow = true;
      break;
    }
    ++i;
  }
  if (!overflow && i > digits_start) {
    size_t j = i;
    while (j < text.size() && isBlank(static_cast<unsigned char>(text[j]))) ++j;
    if (j == text.size()) return static_cast<double>(value);
  }
  return parseFloat(text);
}

Result<int64_t> parseInt64(std::string_view text) { return parseIntegerStrict<int64_t>(text); }
Result<int32_t> parseInt32(std::string_view text) { return parseIntegerStrict<int32_t>(text); }

Result<uint64_t> parseUint64(std::string_view text) {
  if (!text.empty() && text[0] == '-') {
    if (text.size() == 1) return Error::InvalidCharacter;
    for (size_t j = 1; j < text.size(); ++j) {
      if (!isDigit(text[j])) return Error::InvalidCharacter;
    }
    // "-0" is zero; any other negative value does not fit.
    for (size_t j = 1; j < text.size(); ++j) {
      if (text[j] != '0') return Error::Overflow;
    }
    return uint64_t{0};
  }
  return parseIntegerStrict<uint64_t>(text);
}

size_t formatInt(int64_t v, char* out) {
  auto [ptr, ec] = std::to_chars(out, out + 21, v);
  (void)ec;
  return static_cast<size_t>(ptr - out);
}

size_t formatShortest(double x, char* out) {
  if (std::isnan(x)) {
    std::memcpy(out, "nan", 3);
    return 3;
  }
  if (std::isinf(x)) {
    if (x < 0) {
      std::memcpy(out, "-inf", 4);
      return 4;
    }
    std::memcpy(out, "inf", 3);
    return 3;
  }
  if (x == 0) {
    out[0] = '0';
    return 1;
  }
  // The shortest round-trip digits come from the scientific form; they are
  // then laid out in plain decimal, padding with zeros (1e40 prints as a 1
  // and forty zeros, not as the exact binary value).
  char sci[64];
  auto [end, ec] = std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific);
  if (ec != std::errc()) {
    out[0] = '0';
    return 1;
  }
  const char* p = sci;
  size_t n = 0;
  if (*p == '-') {
    out[n++] = '-';
    ++p;
  }
  char digits[32];
  size_t digit_count = 0;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') digits[digit_count++] = *p;
  }
  int exponent = 0;
  if (p < end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
  // Value = 0.d1d2d3... * 10^(exponent + 1); point_pos digits precede the point.
  long point_pos = exponent + 1;
  if (point_pos <= 0) {
    out[n++] = '0';
    out[n++] = '.';
    for (long i = 0; i < -point_pos; ++i) out[n++] = '0';
    std::memcpy(out + n, digits, digit_count);
    n += digit_count;
  } else if (static_cast<size_t>(point_pos) >= digit_count) {
    std::memcpy(out + n, digits, digit_count);
    n += digit_count;
    for (size_t i = digit_count; i < static_cast<size_t>(point_pos); ++i) out[n++] = '0';
  } else {
    std::memcpy(out + n, digits, static_cast<size_t>(point_pos));
    n += static_cast<size_t>(point_pos);
    out[n++] = '.';
    std::memcpy(out + n, digits + point_pos, digit_count - static_cast<size_t>(point_pos));
    n += digit_count - static_cast<size_t>(point_pos);
  }
  return n;
}

size_t formatNum(double x, char* out) {
  if (std::isfinite(x) && x == std::trunc(x) && std::fabs(x) <= 1e15) {
    if (x == 0) {
      out[0] = '0';
      return 1;
    }
    return formatInt(static_cast<int64_t>(x), out);
  }
  return formatShortest(x, out);
}

size_t formatFloat(double x, char* out) {
  if (std::isfinite(x) && x == std::trunc(x) && std::fabs(x) <= 1e15) {
    size_t n = formatNum(x, out);
    out[n++] = '.';
    out[n++] = '0';
    return n;
  }
  return formatShortest(x, out);
}

void appendNum(std::string& out, double x) {
  char buf[kNumberTextMax];
  out.append(buf, formatNum(x, buf));
}

std::string numToString(double x) {
  std::string s;
  appendNum(s, x);
  return s;
}

}  // namespace narwe
