// Accumulators: the final text of every kind on small tables of values, and
// the merge rule checked by splitting random value lists at random points,
// merging the pieces in random orders and comparing the texts byte for byte
// with one accumulator fed every value in order.
#include "agg/accumulators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/numbers.h"

namespace narwe {
namespace {

AccumSpec makeAgg(AggKind kind, std::optional<uint8_t> digits = std::nullopt, std::string sep = ",") {
  AccumSpec s;
  s.kind = kind;
  s.round_digits = digits;
  s.separator = std::move(sep);
  return s;
}

// Every kind once, plus a count of rows and a rounded average.
std::vector<AccumSpec> allKinds() {
  AccumSpec rows = makeAgg(AggKind::count);
  rows.counts_rows = true;
  return {rows,
          makeAgg(AggKind::count),
          makeAgg(AggKind::count_distinct),
          makeAgg(AggKind::sum),
          makeAgg(AggKind::avg),
          makeAgg(AggKind::min),
          makeAgg(AggKind::max),
          makeAgg(AggKind::median),
          makeAgg(AggKind::var_pop),
          makeAgg(AggKind::stddev_pop),
          makeAgg(AggKind::var_samp),
          makeAgg(AggKind::stddev_samp),
          makeAgg(AggKind::group_concat, std::nullopt, "|"),
          makeAgg(AggKind::avg, 2)};
}

void feed(const AccumLayout& layout, GroupAccum& accum, const std::vector<std::string>& values,
          size_t begin, size_t end, uint64_t chunk) {
  for (size_t i = begin; i < end; ++i) {
    accum.addRow();
    for (size_t s = 0; s < layout.size(); ++s) {
      ASSERT_TRUE(accum.addText(layout, s, values[i], chunk).ok());
    }
  }
}

std::vector<std::string> finishAll(const AccumLayout& layout, GroupAccum& accum) {
  std::vector<std::string> out(layout.size());
  for (size_t s = 0; s < layout.size(); ++s) EXPECT_TRUE(accum.finish(layout, s, out[s]).ok());
  return out;
}

std::vector<std::string> onePass(const AccumLayout& layout, const std::vector<std::string>& values) {
  auto accum = GroupAccum::create(layout);
  EXPECT_TRUE(accum.ok());
  feed(layout, *accum, values, 0, values.size(), 0);
  return finishAll(layout, *accum);
}

// The result of one kind over a list of texts.
std::string resultOf(AccumSpec s, const std::vector<std::string>& values) {
  const std::vector<AccumSpec> specs{std::move(s)};
  auto layout = AccumLayout::forSpecs(specs);
  EXPECT_TRUE(layout.ok());
  return onePass(*layout, values)[0];
}

std::string shortest(double x) {
  char text[kNumberTextMax];
  return std::string(text, formatShortest(x, text));
}

struct KindCase {
  AggKind kind;
  std::optional<uint8_t> digits;
  std::vector<std::string> values;
  std::string expected;
};

TEST(Accumulators, FinalTextsOfEveryKind) {
  const std::string big = shortest(1e308);
  const KindCase cases[] = {
      // Non-numeric and empty texts: skipped by numbers, counted by count.
      {AggKind::sum, {}, {"10", " 20 ", "x", ""}, "30"},
      {AggKind::avg, {}, {"10", " 20 ", "x", ""}, "15"},
      {AggKind::count, {}, {"10", " 20 ", "x", ""}, "3"},
      {AggKind::sum, {}, {" 2.5", "1"}, "1"},
      {AggKind::sum, {}, {"x", ""}, ""},
      {AggKind::avg, {}, {}, ""},
      {AggKind::min, {}, {"x"}, ""},
      {AggKind::var_pop, {}, {"x"}, "0"},
      {AggKind::stddev_pop, {}, {}, "0"},
      {AggKind::var_samp, {}, {"5"}, ""},
      {AggKind::stddev_samp, {}, {"5", "x"}, ""},
      {AggKind::median, {}, {}, ""},
      {AggKind::group_concat, {}, {}, ""},
      // Averages and rounding.
      {AggKind::avg, {}, {"1", "2"}, "1.5"},
      {AggKind::avg, {}, {"2", "4"}, "3"},
      {AggKind::avg, 2, {"1", "2"}, "1.50"},
      {AggKind::sum, 0, {"2.6"}, "3"},
      {AggKind::max, 9, {"0.1234567"}, "0.123457"},
      // Exact sums: the correctly rounded total, whatever the float steps.
      {AggKind::sum, {}, std::vector<std::string>(10, "0.1"), "1"},
      {AggKind::sum, {}, {"1e16", "1", "-1e16"}, "1"},
      {AggKind::sum, {}, {"1e308", "1e308", "-1e308"}, big},
      {AggKind::avg, {}, {"1e308", "1e308"}, big},
      {AggKind::sum, {}, {"1e-320", "1e-320", "-1e-320"}, shortest(1e-320)},
      {AggKind::sum, {}, {"-0", "-0.0"}, "0"},
      // Ties: half-way sums round to even, a hair past half-way rounds up.
      {AggKind::sum, {}, {"1", "1.1102230246251565e-16"}, "1"},
      {AggKind::sum, {}, {"1.1102230246251565e-16", "1", "1.232595164407831e-32"},
       shortest(1.0000000000000002)},
      {AggKind::sum, {}, {"-5.551115123125783e-17", "1", "-6.162975822039155e-33"},
       shortest(0.9999999999999999)},
      {AggKind::avg, {}, {"0.1", "0.2", "0.3"}, "0.2"},
      {AggKind::sum, {}, {"inf", "1"}, "inf"},
      {AggKind::sum, {}, {"inf", "-inf"}, "nan"},
      // Variances: exact numerators, so offsets do not cost digits.
      {AggKind::var_pop, {}, {"1000000001", "1000000002", "1000000003", "1000000004"}, "1.25"},
      {AggKind::var_samp, {}, {"1e9", "1e9", "1e9"}, "0"},
      {AggKind::stddev_pop, {}, {"2", "4", "4", "4", "5", "5", "7", "9"}, "2"},
      {AggKind::stddev_samp, {}, {"1", "3"}, shortest(std::sqrt(2.0))},
      {AggKind::var_pop, {}, {"1e200", "-1e200"}, "inf"},
      {AggKind::stddev_pop, {}, {"1e200", "-1e200"}, shortest(1e200)},
      {AggKind::var_pop, {}, {"3e-200", "3e-200"}, "0"},
      {AggKind::var_pop, {}, {"1", "nan"}, "nan"},
      // Extremes and medians.
      {AggKind::min, {}, {"inf", "5"}, "5"},
      {AggKind::max, {}, {"inf"}, "inf"},
      {AggKind::min, {}, {"nan", "3", "nan"}, "3"},
      {AggKind::max, {}, {"-0", "-1"}, "0"},
      {AggKind::median, {}, {"1", "3", "2", "10"}, "2.5"},
      {AggKind::median, {}, {"5", "1", "4", "2", "3"}, "3"},
      {AggKind::median, {}, {"1e308", "1.5e308"}, shortest(1.25e308)},
      {AggKind::median, 1, {"1", "2"}, "1.5"},
      // Texts.
      {AggKind::count_distinct, {}, {"a", "A", "a", ""}, "3"},
      {AggKind::group_concat, {}, {"a", "", "b"}, "a,,b"},
  };
  for (const KindCase& c : cases) {
    EXPECT_EQ(resultOf(makeAgg(c.kind, c.digits), c.values), c.expected)
        << "kind " << static_cast<int>(c.kind) << " first value "
        << (c.values.empty() ? "-" : c.values[0]);
  }
}

TEST(Accumulators, CountOfRowsAndNumbersFromCase) {
  AccumSpec rows = makeAgg(AggKind::count);
  rows.counts_rows = true;
  const std::vector<AccumSpec> specs{rows, makeAgg(AggKind::sum), makeAgg(AggKind::min),
                                     makeAgg(AggKind::group_concat)};
  auto layout = AccumLayout::forSpecs(specs);
  ASSERT_TRUE(layout.ok());
  auto accum = GroupAccum::create(*layout);
  ASSERT_TRUE(accum.ok());
  for (double v : {2.5, -1.0, 4.0}) {
    accum->addRow();
    for (size_t s = 0; s < specs.size(); ++s) ASSERT_TRUE(accum->addNumber(*layout, s, v).ok());
  }
  EXPECT_EQ(finishAll(*layout, *accum), (std::vector<std::string>{"3", "5.5", "-1", ""}));
}

// ---- the merge rule -----------------------------------------------------

std::string randomValue(std::mt19937_64& rng, int flavour) {
  std::uniform_int_distribution<int> pick(0, 99);
  const int p = pick(rng);
  if (p < 4) return p < 2 ? "" : "x";
  if (p < 6) return p == 4 ? "-0" : "0";
  switch (flavour) {
    case 0:  // money: two decimals, float sums inexact
      return std::to_string(static_cast<int64_t>(rng() % 2000000) - 1000000) + "." +
             std::to_string(10 + rng() % 90);
    case 1:  // repeated tenths
      return p % 2 ? "0.1" : "-0.3";
    case 2: {  // wildly mixed magnitudes
      const double mantissa = std::uniform_real_distribution<double>(-1, 1)(rng);
      const int exponent = std::uniform_int_distribution<int>(-320, 307)(rng);
      return shortest(mantissa * std::pow(10.0, exponent));
    }
    case 3:  // cancelling giants and small change
      return p % 3 == 0 ? "1e16" : p % 3 == 1 ? "-1e16" : std::to_string(rng() % 7);
    default: {  // large offset, small spread: hard for the variance
      return shortest(1e9 + static_cast<double>(rng() % 1000) / 8);
    }
  }
}

TEST(AccumulatorMerge, SplitsMergedInAnyOrderEqualOnePass) {
  const std::vector<AccumSpec> specs = allKinds();
  auto layout = AccumLayout::forSpecs(specs);
  ASSERT_TRUE(layout.ok());
  std::mt19937_64 rng(20261208);
  for (int round = 0; round < 400; ++round) {
    const int flavour = round % 5;
    const size_t n = rng() % (round % 7 == 0 ? 3 : 300);
    std::vector<std::string> values;
    for (size_t i = 0; i < n; ++i) values.push_back(randomValue(rng, flavour));
    const std::vector<std::string> expected = onePass(*layout, values);

    // Cut points, one accumulator per piece (its chunk is its position).
    const size_t pieces = 1 + rng() % 8;
    std::vector<size_t> cuts{0, n};
    for (size_t k = 1; k < pieces; ++k) cuts.push_back(n == 0 ? 0 : rng() % (n + 1));
    std::sort(cuts.begin(), cuts.end());
    std::vector<GroupAccum> parts;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
      auto part = GroupAccum::create(*layout);
      ASSERT_TRUE(part.ok());
      feed(*layout, *part, values, cuts[k], cuts[k + 1], k);
      parts.push_back(std::move(*part));
    }
    // Merge random pairs until one is left.
    while (parts.size() > 1) {
      const size_t a = rng() % parts.size();
      size_t b = rng() % (parts.size() - 1);
      if (b >= a) ++b;
      ASSERT_TRUE(parts[a].merge(*layout, parts[b]).ok());
      parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(b));
    }
    EXPECT_EQ(finishAll(*layout, parts[0]), expected) << "round " << round << " n " << n;
  }
}

