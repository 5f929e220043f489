// resolveMmapHeader and readFileHeader: the header row of a file's bytes in
// memory and of an input file read with positioned reads.
#include <gtest/gtest.h>

#include <string>

#include "io/csv.h"
#include "io/csv_test_support.h"
#include "io/file_source.h"
#include "io/record_limit.h"

namespace narwe {
namespace {

using testing_support::TempFile;

std::vector<std::string> namesOf(const MmapHeader& h) {
  return std::vector<std::string>(h.names.begin(), h.names.end());
}

TEST(MmapHeader, HeaderRowCases) {
  struct Case {
    std::string input;
    std::vector<std::string> names;
    uint64_t data_start;
  };
  const Case cases[] = {
      {"a,b\n1,2\n", {"a", "b"}, 4},
      {"a,b\r\n1,2\n", {"a", "b"}, 5},                         // CR LF
      {"\xEF\xBB\xBF" "a,b\n1\n", {"a", "b"}, 7},              // byte-order mark skipped
      {"\"x,y\",\"p\"\"q\", z \n", {"x,y", "p\"q", " z "}, 17},  // pairs unescaped
      {"\n", {""}, 1},
      {"\"a\nb\",c\n", {"a\nb", "c"}, 8},  // a quoted LF is part of the name
      {"\"x\"y,a\"\"b\n", {"x", "a\"b"}, 10},
      {"a,b", {"a", "b"}, 3},  // a header without LF ends with the input
  };
  InputOptions options;
  for (const Case& c : cases) {
    auto header = resolveMmapHeader(c.input, options);
    ASSERT_TRUE(header.ok()) << c.input;
    EXPECT_EQ(namesOf(*header), c.names) << c.input;
    EXPECT_EQ(header->data_start, c.data_start) << c.input;
    EXPECT_TRUE(header->owns_names);
  }
}

TEST(MmapHeader, MissingHeaderAndTooManyColumns) {
  InputOptions options;
  EXPECT_EQ(resolveMmapHeader("", options).error(), Error::NoHeader);
  EXPECT_EQ(resolveMmapHeader("\xEF\xBB\xBF", options).error(), Error::NoHeader);
  EXPECT_EQ(resolveMmapHeader("a,b\rc\n", options).error(), Error::InvalidInput);
  std::string wide;
  for (size_t i = 0; i < 256; ++i) wide += (i ? "," : "") + std::to_string(i);
  auto ok = resolveMmapHeader(wide + "\n", options);
  ASSERT_TRUE(ok.ok());
  EXPECT_EQ(ok->names.size(), 256u);
  EXPECT_EQ(resolveMmapHeader(wide + ",x\n", options).error(), Error::TooManyColumns);
}

TEST(MmapHeader, HeaderlessInputGetsGeneratedNamesThatSurviveMoves) {
  InputOptions options;
  options.no_header_input = true;
  std::string row;
  for (int i = 0; i < 12; ++i) row += (i ? ";" : "") + std::string("v");
  options.delimiter = ';';
  auto header = resolveMmapHeader(row + "\nmore\n", options);
  ASSERT_TRUE(header.ok());
  MmapHeader moved = std::move(*header);
  EXPECT_TRUE(moved.owns_names);
  EXPECT_EQ(moved.data_start, 0u);
  ASSERT_EQ(moved.names.size(), 12u);
  EXPECT_EQ(moved.names[0], "c1");
  EXPECT_EQ(moved.names[11], "c12");
}

// The header read from a file agrees with the in-memory resolution, also
// when the row spans several reads; its own failure is FileTooBig past the
// record limit.
TEST(FileHeader, ReadFromFileAcrossReads) {
  InputOptions options;
  const std::string long_name(200000, 'n');
  struct Case {
    std::string content;
    std::vector<std::string> names;
    uint64_t data_start;
  } cases[] = {
      {"a,b\n1,2\n", {"a", "b"}, 4},
      {"\xEF\xBB\xBF" "a,\"b\r\nc\"\r\nx\n", {"a", "b\r\nc"}, 13},  // quoted line break
      {long_name + ",z\n", {long_name, "z"}, long_name.size() + 3},
  };
  for (const Case& c : cases) {
    TempFile file(c.content);
    auto header = readFileHeader(file.fd(), c.content.size(), options);
    ASSERT_TRUE(header.ok()) << errorName(header.error());
    EXPECT_EQ(header->names.size(), c.names.size());
    EXPECT_EQ(header->names.front(), c.names.front());
    EXPECT_EQ(header->data_start, c.data_start);
  }
  TempFile no_lf("a,b");
  auto whole = readFileHeader(no_lf.fd(), 3, options);
  ASSERT_TRUE(whole.ok());
  EXPECT_EQ(whole->data_start, 3u);
  TempFile empty("");
  EXPECT_EQ(readFileHeader(empty.fd(), 0, options).error(), Error::NoHeader);
  TempFile wide(long_name + "\n");
  setMaxRecordBytes(1000);
  EXPECT_EQ(readFileHeader(wide.fd(), long_name.size() + 1, options).error(), Error::FileTooBig);
  setMaxRecordBytes(0);
}

// A source reads its range and no further; a file shorter than its size at
// open is EndOfStream; a pipe is Unseekable; a device without a size reads
// until its data ends.
TEST(FileSource, RangeSizeAtOpenAndShrinking) {
  TempFile file("0123456789");
  char buf[16];
  FileSource range(file.fd(), 2, 6, 10);
  std::string got;
  for (;;) {
    auto n = range.read(buf, 3);
    ASSERT_TRUE(n.ok());
    if (*n == 0) break;
    got.append(buf, *n);
  }
  EXPECT_EQ(got, "2345");
  range.extendToFileEnd();
  auto rest = range.read(buf, sizeof buf);
  ASSERT_TRUE(rest.ok());
  EXPECT_EQ(std::string(buf, *rest), "6789");

  FileSource grown = FileSource::wholeFile(file.fd(), 4);  // appended bytes are ignored
  auto first = grown.read(buf, sizeof buf);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(*first, 4u);
  EXPECT_EQ(grown.read(buf, sizeof buf).value(), 0u);

  FileSource shrunk = FileSource::wholeFile(file.fd(), 12);  // two bytes went missing
  EXPECT_EQ(shrunk.read(buf, sizeof buf).value(), 10u);
  EXPECT_EQ(shrunk.read(buf, sizeof buf).error(), Error::EndOfStream);

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  EXPECT_EQ(sizeAtOpen(fds[0]).value(), kUnknownFileSize);
  EXPECT_EQ(FileSource::wholeFile(fds[0], kUnknownFileSize).read(buf, 1).error(),
            Error::Unseekable);
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_EQ(sizeAtOpen(file.fd()).value(), 10u);
}

}  // namespace
}  // namespace narwe
