// parseCSVFieldsStatic: the dialect's splitting cases, the field-count
// limits, and both classifiers against a reference splitter.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "io/csv_test_support.h"
#include "io/field_split.h"
#include "io/simd.h"

namespace narwe {
namespace {

using testing_support::randomText;
using testing_support::referenceSlices;

std::vector<std::string> split(std::string_view line, size_t capacity = kRecordFieldCapacity,
                               char delim = ',') {
  std::vector<std::string_view> table(capacity);
  auto count = parseCSVFieldsStatic(line, table.data(), capacity, delim);
  EXPECT_TRUE(count.ok()) << line;
  if (!count.ok()) return {};
  return std::vector<std::string>(table.begin(), table.begin() + static_cast<long>(*count));
}

using Fields = std::vector<std::string>;

TEST(ParseFields, DialectCases) {
  struct Case {
    std::string line;
    Fields want;
  };
  const Case cases[] = {
      {"", {""}},
      {"a", {"a"}},
      {"a,b,c", {"a", "b", "c"}},
      {"a,", {"a", ""}},
      {",", {"", ""}},
      {"a,\"b,c\",d", {"a", "b,c", "d"}},
      {"\"x\"\"y\"", {"x\"\"y"}},          // pairs stay doubled for the caller
      {"\"ab\"cd,x", {"ab", "x"}},         // bytes after the closing quote dropped
      {"a\"b,c", {"a\"b", "c"}},           // quote mid-field is data
      {"\"open,and on", {"open,and on"}},  // unterminated runs to the end
      {"\"\",\"\"", {"", ""}},
      {"a,\"\"", {"a", ""}},
      {"a,\"multi\nline\",z", {"a", "multi\nline", "z"}},
      {"\"q\",", {"q", ""}},
      {"x,\"", {"x", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(split(c.line), c.want) << c.line;
  EXPECT_EQ(split("a;b,c;\"d;e\"", kRecordFieldCapacity, ';'), (Fields{"a", "b,c", "d;e"}));
}

std::string fieldsLine(size_t n, bool quoted) {
  std::string line;
  for (size_t i = 0; i < n; ++i) {
    if (i) line.push_back(',');
    line += quoted && i == n / 2 ? "\"q,q\"" : "f" + std::to_string(i);
  }
  return line;
}

TEST(ParseFields, CapacityIsExactForPlainAndQuotedRecords) {
  for (const bool quoted : {false, true}) {
    for (const size_t capacity : {size_t{1}, kRecordFieldCapacity, size_t{512}, size_t{4096}}) {
      std::vector<std::string_view> table(capacity);
      const std::string fits = fieldsLine(capacity, quoted);
      auto ok = parseCSVFieldsStatic(fits, table.data(), capacity, ',');
      ASSERT_TRUE(ok.ok()) << capacity;
      EXPECT_EQ(*ok, capacity);
      const bool last_quoted = quoted && capacity == 1;
      EXPECT_EQ(table[capacity - 1], last_quoted ? "q,q" : "f" + std::to_string(capacity - 1));
      const std::string over = fieldsLine(capacity + 1, quoted);
      auto bad = parseCSVFieldsStatic(over, table.data(), capacity, ',');
      EXPECT_EQ(bad.error(), Error::TooManyColumns) << capacity << " quoted " << quoted;
    }
  }
  std::vector<std::string_view> table(2);
  EXPECT_EQ(parseCSVFieldsStatic("a,b,", table.data(), 2, ',').error(), Error::TooManyColumns);
}

TEST(ParseFields, BothClassifiersMatchReferenceOnRandomLines) {
  std::mt19937_64 rng(11);
  std::vector<std::string_view> a(4096), b(4096);
  for (int round = 0; round < 4000; ++round) {
    const std::string line = round % 2 ? randomText(rng, rng() % 400, "ab,\"\n\r")
                                       : randomText(rng, rng() % 400, "abcdef,,");
    auto ra = split::splitFields<blocks::Sse2Classifier>(line, a.data(), a.size(), ',');
    auto rb = split::splitFields<blocks::ScalarClassifier>(line, b.data(), b.size(), ',');
    if (testing_support::referenceHasLoneCr(line)) {
      ASSERT_EQ(ra.error(), Error::InvalidInput) << line;
      ASSERT_EQ(rb.error(), Error::InvalidInput) << line;
      continue;
    }
    ASSERT_TRUE(ra.ok() && rb.ok());
    ASSERT_EQ(*ra, *rb);
    const Fields want = referenceSlices(line);
    ASSERT_EQ(*ra, want.size()) << line;
    for (size_t i = 0; i < *ra; ++i) {
      ASSERT_EQ(a[i], want[i]) << line;
      ASSERT_EQ(a[i].data(), b[i].data());
      // Slices point into the line itself.
      ASSERT_TRUE(a[i].data() >= line.data() && a[i].data() + a[i].size() <= line.data() + line.size());
    }
  }
}

}  // namespace
}  // namespace narwe
