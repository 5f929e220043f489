// The sequential executor called directly, for the run options the runner
// never sets (strict numbers, header-less input, no output header) and for
// failures that arrive after output has already been streamed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "exec/executors.h"
#include "narwe.h"
#include "sql/parser.h"

namespace narwe {
namespace {

// A temporary file holding `content`, open for reading.
class InputOf {
 public:
  explicit InputOf(const std::string& content) : file_(std::tmpfile()) {
    std::fwrite(content.data(), 1, content.size(), file_);
    std::fflush(file_);
    std::rewind(file_);
    input_.fd = fileno(file_);
    input_.size = content.size();
    input_.path = "input.csv";
  }
  ~InputOf() { std::fclose(file_); }
  const InputFile& input() const { return input_; }

 private:
  std::FILE* file_;
  InputFile input_;
};

struct ScanRun {
  Status status;
  std::string output;
};

ScanRun runSequential(const std::string& sql, const std::string& csv, const RunOptions& options) {
  Result<Query> query = parse(sql);
  EXPECT_TRUE(query.ok()) << sql;
  InputOf in(csv);
  std::FILE* out = std::tmpfile();
  FdSink sink(fileno(out));
  Status status = executeSequential(*query, in.input(), sink, options);
  std::string output;
  std::rewind(out);
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, out)) > 0;) output.append(buf, n);
  std::fclose(out);
  return {status, output};
}

TEST(SequentialOptions, StrictFlagFailsOnNonNumericFields) {
  const std::string csv = "id,price\n1,5\n2,abc\n3,9\n";
  RunOptions strict;
  strict.strict = true;
  ScanRun failed = runSequential("SELECT id FROM f WHERE price > 4", csv, strict);
  EXPECT_EQ(failed.status.error(), Error::StrictModeNonNumericValue);
  // Text comparisons never read numbers, so the flag does not apply there.
  ScanRun text = runSequential("SELECT id FROM f WHERE price = 'abc'", csv, strict);
  EXPECT_TRUE(text.status.ok());
  EXPECT_EQ(text.output, "id\n2\n");
  // Without the flag the row is simply dropped.
  ScanRun lenient = runSequential("SELECT id FROM f WHERE price > 4", csv, RunOptions{});
  EXPECT_TRUE(lenient.status.ok());
  EXPECT_EQ(lenient.output, "id\n1\n3\n");
}

TEST(SequentialOptions, HeaderlessInputAndOmittedHeader) {
  RunOptions options;
  options.no_header_input = true;
  ScanRun headerless = runSequential("SELECT c2, c1 FROM f WHERE c1 > 1", "1,a\n2,b\n3,c\n", options);
  EXPECT_TRUE(headerless.status.ok());
  EXPECT_EQ(headerless.output, "c2,c1\nb,2\nc,3\n");
  options.omit_header = true;
  ScanRun bare = runSequential("SELECT c2 FROM f ORDER BY c1 DESC", "1,a\n2,b\n3,c\n", options);
  EXPECT_EQ(bare.output, "c\nb\na\n");
}

TEST(SequentialOptions, JsonLinesLayout) {
  RunOptions options;
  options.format = OutputFormat::JsonLines;
  ScanRun run = runSequential("SELECT a, b FROM f", "a,b\n1,x\n2,y\n", options);
  EXPECT_EQ(run.output, "{\"a\":1,\"b\":\"x\"}\n{\"a\":2,\"b\":\"y\"}\n");
}

TEST(SequentialFailures, ErrorAfterStreamedOutputIsNotSuccess) {
  // Enough rows to pass several periodic flushes, then a record with more
  // fields than a row scan accepts.
  std::string csv = "a,b\n";
  for (int i = 0; i < 100000; ++i) csv += std::to_string(i) + ",x\n";
  csv += std::string(300, ',') + "\n";
  char path[] = "/tmp/narwe_streamed_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, csv.data(), csv.size()), static_cast<ssize_t>(csv.size()));
  close(fd);
  std::string sql = std::string("SELECT a FROM '") + path + "'";
  char* out = nullptr;
  int rc = narwe_query_csv(sql.c_str(), &out);
  EXPECT_EQ(rc, 1);
  EXPECT_STREQ(out, "error: TooManyColumns");
  narwe_free(out);
  unlink(path);
}

TEST(SequentialFailures, MalformedCsvNeverCrashes) {
  using namespace std::string_literals;
  const std::string inputs[] = {
      "a,b\n\"unterminated,1\n2,3\n"s,
      "a\n\"x\"y\"z\n"s,
      "\"\n\"\n\""s,
      "a,b\n\0\0\0,\0\n"s,
      "\xEF\xBB\xBF" "a\n1\n"s,
      "a\r\r\r\n\r"s,
  };
  for (const std::string& csv : inputs) {
    ScanRun run = runSequential("SELECT * FROM f", csv, RunOptions{});
    ScanRun ordered = runSequential("SELECT * FROM f ORDER BY 1 DESC", csv, RunOptions{});
    EXPECT_EQ(run.status.ok(), ordered.status.ok()) << csv;
  }
  ScanRun bom = runSequential("SELECT a FROM f", "\xEF\xBB\xBF" "a\n1\n", RunOptions{});
  EXPECT_EQ(bom.output, "a\n1\n");
}

}  // namespace
}  // namespace narwe
