// Per-row evaluation of scalar expressions, by function family.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/arena.h"
#include "common/name_index.h"
#include "common/numbers.h"
#include "scalar/scalar.h"

namespace narwe {
namespace {

// Columns x=0 a=1 b=2 c=3.
const NameIndex& testIndex() {
  static const NameIndex index = buildNameIndex({"x", "a", "b", "c"});
  return index;
}

// Parses `term` and evaluates it on `row`.
std::string run(std::string_view term, const std::vector<std::string>& row) {
  auto r = tryParseScalar(term, testIndex());
  if (!r.ok() || !r->has_value()) {
    ADD_FAILURE() << "not recognised: " << term;
    return "<absent>";
  }
  std::vector<std::string_view> fields(row.begin(), row.end());
  Arena arena;
  return std::string(eval(**r, fields.data(), fields.size(), arena));
}

struct EvalCase {
  const char* term;
  std::vector<std::string> row;
  const char* expected;
};

void runCases(const std::vector<EvalCase>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.term, c.row), c.expected) << c.term << " on '" << (c.row.empty() ? "" : c.row[0])
                                              << "'";
  }
}

TEST(ScalarEvalText, CaseTrimLengthReverse) {
  runCases({
      {"upper(x)", {""}, ""},
      {"upper(x)", {"abcXYZ \xc3\xa9 1_z{"}, "ABCXYZ \xc3\xa9 1_Z{"},
      {"lower(x)", {"ABC@[xyz]"}, "abc@[xyz]"},
      {"trim(x)", {" \t\v\f ab c \r\n"}, "ab c"},
      {"length(x)", {""}, ""},
      {"length(x)", {"h\xc3\xa9llo"}, "6"},  // bytes, not characters
      {"reverse(x)", {""}, ""},
      {"reverse(x)", {"h\xc3\xa9llo \xe2\x82\xac!"}, "!\xe2\x82\xac oll\xc3\xa9h"},
      {"reverse(x)", {"ab\xff\xc3"}, "\xc3\xff" "ba"},  // invalid UTF-8: bytewise
      {"reverse(x)", {"a\xed\xa0\x80"}, "\x80\xa0\xed" "a"},  // surrogate is invalid
      {"reverse(x)", {"\xf0\x9f\x98\x80z"}, "z\xf0\x9f\x98\x80"},
      {"upper(c)", {"only x"}, ""},  // a column beyond the row reads as empty
  });
}

TEST(ScalarEvalText, CaseMappingMatchesBytewiseRuleForEveryByte) {
  // Long enough to cover the 64-byte and 8-byte block paths and the tail.
  std::string all;
  for (int round = 0; round < 2; ++round) {
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  }
  all += "tail-abc";
  std::string want_upper = all, want_lower = all;
  for (char& ch : want_upper) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
  }
  for (char& ch : want_lower) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
  }
  for (size_t len : {all.size(), size_t{7}, size_t{63}, size_t{65}, size_t{130}}) {
    std::string in = all.substr(all.size() - len);
    EXPECT_EQ(run("upper(x)", {in}), want_upper.substr(all.size() - len)) << len;
    EXPECT_EQ(run("lower(x)", {in}), want_lower.substr(all.size() - len)) << len;
  }
}

TEST(ScalarEvalText, SubstrPositions) {
  runCases({
      {"substr(x, -3)", {"hello"}, "llo"},
      {"substr(x, 0, 2)", {"hello"}, "he"},
      {"substr(x, 2, 3)", {"hello"}, "ell"},
      {"substr(x, 9)", {"hello"}, ""},
      {"substr(x, 5)", {"hello"}, "o"},
      {"substr(x, -9)", {"hello"}, "hello"},
      {"substr(x, -9, 2)", {"hello"}, "he"},
      {"substr(x, 2, 0)", {"hello"}, ""},
      {"substr(x, 2, 100)", {"hello"}, "ello"},
      {"substr(x, 1, -5)", {"hello"}, "hello"},
      {"substr(x, -2147483648, 2147483647)", {"hello"}, "hello"},
  });
}

