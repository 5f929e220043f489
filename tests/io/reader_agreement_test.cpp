// Every reader of CSV bytes reads them the same way: random inputs (quotes,
// quote pairs, stray quotes, CR, CR LF, LF, byte-order marks, empty lines,
// long fields, 256 and 257 fields, chaos) go through the file reader (header
// owned, then slices, as a file scan reads), the file reader owning every
// record, the streaming reader over a pipe fed in random pieces, and both
// header readers; all must give the same records or stop at the same record
// with the same error, and agree with the straightforward reference reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/csv_test_support.h"
#include "io/file_source.h"

namespace narwe {
namespace {

using testing_support::TempFile;
using Records = std::vector<Record>;

// The records read before the end or the first error, and that error.
struct Outcome {
  Records records;
  Error error = Error::None;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  os << o.records.size() << " records, " << errorName(o.error);
  return os;
}

std::string randomField(std::mt19937_64& rng) {
  using testing_support::randomText;
  switch (rng() % 10) {
    case 0:
      return "";
    case 1:
    case 2:
      return "\"" + randomText(rng, rng() % 12, "ab,\n\r \"") + "\"";  // may hold pairs
    case 3:
      return "\"" + randomText(rng, rng() % 6, "ab") + "\"" +
             randomText(rng, rng() % 3, rng() % 4 ? "x\"" : "x\"\r");  // dropped tail
    case 4:
      return randomText(rng, 1 + rng() % 6, "ab\" ");  // stray quotes and pairs
    case 5:
      return std::string(rng() % 200 == 0 ? 300000 + rng() % 1000 : 60 + rng() % 200, 'L');
    case 6:
      return randomText(rng, rng() % 4, rng() % 4 ? "a\t" : "a\r");
    default:
      return randomText(rng, rng() % 8, "abc 123");
  }
}

std::string randomInput(std::mt19937_64& rng) {
  std::string out;
  if (rng() % 4 == 0) out += "\xEF\xBB\xBF";
  if (rng() % 8 == 0) return out + testing_support::randomText(rng, rng() % 300, "a,\"\n\r");
  const size_t records = rng() % 7;
  for (size_t r = 0; r < records; ++r) {
    const size_t fields = rng() % 8 == 0 ? 255 + rng() % 3 : 1 + rng() % 5;
    for (size_t f = 0; f < fields; ++f) {
      if (f > 0) out.push_back(',');
      out += fields > 6 ? std::string(rng() % 2, 'v') : randomField(rng);
    }
    static const char* const kEndings[] = {"\n", "\n", "\n", "\n",   "\n",  "\n",   "\n", "\r\n",
                                           "\r\n", "\r\n", "\r\n", "\n\n", "\n\n", "\r\n\n", "\r", ""};
    const char* ending = kEndings[rng() % 16];
    if (*ending == '\0' && r + 1 < records) ending = "\n";
    out += ending;
  }
  return out;
}

// A file scan: the header owned, then the data as slices.
Outcome readAsFileScan(int fd) {
  Outcome o;
  auto reader = BulkCsvReader::init(fd);
  if (!reader.ok()) return {{}, reader.error()};
  auto first = reader->readRecord();
  if (!first.ok()) return {{}, first.error()};
  if (!first->has_value()) return o;
  o.records.push_back(std::move(**first));
  for (;;) {
    auto next = reader->readRecordSlices();
    if (!next.ok()) {
      o.error = next.error();
      return o;
    }
    if (!next->has_value()) return o;
    o.records.emplace_back((*next)->begin(), (*next)->end());
  }
}

Outcome readOwnedFrom(BulkCsvReader& reader) {
  Outcome o;
  for (;;) {
    auto next = reader.readRecord();
    if (!next.ok()) {
      o.error = next.error();
      return o;
    }
    if (!next->has_value()) return o;
    o.records.push_back(std::move(**next));
  }
}

// The streaming reader over a pipe that a writer fills in random pieces.
Outcome readStreamed(const std::string& text, uint64_t seed) {
  int fds[2];
  if (::pipe(fds) != 0) return {{}, Error::Unexpected};
  std::thread writer([&text, fd = fds[1], seed] {
    std::mt19937_64 rng(seed);
    size_t done = 0;
    while (done < text.size()) {
      const size_t piece = std::min<size_t>(text.size() - done, 1 + rng() % 5000);
      const ssize_t n = ::write(fd, text.data() + done, piece);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fd);
  });
  Outcome o;
  CsvReader reader(fds[0], ',');
  for (;;) {
    auto next = reader.readRecord();
    if (!next.ok()) {
      o.error = next.error();
      break;
    }
    if (!next->has_value()) break;
    o.records.push_back(std::move(**next));
  }
  char sink[4096];
  while (::read(fds[0], sink, sizeof(sink)) > 0) {
  }
  writer.join();
  ::close(fds[0]);
  return o;
}

Outcome fromReference(const testing_support::ReferenceRead& ref) {
  const Error errors[] = {Error::None, Error::InvalidInput, Error::TooManyColumns};
  return {ref.records, errors[ref.error]};
}

TEST(ReaderAgreement, EveryReaderReadsRandomInputAlike) {
  std::mt19937_64 rng(77);
  const int rounds = testing_support::kSanitized ? 400 : 1500;
  const InputOptions options;
  for (int round = 0; round < rounds; ++round) {
    const std::string text = randomInput(rng);
    const Outcome want = fromReference(testing_support::referenceRead(text));
    TempFile file(text);
    const Outcome scanned = readAsFileScan(file.fd());
    ASSERT_EQ(scanned, want) << "file scan, round " << round;

    auto owned_reader = BulkCsvReader::init(file.fd());
    ASSERT_TRUE(owned_reader.ok());
    ASSERT_EQ(readOwnedFrom(*owned_reader), want) << "owned, round " << round;
    ASSERT_EQ(readStreamed(text, rng()), want) << "stream, round " << round;

    // Both header readers give the first record, or its error, and say
    // where the next one starts.
    auto in_memory = resolveMmapHeader(text, options);
    auto from_file = readFileHeader(file.fd(), text.size(), options);
    if (want.records.empty()) {
      const Error no_first = want.error == Error::None ? Error::NoHeader : want.error;
      ASSERT_EQ(in_memory.error(), no_first) << "round " << round;
      ASSERT_EQ(from_file.error(), no_first) << "round " << round;
      continue;
    }
    ASSERT_TRUE(in_memory.ok()) << errorName(in_memory.error()) << " round " << round;
    ASSERT_TRUE(from_file.ok()) << errorName(from_file.error()) << " round " << round;
    ASSERT_EQ(Record(in_memory->names.begin(), in_memory->names.end()), want.records[0]);
    ASSERT_EQ(from_file->names, want.records[0]);
    ASSERT_EQ(from_file->data_start, in_memory->data_start);
    auto rest = BulkCsvReader::over(
        FileSource(file.fd(), from_file->data_start, text.size(), text.size()));
    ASSERT_TRUE(rest.ok());
    const Outcome after = readOwnedFrom(*rest);
    ASSERT_EQ(after.error, want.error) << "round " << round;
    ASSERT_EQ(after.records, Records(want.records.begin() + 1, want.records.end()));
  }
}

// A long input whose lines end in CR alone is refused by every reader once
// one record outgrows the reader's buffer, not read whole first.
TEST(ReaderAgreement, CrOnlyInputIsRefusedEverywhere) {
  std::string text;
  while (text.size() < 3 * BulkCsvReader::kBufferSize) text += "a,b,c\r1,2,3\r";
  TempFile file(text);
  EXPECT_EQ(readAsFileScan(file.fd()).error, Error::InvalidInput);
  EXPECT_EQ(readStreamed(text, 1).error, Error::InvalidInput);
  EXPECT_EQ(resolveMmapHeader(text, InputOptions{}).error(), Error::InvalidInput);
  EXPECT_EQ(readFileHeader(file.fd(), text.size(), InputOptions{}).error(), Error::InvalidInput);
}

}  // namespace
}  // namespace narwe
