// splitLineChunks and nextRecordStart: every boundary is a record start of a
// sequential read, whatever the data and the chunk count.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "exec/line_chunks.h"
#include "io/csv_test_support.h"

namespace narwe {
namespace {

using testing_support::referenceRecordEnds;

// Record starts of a sequential read from `start`, plus the end of the data.
std::set<uint64_t> legalBoundaries(std::string_view text, uint64_t start) {
  std::set<uint64_t> out{start, text.size()};
  for (const size_t end : referenceRecordEnds(text, ',', start)) out.insert(end + 1);
  return out;
}

void expectValidChunks(std::string_view text, uint64_t start, size_t n) {
  auto chunks = splitLineChunks(text.data(), text.size(), start, n, ',');
  ASSERT_TRUE(chunks.ok());
  ASSERT_EQ(chunks->size(), n);
  const std::set<uint64_t> legal = legalBoundaries(text, start);
  EXPECT_EQ(chunks->front().begin, start);
  EXPECT_EQ(chunks->back().end, text.size());
  for (size_t k = 0; k < n; ++k) {
    const LineChunk& c = (*chunks)[k];
    ASSERT_LE(c.begin, c.end);
    if (k + 1 < n) {
      ASSERT_EQ(c.end, (*chunks)[k + 1].begin);
    }
    ASSERT_TRUE(legal.count(c.end)) << "boundary " << c.end << " of " << n << " chunks";
  }
}

TEST(SplitLineChunks, BoundariesAreRecordStartsForAnyChunkCount) {
  std::mt19937_64 rng(61);
  for (int round = 0; round < 60; ++round) {
    std::string text = round % 3 == 0 ? testing_support::randomText(rng, rng() % 20000)
                                      : testing_support::randomCsv(rng, rng() % 20000);
    const std::string header = "h1,h2\n";
    text = header + text;
    for (size_t n = 1; n <= 16; ++n) expectValidChunks(text, header.size(), n);
  }
}

// Quoted fields holding many line feeds: nominal boundaries fall inside them
// and must not be taken as record starts.
TEST(SplitLineChunks, QuotedLineFeedsAreNeverCut) {
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += std::to_string(i) + ",\"" + std::string(static_cast<size_t>(50 + i % 70), '\n') +
            "\"\"" + std::string(30, '\n') + "\"\n";
  }
  for (size_t n = 1; n <= 16; ++n) expectValidChunks(text, 0, n);
}

// Records longer than the step make empty chunks; a final record without a
// line feed is never cut.
TEST(SplitLineChunks, LongRecordsGiveEmptyChunksNotCuts) {
  const std::string text = std::string(1000, 'a') + "\n" + std::string(1000, 'b');
  auto chunks = splitLineChunks(text.data(), text.size(), 0, 8, ',');
  ASSERT_TRUE(chunks.ok());
  size_t empty = 0;
  for (const LineChunk& c : *chunks) {
    EXPECT_TRUE(c.begin == 0 || c.begin == 1001 || c.begin == text.size());
    empty += c.begin == c.end;
  }
  EXPECT_GE(empty, 6u);
  auto single = splitLineChunks(text.data(), text.size(), 0, 1, ',');
  ASSERT_TRUE(single.ok());
  EXPECT_EQ(single->front().begin, 0u);
  EXPECT_EQ(single->front().end, text.size());
  auto none = splitLineChunks("", 0, 0, 4, ',');
  ASSERT_TRUE(none.ok());
  for (const LineChunk& c : *none) EXPECT_EQ(c.begin, c.end);
}

// Data where a line feed is quoted in one reading and unquoted in the other
// all the way through: looking ahead cannot decide, so the split rescans from
// the last known record start.
TEST(SplitLineChunks, AmbiguousDataFallsBackToAnExactScan) {
  std::string text;
  while (text.size() < 300000) text += "\"a\n\"\n";
  for (size_t n : {size_t{2}, size_t{3}, size_t{7}}) expectValidChunks(text, 0, n);
  const std::set<uint64_t> legal = legalBoundaries(text, 0);
  for (uint64_t from : {uint64_t{1}, uint64_t{2}, uint64_t{3}, uint64_t{150001}}) {
    const uint64_t got = nextRecordStart(text.data(), text.size(), 0, from, ',');
    EXPECT_GE(got, from);
    EXPECT_TRUE(legal.count(got)) << from;
    EXPECT_LT(got, from + 6);  // and it is the first one
  }
}

}  // namespace
}  // namespace narwe
