// ORDER BY sorting: sortEntries against a plain stable sort with the rule,
// the top-K heap, the several-key comparators and ORDER BY term resolution.
#include "exec/fast_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "exec/sort_keys.h"

namespace narwe {
namespace {

// Sorts the row ids of `keys` with sortEntries and returns them in output
// order (each entry's line is its id).
struct Sorted {
  std::vector<size_t> ids;
  Error error = Error::None;
};

Sorted runSortEntries(const std::vector<std::string>& keys, bool descending,
                      std::optional<uint64_t> k) {
  std::vector<std::string> ids(keys.size());
  std::vector<SortEntry> entries;
  entries.reserve(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    ids[i] = std::to_string(i);
    entries.push_back(makeSortEntry(keys[i], ids[i]));
  }
  Sorted out;
  auto result = sortEntries(entries, descending, k);
  if (!result.ok()) {
    out.error = result.error();
    return out;
  }
  for (const SortEntry& e : *result) out.ids.push_back(std::stoul(std::string(e.line())));
  return out;
}

// The reference: std::stable_sort of the ids with the rule on the texts.
std::vector<size_t> referenceOrder(const std::vector<std::string>& keys, bool descending) {
  std::vector<size_t> ids(keys.size());
  std::iota(ids.begin(), ids.end(), 0);
  std::stable_sort(ids.begin(), ids.end(), [&](size_t a, size_t b) {
    int c = compareKeyTexts(keys[a], keys[b]);
    return descending ? c > 0 : c < 0;
  });
  return ids;
}

enum class DataKind { Numbers, NumbersWithEmpty, Texts, TextsWithEmpty };

std::string randomNumberText(std::mt19937_64& rng) {
  switch (rng() % 8) {
    case 0: return std::to_string(static_cast<int>(rng() % 50) - 25);  // many ties
    case 1: return std::to_string(static_cast<int64_t>(rng()) >> (rng() % 60));
    case 2: {
      std::uniform_real_distribution<double> d(-1e6, 1e6);
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*g", static_cast<int>(1 + rng() % 15), d(rng));
      return buf;
    }
    case 3: {
      static const char* special[] = {"0", "-0", "0.0", "+0", "-0.0", "inf", "-inf",
                                      "1e300", "-1e-300", "0x10", "2.5E3", "16"};
      return special[rng() % 12];
    }
    case 4: return std::to_string(rng() % 4) + "." + std::to_string(rng() % 100);
    default: return std::to_string(static_cast<int>(rng() % 2000) - 1000);
  }
}

std::string randomText(std::mt19937_64& rng) {
  // Letters after a fixed first byte that no number starts with; shared
  // long prefixes so that many keys agree in their first 8 bytes; some high
  // bytes; a zero byte now and then.
  static const char* stems[] = {"x", "xy", "xylophone_", "xylophone_a", "xylophone_ab", "q", "Z",
                                "customer-account-number-", "customer-account-numbe"};
  std::string s = stems[rng() % 9];
  size_t extra = rng() % 6;
  for (size_t i = 0; i < extra; ++i) {
    switch (rng() % 10) {
      case 0: s.push_back(static_cast<char>(0x80 + rng() % 128)); break;
      case 1: s.push_back('\0'); break;
      default: s.push_back(static_cast<char>('a' + rng() % 3)); break;
    }
  }
  return s;
}

std::vector<std::string> randomKeys(std::mt19937_64& rng, DataKind kind, size_t n) {
  std::vector<std::string> keys(n);
  for (std::string& k : keys) {
    bool empty = (kind == DataKind::NumbersWithEmpty || kind == DataKind::TextsWithEmpty) &&
                 rng() % 10 == 0;
    if (empty) continue;
    k = (kind == DataKind::Numbers || kind == DataKind::NumbersWithEmpty) ? randomNumberText(rng)
                                                                          : randomText(rng);
  }
  return keys;
}

TEST(SortEntries, MatchesStableSortWithTheRuleOnEveryPath) {
  std::mt19937_64 rng(12345);
  // Sizes around the top-K, merge and radix boundaries.
  const size_t sizes[] = {0, 1, 2, 3, 7, 25, 100, 1000, 8192, 12000};
  const DataKind kinds[] = {DataKind::Numbers, DataKind::NumbersWithEmpty, DataKind::Texts,
                            DataKind::TextsWithEmpty};
  for (size_t n : sizes) {
    for (DataKind kind : kinds) {
      std::vector<std::string> keys = randomKeys(rng, kind, n);
      for (bool descending : {false, true}) {
        std::vector<size_t> want = referenceOrder(keys, descending);
        // No K, K = 0, small K (top-K), K around n / 4 and above n.
        std::vector<std::optional<uint64_t>> ks = {std::nullopt, 0, 1, 1 + rng() % 10,
                                                   n / 4, n / 4 + 1, n + 5};
        if (n > 40) ks.push_back(rng() % (n / 4));
        for (std::optional<uint64_t> k : ks) {
          // The executor's window: K = limit + offset, rows [offset, K).
          uint64_t offset = k ? rng() % (*k + 1) : 0;
          Sorted got = runSortEntries(keys, descending, k);
          ASSERT_EQ(got.error, Error::None);
          size_t expect_len = k ? std::min<size_t>(*k, n) : n;
          ASSERT_EQ(got.ids.size(), expect_len)
              << "n=" << n << " k=" << (k ? static_cast<int64_t>(*k) : -1);
          for (size_t i = offset; i < expect_len; ++i) {
            ASSERT_EQ(got.ids[i], want[i]) << "n=" << n << " kind=" << static_cast<int>(kind)
                                           << " desc=" << descending << " k="
                                           << (k ? static_cast<int64_t>(*k) : -1) << " pos=" << i;
          }
        }
      }
    }
  }
}

TEST(SortEntries, RuleExamples) {
  struct Case {
    std::vector<std::string> keys;
    bool descending;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{"10", "9", "100"}, false, {"9", "10", "100"}},
      {{"10", "abc", "9"}, false, {"9", "10", "abc"}},
      {{"b", "", "a", ""}, false, {"", "", "a", "b"}},
      {{"b", "", "a", ""}, true, {"b", "a", "", ""}},
      {{"2", "", "-1"}, false, {"", "-1", "2"}},
      {{"abcdefghZ", "abcdefghA", "abcdefgh"}, false, {"abcdefgh", "abcdefghA", "abcdefghZ"}},
      {{"1e3", "999", "0x400"}, false, {"999", "1e3", "0x400"}},
      {{"nan", "5", "NaN"}, false, {"5", "NaN", "nan"}},  // NaN texts are texts
      {{" 5", "4"}, false, {" 5", "4"}},                   // blanks make a text
  };
  for (const Case& c : cases) {
    std::vector<std::string> keys = c.keys;
    std::vector<SortEntry> entries;
    for (const std::string& k : keys) entries.push_back(makeSortEntry(k, k));
    auto sorted = sortEntries(entries, c.descending, std::nullopt);
    ASSERT_TRUE(sorted.ok());
    std::vector<std::string> got;
    for (const SortEntry& e : *sorted) got.emplace_back(e.key());
    EXPECT_EQ(got, c.want);
  }
}

TEST(SortEntries, TiesKeepInputOrderOnEveryPath) {
  // Equal numbers (including -0 and 0) and equal texts in large and small
  // inputs, top-K and full sorts, both directions.
  for (size_t n : {50, 20000}) {
    std::vector<std::string> keys(n);
    for (size_t i = 0; i < n; ++i) {
      static const char* values[] = {"0", "-0", "7", "7.0", "-3"};
      keys[i] = values[i % 5];
    }
    for (bool descending : {false, true}) {
      for (std::optional<uint64_t> k : {std::optional<uint64_t>{}, std::optional<uint64_t>{3}}) {
        Sorted got = runSortEntries(keys, descending, k);
        std::vector<size_t> want = referenceOrder(keys, descending);
        want.resize(got.ids.size());
        EXPECT_EQ(got.ids, want) << n << " " << descending;
      }
    }
  }
  std::vector<std::string> texts(9000, "same-long-prefix-text");
  for (size_t i = 0; i < texts.size(); i += 3) texts[i] = "same-long-prefix-tex";
  for (bool descending : {false, true}) {
    EXPECT_EQ(runSortEntries(texts, descending, std::nullopt).ids, referenceOrder(texts, descending));
    std::vector<size_t> want = referenceOrder(texts, descending);
    want.resize(100);
    EXPECT_EQ(runSortEntries(texts, descending, 100).ids, want);
  }
}

TEST(SortEntries, InconsistentRuleNeitherCrashesNorWavers) {
  // 10 < 5a (texts), 5a < 9 (texts), 9 < 10 (numbers): no consistent order
  // exists. Every path must still return a permutation, the same one twice.
  std::mt19937_64 rng(99);
  static const char* pool[] = {"10", "9", "5a", "100", "1x", "", "-2", "abc", "0x1g", "8"};
  for (size_t n : {5, 30, 3000, 10000}) {
    std::vector<std::string> keys(n);
    for (std::string& k : keys) k = pool[rng() % 10];
    for (bool descending : {false, true}) {
      for (std::optional<uint64_t> k : {std::optional<uint64_t>{}, std::optional<uint64_t>{1},
                                        std::optional<uint64_t>{n / 5}}) {
        Sorted first = runSortEntries(keys, descending, k);
        Sorted second = runSortEntries(keys, descending, k);
        ASSERT_EQ(first.error, Error::None);
        EXPECT_EQ(first.ids, second.ids);
        std::vector<size_t> ids = first.ids;
        std::sort(ids.begin(), ids.end());
        EXPECT_TRUE(std::adjacent_find(ids.begin(), ids.end()) == ids.end());
        EXPECT_EQ(ids.size(), k ? std::min<size_t>(*k, n) : n);
      }
    }
  }
  // A comparator that answers at random (but repeatably) stays in bounds.
  std::vector<uint32_t> items(5000);
  std::iota(items.begin(), items.end(), 0u);
  stableSort(items.data(), items.size(), [](uint32_t a, uint32_t b) {
    return ((a * 2654435761u) ^ (b * 40503u)) % 3 == 0;
  });
  std::vector<uint32_t> check = items;
  std::sort(check.begin(), check.end());
  for (uint32_t i = 0; i < check.size(); ++i) ASSERT_EQ(check[i], i);
}

// The merge order of a column mixing numbers and texts: the numbers and the
// texts each stably sorted by the rule, then merged, the rule deciding
// between the next number and the next text.
std::vector<size_t> mergeOrder(const std::vector<std::string>& keys, bool descending) {
  std::vector<size_t> numbers, texts;
  for (size_t i = 0; i < keys.size(); ++i) {
    (std::isnan(sortKeyNumber(keys[i])) ? texts : numbers).push_back(i);
  }
  auto less = [&](size_t a, size_t b) {
    int c = compareKeyTexts(keys[a], keys[b]);
    return descending ? c > 0 : c < 0;
  };
  std::stable_sort(numbers.begin(), numbers.end(), less);
  std::stable_sort(texts.begin(), texts.end(), less);
  std::vector<size_t> out;
  size_t i = 0, j = 0;
  while (i < numbers.size() || j < texts.size()) {
    bool text = i == numbers.size() || (j < texts.size() && less(texts[j], numbers[i]));
    out.push_back(text ? texts[j++] : numbers[i++]);
  }
  return out;
}

TEST(SortEntries, MixedColumnsGiveOneOrderOnEveryPath) {
  // Numbers with texts that start with digits, signs or blanks: the rule is
  // not transitive here (2 < 10 < 1_0 < 2). The full sort, every top-K and
  // per-chunk heaps combined must all give the prefix of one order.
  std::mt19937_64 rng(2024);
  static const char* pool[] = {"10", "9", "5a", "100", "1_0", "", "-2", "abc", "0x1g", "8",
                               "2", " 7", "+3", "12", "-0", "1e1"};
  for (size_t n : {7, 60, 3000, 20000}) {
    std::vector<std::string> keys(n);
    for (std::string& k : keys) k = pool[rng() % (sizeof pool / sizeof *pool)];
    std::vector<std::string> ids(n);
    for (size_t i = 0; i < n; ++i) ids[i] = std::to_string(i);
    for (bool descending : {false, true}) {
      const std::vector<size_t> want = mergeOrder(keys, descending);
      ASSERT_EQ(runSortEntries(keys, descending, std::nullopt).ids, want) << n;
      for (uint64_t k : {uint64_t{1}, uint64_t{3}, uint64_t{n / 5}, uint64_t{n / 3}}) {
        std::vector<size_t> prefix(want.begin(), want.begin() + std::min<size_t>(k, n));
        EXPECT_EQ(runSortEntries(keys, descending, k).ids, prefix) << n << " k=" << k;
        // Four chunks, each through its own heap, then one sort with k.
        std::vector<SortEntry> combined;
        for (size_t c = 0; c < 4; ++c) {
          auto heap = TopKHeap::create(k, descending);
          ASSERT_TRUE(heap.ok());
          for (size_t i = c * n / 4; i < (c + 1) * n / 4; ++i) heap->insert(makeSortEntry(keys[i], ids[i]));
          std::vector<SortEntry> kept(heap->count());
          heap->drainSorted(kept.data());
          combined.insert(combined.end(), kept.begin(), kept.end());
        }
        auto sorted = sortEntries(combined, descending, k);
        ASSERT_TRUE(sorted.ok());
        std::vector<size_t> got;
        for (const SortEntry& e : *sorted) got.push_back(std::stoul(std::string(e.line())));
        EXPECT_EQ(got, prefix) << "chunked n=" << n << " k=" << k;
      }
    }
  }
}

TEST(StableSort, InPlaceMergeMatchesBufferedMerge) {
  // The fallback merge (no scratch memory) must be stable too.
  std::mt19937_64 rng(7);
  for (int round = 0; round < 200; ++round) {
    size_t left = rng() % 60, right = rng() % 60;
    std::vector<std::pair<int, int>> v;  // (key, original position)
    for (size_t i = 0; i < left; ++i) v.push_back({static_cast<int>(rng() % 8), 0});
    for (size_t i = 0; i < right; ++i) v.push_back({static_cast<int>(rng() % 8), 0});
    for (size_t i = 0; i < v.size(); ++i) v[i].second = static_cast<int>(i);
    auto less = [](const std::pair<int, int>& a, const std::pair<int, int>& b) {
      return a.first < b.first;
    };
    std::stable_sort(v.begin(), v.begin() + left, less);
    std::stable_sort(v.begin() + left, v.end(), less);
    std::vector<std::pair<int, int>> want = v;
    std::stable_sort(want.begin(), want.end(), less);
    sort_detail::mergeInPlace(v.data(), 0, left, v.size(), less);
    ASSERT_EQ(v, want) << left << " " << right;
  }
}

TEST(TopKHeap, WorkerHeapsCombineToTheFullSort) {
  // Workers each keep their best K over their own chunk; the concatenation
  // in chunk order, sorted with K, equals the full stable sort.
  std::mt19937_64 rng(4242);
  for (DataKind kind : {DataKind::Numbers, DataKind::TextsWithEmpty}) {
    std::vector<std::string> keys = randomKeys(rng, kind, 6000);
    std::vector<std::string> ids(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) ids[i] = std::to_string(i);
    for (bool descending : {false, true}) {
      for (uint64_t k : {uint64_t{1}, uint64_t{17}, uint64_t{700}}) {
        std::vector<SortEntry> combined;
        const size_t chunks = 4;
        for (size_t c = 0; c < chunks; ++c) {
          auto heap = TopKHeap::create(k, descending);
          ASSERT_TRUE(heap.ok());
          for (size_t i = c * keys.size() / chunks; i < (c + 1) * keys.size() / chunks; ++i) {
            heap->insert(makeSortEntry(keys[i], ids[i]));
          }
          std::vector<SortEntry> kept(heap->count());
          heap->drainSorted(kept.data());
          combined.insert(combined.end(), kept.begin(), kept.end());
        }
        auto sorted = sortEntries(combined, descending, k);
        ASSERT_TRUE(sorted.ok());
        std::vector<size_t> got;
        for (const SortEntry& e : *sorted) got.push_back(std::stoul(std::string(e.line())));
        std::vector<size_t> want = referenceOrder(keys, descending);
        want.resize(k);
        EXPECT_EQ(got, want) << "k=" << k << " desc=" << descending;
      }
    }
  }
  auto none = TopKHeap::create(0, false);
  ASSERT_TRUE(none.ok());
  none->insert(makeSortEntry("1", "1"));
  EXPECT_EQ(none->count(), 0u);
}

TEST(SortKeys, SeveralKeysOnFieldArrays) {
  // Random rows of three fields; keys: field 2 descending, then field 0
  // ascending. The field-array order must agree with a reference built from
  // the one-key rule.
  std::mt19937_64 rng(5150);
  static const char* pool[] = {"1", "2", "10", "", "a,b", "say \"x\"", "a", "b", "-3", "\"q"};
  std::vector<std::vector<std::string>> rows(400);
  for (auto& row : rows) {
    size_t width = 1 + rng() % 3;  // short rows read as empty fields
    for (size_t i = 0; i < width; ++i) row.push_back(pool[rng() % 10]);
  }
  std::vector<ResolvedOrderKey> keys = {{2, true}, {0, false}};
  auto reference = [&](size_t a, size_t b) {
    for (const ResolvedOrderKey& key : keys) {
      int c = compareKeyTexts(rowField(rows[a], key.column), rowField(rows[b], key.column));
      if (c != 0) return key.descending ? c > 0 : c < 0;
    }
    return false;
  };
  std::vector<size_t> want(rows.size());
  std::iota(want.begin(), want.end(), 0);
  std::stable_sort(want.begin(), want.end(), reference);

  RowSortCtx row_ctx{keys};
  std::vector<size_t> by_rows(rows.size());
  std::iota(by_rows.begin(), by_rows.end(), 0);
  stableSort(by_rows.data(), by_rows.size(),
             [&](size_t a, size_t b) { return row_ctx.lessThan(rows[a], rows[b]); });
  EXPECT_EQ(by_rows, want);

}

TEST(SortKeys, ResolveOrderByTerm) {
  // SELECT Name, upper(city) AS town, age AS years FROM (header: " Age ", City, name)
  std::vector<std::string_view> out_names = {"Name", "town", "years"};
  std::vector<std::optional<size_t>> plain = {2, std::nullopt, 0};
  std::vector<std::string_view> header = {" Age ", "City", "name"};
  struct Case {
    std::string_view term;
    std::optional<size_t> want;
  };
  const Case cases[] = {
      {"1", 0},       {"3", 2},         {"4", std::nullopt},  // positions are 1-based
      {"0", std::nullopt},                                    // 0 falls through to names
      {"name", 0},    {"town", 1},      {"years", 2},
      {"age", 2},                        // input name of a plain, aliased column
      {"city", std::nullopt},            // only used inside a computed column
      {"nosuch", std::nullopt},          {"", std::nullopt},
      {"99999999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    auto got = resolveOrderByIdx(c.term, out_names, plain, header);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, c.want) << c.term;
  }
  // A numeric output name is reachable by name once it is not a position.
  std::vector<std::string> numeric_names = {"a", "7"};
  std::vector<std::optional<size_t>> none = {std::nullopt, std::nullopt};
  auto by_name = resolveOrderByIdx("7", numeric_names, none, {});
  ASSERT_TRUE(by_name.ok());
  EXPECT_EQ(*by_name, std::optional<size_t>(1));
  auto by_position = resolveOrderByIdx("2", numeric_names, none, {});
  ASSERT_TRUE(by_position.ok());
  EXPECT_EQ(*by_position, std::optional<size_t>(1));
}

}  // namespace
}  // namespace narwe
