// The block classifiers, the block form of the record-end scanner and
// findRecordEnd, each checked against a one-byte-at-a-time reference.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "io/block_classifier.h"
#include "io/csv.h"
#include "io/csv_test_support.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

using blocks::BlockMasks;
using blocks::ScalarClassifier;
using blocks::Sse2Classifier;
using scan::ScanState;
using testing_support::randomText;
using testing_support::referenceRecordEnds;

void expectSameMasks(const BlockMasks& a, const BlockMasks& b) {
  EXPECT_EQ(a.quote, b.quote);
  EXPECT_EQ(a.delim, b.delim);
  EXPECT_EQ(a.lf, b.lf);
  EXPECT_EQ(a.cr, b.cr);
}

TEST(BlockClassifier, VectorAndScalarAgreeOnRandomBlocks) {
  std::mt19937_64 rng(1);
  std::uniform_int_distribution<int> byte(0, 255);
  const char delimiters[] = {',', ';', '\t', '|', '\0', static_cast<char>(0xE9)};
  for (int round = 0; round < 4000; ++round) {
    char block[blocks::kBlockSize];
    if (round % 2 == 0) {
      for (char& c : block) c = static_cast<char>(byte(rng));
    } else {
      const std::string text = randomText(rng, blocks::kBlockSize, "a,\"\n\r;\t");
      std::memcpy(block, text.data(), blocks::kBlockSize);
    }
    const char delim = delimiters[round % std::size(delimiters)];
    expectSameMasks(ScalarClassifier::classify(block, delim), Sse2Classifier::classify(block, delim));
    EXPECT_EQ(ScalarClassifier::match(block, delim), Sse2Classifier::match(block, delim));
    const size_t n = static_cast<size_t>(round % blocks::kBlockSize);
    expectSameMasks(blocks::classifyPartial<ScalarClassifier>(block, n, delim),
                    blocks::classifyPartial<Sse2Classifier>(block, n, delim));
    EXPECT_EQ(blocks::classifyPartial<Sse2Classifier>(block, n, delim).delim >> n, 0u)
        << "partial masks must not reach past the bytes given";
  }
}

TEST(BlockClassifier, BitHelpersMatchNaiveDefinitions) {
  std::mt19937_64 rng(2);
  for (int round = 0; round < 2000; ++round) {
    const uint64_t x = rng() & rng();  // sparse and dense masks
    uint64_t naive = 0;
    bool parity = false;
    for (int i = 0; i < 64; ++i) {
      parity ^= (x >> i) & 1;
      if (parity) naive |= uint64_t{1} << i;
    }
    EXPECT_EQ(blocks::prefixXor(x), naive);
    EXPECT_EQ(blocks::popcount64(x), static_cast<uint64_t>(__builtin_popcountll(x)));
  }
  EXPECT_EQ(blocks::popcount64(~uint64_t{0}), 64u);
  EXPECT_EQ(blocks::lowBits(64), ~uint64_t{0});
  EXPECT_EQ(blocks::lowBits(0), 0u);
}

// The fast block step must give exactly what the byte machine gives, for
// every carried state, including blocks full of stray quotes and pairs.
TEST(RecordScanBlock, BlockStepMatchesByteMachineFromEveryState) {
  std::mt19937_64 rng(3);
  const char* alphabets[] = {"a,\"\n\r", "\"\"\"\",\n", "aaaa\"\n", "a,\n", "\",\"\n"};
  for (int round = 0; round < 20000; ++round) {
    const std::string text = randomText(rng, blocks::kBlockSize, alphabets[round % 5]);
    for (size_t s = 0; s < scan::kStateCount; ++s) {
      ScanState fast = static_cast<ScanState>(s);
      ScanState slow = fast;
      const uint64_t got = scan::recordEndsInBlock(Sse2Classifier::classify(text.data(), ','),
                                                   text.data(), ',', fast);
      const uint64_t want = scan::recordEndsInBlockSlow(text.data(), ',', slow);
      ASSERT_EQ(got, want) << "state " << s << " block " << text;
      ASSERT_EQ(fast, slow) << "state " << s << " block " << text;
    }
  }
}

TEST(RecordScanBlock, ByteMachineMatchesLookAheadReference) {
  std::mt19937_64 rng(4);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = randomText(rng, rng() % 300);
    std::vector<size_t> ends;
    ScanState state = ScanState::RecordStart;
    for (size_t i = 0; i < text.size(); ++i) {
      if (scan::stepByte(state, text[i], ',')) ends.push_back(i);
    }
    ASSERT_EQ(ends, referenceRecordEnds(text)) << text;
  }
}