TEST(ScalarEvalText, PaddingAndUtf8SafeTruncation) {
  runCases({
      {"lpad(x, 5, 'xy')", {"abc"}, "xyabc"},
      {"rpad(x, 6, 'xy')", {"abc"}, "abcxyx"},
      {"lpad(x, 2, 'xy')", {"abc"}, "ab"},
      {"rpad(x, 2)", {"abc"}, "ab"},
      {"lpad(x, 3)", {"abc"}, "abc"},
      {"lpad(x, 5)", {"abc"}, "  abc"},
      {"lpad(x, 5)", {""}, ""},
      {"lpad(x, 5, '')", {"abc"}, "abc"},
      {"lpad(x, 0)", {"abc"}, ""},
      // "a" then the two-byte "é": a cut inside it keeps only "a".
      {"lpad(x, 2)", {"a\xc3\xa9"}, "a"},
      {"rpad(x, 2)", {"a\xc3\xa9"}, "a"},
      {"rpad(x, 1)", {"\xc3\xa9"}, ""},
      {"lpad(x, 4, '*')", {"a\xc3\xa9"}, "*a\xc3\xa9"},
  });
}

TEST(ScalarEvalText, ReplaceSplitPartConcat) {
  runCases({
      {"replace(x, '-', '+')", {"a-b-c"}, "a+b+c"},
      {"replace(x, 'aa', 'X')", {"aaaaa"}, "XXa"},  // non-overlapping, left to right
      {"replace(x, 'b', '')", {"abcb"}, "ac"},
      {"replace(x, 'ab', '')", {"abab"}, ""},
      {"replace(x, 'q', 'longer')", {"abc"}, "abc"},
      {"replace(x, 'b', 'xyz')", {"bab"}, "xyzaxyz"},
      {"split_part(x, ',', 3)", {"a,b,,c"}, ""},
      {"split_part(x, ',', 4)", {"a,b,,c"}, "c"},
      {"split_part(x, ',', 5)", {"a,b,,c"}, ""},
      {"split_part(x, ',', 1)", {"a,b,,c"}, "a"},
      {"split_part(x, '::', 2)", {"k::v::w"}, "v"},
      {"split_part(x, ',', 1)", {""}, ""},
      {"concat(x, '-', a)", {"p", "q"}, "p-q"},
      {"concat(x, a)", {"", ""}, ""},
      {"concat(x, c)", {"p"}, "p"},
  });
}

TEST(ScalarEvalNumeric, AbsSignCeilFloorCast) {
  runCases({
      {"abs(x)", {"-4"}, "4"},
      {"abs(x)", {"-4.25"}, "4.25"},
      {"abs(x)", {"abc"}, "abc"},
      {"abs(x)", {" 4"}, " 4"},  // blanks make it text
      {"abs(x)", {""}, ""},
      {"sign(x)", {"-0.5"}, "-1"},
      {"sign(x)", {"7"}, "1"},
      {"sign(x)", {"0"}, "0"},
      {"sign(x)", {"nan"}, "0"},
      {"sign(x)", {"z"}, "z"},
      {"ceil(x)", {"2.1"}, "3.0"},
      {"ceil(x)", {"5"}, "5.0"},
      {"floor(x)", {"-2.1"}, "-3.0"},
      {"floor(x)", {"x1"}, "x1"},
      {"cast(x AS int)", {"3.9"}, "3"},
      {"cast(x AS int)", {"-3.9"}, "-3"},
      {"cast(x AS int)", {"abc"}, "abc"},
      {"cast(x AS int)", {"1e30"}, "9223372036854775807"},
      {"cast(x AS int)", {"-1e30"}, "-9223372036854775808"},
      {"cast(x AS int)", {"nan"}, "0"},
      {"cast(x AS float)", {"3"}, "3"},
      {"cast(x AS float)", {"abc"}, "abc"},
      {"cast(x AS text)", {" t "}, " t "},
  });
}

