// Hostile input: arbitrary bytes, NUL bytes, unbalanced quotes and one huge
// line. Every reader and scanner must finish, agree on record counts and
// never read past its buffer (the in-memory scanners run on bytes that end
// right before an unreadable page).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "exec/line_chunks.h"
#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/csv_test_support.h"
#include "io/fast_count.h"
#include "io/simd.h"

namespace narwe {
namespace {

using testing_support::GuardedBytes;
using testing_support::TempFile;

std::string randomBytes(std::mt19937_64& rng, size_t n) {
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(rng() & 0xFF);
  return out;
}

// Runs every in-memory scanner over `bytes` and returns the record count
// they agree on.
uint64_t scanEverything(const GuardedBytes& bytes) {
  const char* data = bytes.data();
  const size_t n = bytes.size();
  uint64_t walked = 0;
  size_t pos = 0;
  std::vector<std::string_view> table(4096);
  while (pos < n) {
    const auto end = findRecordEnd(data, n, pos, ',');
    const size_t stop = end ? *end : n;
    auto fields = parseCSVFieldsStatic(std::string_view(data + pos, stop - pos), table.data(),
                                       table.size(), ',');
    EXPECT_TRUE(fields.ok() || fields.error() == Error::TooManyColumns ||
                fields.error() == Error::InvalidInput);
    ++walked;
    pos = stop + 1;
  }
  // The tail of the buffer as one line, so the splitter's last block ends
  // at the guard page.
  for (size_t back : {size_t{1}, size_t{17}, size_t{63}, size_t{64}, size_t{200}}) {
    if (back > n) continue;
    (void)parseCSVFieldsStatic(std::string_view(data + n - back, back), table.data(),
                               table.size(), ',');
  }
  for (unsigned workers : {1u, 3u}) {
    auto counted = countRecords(data, n, workers);
    EXPECT_TRUE(counted.ok());
    EXPECT_EQ(*counted, walked);
  }
  auto chunks = splitLineChunks(data, n, 0, 5, ',');
  EXPECT_TRUE(chunks.ok());
  InputOptions options;
  (void)resolveMmapHeader(bytes.view(), options);
  return walked;
}

uint64_t countBuffered(std::string_view content, bool slices) {
  TempFile file(content);
  auto reader = BulkCsvReader::init(file.fd());
  EXPECT_TRUE(reader.ok());
  uint64_t n = 0;
  for (;;) {
    if (slices) {
      auto next = reader->readRecordSlices();
      if (!next.ok()) {
        EXPECT_TRUE(next.error() == Error::TooManyColumns || next.error() == Error::InvalidInput);
        ++n;  // the record was consumed; keep going like a tolerant caller
        continue;
      }
      if (!next->has_value()) return n;
    } else {
      auto next = reader->readRecord();
      if (!next.ok()) {
        EXPECT_TRUE(next.error() == Error::TooManyColumns || next.error() == Error::InvalidInput);
        ++n;
        continue;
      }
      if (!next->has_value()) return n;
    }
    ++n;
  }
}

// Records read before the end or the first refused record (the streaming
// reader's errors are sticky).
uint64_t countStreaming(std::string_view content) {
  TempFile file(content);
  CsvReader reader(file.fd(), ',');
  uint64_t n = 0;
  for (;;) {
    auto next = reader.readRecord();
    if (!next.ok()) {
      EXPECT_TRUE(next.error() == Error::TooManyColumns || next.error() == Error::InvalidInput);
      return n;
    }
    if (!next->has_value()) return n;
    ++n;
  }
}

TEST(HostileInput, ArbitraryBytesAndNulsAreReadSafely) {
  std::mt19937_64 rng(51);
  for (int round = 0; round < 40; ++round) {
    std::string content = round % 2 ? randomBytes(rng, rng() % 5000)
                                     : testing_support::randomText(rng, rng() % 5000,
                                                                   std::string("\0a,\"\n\r\xff", 7));
    // The buffered reader skips a leading byte-order mark; the in-memory
    // scanners get the bytes after it, as the mapped executors do.
    GuardedBytes guarded(content);
    if (round % 5 == 0) content = "\xEF\xBB\xBF" + content;
    const uint64_t in_memory = scanEverything(guarded);
    EXPECT_EQ(countBuffered(content, false), in_memory);
    EXPECT_EQ(countBuffered(content, true), in_memory);
    (void)countStreaming(content);
  }
}

TEST(HostileInput, UnbalancedQuotesSwallowTheRestOfTheInput) {
  const std::string content = "a,b\n\"never closed,\n\n1,2\n3,4\n";
  GuardedBytes guarded(content);
  EXPECT_EQ(scanEverything(guarded), 2u);
  EXPECT_EQ(countBuffered(content, false), 2u);
  EXPECT_EQ(countStreaming(content), 2u);
}

// One line of many megabytes, plain and inside an unclosed quote.
TEST(HostileInput, HugeSingleLine) {
  const size_t size = testing_support::kSanitized ? 3 * 1024 * 1024 : 20 * 1024 * 1024;
  for (const bool quoted : {false, true}) {
    std::string content(size, 'x');
    if (quoted) {
      content[0] = '"';
      for (size_t i = 4096; i < size; i += 4096) content[i] = '\n';
    }
    GuardedBytes guarded(content);
    EXPECT_EQ(scanEverything(guarded), 1u);
    auto chunks = splitLineChunks(guarded.data(), size, 0, 8, ',');
    ASSERT_TRUE(chunks.ok());
    EXPECT_EQ(chunks->front().end, size);  // one record: nothing to cut

    TempFile file(content);
    auto reader = BulkCsvReader::init(file.fd());
    ASSERT_TRUE(reader.ok());
    auto record = reader->readRecord();
    ASSERT_TRUE(record.ok() && record->has_value());
    EXPECT_EQ((**record)[0].size(), quoted ? size - 1 : size);
    EXPECT_EQ(countStreaming(content), 1u);
  }
}

}  // namespace
}  // namespace narwe