// The exact sum equals the rounded sum taken in 113-bit arithmetic (exact for
// these values), and the average its quotient.
TEST(AccumulatorMerge, SumsAreCorrectlyRounded) {
  std::mt19937_64 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> values;
    __float128 total = 0;
    const size_t n = 1 + rng() % 500;
    for (size_t i = 0; i < n; ++i) {
      const double v = static_cast<double>(static_cast<int64_t>(rng() % 2000000) - 1000000) / 100;
      values.push_back(shortest(v));
      total += v;
    }
    EXPECT_EQ(resultOf(makeAgg(AggKind::sum), values), shortest(static_cast<double>(total)));
    EXPECT_EQ(resultOf(makeAgg(AggKind::avg), values),
              shortest(static_cast<double>(total / static_cast<__float128>(n))));
  }
}

// Variances against a two-pass computation in 113-bit arithmetic: within
// two units in the last place even with a large offset (where one-pass
// updating formulas lose digits).
TEST(AccumulatorMerge, VariancesMatchTwoPassReference) {
  std::mt19937_64 rng(11);
  for (int round = 0; round < 200; ++round) {
    const double offset = round % 2 ? 1e9 : 0.0;
    const size_t n = 2 + rng() % 300;
    std::vector<double> xs;
    std::vector<std::string> values;
    for (size_t i = 0; i < n; ++i) {
      xs.push_back(offset + std::uniform_real_distribution<double>(-3, 3)(rng));
      values.push_back(shortest(xs.back()));
    }
    __float128 mean = 0;
    for (double x : xs) mean += x;
    mean /= static_cast<__float128>(n);
    __float128 m2 = 0;
    for (double x : xs) m2 += (x - mean) * (x - mean);
    const double reference = static_cast<double>(m2 / static_cast<__float128>(n - 1));
    const double ours = std::stod(resultOf(makeAgg(AggKind::var_samp), values));
    EXPECT_LE(std::fabs(ours - reference), 2 * std::ldexp(1.0, std::ilogb(reference) - 52))
        << "round " << round;
  }
}

