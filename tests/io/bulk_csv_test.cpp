// BulkCsvReader: both read modes against the dialect's cases and against
// reference splitters on random input, plus the byte-order mark, the field
// limit, records larger than the buffer, and descriptors it cannot use.
#include <gtest/gtest.h>
#include <fcntl.h>

#include <random>
#include <string>
#include <vector>

#include "io/bulk_csv.h"
#include "io/csv_test_support.h"

namespace narwe {
namespace {

using testing_support::TempFile;
using Records = std::vector<Record>;

Records readOwned(std::string_view content, char delim = ',') {
  TempFile file(content);
  auto reader = BulkCsvReader::init(file.fd());
  EXPECT_TRUE(reader.ok());
  reader->setDelimiter(delim);
  Records out;
  for (;;) {
    auto next = reader->readRecord();
    EXPECT_TRUE(next.ok()) << errorName(next.error());
    if (!next.ok() || !next->has_value()) break;
    out.push_back(std::move(**next));
  }
  auto again = reader->readRecord();
  EXPECT_TRUE(again.ok() && !again->has_value());
  return out;
}

Result<Records> readSlices(std::string_view content, char delim = ',') {
  TempFile file(content);
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(file.fd()));
  reader.setDelimiter(delim);
  Records out;
  for (;;) {
    NARWE_ASSIGN_OR_RETURN(auto next, reader.readRecordSlices());
    if (!next) break;
    out.emplace_back(next->begin(), next->end());
  }
  return out;
}

TEST(BulkCsvReader, DialectCasesInBothModes) {
  struct Case {
    std::string input;
    Records owned;
    Records slices;  // empty: same as owned (both modes split by one rule)
  };
  const Case cases[] = {
      {"", {}, {}},
      {"a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}, {}},
      {"a,b\nc,d", {{"a", "b"}, {"c", "d"}}, {}},
      {"\n\n", {{""}, {""}}, {}},
      {"a,\n", {{"a", ""}}, {}},
      {"a,\"b,c\",d\n", {{"a", "b,c", "d"}}, {}},
      {"\"x\"\"y\"\n", {{"x\"y"}}, {}},
      {"\"multi\nline\",z\n", {{"multi\nline", "z"}}, {}},
      {"\"ab\"cd,x\n", {{"ab", "x"}}, {}},                       // dropped after closing quote
      {"a\"\"b,c\n", {{"a\"b", "c"}}, {}},                       // pairs unescaped everywhere
      {"27\" screen,x\n", {{"27\" screen", "x"}}, {}},
      {"a\r\nb\r\n", {{"a"}, {"b"}}, {}},
      {"a\r", {{"a"}}, {}},                                       // final CR dropped too
      {"\r\n", {{""}}, {}},
      {"\"open\nto the end", {{"open\nto the end"}}, {}},
      {"\xEF\xBB\xBFh1,h2\n1,2\n", {{"h1", "h2"}, {"1", "2"}}, {}},  // byte-order mark skipped
      {"\xEF\xBB", {{"\xEF\xBB"}}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readOwned(c.input), c.owned) << c.input;
    auto slices = readSlices(c.input);
    ASSERT_TRUE(slices.ok());
    EXPECT_EQ(*slices, c.slices.empty() ? c.owned : c.slices) << c.input;
  }
  EXPECT_EQ(readOwned("a;\"b;c\",d;e\n", ';'), (Records{{"a", "b;c", "e"}}));
}

TEST(BulkCsvReader, FieldLimitAppliesToBothModes) {
  auto line = [](size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += (i ? "," : "") + std::to_string(i);
    return s + "\n";
  };
  auto ok = readSlices(line(kRecordFieldCapacity));
  ASSERT_TRUE(ok.ok());
  EXPECT_EQ((*ok)[0].size(), kRecordFieldCapacity);
  EXPECT_EQ(readSlices(line(kRecordFieldCapacity + 1)).error(), Error::TooManyColumns);
  TempFile file(line(kRecordFieldCapacity + 1));
  auto reader = BulkCsvReader::init(file.fd());
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(reader->readRecord().error(), Error::TooManyColumns);
}

// Records longer than the 2 MiB buffer, and records straddling refills, come
// back whole.
TEST(BulkCsvReader, RecordsLongerThanTheBufferAreReadWhole) {
  const size_t big = BulkCsvReader::kBufferSize * 2 + 12345;
  std::string quoted(big, 'q');
  for (size_t i = 1000; i < big; i += 4099) quoted[i] = '\n';
  const std::string plain(big, 'p');
  const std::string input = "h\n\"" + quoted + "\",x\n" + plain + "\nlast";
  const Records owned = readOwned(input);
  ASSERT_EQ(owned.size(), 4u);
  EXPECT_EQ(owned[1][0], quoted);
  EXPECT_EQ(owned[1][1], "x");
  EXPECT_EQ(owned[2][0], plain);
  EXPECT_EQ(owned[3][0], "last");
  auto slices = readSlices(input);
  ASSERT_TRUE(slices.ok());
  EXPECT_EQ(*slices, owned);
}

TEST(BulkCsvReader, RandomInputMatchesReferenceReaders) {
  std::mt19937_64 rng(31);
  for (int round = 0; round < 60; ++round) {
    // Small buffers of random text, and a few inputs larger than the buffer
    // so that records cross refills.
    const bool big = round == 0;
    const size_t size = big ? BulkCsvReader::kBufferSize + rng() % 100000 : rng() % 3000;
    const std::string text = big || round % 2 ? testing_support::randomCsv(rng, size)
                                              : testing_support::randomText(rng, size);
    const testing_support::ReferenceRead want = testing_support::referenceRead(text);
    auto got = readSlices(text);
    if (want.error == 0) {
      ASSERT_TRUE(got.ok()) << errorName(got.error());
      ASSERT_EQ(*got, want.records) << text;
    } else {
      ASSERT_EQ(got.error(), want.error == 1 ? Error::InvalidInput : Error::TooManyColumns);
    }
  }
}

TEST(BulkCsvReader, InitRejectsUnseekableInput) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  EXPECT_EQ(BulkCsvReader::init(fds[0]).error(), Error::Unseekable);
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST(BulkCsvReader, ReadErrorIsReportedByName) {
  const int fd = ::open("/tmp", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  auto reader = BulkCsvReader::init(fd);
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(reader->readRecordSlices().error(), Error::IsDir);
  ::close(fd);
}

TEST(BulkCsvReader, ParseLineStepsMatchTheReadModes) {
  TempFile file("");
  auto reader = BulkCsvReader::init(file.fd());
  ASSERT_TRUE(reader.ok());
  auto owned = reader->parseLine("\"a\"\"b\",c\"\"d,");
  ASSERT_TRUE(owned.ok());
  EXPECT_EQ(*owned, (Record{"a\"b", "c\"d", ""}));
  auto slices = reader->parseLineSlices("\"a\"\"b\",c\"\"d,");
  ASSERT_TRUE(slices.ok());
  EXPECT_EQ(Record(slices->begin(), slices->end()), (Record{"a\"b", "c\"d", ""}));
}

}  // namespace
}  // namespace narwe
