// Classification of select terms: which aggregate, which column, which
// CASE form, which round digits, and which error, one row per term.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "agg/classify.h"

namespace narwe {
namespace {

struct Row {
  const char* term;
  Error error;            // None: classified
  bool aggregate;         // an aggregate form (else nullopt, left to the caller)
  ColKindTag tag;
  AggKind kind;
  std::optional<size_t> column;
  bool counts_rows;
  bool case_agg;
  std::optional<uint8_t> digits;
  const char* separator;
};

constexpr auto kAgg = ColKindTag::agg;
constexpr auto kCond = ColKindTag::case_agg_condition;
constexpr Error kOk = Error::None;

// A term that fails with `error`, and one that is no aggregate form.
Row fails(const char* term, Error error) {
  return Row{term, error, false, kAgg, AggKind::count, std::nullopt, false, false, std::nullopt, ","};
}
Row plain(const char* term) { return fails(term, kOk); }

const Row kRows[] = {
    {"count(*)", kOk, true, kAgg, AggKind::count, std::nullopt, true, false, std::nullopt, ","},
    {"SUM ( price )", kOk, true, kAgg, AggKind::sum, 1, false, false, std::nullopt, ","},
    {"COUNT(DISTINCT city) AS n", kOk, true, kAgg, AggKind::count_distinct, 0, false, false,
     std::nullopt, ","},
    fails("count(distinctcity)", Error::ColumnNotFound),
    {"string_agg(city, ' | ')", kOk, true, kAgg, AggKind::group_concat, 0, false, false,
     std::nullopt, " | "},
    {"group_concat(city, '')", kOk, true, kAgg, AggKind::group_concat, 0, false, false,
     std::nullopt, ""},
    {"round(avg(price), 2)", kOk, true, kAgg, AggKind::avg, 1, false, false, 2, ","},
    {"std(price)", kOk, true, kAgg, AggKind::stddev_samp, 1, false, false, std::nullopt, ","},
    {"sum(CASE WHEN city = 'x' THEN price ELSE 0 END)", kOk, true, kAgg, AggKind::sum,
     std::nullopt, false, true, std::nullopt, ","},
    {"count(CASE WHEN price > 1 THEN 1 ELSE 0 END)", kOk, true, kAgg, AggKind::count,
     std::nullopt, true, true, std::nullopt, ","},
    {"CASE WHEN sum(price) > 10 THEN 'big' ELSE 'small' END", kOk, true, kCond, AggKind::sum, 1,
     false, false, std::nullopt, ","},
    fails("sum(CASE WHEN nope = 1 THEN price ELSE 0 END)", Error::ColumnNotFound),
    fails("sum(CASE WHEN city = 1 THEN nope ELSE 0 END)", Error::ColumnNotFound),
    fails("sum(price*qty)", Error::ArithmeticExpressionsNotSupported),
    fails("sum(pricee)", Error::ColumnNotFound),
    fails("count()", Error::ColumnNotFound),
    plain("city"),
    plain("upper(city)"),
    plain("sum(price) + 1"),
    plain("avg_x(price)"),
};

TEST(Classify, SelectTermsTable) {
  NameIndex header;
  header.emplace("city", 0);
  header.emplace("price", 1);
  for (const Row& row : kRows) {
    Result<SelectItem> item = parseSelectItem(row.term);
    ASSERT_TRUE(item.ok()) << row.term;
    std::vector<AggSpec> specs;
    Result<std::optional<ColKind>> kind = classifyAggregateTerm(*item, header, specs);
    if (row.error != kOk) {
      ASSERT_FALSE(kind.ok()) << row.term;
      EXPECT_EQ(errorName(kind.error()), errorName(row.error)) << row.term;
      continue;
    }
    ASSERT_TRUE(kind.ok()) << row.term << ": " << errorName(kind.error());
    EXPECT_EQ(kind->has_value(), row.aggregate) << row.term;
    if (!row.aggregate || !*kind) continue;
    ASSERT_EQ(specs.size(), 1u) << row.term;
    const AggSpec& spec = specs[0];
    EXPECT_EQ((*kind)->tag, row.tag) << row.term;
    EXPECT_EQ(spec.accum.kind, row.kind) << row.term;
    EXPECT_EQ(spec.column, row.column) << row.term;
    EXPECT_EQ(spec.accum.counts_rows, row.counts_rows) << row.term;
    EXPECT_EQ(spec.case_agg.has_value(), row.case_agg) << row.term;
    EXPECT_EQ(spec.accum.round_digits, row.digits) << row.term;
    EXPECT_EQ(spec.accum.separator, row.separator) << row.term;
  }
}

}  // namespace
}  // namespace narwe