// Walks every record with scanForRecordEnd and both classifiers.
template <class C>
std::vector<size_t> walkEnds(std::string_view text, char delim) {
  std::vector<size_t> ends;
  size_t from = 0;
  while (from < text.size()) {
    ScanState state = ScanState::RecordStart;
    const size_t end = scan::scanForRecordEnd<C>(text.data(), text.size(), from, state, delim);
    if (end == scan::kNoRecordEnd) break;
    ends.push_back(end);
    from = end + 1;
  }
  return ends;
}

TEST(RecordScanBlock, ScannerWithEitherClassifierMatchesReference) {
  std::mt19937_64 rng(5);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = round % 3 == 0 ? testing_support::randomCsv(rng, rng() % 2000)
                                            : randomText(rng, rng() % 2000);
    const auto want = referenceRecordEnds(text);
    ASSERT_EQ(walkEnds<ScalarClassifier>(text, ','), want) << text;
    ASSERT_EQ(walkEnds<Sse2Classifier>(text, ','), want) << text;
  }
}

// A summary of a stretch, for each start state, equals scanning it from that
// state; chained summaries of arbitrary pieces equal one scan of the whole.
TEST(RecordScanBlock, SegmentSummariesMatchPlainScans) {
  std::mt19937_64 rng(6);
  for (int round = 0; round < 2000; ++round) {
    std::string text = round % 3 == 0   ? testing_support::randomCsv(rng, rng() % 1500)
                       : round % 3 == 1 ? randomText(rng, rng() % 1500)
                                        : randomText(rng, rng() % 1500, "abc,\n");
    if (text.empty()) continue;
    if (round % 3 == 2) {
      // Quote-free stretches with a rare quote: the inside-quotes reading
      // stays apart from the others for many blocks.
      for (int q = static_cast<int>(rng() % 3); q > 0; --q) text[rng() % text.size()] = '"';
    }
    const size_t cut = rng() % text.size();
    const auto summary =
        scan::summarizeSegment<Sse2Classifier>(text.data(), cut, text.size(), ',', true);
    for (size_t s = 0; s < scan::kStateCount; ++s) {
      ScanState state = static_cast<ScanState>(s);
      uint64_t count = 0;
      for (size_t i = cut; i < text.size(); ++i) count += scan::stepByte(state, text[i], ',');
      ASSERT_EQ(summary.record_ends[s], count) << "state " << s;
      ASSERT_EQ(summary.end_state[s], state) << "state " << s;
    }
    const auto head = scan::summarizeSegment<ScalarClassifier>(text.data(), 0, cut, ',', false);
    const ScanState mid = head.end_state[0];
    const uint64_t total =
        head.record_ends[0] + summary.record_ends[static_cast<size_t>(mid)];
    ASSERT_EQ(total, referenceRecordEnds(text).size());
  }
}

TEST(FindRecordEnd, DialectCases) {
  struct Case {
    std::string text;
    size_t start;
    std::optional<size_t> want;
  };
  const Case cases[] = {
      {"a,b\nc", 0, 3},
      {"a,b\nc", 4, std::nullopt},           // last record without LF
      {"a,b\n", 4, std::nullopt},            // start at the length
      {"a,b\n", 9, std::nullopt},            // start past the length
      {"\"x\ny\"\n", 0, 5},                  // LF inside quotes is data
      {"\"x\ny\"", 0, std::nullopt},         // only LF is quoted
      {"a,\"b,\nc\"\"\n\"\nz", 0, 11},      // pair inside quotes
      {"27\" screen\nnext", 0, 10},          // stray quote is data
      {"a\"b\nc\"\n", 0, 3},                 // quote mid-field never opens
      {"\"ab\"cd\nx", 0, 6},                 // bytes after closing quote
      {"\"unterminated\n and more", 0, std::nullopt},
      {"a\r\nb", 0, 2},                      // CR before LF is not an end
      {"a\rb\n", 0, 3},                      // lone CR is data
      {"\n", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(findRecordEnd(c.text.data(), c.text.size(), c.start, ','), c.want) << c.text;
  }
}

TEST(FindRecordEnd, LongQuotedSectionsSpanningManyBlocks) {
  std::string text = "id,\"";
  for (int i = 0; i < 500; ++i) text += "line, with \"\" pair\n";
  text += "\",tail\nnext\n";
  const auto end = findRecordEnd(text.data(), text.size(), 0, ',');
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(text.substr(*end - 6, 6), "\",tail");
}

TEST(FindRecordEnd, RandomInputMatchesReferenceFromAnyStart) {
  std::mt19937_64 rng(7);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = randomText(rng, rng() % 700);
    const size_t start = text.empty() ? 0 : rng() % (text.size() + 1);
    const auto ends = referenceRecordEnds(text, ',', start);
    const std::optional<size_t> want =
        ends.empty() ? std::nullopt : std::optional<size_t>(ends.front());
    ASSERT_EQ(findRecordEnd(text.data(), text.size(), start, ','), want)
        << "start " << start << " text " << text;
  }
}

}  // namespace
}  // namespace narwe
