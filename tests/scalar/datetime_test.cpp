// Date forms, validation errors, timestamps against an independent day count,
// formatting and strftime.
#include "scalar/datetime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace narwe {
namespace {

struct ParseRow {
  const char* text;
  Error error;  // Error::None when the text parses
  int32_t year;
  int month, day, hour, minute, second, fraction;
};

constexpr Error kOk = Error::None;

TEST(DateTimeParse, AcceptedFormsAndErrors) {
  const ParseRow rows[] = {
      // ISO with every time shape
      {"2024-01-15", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"2024-02-29", kOk, 2024, 2, 29, 0, 0, 0, 0},
      {"2000-02-29", kOk, 2000, 2, 29, 0, 0, 0, 0},
      {"2024-01-15T10:30:00Z", kOk, 2024, 1, 15, 10, 30, 0, 0},
      {"2024-01-15T10:30:45Zjunk", kOk, 2024, 1, 15, 10, 30, 45, 0},
      {"2024-01-15 10:30:00", kOk, 2024, 1, 15, 10, 30, 0, 0},
      {"2024-01-15 10:30", kOk, 2024, 1, 15, 10, 30, 0, 0},
      {"2024-01-15 10:30:07.250", kOk, 2024, 1, 15, 10, 30, 7, 250},
      {"2024-01-15 10:30:07.", kOk, 2024, 1, 15, 10, 30, 7, 0},
      {"2024-01-15 10:30:07:99", kOk, 2024, 1, 15, 10, 30, 7, 0},
      {"2024-01-15T", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"2024-01-15 ", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"2024-01-15-junk", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"24-1-5", kOk, 24, 1, 5, 0, 0, 0, 0},
      {"+2024-01-15", kOk, 2024, 1, 15, 0, 0, 0, 0},
      // US and European
      {"01/15/2024", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"01/15/2024 23:59:59", kOk, 2024, 1, 15, 23, 59, 59, 0},
      {"15.01.2024", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"15.01.2024 08:05", kOk, 2024, 1, 15, 8, 5, 0, 0},
      // compact
      {"20240115", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"20240115103000", kOk, 2024, 1, 15, 10, 30, 0, 0},
      {"20240115103000999", kOk, 2024, 1, 15, 10, 30, 0, 0},
      {"20240115T1030", kOk, 2024, 1, 15, 0, 0, 0, 0},
      {"20240115xyz", kOk, 2024, 1, 15, 0, 0, 0, 0},
      // every error name
      {"", Error::InvalidDate, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01", Error::InvalidDate, 0, 0, 0, 0, 0, 0, 0},
      {"2024T-01-15", Error::InvalidDate, 0, 0, 0, 0, 0, 0, 0},
      {"T2024-01-15", Error::InvalidDate, 0, 0, 0, 0, 0, 0, 0},
      {"01/15", Error::InvalidDate, 0, 0, 0, 0, 0, 0, 0},
      {"15.01", Error::InvalidDate, 0, 0, 0, 0, 0, 0, 0},
      {"hello", Error::UnknownDateFormat, 0, 0, 0, 0, 0, 0, 0},
      {"2024011", Error::UnknownDateFormat, 0, 0, 0, 0, 0, 0, 0},
      {"2024-13-01", Error::InvalidMonth, 0, 0, 0, 0, 0, 0, 0},
      {"2024-00-01", Error::InvalidMonth, 0, 0, 0, 0, 0, 0, 0},
      {"15/01/2024", Error::InvalidMonth, 0, 0, 0, 0, 0, 0, 0},
      {"20241301", Error::InvalidMonth, 0, 0, 0, 0, 0, 0, 0},
      {"2023-02-29", Error::InvalidDay, 0, 0, 0, 0, 0, 0, 0},
      {"1900-02-29", Error::InvalidDay, 0, 0, 0, 0, 0, 0, 0},
      {"2024-04-31", Error::InvalidDay, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-00", Error::InvalidDay, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15 10", Error::InvalidTime, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15TZ", Error::InvalidTime, 0, 0, 0, 0, 0, 0, 0},
      {"01/15/2024 10", Error::InvalidTime, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15 24:00", Error::InvalidHour, 0, 0, 0, 0, 0, 0, 0},
      {"20240115240000", Error::InvalidHour, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15 10:60", Error::InvalidMinute, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15 10:59:60", Error::InvalidSecond, 0, 0, 0, 0, 0, 0, 0},
      {"20240115235960", Error::InvalidSecond, 0, 0, 0, 0, 0, 0, 0},
      // bad pieces report the integer parse's error
      {"2024-1x-01", Error::InvalidCharacter, 0, 0, 0, 0, 0, 0, 0},
      {" 2024-01-15", Error::InvalidCharacter, 0, 0, 0, 0, 0, 0, 0},
      {"-2024-01-15", Error::InvalidCharacter, 0, 0, 0, 0, 0, 0, 0},  // empty year
      {"2024-01-15 10:30:", Error::InvalidCharacter, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15 xx:30", Error::InvalidCharacter, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15T10:30:45+0100", Error::InvalidCharacter, 0, 0, 0, 0, 0, 0, 0},
      {"20240115T103000", Error::InvalidCharacter, 0, 0, 0, 0, 0, 0, 0},
      {"2024-01-15 10:30:00.123456", Error::Overflow, 0, 0, 0, 0, 0, 0, 0},
      {"2024-300-01", Error::Overflow, 0, 0, 0, 0, 0, 0, 0},
      {"99999999999-01-01", Error::Overflow, 0, 0, 0, 0, 0, 0, 0},
      // the date is validated before the time is read
      {"2024-13-01 xx", Error::InvalidMonth, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const ParseRow& row : rows) {
    SCOPED_TRACE(row.text);
    Result<DateTime> r = parseDateTimeFields(row.text);
    Result<int64_t> ts = parseDateTime(row.text);
    if (row.error != kOk) {
      ASSERT_FALSE(r.ok());
      EXPECT_EQ(errorName(r.error()), errorName(row.error));
      ASSERT_FALSE(ts.ok());
      EXPECT_EQ(ts.error(), row.error);
      continue;
    }
    ASSERT_TRUE(r.ok()) << errorName(r.error());
    EXPECT_EQ(r->year, row.year);
    EXPECT_EQ(r->month, row.month);
    EXPECT_EQ(r->day, row.day);
    EXPECT_EQ(r->hour, row.hour);
    EXPECT_EQ(r->minute, row.minute);
    EXPECT_EQ(r->second, row.second);
    EXPECT_EQ(r->fraction, row.fraction);
    ASSERT_TRUE(ts.ok());
    EXPECT_EQ(*ts, r->toTimestamp());
  }
}

TEST(DateTimeParse, FormsAgreeOnTheSameInstant) {
  const int64_t expected = *parseDateTime("2024-01-15 10:30:00");
  EXPECT_EQ(expected, 1705314600);
  for (const char* text : {"2024-01-15T10:30:00Z", "2024-01-15 10:30", "01/15/2024 10:30:00",
                           "15.01.2024 10:30", "20240115103000", "2024-01-15T10:30:00.9"}) {
    SCOPED_TRACE(text);
    Result<int64_t> ts = parseDateTime(text);
    ASSERT_TRUE(ts.ok());
    EXPECT_EQ(*ts, expected);
  }
  EXPECT_EQ(*parseCompact("20240115"), *parseDateTime("2024-01-15"));
}

// Independent reference: walk whole years from 1970, then months.
int64_t referenceDays(int64_t year, int month, int day) {
  auto leap = [](int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  int64_t days = 0;
  for (int64_t y = 1970; y < year; ++y) days += leap(y) ? 366 : 365;
  for (int64_t y = year; y < 1970; ++y) days -= leap(y) ? 366 : 365;
  static const int kLen[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m < month; ++m) days += (m == 2 && leap(year)) ? 29 : kLen[m - 1];
  return days + day - 1;
}

TEST(DateTimeTimestamp, RoundTripMatchesReferenceOverWideRange) {
  std::mt19937_64 rng(12345);
  const int64_t lo = referenceDays(-5000, 1, 1) * 86400;
  const int64_t hi = referenceDays(10001, 1, 1) * 86400 - 1;
  std::uniform_int_distribution<int64_t> dist(lo, hi);
  for (int i = 0; i < 3000; ++i) {
    int64_t ts = i == 0 ? lo : i == 1 ? hi : dist(rng);
    DateTime dt = DateTime::fromTimestamp(ts);
    ASSERT_EQ(dt.toTimestamp(), ts);
    int64_t secs = dt.hour * 3600 + dt.minute * 60 + dt.second;
    ASSERT_EQ(referenceDays(dt.year, dt.month, dt.day) * 86400 + secs, ts) << ts;
    ASSERT_GE(dt.month, 1);
    ASSERT_LE(dt.month, 12);
    ASSERT_GE(dt.day, 1);
    ASSERT_LE(dt.day, daysInMonth(dt.year, dt.month));
    ASSERT_LT(dt.hour, 24);
    ASSERT_LT(dt.minute, 60);
    ASSERT_LT(dt.second, 60);
  }
}

TEST(DateTimeTimestamp, KnownInstantsAndExtremes) {
  DateTime dt = DateTime::fromTimestamp(-1);
  EXPECT_EQ(dt.year, 1969);
  EXPECT_EQ(dt.month, 12);
  EXPECT_EQ(dt.day, 31);
  EXPECT_EQ(dt.second, 59);
  EXPECT_EQ(*parseDateTime("1969-12-31 23:59:59"), -1);
  EXPECT_EQ(*parseDateTime("1970-01-01"), 0);
  EXPECT_EQ(*parseDateTime("0001-01-01"), -62135596800);
  // The widest DateTime years convert without overflow and come back.
  for (int32_t year : {INT32_MIN, INT32_MAX, 0, -1}) {
    DateTime d;
    d.year = year;
    d.month = 12;
    d.day = 31;
    d.hour = 23;
    DateTime back = DateTime::fromTimestamp(d.toTimestamp());
    EXPECT_EQ(back.year, year);
    EXPECT_EQ(back.month, 12);
    EXPECT_EQ(back.day, 31);
  }
  // Beyond 32-bit years the year saturates, but nothing is undefined.
  EXPECT_EQ(DateTime::fromTimestamp(INT64_MAX).year, INT32_MAX);
  EXPECT_EQ(DateTime::fromTimestamp(INT64_MIN).year, INT32_MIN);
}

TEST(DateTimeFormat, Texts) {
  const struct {
    int64_t ts;
    const char* text;
  } rows[] = {
      {0, "1970-01-01 00:00:00"},
      {-1, "1969-12-31 23:59:59"},
      {1705314600, "2024-01-15 10:30:00"},
      {-62135596800, "0001-01-01 00:00:00"},
      {253402300799, "9999-12-31 23:59:59"},
      {253402300800, "10000-01-01 00:00:00"},
      // the year prints as its absolute value
      {-62198755200, "0001-01-01 00:00:00"},
      {INT64_MAX, "292277026596-12-04 15:30:07"},
  };
  Arena arena;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    char buf[kDateTimeTextMax];
    EXPECT_EQ(std::string_view(buf, formatDateTime(row.ts, buf)), row.text);
    EXPECT_EQ(formatDateTime(arena, row.ts), row.text);
    std::string s = "x";
    appendDateTime(s, row.ts);
    EXPECT_EQ(s, std::string("x") + row.text);
  }
  char buf[kDateTimeTextMax];
  EXPECT_LE(formatDateTime(INT64_MIN, buf), kDateTimeTextMax);
}

std::string strftime(std::string_view format, std::string_view value) {
  char buf[kStrftimeBufferSize];
  return std::string(applyStrftime(format, value, buf));
}

TEST(DateTimeStrftime, ParsedValues) {
  const struct {
    const char* format;
    const char* value;
    const char* expected;
  } rows[] = {
      {"%Y-%m-%d %H:%M:%S", "2024-01-15T10:30:05Z", "2024-01-15 10:30:05"},
      {"%d/%m/%Y", "01/15/2024", "15/01/2024"},
      {"%Y", "20240115", "2024"},
      {"%Y", "24-1-5", "0024"},
      {"%H%%%q", "2024-01-15 09:00", "09%%%q"},
      {"day %d %", "2024-01-15", "day 15 %"},
      {"", "2024-01-15", ""},
      {"%Y", "", ""},
      {"literal", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.format) + " | " + row.value);
    EXPECT_EQ(strftime(row.format, row.value), row.expected);
  }
}

TEST(DateTimeStrftime, FallbackSlicesByValueLength) {
  const std::string full = "2024-13-30 11:22:33";  // never a valid date
  const char* format = "%Y|%m|%d|%H|%M|%S";
  const struct {
    size_t len;
    const char* expected;
  } rows[] = {
      {19, "2024|13|30|11|22|33"}, {18, "2024|13|30|11|22|"}, {16, "2024|13|30|11|22|"},
      {15, "2024|13|30|11||"},     {13, "2024|13|30|11||"},   {12, "2024|13|30|||"},
      {10, "2024|13|30|||"},       {9, "2024|13||||"},         {7, "2024|13||||"},
      {6, "2024|||||"},            {4, "2024|||||"},           {3, "|||||"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.len);
    EXPECT_EQ(strftime(format, full.substr(0, row.len)), row.expected);
  }
  EXPECT_EQ(strftime("%Y/%m", "2024-02-30 10:00:00"), "2024/02");
  EXPECT_EQ(strftime("%H:%M", "2024-02-30"), ":");
  EXPECT_EQ(strftime("[%x]", "not a date"), "[%x]");
}

TEST(DateTimeStrftime, OutputIsCappedAndStaysInTheBuffer) {
  // Literal bytes stop once 61 have been written.
  EXPECT_EQ(strftime(std::string(100, 'a'), "2024-01-15"), std::string(61, 'a'));
  // A specifier started at 60 bytes completes (4 digits end at 64).
  EXPECT_EQ(strftime(std::string(60, 'a') + "%Y%Y", "2024-01-15"), std::string(60, 'a') + "2024");
  EXPECT_EQ(strftime(std::string(59, 'a') + "%q%q", "x"), std::string(59, 'a') + "%q");
  // A wide year at the cap is cut at the buffer's end instead of overrunning.
  EXPECT_EQ(strftime(std::string(60, 'a') + "%Y", "2147483647-01-01"),
            std::string(60, 'a') + "2147");
}

}  // namespace
}  // namespace narwe
