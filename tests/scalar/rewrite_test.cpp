// Scalar-select detection, qualifier removal and GROUP BY key shapes.
#include "scalar/rewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace narwe {
namespace {

TEST(HasScalarSelectFunctions, ClassifiesSelectLists) {
  struct Case {
    std::vector<std::string> columns;
    bool select_all;
    bool expected;
  };
  const Case cases[] = {
      {{"round(price, 2)"}, false, false},
      {{"abs(x)"}, false, true},
      {{"x IS NULL"}, false, true},
      {{"x is not null"}, false, true},
      {{"x\nIS\tNULL"}, false, true},
      {{"x\tis not\r\nnull"}, false, true},
      {{"COUNT(*)"}, false, false},
      {{"count(*) AS c", "city", "sum(a) total"}, false, false},
      {{"upper(name) AS n"}, false, true},
      {{"CASE WHEN a = 1 THEN 'x' ELSE 'y' END"}, false, true},
      {{"CASE\nWHEN a = 1 THEN 'x' ELSE 'y' END"}, false, true},
      {{"concat(a, ' as ', b)"}, false, true},
      {{"(a)"}, false, false},
      {{"MEDIAN (x)", "stddev_samp(y)", "string_agg(z, ',')"}, false, false},
      {{"abs(x)"}, true, false},
  };
  for (const Case& c : cases) {
    Query query;
    query.columns = c.columns;
    query.select_all = c.select_all;
    Result<std::vector<SelectItem>> items = parseSelectItems(query.columns);
    ASSERT_TRUE(items.ok());
    query.select_items = std::make_shared<const std::vector<SelectItem>>(std::move(*items));
    EXPECT_EQ(hasScalarSelectFunctions(query), c.expected) << c.columns[0];
  }
}

TEST(DealiasText, DropsAliasQualifiers) {
  const std::vector<std::string> aliases = {"t1", "t2"};
  const TextSet ambiguous = {"id"};
  struct Case {
    const char* input;
    const char* expected;  // nullptr: AmbiguousColumnReference
  };
  const Case cases[] = {
      {"t1.name", "name"},
      {"T1.Name", "Name"},
      {"t1.id", nullptr},
      {"T2.ID", nullptr},
      {"id", "id"},
      {"xt1.name", "xt1.name"},
      {"sum(t2.amount)", "sum(amount)"},
      {"t1.name = t2.city", "name = city"},
      {"t1.1x", "t1.1x"},
      {"t1.", "t1."},
      {"t1.name_2x, t2.c", "name_2x, c"},
      // String literals are data.
      {"concat(t1.a, 't1.b')", "concat(a, 't1.b')"},
      {"'t1.id'", "'t1.id'"},
      {"", ""},
  };
  for (const Case& c : cases) {
    Result<std::string> out = dealiasText(c.input, aliases, ambiguous);
    if (c.expected == nullptr) {
      ASSERT_FALSE(out.ok()) << c.input;
      EXPECT_EQ(out.error(), Error::AmbiguousColumnReference) << c.input;
    } else {
      ASSERT_TRUE(out.ok()) << c.input;
      EXPECT_EQ(*out, c.expected) << c.input;
    }
  }
}

TEST(DealiasText, IgnoresEmptyAliasesAndChecksLongNames) {
  const std::string long_name(300, 'n');
  const TextSet ambiguous = {long_name};
  const std::vector<std::string> aliases = {"", "t1"};

  Result<std::string> dotted = dealiasText("f(.name)", aliases, ambiguous);
  ASSERT_TRUE(dotted.ok());
  EXPECT_EQ(*dotted, "f(.name)");

  Result<std::string> long_ref = dealiasText("t1." + long_name, aliases, ambiguous);
  ASSERT_FALSE(long_ref.ok());
  EXPECT_EQ(long_ref.error(), Error::AmbiguousColumnReference);
}

NameIndex testIndex() { return buildNameIndex({"d", "Name", " price "}); }

// Outcome of a GROUP BY key parser: an error, no key, or a key.
enum class Outcome { Key, Absent, InvalidQuery, ColumnNotFound };

template <typename T>
Outcome outcomeOf(const Result<std::optional<T>>& result) {
  if (!result.ok()) {
    return result.error() == Error::InvalidQuery ? Outcome::InvalidQuery : Outcome::ColumnNotFound;
  }
  return result->has_value() ? Outcome::Key : Outcome::Absent;
}

TEST(GroupKeyParsers, StrftimeKeys) {
  const NameIndex index = testIndex();
  struct Case {
    const char* item;
    Outcome outcome;
    size_t column;
    const char* format;
  };
  const Case cases[] = {
      {"strftime('%Y', d)", Outcome::Key, 0, "%Y"},
      {"STRFTIME('%Y-%m', D )", Outcome::Key, 0, "%Y-%m"},
      {"strftime('%Y', x)", Outcome::ColumnNotFound, 0, nullptr},
      {"strftime(%Y, d)", Outcome::InvalidQuery, 0, nullptr},
      {"strftime('%Y, d)", Outcome::InvalidQuery, 0, nullptr},
      {"strftime('%Y' d)", Outcome::InvalidQuery, 0, nullptr},
      {"strftime('%Y', d", Outcome::InvalidQuery, 0, nullptr},
      // The only ")" lies before the comma: no column text.
      {"strftime('%Y)', d", Outcome::InvalidQuery, 0, nullptr},
      {"strftime(d)", Outcome::InvalidQuery, 0, nullptr},
      {"strftime(d", Outcome::Absent, 0, nullptr},
      {"upper(name)", Outcome::Absent, 0, nullptr},
  };
  for (const Case& c : cases) {
    auto result = parseStrftimeRaw(c.item, index);
    ASSERT_EQ(outcomeOf(result), c.outcome) << c.item;
    if (c.outcome != Outcome::Key) continue;
    const StrftimeGroupKey& key = **result;
    EXPECT_EQ(key.column, c.column) << c.item;
    EXPECT_EQ(key.format, c.format) << c.item;
    EXPECT_EQ(key.text, c.item);
  }
}

TEST(GroupKeyParsers, SubstrKeys) {
  const NameIndex index = testIndex();
  struct Case {
    const char* item;
    Outcome outcome;
    size_t column;
    uint64_t start0;
    std::optional<uint64_t> count;
  };
  const Case cases[] = {
      {"substr(name, 1, 3)", Outcome::Key, 1, 0, 3},
      {"substr(name, 2)", Outcome::Key, 1, 1, std::nullopt},
      {"substr(name, 0, 2)", Outcome::Key, 1, 0, 2},
      {"SUBSTR( Name ,5)", Outcome::Key, 1, 4, std::nullopt},
      {"substr(x, 1)", Outcome::ColumnNotFound, 0, 0, std::nullopt},
      {"substr(name)", Outcome::InvalidQuery, 0, 0, std::nullopt},
      {"substr(name, )", Outcome::InvalidQuery, 0, 0, std::nullopt},
      {"substr(name, a)", Outcome::InvalidQuery, 0, 0, std::nullopt},
      {"substr(name, -1)", Outcome::InvalidQuery, 0, 0, std::nullopt},
      {"substr(name, 1, 2, 3)", Outcome::InvalidQuery, 0, 0, std::nullopt},
      {"substr(name, 1", Outcome::Absent, 0, 0, std::nullopt},
      {"substring(name, 1, 2)", Outcome::Absent, 0, 0, std::nullopt},
      {"substr()", Outcome::InvalidQuery, 0, 0, std::nullopt},
      {"substr(x", Outcome::Absent, 0, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    auto result = parseSubstrRaw(c.item, index);
    ASSERT_EQ(outcomeOf(result), c.outcome) << c.item;
    if (c.outcome != Outcome::Key) continue;
    const SubstrGroupKey& key = **result;
    EXPECT_EQ(key.column, c.column) << c.item;
    EXPECT_EQ(key.start0, c.start0) << c.item;
    EXPECT_EQ(key.count, c.count) << c.item;
    EXPECT_EQ(key.text, c.item);
  }
}

TEST(GroupKeyParsers, RoundKeys) {
  const NameIndex index = testIndex();
  struct Case {
    const char* item;
    Outcome outcome;
    size_t column;
    bool has_digits;
    int digits;
    const char* text;
  };
  const Case cases[] = {
      {"round(price)", Outcome::Key, 2, false, 0, "round(price)"},
      {"round(price, 2)", Outcome::Key, 2, true, 2, "round(price, 2)"},
      {" ROUND( Price , 1 ) ", Outcome::Key, 2, true, 1, "ROUND( Price , 1 )"},
      {"round(price, x)", Outcome::InvalidQuery, 0, false, 0, nullptr},
      {"round(price, 300)", Outcome::InvalidQuery, 0, false, 0, nullptr},
      {"round(price", Outcome::InvalidQuery, 0, false, 0, nullptr},
      {"round(nope)", Outcome::ColumnNotFound, 0, false, 0, nullptr},
      {"round(price) x", Outcome::Absent, 0, false, 0, nullptr},
      {"round()", Outcome::Absent, 0, false, 0, nullptr},
  };
  for (const Case& c : cases) {
    auto result = parseRoundGroupRaw(c.item, index);
    ASSERT_EQ(outcomeOf(result), c.outcome) << c.item;
    if (c.outcome != Outcome::Key) continue;
    const RoundGroupKey& key = **result;
    EXPECT_EQ(key.column, c.column) << c.item;
    EXPECT_EQ(key.has_digits, c.has_digits) << c.item;
    EXPECT_EQ(key.digits, c.digits) << c.item;
    EXPECT_EQ(key.text, c.text) << c.item;
  }
}

TEST(ApplyRoundKey, RoundsNumbersAndKeepsOtherText) {
  struct Case {
    int digits;
    bool has_digits;
    std::string value;
    std::string expected;
  };
  // 2^187 has 57 integer digits: with ".000000" exactly the 64-byte buffer.
  const std::string fits = "196159429230833773869868419475239575503198607639501078528";
  const std::string too_long = "1569275433846670190958947355801916604025588861116008628224";
  const Case cases[] = {
      {2, true, " 3.14159 ", "3.14"},
      {2, true, "abc", "abc"},
      {2, true, "", ""},
      {0, true, "2.5", "3"},
      {0, false, "2.5", "3"},
      {0, false, "-2.5", "-3"},
      {0, false, "-0.4", "0"},
      {0, false, " 7 ", "7"},
      {0, false, "1e19", "10000000000000000000"},
      {0, false, "1e300", "1e300"},
      {0, false, "nan", "nan"},
      {2, true, "-INF", "-inf"},
      // Half up on the shortest decimal digits, not on the binary value.
      {2, true, "2.675", "2.68"},
      {2, true, "1.005", "1.01"},
      {2, true, "-1.005", "-1.01"},
      {1, true, "9.96", "10.0"},
      {6, true, "9.9999999", "10.000000"},
      {2, true, "-9.999", "-10.00"},
      {2, true, "-0.001", "0.00"},
      {3, true, "5", "5.000"},
      {6, true, "0.1234565", "0.123457"},
      {9, true, "1.23456789", "1.234568"},
      {255, true, "2", "2.000000"},
      {2, true, "1e20", "100000000000000000000.00"},
      // Printed with the shortest digits that read back, zero-padded.
      {6, true, fits, "19615942923083377" + std::string(40, '0') + ".000000"},
      {6, true, too_long, too_long},
      {6, true, "9" + std::string(56, '9') + ".9999999", "9" + std::string(56, '9') + ".9999999"},
  };
  for (const Case& c : cases) {
    char out[kRoundKeyBufferSize];
    std::string_view result =
        applyRoundKey(static_cast<uint8_t>(c.digits), c.has_digits, c.value, out);
    EXPECT_EQ(result, c.expected) << c.value << " digits " << c.digits;
  }
}

}  // namespace
}  // namespace narwe