// Medians over several storage blocks, split and merged: the shuffled
// integers 1..n have the median (n + 1) / 2.
TEST(AccumulatorMerge, MediansAcrossBlocks) {
  std::mt19937_64 rng(5);
  for (size_t n : {MedianValues::kBlockValues * 2 + 1, MedianValues::kBlockValues * 3 + 10}) {
    std::vector<std::string> values;
    for (size_t i = 1; i <= n; ++i) values.push_back(std::to_string(i));
    std::shuffle(values.begin(), values.end(), rng);
    const std::string expected = shortest(static_cast<double>(n + 1) / 2);
    EXPECT_EQ(resultOf(makeAgg(AggKind::median), values), expected);
    const std::vector<AccumSpec> specs{makeAgg(AggKind::median)};
    auto layout = AccumLayout::forSpecs(specs);
    auto a = GroupAccum::create(*layout);
    auto b = GroupAccum::create(*layout);
    feed(*layout, *a, values, 0, n / 3, 0);
    feed(*layout, *b, values, n / 3, n, 1);
    ASSERT_TRUE(b->merge(*layout, *a).ok());
    std::string out;
    ASSERT_TRUE(b->finish(*layout, 0, out).ok());
    EXPECT_EQ(out, expected);
  }
}

// The compact set against std::set: empty, long and colliding-prefix texts,
// many growths.
TEST(DistinctTexts, BehavesAsASet) {
  std::mt19937_64 rng(17);
  for (int round = 0; round < 20; ++round) {
    DistinctTexts set;
    std::set<std::string> reference;
    const size_t n = rng() % 5000;
    for (size_t i = 0; i < n; ++i) {
      std::string text = rng() % 10 == 0 ? std::string(rng() % 300, 'k')
                                         : std::to_string(rng() % (n + 1));
      if (rng() % 20 == 0) text.clear();
      const bool fresh = reference.insert(text).second;
      ASSERT_EQ(set.insert(text), fresh) << text;
    }
    ASSERT_EQ(set.size(), reference.size());
    std::set<std::string> seen;
    set.forEach([&seen](std::string_view text) { seen.emplace(text); });
    EXPECT_EQ(seen, reference);
    EXPECT_FALSE(set.contains("not there"));
    if (!reference.empty()) {
      EXPECT_TRUE(set.contains(*reference.begin()));
    }
  }
}

TEST(ShardedDistinctSet, ThreadsAddOverlappingTexts) {
  ShardedDistinctSet set;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&set, t] {
      for (int i = 0; i < 5000; ++i) {
        ASSERT_TRUE(set.add(std::to_string((i * 7 + t) % 6000)).ok());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  DistinctTexts local;
  for (const char* text : {"", "A", "a", "1", "a"}) local.insert(text);
  ASSERT_TRUE(set.absorb(local).ok());
  EXPECT_EQ(set.size(), 6003u);
  std::vector<std::string_view> texts;
  ASSERT_TRUE(set.collect(texts).ok());
  EXPECT_EQ(texts.size(), 6003u);
}

}  // namespace
}  // namespace narwe
