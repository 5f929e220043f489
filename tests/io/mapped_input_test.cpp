// FileMap and resolveMmapHeader: mapping lifetimes and the header row of a
// mapped file.
#include <gtest/gtest.h>

#include <string>

#include "io/csv.h"
#include "io/csv_test_support.h"
#include "io/file_map.h"

namespace narwe {
namespace {

using testing_support::TempFile;

TEST(FileMap, MapsWholeFileAndUnmapsOnceAcrossMoves) {
  const std::string content = "h1,h2\n1,2\n";
  TempFile file(content);
  auto mapped = FileMap::map(file.fd(), content.size());
  ASSERT_TRUE(mapped.ok());
  EXPECT_EQ(mapped->bytes(), content);
  FileMap moved = std::move(*mapped);
  EXPECT_TRUE(mapped->bytes().empty());
  EXPECT_EQ(moved.bytes(), content);
  FileMap assigned;
  assigned = std::move(moved);
  EXPECT_EQ(assigned.bytes(), content);
  assigned.unmap();
  assigned.unmap();  // second call does nothing
  EXPECT_TRUE(assigned.bytes().empty());
}

TEST(FileMap, EmptyFileGivesEmptyMapAndBadDescriptorsFail) {
  TempFile file("");
  auto empty = FileMap::map(file.fd(), 0);
  ASSERT_TRUE(empty.ok());
  EXPECT_TRUE(empty->bytes().empty());
  EXPECT_FALSE(FileMap::map(-1, 10).ok());
  EXPECT_EQ(mapError(EACCES), Error::AccessDenied);
  EXPECT_EQ(mapError(EAGAIN), Error::LockedMemoryLimitExceeded);
  EXPECT_EQ(mapError(ENODEV), Error::MemoryMappingNotSupported);
  EXPECT_EQ(mapError(EINVAL), Error::Unexpected);
}

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
      {"\"x,y\",\"p\"\"q\", z \n", {"x,y", "p\"\"q", " z "}, 17},  // pairs stay doubled
      {"\n", {""}, 1},
      {"\"a\nb\",c\n", {"a"}, 3},  // the first LF ends the header, quoted or not
  };
  InputOptions options;
  for (const Case& c : cases) {
    auto header = resolveMmapHeader(c.input, options);
    ASSERT_TRUE(header.ok()) << c.input;
    EXPECT_EQ(namesOf(*header), c.names) << c.input;
    EXPECT_EQ(header->data_start, c.data_start) << c.input;
    EXPECT_FALSE(header->owns_names);
  }
}

TEST(MmapHeader, MissingHeaderAndTooManyColumns) {
  InputOptions options;
  EXPECT_EQ(resolveMmapHeader("", options).error(), Error::NoHeader);
  EXPECT_EQ(resolveMmapHeader("a,b,c", options).error(), Error::NoHeader);
  EXPECT_EQ(resolveMmapHeader("\xEF\xBB\xBF", options).error(), Error::NoHeader);
  std::string wide;
  for (size_t i = 0; i < 4096; ++i) wide += (i ? "," : "") + std::to_string(i);
  auto ok = resolveMmapHeader(wide + "\n", options);
  ASSERT_TRUE(ok.ok());
  EXPECT_EQ(ok->names.size(), 4096u);
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

}  // namespace
}  // namespace narwe
