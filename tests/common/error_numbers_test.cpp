// Error name table and number reading/printing.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "common/arena.h"
#include "common/error.h"
#include "common/numbers.h"

namespace narwe {
namespace {

TEST(ErrorTable, NamesAreUniqueAndMatchTheEnum) {
  std::set<std::string_view> names;
  for (int code = 1; code <= kErrorCount; ++code) {
    auto name = errorName(static_cast<Error>(code));
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(names.insert(name).second) << name;
  }
  EXPECT_EQ(errorName(Error::InvalidQuery), "InvalidQuery");
  EXPECT_EQ(errorName(Error::NotSameFileSystem), "NotSameFileSystem");
  EXPECT_EQ(errorName(Error::FileNotFound), "FileNotFound");
}

TEST(ErrorTable, ErrnoMapping) {
  EXPECT_EQ(errorFromErrno(ENOENT), Error::FileNotFound);
  EXPECT_EQ(errorFromErrno(EACCES), Error::AccessDenied);
  EXPECT_EQ(errorFromErrno(EISDIR), Error::IsDir);
  EXPECT_EQ(errorFromErrno(EMFILE), Error::ProcessFdQuotaExceeded);
  EXPECT_EQ(errorFromErrno(ENFILE), Error::SystemFdQuotaExceeded);
  EXPECT_EQ(errorFromErrno(EAGAIN), Error::SystemResources);
  EXPECT_EQ(errorFromErrno(99999), Error::Unexpected);
}

TEST(ParseFloat, Grammar) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"42", true, 42},        {"-4.5", true, -4.5},    {"+7", true, 7},
      {"1e3", true, 1000},     {".5", true, 0.5},       {"5.", true, 5},
      {"0x10", true, 16},      {"-0x1p4", true, -16},   {"1E-2", true, 0.01},
      {"", false, 0},          {" 1", false, 0},        {"1 ", false, 0},
      {"+", false, 0},         {"--1", false, 0},       {"+-1", false, 0},
      {"1e", false, 0},        {"abc", false, 0},       {"0x", false, 0},
      {"nan(1)", false, 0},    {"1_000", false, 0},     {"1e999", true, INFINITY},
      {"1e-999", true, 0},
  };
  for (const auto& c : cases) {
    auto v = parseFloat(c.text);
    EXPECT_EQ(v.has_value(), c.ok) << c.text;
    if (v && c.ok) {
      EXPECT_EQ(*v, c.value) << c.text;
    }
  }
  EXPECT_TRUE(std::isinf(*parseFloat("-Infinity")));
  EXPECT_TRUE(std::isinf(*parseFloat("INF")));
  EXPECT_TRUE(std::isnan(*parseFloat("NaN")));
}

TEST(ReadNumber, IntegerFirstThenFloat) {
  EXPECT_EQ(readNumber(" 42"), 42.0);
  EXPECT_EQ(readNumber("42 \t"), 42.0);
  EXPECT_EQ(readNumber("-17"), -17.0);
  EXPECT_EQ(readNumber("4.5"), 4.5);
  EXPECT_FALSE(readNumber(" 4.5").has_value());  // float path does not trim
  EXPECT_FALSE(readNumber("").has_value());
  EXPECT_FALSE(readNumber("   ").has_value());
  EXPECT_FALSE(readNumber("12abc").has_value());
  EXPECT_EQ(readNumber("99999999999999999999"), 1e20);  // overflow -> float path
  EXPECT_EQ(readNumber("-9223372036854775808"), -9223372036854775808.0);
}

TEST(ParseInt, StrictForms) {
  EXPECT_EQ(*parseInt32("10"), 10);
  EXPECT_EQ(*parseInt32("-5"), -5);
  EXPECT_EQ(parseInt32("2147483648").error(), Error::Overflow);
  EXPECT_EQ(*parseInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(parseInt32("1x").error(), Error::InvalidCharacter);
  EXPECT_EQ(parseInt32("").error(), Error::InvalidCharacter);
  EXPECT_EQ(parseInt32("-").error(), Error::InvalidCharacter);
  EXPECT_EQ(parseUint64("-3").error(), Error::Overflow);
  EXPECT_EQ(*parseUint64("18446744073709551615"), UINT64_MAX);
}

std::string fmt(double x, size_t (*f)(double, char*)) {
  char buf[kNumberTextMax];
  return std::string(buf, f(x, buf));
}

TEST(FormatNum, Rules) {
  EXPECT_EQ(fmt(3, formatNum), "3");
  EXPECT_EQ(fmt(-0.0, formatNum), "0");
  EXPECT_EQ(fmt(2.5, formatNum), "2.5");
  EXPECT_EQ(fmt(0.1, formatNum), "0.1");
  EXPECT_EQ(fmt(1e15, formatNum), "1000000000000000");
  EXPECT_EQ(fmt(1e16, formatNum), "10000000000000000");
  EXPECT_EQ(fmt(1e40, formatNum), "1" + std::string(40, '0'));
  EXPECT_EQ(fmt(NAN, formatNum), "nan");
  EXPECT_EQ(fmt(-INFINITY, formatNum), "-inf");
  EXPECT_EQ(fmt(3, formatFloat), "3.0");
  EXPECT_EQ(fmt(-2, formatFloat), "-2.0");
  EXPECT_EQ(fmt(2.25, formatFloat), "2.25");
  EXPECT_EQ(fmt(1e-7, formatNum), "0.0000001");
  EXPECT_EQ(fmt(1.5e300, formatNum), "15" + std::string(299, '0'));
  EXPECT_EQ(fmt(-123.456, formatNum), "-123.456");
  EXPECT_EQ(fmt(5e-324, formatNum), "0." + std::string(323, '0') + "5");
}

TEST(FormatNum, RoundTripsRandomDoublesWithoutExponent) {
  std::mt19937_64 rng(7);
  char buf[kNumberTextMax];
  for (int i = 0; i < 1000000; ++i) {
    uint64_t bits = rng();
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    size_t n = formatNum(x, buf);
    std::string_view text(buf, n);
    ASSERT_EQ(text.find_first_of("eE"), std::string_view::npos) << text;
    auto back = parseFloat(text);
    ASSERT_TRUE(back.has_value()) << text;
    ASSERT_EQ(*back, x == 0 ? 0.0 : x) << text;
  }
}

TEST(Arena, ResetKeepsCapacity) {
  Arena arena(64);
  for (int i = 0; i < 100; ++i) arena.copy(std::string(50, 'x'));
  size_t capacity = arena.capacity();
  for (int round = 0; round < 10; ++round) {
    arena.reset();
    for (int i = 0; i < 100; ++i) {
      auto s = arena.copy(std::string(50, 'y'));
      ASSERT_EQ(s, std::string(50, 'y'));
    }
  }
  EXPECT_EQ(arena.capacity(), capacity);
}

}  // namespace
}  // namespace narwe
