// Number reading and printing for the whole library.
//
// Every module reads and prints numbers through these functions, so a field
// means the same number in a filter, a scalar function, a sort key and an
// aggregate. All functions are pure and thread-safe; none allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"

namespace narwe {

// Whitespace as the SQL and CSV layers understand it: bytes 9..13 and 32.
constexpr bool isBlank(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }

// The standard float parse of the whole text: optional '+' or '-', decimal
// digits with optional fraction and exponent, hexadecimal floats with "0x",
// "inf", "infinity" and "nan" in any case. No surrounding blanks, no
// trailing bytes. Returns nullopt when the text is not such a number.
std::optional<double> parseFloat(std::string_view text);

// Integer-first reading of a field: skip leading blanks, accept one '+' or
// '-', read decimal digits into a signed 64-bit integer; when the digits run
// to the end or only blanks follow, that integer is the value. Otherwise
// (another byte, overflow, no digits) the whole untrimmed text goes through
// parseFloat. Returns nullopt when neither reading succeeds.
std::optional<double> readNumber(std::string_view text);

// Strict integer parse: optional '+' or '-', then one or more decimal digits,
// nothing else. InvalidCharacter for any other byte (or no digits), Overflow
// when the value does not fit the type.
Result<int64_t> parseInt64(std::string_view text);
Result<int32_t> parseInt32(std::string_view text);
Result<uint64_t> parseUint64(std::string_view text);

// Buffer size that holds every text the printers below produce (the longest
// plain-decimal double, a subnormal, is under 400 bytes).
constexpr size_t kNumberTextMax = 512;

// Prints x in plain decimal notation (never an exponent) with the shortest
// digits that read back to the same double. Integral values print without a
// fraction ("3", "-2"); -0 prints "0". NaN prints "nan", infinities "inf" and
// "-inf". Writes into `out` (at least kNumberTextMax bytes) and returns the
// length written.
size_t formatShortest(double x, char* out);

// fmtNum: integral values with |x| <= 1e15 print as integers, everything else
// as formatShortest does. fmtFloat: the same, but the integer form gets ".0".
// Both print every digit; a valid number never becomes the empty text.
size_t formatNum(double x, char* out);
size_t formatFloat(double x, char* out);

// Convenience forms that append to a std::string.
void appendNum(std::string& out, double x);
std::string numToString(double x);

// Prints a signed integer in decimal; returns the length (out >= 21 bytes).
size_t formatInt(int64_t v, char* out);

}  // namespace narwe