TEST(ScalarEvalNumeric, LargeValuesArePrintedInFull) {
  // Plain decimal, every integer digit, never empty for lack of room.
  const EvalCase cases[] = {
      {"abs(x)", {"-1e40"}, ""},
      {"round(x)", {"1e40"}, ""},
      {"mod(x, 1e300)", {"1e40"}, ""},
      {"CASE WHEN x = 1 THEN 1e40 ELSE 0 END", {"1"}, ""},
  };
  const std::string ten_pow_40 = "1" + std::string(40, '0');
  for (const auto& c : cases) EXPECT_EQ(run(c.term, c.row), ten_pow_40) << c.term;
  EXPECT_EQ(run("round(x)", {"-1e30"}), "-1" + std::string(30, '0'));
  EXPECT_EQ(run("ceil(x)", {"1e20"}), "1" + std::string(20, '0'));
}

TEST(ScalarEvalNumeric, RoundDigitsAgreeWithCorrectlyRoundedFixedText) {
  // Reference: the rounded value printed by the standard fixed-point printer.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-6, 5);
  std::uniform_int_distribution<int> digits(1, 9);
  for (int i = 0; i < 4000; ++i) {
    double x = mantissa(rng) * std::pow(10.0, exponent(rng));
    if (i % 4 == 0) x = std::round(x * 1000) / 1000 + 0.0005;  // near halves
    int n = digits(rng);
    double y = std::round(x * std::pow(10.0, n)) / std::pow(10.0, n);
    if (y == 0) y = 0.0;
    char want[128];
    auto res = std::to_chars(want, want + sizeof want, y, std::chars_format::fixed, n);
    std::string expected(want, res.ptr);
    char in[64];
    std::string input(in, std::to_chars(in, in + sizeof in, x).ptr);
    std::string term = "round(x, " + std::to_string(n) + ")";
    ASSERT_EQ(run(term, {input}), expected) << term << " of " << input;
  }
}

TEST(ScalarEvalNumeric, ModSignRules) {
  runCases({
      {"mod(x, 3)", {"-7"}, "2"},
      {"mod(x, -3)", {"7"}, "1"},
      {"mod(x, 2)", {"7.5"}, "1.5"},
      {"mod(x, 3)", {"6"}, "0"},
      {"mod(x, 3)", {"-6"}, "0"},
      {"mod(x, 0)", {"7"}, "nan"},
      {"mod(x, 3)", {"seven"}, "seven"},
  });
}

TEST(ScalarEvalNumeric, RoundHalfAwayAndDigitLimits) {
  runCases({
      {"round(x)", {"2.5"}, "3"},
      {"round(x)", {"-2.5"}, "-3"},
      {"round(x)", {"2.4999"}, "2"},
      {"round(x, 2)", {"3.14159"}, "3.14"},
      {"round(x, 3)", {"2"}, "2.000"},
      {"round(x, 2)", {"2.499"}, "2.50"},
      {"round(x, 1)", {"-0.25"}, "-0.3"},
      {"round(x, 2)", {"-0.001"}, "0.00"},
      {"round(x, 12)", {"1.5"}, "1.500000000"},  // at most nine fraction digits
      {"round(x, 10)", {"2.0000000005"}, "2.000000001"},
      {"round(x, 10)", {"-0.0000000004"}, "0.000000000"},
      {"round(x, 11)", {"9.99999999996"}, "10.000000000"},
      {"round(x, 2)", {"1e23"}, "100000000000000000000000.00"},
      {"round(x, 1)", {"-4503599627370497.5"}, "-4503599627370498.0"},
      {"round(x, 2)", {"abc"}, "abc"},
      // Too long for the fixed-point form: unchanged.
      {"round(x, 2)", {"1e70"}, "1e70"},
      {"round(x, 20)", {"1e300"}, "1e300"},
      {"round(x)", {"-9007199254740993"}, "-9007199254740992"},
  });
}

TEST(ScalarEvalChoice, CoalesceGreatestLeast) {
  runCases({
      {"coalesce(a, b)", {"", "  ", " v "}, " v "},
      {"coalesce(a, b, 'n/a')", {"", "", ""}, "n/a"},
      {"coalesce(a, b)", {"", "", ""}, ""},
      {"coalesce(c, a)", {"", "k"}, "k"},  // out-of-range columns are skipped
      {"coalesce(a, 0)", {"", "\t"}, "0"},
      {"greatest('10', '9')", {""}, "10"},
      {"greatest('10', 'x')", {""}, "x"},
      {"least('', '5')", {""}, ""},
      {"greatest(a, b, 3)", {"", "2", "10"}, "10"},
      {"least(a, b, 3)", {"", "2", "10"}, "2"},
      {"greatest(a, b)", {"", "1.0", "1"}, "1.0"},  // ties keep the earlier
      {"least(a, b)", {"", "-0", "0"}, "-0"},
      {"greatest(a, b)", {"", "\xc3\xa9", "z"}, "\xc3\xa9"},  // unsigned bytes
      {"least(a, b)", {"", "ab", "abc"}, "ab"},  // a prefix is smaller
      {"greatest(a, b)", {"", "2", ""}, "2"},  // empty makes it text; "2" > ""
  });
}

