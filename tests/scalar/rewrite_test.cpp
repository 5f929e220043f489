// Select, GROUP BY and alias text rewriting.
#include "scalar/rewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace narwe {
namespace {

TEST(RewriteDateParts, RewritesTheFirstRecognisedCallOfEachText) {
  struct Case {
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {"DATE_PART('month', created_at)", "STRFTIME('%m', created_at)"},
      {"date_part( 'Year' , d ) AS y", "STRFTIME('%Y', d) AS y"},
      {"DATE_PART('day', d)", "STRFTIME('%d', d)"},
      {"Date_Part('minute',d)", "STRFTIME('%M', d)"},
      {"DATE_PART(' second ', d)", "STRFTIME('%S', d)"},
      {"upper(DATE_PART('year', d))", "upper(STRFTIME('%Y', d))"},
      // The column expression may itself hold a call.
      {"DATE_PART('year', trim(d))", "STRFTIME('%Y', trim(d))"},
      // Only the first call is rewritten.
      {"DATE_PART('day', a) || DATE_PART('year', b)", "STRFTIME('%d', a) || DATE_PART('year', b)"},
      // Unknown units and malformed calls stay as written.
      {"DATE_PART('week', d)", "DATE_PART('week', d)"},
      {"DATE_PART(year, d)", "DATE_PART(year, d)"},
      {"DATE_PART('year' d)", "DATE_PART('year' d)"},
      {"DATE_PART('year', d", "DATE_PART('year', d"},
      {"DATE_PART('year)", "DATE_PART('year)"},
      {"", ""},
      // A literal that merely mentions the function is data.
      {"concat(x, 'DATE_PART(''year'', d)')", "concat(x, 'DATE_PART(''year'', d)')"},
      {"coalesce(x, 'date_part(')", "coalesce(x, 'date_part(')"},
      // A ")" inside a literal of the column expression does not end the call.
      {"DATE_PART('year', coalesce(d, ')'))", "STRFTIME('%Y', coalesce(d, ')'))"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> items = {c.input};
    ASSERT_TRUE(rewriteDateParts(items).ok()) << c.input;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0], c.expected) << c.input;
  }
}

TEST(RewriteDateParts, RewritesEveryElementOfTheList) {
  std::vector<std::string> items = {"city", "DATE_PART('year', d) AS y", "date_part('month', e)"};
  ASSERT_TRUE(rewriteDateParts(items).ok());
  EXPECT_EQ(items, (std::vector<std::string>{"city", "STRFTIME('%Y', d) AS y",
                                             "STRFTIME('%m', e)"}));
}

TEST(SplitAlias, SeparatesExpressionAndAlias) {
  struct Case {
    const char* item;
    const char* expression;
    const char* alias;  // nullptr: no alias
  };
  const Case cases[] = {
      {"upper(name) AS n", "upper(name)", "n"},
      {"price total", "price", "total"},
      {"count(*) desc", "count(*) desc", nullptr},
      {"a + b", "a +", "b"},
      {"concat(a, ' as ', b)", "concat(a, ' as ', b)", nullptr},
      {"'a b' c", "'a b'", "c"},
      {"CASE WHEN a = 1 THEN 'x' ELSE 'y' END", "CASE WHEN a = 1 THEN 'x' ELSE 'y' END", nullptr},
      {"CASE WHEN a = 1 THEN 'x' ELSE 'y' END flag", "CASE WHEN a = 1 THEN 'x' ELSE 'y' END", "flag"},
      // An AS alias with a space falls back to the last word.
      {"x AS first name", "x AS first", "name"},
      // A trailing AS without alias, reserved words and non-identifiers.
      {"sum(x) AS", "sum(x) AS", nullptr},
      {"a b(c)", "a b(c)", nullptr},
      {"a 1b", "a 1b", nullptr},
      {"x as y(z)", "x as y(z)", nullptr},
      {"f(a AS b)", "f(a AS b)", nullptr},
      // ")" never takes the depth below zero.
      {"x ) y", "x )", "y"},
      {"'abc def", "'abc def", nullptr},
      // Any run of blanks separates the words.
      {"price\ttotal", "price", "total"},
      {"price total\n", "price", "total"},
      {"name\nAS n", "name", "n"},
      {"upper(name)\r\n\tas\t\tu", "upper(name)", "u"},
      {"x AS\tfirst\nname", "x AS\tfirst", "name"},
      {"CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND\nflag",
       "CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND", "flag"},
      {"CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND", "CASE\nWHEN a = 1 THEN 'x'\nELSE 'y'\nEND",
       nullptr},
      {"f(a\nAS b)", "f(a\nAS b)", nullptr},
      {"", "", nullptr},
  };
  for (const Case& c : cases) {
    AliasSplit split = splitAlias(c.item);
    EXPECT_EQ(split.expression, c.expression) << c.item;
    if (c.alias == nullptr) {
      EXPECT_FALSE(split.alias.has_value()) << c.item << " -> " << *split.alias;
    } else {
      ASSERT_TRUE(split.alias.has_value()) << c.item;
      EXPECT_EQ(*split.alias, c.alias) << c.item;
    }
  }
}

TEST(SplitAlias, LongBlankRunsAreWalkedOnce) {
  // A megabyte of blanks between the words: quadratic work would take
  // minutes here (and the test would time out), linear work milliseconds.
  const std::string blanks(1 << 20, ' ');
  const std::string with_as = "id" + blanks + "AS" + blanks + "k";  // the split views into it
  AliasSplit split = splitAlias(with_as);
  EXPECT_EQ(split.expression, "id");
  ASSERT_TRUE(split.alias.has_value());
  EXPECT_EQ(*split.alias, "k");
  const std::string bare = "id" + blanks + "x";
  split = splitAlias(bare);
  EXPECT_EQ(split.expression, "id");
  EXPECT_EQ(split.alias.value_or(""), "x");
}

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

TEST(ParseRoundWrapper, RecognisesRoundWithDigits) {
  struct Case {
    const char* text;
    const char* inner;  // nullptr: not a wrapper
    int digits;
  };
  const Case cases[] = {
      {"round(avg(x), 2)", "avg(x)", 2},
      {"ROUND( sum(a) , 3 )", "sum(a)", 3},
      {"  round(x,1)  ", "x", 1},
      {"round(f(a, b), 2)", "f(a, b)", 2},
      {"round(x, 255)", "x", 255},
      {"round(x)", nullptr, 0},
      {"round(x, 256)", nullptr, 0},
      {"round(x, -1)", nullptr, 0},
      {"round(x, 2) AS y", nullptr, 0},
      {"round(a,1", nullptr, 0},
      {"rounds(x, 1)", nullptr, 0},
  };
  for (const Case& c : cases) {
    std::optional<RoundWrapper> wrapper = parseRoundWrapper(c.text);
    if (c.inner == nullptr) {
      EXPECT_FALSE(wrapper.has_value()) << c.text;
    } else {
      ASSERT_TRUE(wrapper.has_value()) << c.text;
      EXPECT_EQ(wrapper->inner, c.inner) << c.text;
      EXPECT_EQ(wrapper->digits, c.digits) << c.text;
    }
  }
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
