// The CSV and JSON result writers: exact bytes, buffering and write errors.
#include "io/record_writer.h"

#include "io/json.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace narwe {
namespace {

using Fields = std::vector<std::string_view>;

// A temporary file the writer writes to; read back with contents().
class TempOut {
 public:
  TempOut() : file_(std::tmpfile()) {}
  ~TempOut() {
    if (file_ != nullptr) std::fclose(file_);
  }
  int fd() const { return fileno(file_); }
  std::string contents() const {
    std::string out;
    char buf[65536];
    off_t offset = 0;
    for (;;) {
      ssize_t n = ::pread(fd(), buf, sizeof buf, offset);
      if (n <= 0) break;
      out.append(buf, static_cast<size_t>(n));
      offset += n;
    }
    return out;
  }
  size_t size() const {
    struct stat st {};
    return ::fstat(fd(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
  }

 private:
  FILE* file_;
};

// A writer on a descriptor, with the sink it writes through.
struct FdWriter {
  FdWriter(int fd, OutputFormat format, char delimiter = ',')
      : sink(fd), writer(RecordWriter::init(sink, format, delimiter)) {}
  FdSink sink;
  Result<RecordWriter> writer;
};

// Writes header and rows through a writer of `format`, finishes, flushes.
std::string render(OutputFormat format, const Fields& header, const std::vector<Fields>& rows,
                   bool skip_header = false) {
  TempOut out;
  FdWriter fd_writer(out.fd(), format);
  auto& writer = fd_writer.writer;
  EXPECT_TRUE(writer.ok());
  EXPECT_TRUE(writer->writeHeader(header, skip_header).ok());
  for (const Fields& row : rows) EXPECT_TRUE(writer->writeRecord(row).ok());
  EXPECT_TRUE(writer->finish().ok());
  EXPECT_TRUE(writer->flush().ok());
  return out.contents();
}

TEST(CsvWriter, QuotingRules) {
  struct Case {
    std::string_view field;
    std::string_view written;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"   ", "   "},                  // spaces alone are not quoted
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"line\nbreak", "\"line\nbreak\""},
      {"cr\rhere", "\"cr\rhere\""},
      {"tab\there", "tab\there"},
      {"semi;colon", "semi;colon"},
      {"a long field without anything special in it", "a long field without anything special in it"},
      {"a long field with a comma, near the end", "\"a long field with a comma, near the end\""},
      // Specials inside the first eight-byte words of longer fields.
      {"carriage\rreturn inside", "\"carriage\rreturn inside\""},
      {"linefeed\ninside", "\"linefeed\ninside\""},
      {"quote \" in word", "\"quote \"\" in word\""},
      {"comma, in word", "\"comma, in word\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(render(OutputFormat::Csv, {"h"}, {{c.field}}, true), std::string(c.written) + "\n")
        << c.field;
  }
}

TEST(CsvWriter, HeaderRowsDelimiterAndEmptyResults) {
  EXPECT_EQ(render(OutputFormat::Csv, {"name", "age"}, {}), "name,age\n");
  EXPECT_EQ(render(OutputFormat::Csv, {"name", "age"}, {{"ann", "31"}, {"bob", ""}}),
            "name,age\nann,31\nbob,\n");
  // The skip flag drops only the header line.
  EXPECT_EQ(render(OutputFormat::Csv, {"name", "age"}, {{"ann", "31"}}, true), "ann,31\n");
  EXPECT_EQ(render(OutputFormat::Csv, {"name"}, {}, true), "");
  // A record with no fields is a bare line feed; fields are written as given.
  EXPECT_EQ(render(OutputFormat::Csv, {"a", "b"}, {{}, {"1", "2", "3"}}), "a,b\n\n1,2,3\n");

  // The delimiter comes from the caller; a value holding it is quoted, and
  // so is one holding a comma.
  TempOut out;
  FdWriter fd_writer(out.fd(), OutputFormat::Csv, ';');
  auto& writer = fd_writer.writer;
  ASSERT_TRUE(writer.ok());
  ASSERT_TRUE(writer->writeHeader(Fields{"x", "y"}, false).ok());
  ASSERT_TRUE(writer->writeRecord(Fields{"a;b", "c,d"}).ok());
  ASSERT_TRUE(writer->writeRawLine("raw;line").ok());
  ASSERT_TRUE(writer->finish().ok());
  ASSERT_TRUE(writer->flush().ok());
  EXPECT_EQ(out.contents(), "x;y\n\"a;b\";\"c,d\"\nraw;line\n");
}

TEST(JsonWriter, ArrayLayout) {
  EXPECT_EQ(render(OutputFormat::JsonArray, {"a"}, {}), "[]\n");
  EXPECT_EQ(render(OutputFormat::JsonArray, {"a", "b"}, {{"1", "x"}}),
            "[\n{\"a\":1,\"b\":\"x\"}\n]\n");
  EXPECT_EQ(render(OutputFormat::JsonArray, {"n", "s"},
                   {{"1.0", "01"}, {"-", ""}, {"-2e3", "a\"b"}}),
            "[\n{\"n\":1.0,\"s\":\"01\"},\n{\"n\":\"-\",\"s\":\"\"},\n"
            "{\"n\":-2e3,\"s\":\"a\\\"b\"}\n]\n");
  // Missing values become empty strings, surplus values are dropped.
  EXPECT_EQ(render(OutputFormat::JsonArray, {"a", "b", "c"}, {{"1"}, {"1", "2", "3", "4"}}),
            "[\n{\"a\":1,\"b\":\"\",\"c\":\"\"},\n{\"a\":1,\"b\":2,\"c\":3}\n]\n");
  // Keys are escaped; control bytes in values too; 0x7F is raw.
  EXPECT_EQ(render(OutputFormat::JsonArray, {"k\"ey"}, {{"\x01\t\x7f"}}),
            "[\n{\"k\\\"ey\":\"\\u0001\\t\x7f\"}\n]\n");
  // The omit-header flag does not affect JSON.
  EXPECT_EQ(render(OutputFormat::JsonArray, {"a"}, {{"z"}}, true), "[\n{\"a\":\"z\"}\n]\n");
}

TEST(JsonWriter, LinesLayoutAndRawLines) {
  EXPECT_EQ(render(OutputFormat::JsonLines, {"a"}, {}), "");
  EXPECT_EQ(render(OutputFormat::JsonLines, {"a"}, {{"1"}}), "{\"a\":1}\n");
  EXPECT_EQ(render(OutputFormat::JsonLines, {"a", "b"}, {{"1", "x"}, {"y", "2"}, {"3", "4"}}),
            "{\"a\":1,\"b\":\"x\"}\n{\"a\":\"y\",\"b\":2}\n{\"a\":3,\"b\":4}\n");

  for (OutputFormat format : {OutputFormat::JsonArray, OutputFormat::JsonLines}) {
    TempOut out;
    FdWriter fd_writer(out.fd(), format);
  auto& writer = fd_writer.writer;
    ASSERT_TRUE(writer.ok());
    ASSERT_TRUE(writer->writeHeader(Fields{"a"}, false).ok());
    ASSERT_TRUE(writer->writeRawLine("{\"a\":\"1\"}").ok());
    ASSERT_TRUE(writer->writeRecord(Fields{"2"}).ok());
    ASSERT_TRUE(writer->writeRawLine("{\"a\":\"3\"}").ok());
    ASSERT_TRUE(writer->finish().ok());
    ASSERT_TRUE(writer->flush().ok());
    if (format == OutputFormat::JsonArray) {
      EXPECT_EQ(out.contents(), "[\n{\"a\":\"1\"},\n{\"a\":2},\n{\"a\":\"3\"}\n]\n");
    } else {
      EXPECT_EQ(out.contents(), "{\"a\":\"1\"}\n{\"a\":2}\n{\"a\":\"3\"}\n");
    }
  }

  // A second writeHeader replaces the keys.
  TempOut out;
  FdWriter fd_writer(out.fd(), OutputFormat::JsonArray);
  auto& writer = fd_writer.writer;
  ASSERT_TRUE(writer.ok());
  ASSERT_TRUE(writer->writeHeader(Fields{"old"}, false).ok());
  std::vector<std::string> names = {"new", "other"};
  ASSERT_TRUE(writer->writeHeader(std::span<const std::string>(names), false).ok());
  std::vector<std::string> row = {"v", "5"};
  ASSERT_TRUE(writer->writeRecord(std::span<const std::string>(row)).ok());
  ASSERT_TRUE(writer->finish().ok());
  ASSERT_TRUE(writer->flush().ok());
  EXPECT_EQ(out.contents(), "[\n{\"new\":\"v\",\"other\":5}\n]\n");
}

// Rows of about 100 bytes with a running number, so order and completeness
// can be checked on the far side.
std::vector<std::string> numberedRows(size_t count) {
  std::vector<std::string> rows;
  rows.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    rows.push_back("row" + std::to_string(i) + std::string(90, static_cast<char>('a' + i % 26)));
  }
  return rows;
}

TEST(WriterBuffering, LargeOutputArrivesCompleteInOrder) {
  const std::vector<std::string> rows = numberedRows(40000);  // ~4 MiB
  std::string expected = "col\n";
  for (const std::string& r : rows) expected += r + "\n";

  TempOut out;
  FdWriter fd_writer(out.fd(), OutputFormat::Csv);
  auto& writer = fd_writer.writer;
  ASSERT_TRUE(writer.ok());
  ASSERT_TRUE(writer->writeHeader(Fields{"col"}, false).ok());
  size_t written = 4;
  for (const std::string& r : rows) {
    ASSERT_TRUE(writer->writeRecord(Fields{r}).ok());
    written += r.size() + 1;
    // Only whole buffers reach the file before flush.
    size_t on_disk = out.size();
    ASSERT_EQ(on_disk % kWriterBufferSize, 0u);
    ASSERT_EQ(on_disk + writer->bufferedLength(), written);
    if (written > 3 * kWriterBufferSize + 1000) break;
  }
  // Large raw lines spanning several buffers.
  std::string huge(2 * kWriterBufferSize + 12345, 'h');
  ASSERT_TRUE(writer->writeRawLine(huge).ok());
  ASSERT_TRUE(writer->finish().ok());
  ASSERT_TRUE(writer->flush().ok());
  EXPECT_EQ(writer->bufferedLength(), 0u);
  std::string got = out.contents();
  std::string want = expected.substr(0, written) + huge + "\n";
  ASSERT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
}

TEST(WriterBuffering, JsonThroughAPipeReadConcurrently) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::string received;
  std::thread reader([&] {
    char buf[4096];  // small reads: the writer must cope with a slow reader
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) received.append(buf, static_cast<size_t>(n));
  });
  const std::vector<std::string> rows = numberedRows(30000);
  std::string expected = "[\n";
  {
    FdWriter fd_writer(fds[1], OutputFormat::JsonArray);
  auto& writer = fd_writer.writer;
    ASSERT_TRUE(writer.ok());
    ASSERT_TRUE(writer->writeHeader(Fields{"v", "n"}, false).ok());
    for (size_t i = 0; i < rows.size(); ++i) {
      std::string n = std::to_string(i);
      ASSERT_TRUE(writer->writeRecord(Fields{rows[i], n}).ok());
      if (i > 0) expected += ",\n";
      expected += "{\"v\":\"" + rows[i] + "\",\"n\":" + n + "}";
    }
    expected += "\n]\n";
    ASSERT_TRUE(writer->finish().ok());
    ASSERT_TRUE(writer->flush().ok());
  }
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);
  ASSERT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected);
}

