// countRecords: exact agreement with the buffered reader for any worker
// count, on both sides of the parallel threshold.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "io/bulk_csv.h"
#include "io/csv_test_support.h"
#include "io/fast_count.h"

namespace narwe {
namespace {

using testing_support::referenceCount;

uint64_t count(std::string_view s, unsigned workers = 4) {
  auto n = countRecords(s.data(), s.size(), workers);
  EXPECT_TRUE(n.ok());
  return n.ok() ? *n : ~uint64_t{0};
}

uint64_t countWithBufferedReader(const std::string& text) {
  testing_support::TempFile file(text);
  auto reader = BulkCsvReader::init(file.fd());
  EXPECT_TRUE(reader.ok());
  uint64_t n = 0;
  for (;;) {
    // A refused record (a lone CR, too many fields) is still one record:
    // the reader has consumed it and goes on with the next.
    auto next = reader->readRecord();
    EXPECT_TRUE(next.ok() || next.error() == Error::InvalidInput ||
                next.error() == Error::TooManyColumns);
    if (next.ok() && !next->has_value()) return n;
    ++n;
  }
}

TEST(CountRecords, DialectCases) {
  struct Case {
    std::string text;
    uint64_t want;
  };
  const Case cases[] = {
      {"", 0},
      {"a\nb\n", 2},
      {"a\nb", 2},
      {"\n", 1},
      {"\n\n", 2},
      {"\"x\ny\"\n", 1},           // quoted LF
      {"\"x\ny\"", 1},
      {"\"open\n\n\n", 1},         // unterminated quote swallows the rest
      {"27\" screen\nb\n", 2},     // a stray quote opens nothing
      {"a\"\nb\"\n", 2},
      {"\"a\"\"\nb\"\n", 1},       // pair inside quotes
      {"a\r\nb\r\n", 2},
      {"a\rb", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(count(c.text), c.want) << c.text;
}

// Inputs below and above the parallel threshold, cut among 1..8 workers, in
// every flavour: plain, quoted fields with line feeds, stray quotes and raw
// random bytes of the CSV alphabet.
TEST(CountRecords, MatchesBufferedReaderForAnyWorkerCount) {
  std::mt19937_64 rng(41);
  for (int round = 0; round < 5; ++round) {
    const size_t size = round == 0 ? kCountParallelThreshold + 300000 : rng() % 200000;
    std::string text = round % 2 == 0 ? testing_support::randomCsv(rng, size)
                                      : testing_support::randomText(rng, size, "aaaaaaaa,\"\n\r");
    if (round == 2) text.insert(text.size() / 2, "\"");  // unbalanced from mid-way
    const uint64_t want = countWithBufferedReader(text);
    ASSERT_EQ(want, referenceCount(text));
    for (unsigned workers = 1; workers <= 8; ++workers) {
      ASSERT_EQ(count(text, workers), want) << "workers " << workers << " round " << round;
    }
  }
}

// Enough data for eight pieces; the tile's length is no multiple of the
// piece size, so pieces start in every kind of place.
TEST(CountRecords, ManyPiecesOfMixedInput) {
  std::mt19937_64 rng(42);
  const std::string tile = testing_support::randomCsv(rng, 100000) +
                           testing_support::randomText(rng, 3001, "aaaa,\"\n");
  std::string text;
  while (text.size() < 8 * kCountBytesPerWorker + 5) text += tile;
  const uint64_t want = referenceCount(text);
  for (unsigned workers = 1; workers <= 8; ++workers) {
    ASSERT_EQ(count(text, workers), want) << "workers " << workers;
  }
}

// Pieces of a parallel count start at arbitrary bytes: inside quoted
// sections, between the halves of a quote pair, right after a closing quote.
// The count must not depend on where they fall.
TEST(CountRecords, PiecesStartingInsideQuotedSections) {
  std::string text;
  while (text.size() < 3 * kCountBytesPerWorker + 777) {
    text += "1,\"quoted \"\" text\nwith line feeds\n\",\"\"\"\",27\" x\n";
  }
  const uint64_t want = referenceCount(text);
  for (unsigned workers = 1; workers <= 8; ++workers) EXPECT_EQ(count(text, workers), want);
  // Only quoted line feeds after the first byte: a single record.
  std::string one = "\"" + std::string(3 * kCountBytesPerWorker, '\n');
  EXPECT_EQ(count(one, 3), 1u);
}

}  // namespace
}  // namespace narwe