TEST(ScalarEvalChoice, CaseAndNullTests) {
  const char* adult = "CASE WHEN x >= 18 THEN 'adult' ELSE 'minor' END";
  runCases({
      {adult, {"18"}, "adult"},
      {adult, {"17.9"}, "minor"},
      {adult, {"abc"}, "minor"},
      {adult, {""}, "minor"},
      {"CASE WHEN x = 'A' THEN 1 ELSE a END", {"A", "other"}, "1"},
      {"CASE WHEN x = 'A' THEN 1 ELSE a END", {"a", "other"}, "other"},
      {"CASE WHEN x = 'A' THEN 1 ELSE c END", {"a"}, ""},
      {"CASE WHEN x != 'A' THEN 'y' ELSE 'n' END", {"B"}, "y"},
      {"CASE WHEN x <> 5 THEN 2.5 ELSE -1e20 END", {"5.0"}, "-100000000000000000000"},
      {"CASE WHEN x < 5 THEN 2.5 ELSE 0 END", {"4"}, "2.5"},
      {"CASE WHEN x <= 5 THEN 'le' ELSE 'gt' END", {"5"}, "le"},
      {"CASE WHEN x > 5 THEN 'gt' ELSE 'le' END", {"nan"}, "le"},
      {"x IS NULL", {""}, "true"},
      {"x IS NULL", {" "}, "false"},
      {"x IS NOT NULL", {" "}, "true"},
      {"c IS NULL", {"v"}, "true"},
      {"c IS NOT NULL", {"v"}, "false"},
  });
}

// A text compare value orders by unsigned bytes, a proper prefix first, and
// a quoted number numerically: the rule of a WHERE comparison.
TEST(ScalarEvalChoice, CaseOrdersTextByBytes) {
  const char* lt = "CASE WHEN x < 'm' THEN 'y' ELSE 'n' END";
  const char* le = "CASE WHEN x <= 'm' THEN 'y' ELSE 'n' END";
  const char* gt = "CASE WHEN x > 'abc' THEN 'y' ELSE 'n' END";
  const char* ge = "CASE WHEN x >= 'abc' THEN 'y' ELSE 'n' END";
  runCases({
      {lt, {"a"}, "y"},
      {lt, {"m"}, "n"},
      {lt, {"Z"}, "y"},  // upper case sorts before lower case
      {lt, {""}, "y"},   // the empty text is a prefix of everything
      {lt, {"\xc3\xa9"}, "n"},  // bytes above 0x7f are large, not negative
      {le, {"m"}, "y"},
      {le, {"ma"}, "n"},
      {gt, {"abcd"}, "y"},
      {gt, {"abc"}, "n"},
      {gt, {"ab"}, "n"},
      {ge, {"abc"}, "y"},
      {ge, {"abb\xff"}, "n"},
      // A quoted number orders numerically, as in WHERE; a field that is
      // not a number never satisfies it.
      {"CASE WHEN x < '10' THEN 'y' ELSE 'n' END", {"9"}, "y"},
      {"CASE WHEN x > '10' THEN 'y' ELSE 'n' END", {" 42"}, "y"},
      {"CASE WHEN x > '10' THEN 'y' ELSE 'n' END", {"9.5"}, "n"},
      {"CASE WHEN x > '10' THEN 'y' ELSE 'n' END", {"abc"}, "n"},
      {"CASE WHEN x < 'nan' THEN 'y' ELSE 'n' END", {"5"}, "y"},  // 'nan' is text
      {"CASE WHEN x = '1.0' THEN 'y' ELSE 'n' END", {"1"}, "n"},  // equality stays textual
      {"CASE WHEN x = 'abc' THEN 'y' ELSE 'n' END", {"abc"}, "y"},
      {"CASE WHEN x <> 'abc' THEN 'y' ELSE 'n' END", {"ab"}, "y"},
  });
}