TEST(WriterErrors, FailedWritesAreReportedNeverSuccess) {
  // A full device.
  int full = ::open("/dev/full", O_WRONLY);
  if (full >= 0) {
    FdWriter fd_writer(full, OutputFormat::Csv);
  auto& writer = fd_writer.writer;
    ASSERT_TRUE(writer.ok());
    ASSERT_TRUE(writer->writeHeader(Fields{"a"}, false).ok());  // still buffered
    Status st = writer->flush();
    EXPECT_EQ(st.error(), Error::NoSpaceLeft);
    EXPECT_GT(writer->bufferedLength(), 0u);  // nothing is dropped on failure
    // A record that overflows the buffer fails on the way in, too.
    std::string big(kWriterBufferSize, 'x');
    EXPECT_EQ(writer->writeRawLine(big).error(), Error::NoSpaceLeft);
    ::close(full);
  }

  // A pipe whose reader has gone away, with SIGPIPE ignored.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previous), 0);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  {
    FdWriter fd_writer(fds[1], OutputFormat::JsonArray);
  auto& writer = fd_writer.writer;
    ASSERT_TRUE(writer.ok());
    ASSERT_TRUE(writer->writeHeader(Fields{"a"}, false).ok());
    ASSERT_TRUE(writer->writeRecord(Fields{"1"}).ok());
    ASSERT_TRUE(writer->finish().ok());
    EXPECT_EQ(writer->flush().error(), Error::BrokenPipe);
  }
  ::close(fds[1]);
  ::sigaction(SIGPIPE, &previous, nullptr);
}

