// CsvReader, the streaming reader: the dialect's cases, its differences from
// the buffered reader, buffer-boundary crossings and read errors.
#include <gtest/gtest.h>
#include <fcntl.h>

#include <random>
#include <string>
#include <vector>

#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/csv_test_support.h"

namespace narwe {
namespace {

using testing_support::TempFile;
using Records = std::vector<Record>;

Records readAll(std::string_view content, char delim = ',') {
  TempFile file(content);
  CsvReader reader(file.fd(), delim);
  Records out;
  for (;;) {
    auto next = reader.readRecord();
    EXPECT_TRUE(next.ok()) << errorName(next.error());
    if (!next.ok() || !next->has_value()) break;
    out.push_back(std::move(**next));
  }
  // Once at the end it stays there.
  auto again = reader.readRecord();
  EXPECT_TRUE(again.ok() && !again->has_value());
  return out;
}

TEST(CsvReader, DialectCases) {
  struct Case {
    std::string input;
    Records want;
  };
  const Case cases[] = {
      {"", {}},
      {"a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
      {"a,b\nc,d", {{"a", "b"}, {"c", "d"}}},              // no final LF
      {"\n", {{""}}},                                       // empty line
      {"a\n\nb\n", {{"a"}, {""}, {"b"}}},
      {"a,\n", {{"a", ""}}},                                // trailing delimiter
      {"a,\"b,c\",d\n", {{"a", "b,c", "d"}}},
      {"\"x\"\"y\"\n", {{"x\"y"}}},                         // quote pair
      {"\"multi\nline\",z\n", {{"multi\nline", "z"}}},
      {"\"ab\"cd,x\n", {{"ab", "x"}}},                      // bytes after closing quote dropped
      {"a\"\"b\n", {{"a\"b"}}},                             // any pair is one quote
      {"27\" screen,x\n", {{"27\" screen", "x"}}},
      {"a\r\nb\r\n", {{"a"}, {"b"}}},                       // CR LF
      {"a\r", {{"a"}}},                                     // a CR ending the input
      {"\"open\nto the end", {{"open\nto the end"}}},       // unterminated quote
      {"\"q\"", {{"q"}}},
      {"\xEF\xBB\xBFh1,h2\n", {{"h1", "h2"}}},              // byte-order mark skipped
      {"\xEF\xBB", {{"\xEF\xBB"}}},
      {"a;b,c\n", {{"a;b", "c"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(readAll(c.input), c.want) << c.input;
  EXPECT_EQ(readAll("a;b,c\n", ';'), (Records{{"a", "b,c"}}));
}

TEST(CsvReader, ManyFieldsAndRecordsAcrossBufferRefills) {
  std::string line;
  for (int i = 0; i < 256; ++i) line += (i ? "," : "") + std::to_string(i);
  const Records one = readAll(line + "\n");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].size(), 256u);
  EXPECT_EQ(one[0].back(), "255");

  // Quoted fields and quote pairs straddling the 256 KiB refills.
  std::string big;
  Records want;
  for (int i = 0; big.size() < 3 * CsvReader::kBufferSize; ++i) {
    const std::string text(static_cast<size_t>(i % 300), 'x');
    big += std::to_string(i) + ",\"" + text + "\"\"\n,\"\"\"" + "\r\n";
    want.push_back({std::to_string(i), text + "\"\n,\""});
  }
  EXPECT_EQ(readAll(big), want);
}

// For well-formed input (quotes only around whole fields, no lone CR) the
// streaming and the buffered readers must agree record for record.
TEST(CsvReader, AgreesWithBufferedReaderOnWellFormedInput) {
  std::mt19937_64 rng(21);
  for (int round = 0; round < 30; ++round) {
    std::string text;
    const int records = static_cast<int>(rng() % 400);
    for (int r = 0; r < records; ++r) {
      const int fields = 1 + static_cast<int>(rng() % 6);
      for (int f = 0; f < fields; ++f) {
        if (f) text.push_back(',');
        if (rng() % 3 == 0) {
          text += "\"" + testing_support::randomText(rng, rng() % 20, "ab,\n\r") + "\"\"x\"";
        } else {
          text += testing_support::randomText(rng, rng() % 10, "abc 12");
        }
      }
      text += rng() % 4 ? "\n" : "\r\n";
    }
    TempFile file(text);
    auto bulk = BulkCsvReader::init(file.fd());
    ASSERT_TRUE(bulk.ok());
    Records buffered;
    for (;;) {
      auto next = bulk->readRecord();
      ASSERT_TRUE(next.ok());
      if (!next->has_value()) break;
      buffered.push_back(std::move(**next));
    }
    ASSERT_EQ(readAll(text), buffered) << text;
  }
}

TEST(CsvReader, ReadErrorIsReportedByName) {
  const int fd = ::open("/tmp", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  CsvReader reader(fd, ',');
  auto first = reader.readRecord();
  EXPECT_EQ(first.error(), Error::IsDir);
  EXPECT_EQ(reader.readRecord().error(), Error::IsDir);  // sticky
  ::close(fd);
}

}  // namespace
}  // namespace narwe