TEST(ScalarEvalChoice, PickExtremeValuesDirect) {
  std::string_view none[1];
  EXPECT_EQ(pickExtremeValues(none, 0, true), "");
  std::string_view nums[] = {"1e1", "9", "10"};
  EXPECT_EQ(pickExtremeValues(nums, 3, true), "1e1");  // own text, not reformatted
  EXPECT_EQ(pickExtremeValues(nums, 3, false), "9");
}

TEST(ScalarEvalDate, DateFunctions) {
  runCases({
      {"datediff('day', a, b)", {"", "2024-01-01", "2024-01-31"}, "30"},
      {"datediff('day', a, b)", {"", "2024-01-31", "2024-01-01"}, "-30"},
      {"datediff(hour, a, b)", {"", "2024-01-01 10:00", "2024-01-01 11:30"}, "1.5"},
      {"datediff('WEEK', a, b)", {"", "2024-01-01", "2024-01-15"}, "2"},
      {"datediff('day', a, b)", {"", "2024-02-30", "2024-01-31"}, "0"},
      {"datediff('fortnight', a, b)", {"", "2024-01-01", "2024-01-31"}, "0"},
      {"datediff('day', a, c)", {"", "2024-01-01"}, "0"},
      {"dateadd('day', 1, x)", {"2024-01-31"}, "2024-02-01 00:00:00"},
      {"dateadd('month', -1, x)", {"2024-03-31 12:00:00"}, "2024-03-01 12:00:00"},
      {"dateadd('eon', 5, x)", {"01/15/2024"}, "2024-01-15 00:00:00"},
      {"dateadd('day', 1, x)", {"not a date"}, "not a date"},
      {"extract(year FROM x)", {"2024-03-05 06:07:08"}, "2024"},
      {"extract(Month FROM x)", {"2024-03-05 06:07:08"}, "3"},
      {"extract(second FROM x)", {"2024-03-05 06:07:08"}, "8"},
      {"extract(week FROM x)", {"2024-03-05"}, "0"},
      {"extract(year FROM x)", {"yesterday"}, "0"},
      {"strftime('%Y/%m', x)", {"2024-02-29 10:00:00"}, "2024/02"},
      {"strftime('%d.%m.%Y %H', x)", {"20240115103000"}, "15.01.2024 10"},
      {"strftime('%Y', x)", {""}, ""},
  });
}

TEST(ScalarEvalDate, NumericFormsAreTheNumbersThePrintedFormsShow) {
  EXPECT_EQ(extractNumber(DateUnit::year, "2024-03-05"), 2024);
  EXPECT_EQ(extractNumber(DateUnit::day, "15.01.2024"), 15);
  EXPECT_EQ(extractNumber(DateUnit::unknown, "2024-03-05"), 0);
  EXPECT_EQ(extractNumber(DateUnit::year, ""), 0);
  EXPECT_EQ(dateDiffNumber(DateUnit::minute, "2024-01-01 00:00:00", "2024-01-01 00:01:30"), 1.5);
  EXPECT_EQ(dateDiffNumber(DateUnit::year, "2024-01-01", "2024-01-01"), 0);
  EXPECT_EQ(dateDiffNumber(DateUnit::day, "2024-01-01", "bad"), 0);
  // The printed select-list value reads back as the same number.
  const NameIndex index = buildNameIndex({"a", "b"});
  Arena arena;
  const std::string_view row[] = {"2024-01-01 00:00:00", "2024-01-01 00:00:01"};
  auto spec = tryParseScalar("datediff('year', a, b)", index);
  ASSERT_TRUE(spec.ok() && spec->has_value());
  std::optional<double> printed = parseFloat(eval(**spec, row, 2, arena));
  ASSERT_TRUE(printed.has_value());
  EXPECT_EQ(*printed, dateDiffNumber(DateUnit::year, row[0], row[1]));
}