TEST(WriterErrors, PartialWriteIsNotRepeatedOnRetry) {
  // A non-blocking pipe takes only part of a 1 MiB buffer and then refuses
  // more; the retry must continue where the first attempt stopped.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
  std::string expected;
  FdWriter fd_writer(fds[1], OutputFormat::Csv);
  auto& writer = fd_writer.writer;
  ASSERT_TRUE(writer.ok());
  const std::vector<std::string> rows = numberedRows(12000);  // ~1.2 MiB
  Status failed;
  std::string all;
  for (const std::string& r : rows) all += r + "\n";
  for (const std::string& r : rows) {
    Status st = writer->writeRawLine(r);
    if (!st.ok()) {
      failed = st;
      break;
    }
    expected += r + "\n";
  }
  EXPECT_EQ(failed.error(), Error::WouldBlock);
  EXPECT_LT(writer->bufferedLength(), kWriterBufferSize);  // the pipe took a part

  ASSERT_EQ(::fcntl(fds[1], F_SETFL, 0), 0);
  std::string received;
  std::thread reader([&] {
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) received.append(buf, static_cast<size_t>(n));
  });
  ASSERT_TRUE(writer->flush().ok());
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);
  // Everything accepted before the failure arrives exactly once (plus the
  // part of the failing row that was already buffered).
  ASSERT_GE(received.size(), expected.size());
  ASSERT_LE(received.size(), all.size());
  EXPECT_TRUE(received == all.substr(0, received.size()));
}


