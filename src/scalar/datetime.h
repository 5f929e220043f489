// Date and time: reading date-time texts from CSV fields, converting them to
// and from Unix seconds, printing them back, and a small strftime language.
//
// Every value is a civil date-time on the proleptic Gregorian calendar; there
// is no time zone ("Z" is skipped). Accepted texts:
//   ISO       YYYY-MM-DD, optionally followed by "T" or " " and a time
//   US        MM/DD/YYYY, optionally followed by " " and a time
//   European  DD.MM.YYYY, optionally followed by " " and a time
//   compact   YYYYMMDD or YYYYMMDDHHMMSS (further bytes ignored)
// A time is HH:MM[:SS[.fraction]].
//
// Every function here is pure and thread-safe, and none allocates except the
// formatDateTime overloads that hand text to an Arena or std::string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/arena.h"
#include "common/error.h"

namespace narwe {

constexpr int64_t kSecondsPerDay = 86400;

// Broken-down civil time. `fraction` holds the digits written after the
// seconds' "." read as an integer (".5" gives 5); it is kept but never used in
// calculations.
struct DateTime {
  int32_t year = 1970;
  uint16_t fraction = 0;
  uint8_t month = 1;
  uint8_t day = 1;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;

  // Seconds since 1970-01-01 00:00:00; earlier times are negative. Exact for
  // every year a DateTime can hold (the result never overflows).
  int64_t toTimestamp() const;

  // The civil time of a timestamp (fraction 0). Exact whenever the year fits
  // 32 bits; beyond that the year saturates at the int32 limits (the text
  // printers below stay exact for every timestamp).
  static DateTime fromTimestamp(int64_t timestamp);
};

// Reads a date-time text (not trimmed) into its broken-down form. Errors:
// InvalidDate, UnknownDateFormat, InvalidMonth, InvalidDay, InvalidTime,
// InvalidHour, InvalidMinute, InvalidSecond, and InvalidCharacter / Overflow
// from a piece that is not an integer of its width.
Result<DateTime> parseDateTimeFields(std::string_view text);

// parseDateTimeFields followed by toTimestamp.
Result<int64_t> parseDateTime(std::string_view text);

// The all-digits form: at least 8 leading digits YYYYMMDD; with 14 bytes or
// more, HHMMSS follows. Called by parseDateTime.
Result<DateTime> parseCompactFields(std::string_view text);
Result<int64_t> parseCompact(std::string_view text);

// Longest text formatDateTime writes (a 12-digit year for the farthest
// timestamps, then "-MM-DD HH:MM:SS"), rounded up.
constexpr size_t kDateTimeTextMax = 32;

// Writes "YYYY-MM-DD HH:MM:SS" for a timestamp: the absolute value of the
// year zero-padded to at least 4 digits, the other fields to 2. `out` holds at
// least kDateTimeTextMax bytes; returns the length written.
size_t formatDateTime(int64_t timestamp, char* out);
// The same text copied into `arena` (std::bad_alloc propagates as everywhere
// else in the library).
std::string_view formatDateTime(Arena& arena, int64_t timestamp);
// The same text appended to `out`.
void appendDateTime(std::string& out, int64_t timestamp);

// Size of the buffer applyStrftime writes into.
constexpr size_t kStrftimeBufferSize = 64;

// Formats `value` by `format` into `buf` (kStrftimeBufferSize bytes) and
// returns a view of the written bytes. Specifiers %Y %m %d %H %M %S; "%" with
// any other byte, or a trailing "%", is copied. A value that does not parse
// as a date-time has the specifiers filled by slicing it as if it read
// "YYYY-MM-DD HH:MM:SS" (a slice past the value's end writes nothing). An
// empty value gives an empty result. Output stops once 61 bytes have been
// written and never exceeds the buffer. Never fails.
std::string_view applyStrftime(std::string_view format, std::string_view value, char* buf);

// Days from 1970-01-01 to the given civil date (negative before it), for any
// 64-bit year whose day count fits. Month 1-12, day 1-31 (not validated).
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day);

// True for Gregorian leap years; the number of days of a month in a year.
constexpr bool isLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}
constexpr unsigned daysInMonth(int64_t year, unsigned month) {
  constexpr unsigned kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : kLengths[month - 1];
}

}  // namespace narwe