TEST(ScalarEvalNesting, NestedFunctionsApplyOutsideIn) {
  runCases({
      {"upper(lower(trim(x)))", {"  MiXed  "}, "MIXED"},
      {"length(trim(x))", {"  abc "}, "3"},
      {"length(substr(x, 9))", {"abc"}, ""},
      {"reverse(upper(x))", {"ab\xc3\xa9"}, "\xc3\xa9" "BA"},
      {"trim(concat(x, a))", {" p", "q "}, "pq"},
  });
}

TEST(ScalarEvalSingleValue, EveryColumnReadsTheOneValue) {
  Arena arena;
  auto single = [&](std::string_view term, std::string_view value) {
    auto r = tryParseScalar(term, testIndex());
    EXPECT_TRUE(r.ok() && r->has_value()) << term;
    if (!r.ok() || !r->has_value()) return std::string("<absent>");
    return std::string(evalScalarOnSingleValue(**r, value, arena));
  };
  EXPECT_EQ(single("upper(c)", "abc"), "ABC");
  EXPECT_EQ(single("coalesce(b, c, 'z')", "v"), "v");
  EXPECT_EQ(single("coalesce(b, c, 'z')", " "), "z");
  EXPECT_EQ(single("datediff('day', a, b)", "2024-01-01"), "0");
  EXPECT_EQ(single("concat(b, '-', c)", "k"), "k-k");
  EXPECT_EQ(single("greatest(b, '5')", "10"), "10");
  EXPECT_EQ(single("CASE WHEN c = 'k' THEN b ELSE 'z' END", "k"), "k");
  EXPECT_EQ(single("upper(trim(c))", " q "), "Q");
  EXPECT_EQ(single("c IS NULL", ""), "true");
}

TEST(ScalarEvalCaseValues, ResolveCaseValueAndCaseWhenValue) {
  Arena arena;
  std::vector<std::string_view> row = {"7", " 42 ", "1.5", "", "abc", " 1.5", "99999999999999999999"};
  CaseValue num{CaseValueKind::number, {}, 0.5, 0};
  EXPECT_EQ(resolveCaseValue(num, row.data(), row.size(), arena), "0.5");
  CaseValue col{CaseValueKind::column, {}, 0, 4};
  EXPECT_EQ(resolveCaseValue(col, row.data(), row.size(), arena), "abc");
  col.col = 99;
  EXPECT_EQ(resolveCaseValue(col, row.data(), row.size(), arena), "");

  struct Want {
    size_t column;
    double value;
  };
  const Want wants[] = {{0, 7}, {1, 42}, {2, 1.5}, {3, 0}, {4, 0}, {5, 0}, {6, 1e20}, {50, 0}};
  for (const auto& w : wants) {
    CaseWhenValue v{0, w.column, true};
    EXPECT_EQ(v.resolve(row.data(), row.size()), w.value) << w.column;
  }
  CaseWhenValue constant{-2.5, 3, false};
  EXPECT_EQ(constant.resolve(row.data(), row.size()), -2.5);
}

TEST(ScalarEvalArena, HotFunctionsStopAllocatingOnceTheArenaIsWarm) {
  auto r1 = tryParseScalar("upper(x)", testIndex());
  auto r2 = tryParseScalar("substr(x, 2, 3)", testIndex());
  auto r3 = tryParseScalar("round(x, 2)", testIndex());
  ASSERT_TRUE(r1.ok() && r2.ok() && r3.ok());
  Arena arena(256);
  std::string_view text[] = {"some text that is long enough to matter in a row"};
  std::string_view number[] = {"12.3456"};
  for (int i = 0; i < 3; ++i) {
    arena.reset();
    eval(**r1, text, 1, arena);
    eval(**r2, text, 1, arena);
    eval(**r3, number, 1, arena);
  }
  const size_t warm = arena.capacity();
  for (int i = 0; i < 1000; ++i) {
    arena.reset();
    EXPECT_EQ(eval(**r3, number, 1, arena), "12.35");
    EXPECT_EQ(eval(**r1, text, 1, arena).size(), text[0].size());
    EXPECT_EQ(eval(**r2, text, 1, arena), "ome");
  }
  EXPECT_EQ(arena.capacity(), warm);
}

}  // namespace
}  // namespace narwe