// Reference formatting, written byte by byte from the rules in
// row_format.h, independent of the word-at-a-time writer.
std::string referenceValue(std::string_view v, OutputFormat format, char delimiter) {
  std::string out;
  if (format == OutputFormat::Csv) {
    bool quote = false;
    for (char c : v) quote |= c == ',' || c == '"' || c == '\r' || c == '\n' || c == delimiter;
    if (!quote) return std::string(v);
    out = "\"";
    for (char c : v) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
  }
  if (isJsonNumber(v)) return std::string(v);
  out = "\"";
  for (unsigned char c : v) {
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else out += static_cast<char>(c);
  }
  return out + "\"";
}

std::string referenceResult(OutputFormat format, char delimiter, const std::vector<std::string>& header,
                            const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  auto row_text = [&](const std::vector<std::string>& row) {
    std::string text;
    if (format == OutputFormat::Csv) {
      for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0) text += delimiter;
        text += referenceValue(row[i], format, delimiter);
      }
      return text;
    }
    text = "{";
    for (size_t i = 0; i < header.size(); ++i) {
      if (i > 0) text += ",";
      text += referenceValue(header[i], OutputFormat::JsonLines, delimiter);
      // A key is always a string, even when it looks like a number.
      if (isJsonNumber(header[i])) text = text.substr(0, text.size() - header[i].size()) + "\"" + header[i] + "\"";
      text += ":";
      text += i < row.size() ? referenceValue(row[i], format, delimiter) : "\"\"";
    }
    return text + "}";
  };
  if (format == OutputFormat::Csv) out += row_text(header) + "\n";
  for (size_t r = 0; r < rows.size(); ++r) {
    if (format == OutputFormat::JsonArray) out += r == 0 ? "[\n" : ",\n";
    out += row_text(rows[r]);
    if (format != OutputFormat::JsonArray) out += "\n";
  }
  if (format == OutputFormat::JsonArray) out += rows.empty() ? "[]\n" : "\n]\n";
  return out;
}

// Every way a row reaches the output gives the reference bytes: rows the
// writer formats, rows formatted ahead of time as lines (one chunk per
// worker) and pre-formatted single rows, for every layout, random values
// full of quotes, delimiters, control bytes and number-like texts.
TEST(RowFormat, EveryRouteMatchesTheReference) {
  std::mt19937 rng(9);
  const std::vector<std::string> atoms = {"", "1", "-0", "007", "1.5e3", "x", "a,b", "q\"",
                                          ";", "\n", "\r", "\t", "\x01", "\x7f", "\\", " "};
  auto random_value = [&] {
    std::string v;
    for (int n = static_cast<int>(rng() % 4); n > 0; --n) v += atoms[rng() % atoms.size()];
    return v;
  };
  for (int round = 0; round < 200; ++round) {
    const OutputFormat format = static_cast<OutputFormat>(round % 3);
    const char delimiter = round % 5 == 0 ? ';' : ',';
    std::vector<std::string> header(1 + rng() % 4);
    for (std::string& name : header) name = "c" + random_value();
    std::vector<std::vector<std::string>> rows(rng() % 6);
    for (auto& row : rows) {
      // Short and long rows too: JSON fills or drops values, CSV keeps them.
      row.resize(header.size() + rng() % 3 - 1);
      for (std::string& v : row) v = random_value();
    }
    const std::string want = referenceResult(format, delimiter, header, rows);

    for (int route = 0; route < 3; ++route) {
      BufferSink sink;
      auto writer = RecordWriter::init(sink, format, delimiter);
      ASSERT_TRUE(writer.ok());
      ASSERT_TRUE(writer->writeHeader(std::span<const std::string>(header), false).ok());
      const RowFormat row_format = writer->rowFormat();
      std::string lines;
      for (size_t r = 0; r < rows.size(); ++r) {
        std::span<const std::string> row(rows[r]);
        if (route == 0) {
          ASSERT_TRUE(writer->writeRecord(row).ok());
        } else if (route == 1) {
          ASSERT_TRUE(row_format.appendRowLine(lines, row).ok());
          if (r % 2 == 1) {  // chunks of two rows
            ASSERT_TRUE(writer->writeRowLines(lines).ok());
            lines.clear();
          }
        } else {
          std::string one;
          ASSERT_TRUE(row_format.appendRow(one, row).ok());
          ASSERT_TRUE(writer->writeRawLine(one).ok());
        }
      }
      ASSERT_TRUE(writer->writeRowLines(lines).ok());
      ASSERT_TRUE(writer->finish().ok());
      ASSERT_TRUE(writer->flush().ok());
      EXPECT_EQ(sink.bytes(), want) << "round " << round << " route " << route;
    }
  }
}

}  // namespace
}  // namespace narwe
