// One answer on every route: a table of statements x generated files x
// routes x worker counts, each answer compared byte for byte (or error for
// error) with the sequential executor's on the same file.
//
// Routes are reached two ways: through the runner with the test-only size
// override (so the decision table itself is exercised, past 5 MiB and past
// 10 MiB), and by calling the parallel scan directly for every statement
// shape, with 1, 2 and 8 workers and chunks small enough that boundaries
// fall next to blank lines, CR LF endings, quoted line feeds and quote
// pairs. One real file past 10 MiB checks the automatic chunking.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "api/runner.h"
#include "exec/executors.h"
#include "io/record_limit.h"
#include "sql/parser.h"

namespace narwe {
namespace {

struct Outcome {
  Error error = Error::None;
  std::string text;
  bool operator==(const Outcome& other) const {
    // Output written before a failure never reaches the caller.
    return error == other.error && (error != Error::None || text == other.text);
  }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << errorName(o.error) << "\n" << o.text;
}

class TempFile {
 public:
  explicit TempFile(const std::string& content) : file_(std::tmpfile()) {
    if (!content.empty()) std::fwrite(content.data(), 1, content.size(), file_);
    std::fflush(file_);
    size_ = content.size();
  }
  ~TempFile() { std::fclose(file_); }
  int fd() const { return fileno(file_); }
  uint64_t size() const { return size_; }

 private:
  FILE* file_;
  uint64_t size_;
};

std::string readAll(int fd) {
  std::string out;
  char buf[65536];
  off_t at = 0;
  for (;;) {
    ssize_t got = ::pread(fd, buf, sizeof buf, at);
    if (got <= 0) break;
    out.append(buf, static_cast<size_t>(got));
    at += got;
  }
  return out;
}

// The statement through the runner (route chosen by the decision table).
Outcome viaRunner(const std::string& sql, const RunOptions& options) {
  Result<Query> query = parse(sql);
  if (!query.ok()) return {query.error(), ""};
  TempFile out("");
  Status status = executeQuery(*query, out.fd(), options, 0);
  return {status.error(), readAll(out.fd())};
}

using Executor = Status (*)(const Query&, const InputFile&, OutputSink&, const RunOptions&);

// The statement through one executor, on the file `path`.
Outcome viaExecutor(Executor executor, const std::string& sql, const std::string& path,
                    const RunOptions& options) {
  Result<Query> query = parse(sql);
  if (!query.ok()) return {query.error(), ""};
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {Error::FileNotFound, ""};
  std::fseek(file, 0, SEEK_END);
  InputFile input;
  input.fd = fileno(file);
  input.size = static_cast<uint64_t>(std::ftell(file));
  input.path = path;
  BufferSink sink;
  Status status = executor(*query, input, sink, options);
  std::fclose(file);
  return {status.error(), sink.take()};
}

// A generated input: quoted header name, numbers mixed with texts, quoted
// fields holding delimiters, quote pairs and line feeds, empty fields,
// blank lines, optional CR LF endings, and optionally one record of 257
// fields or one over-long record part-way through.
struct FileShape {
  const char* name;
  bool crlf = false;
  bool blank_lines = false;
  bool wide_record = false;  // a record of 257 fields
  bool long_record = false;  // a record past the (lowered) record limit
  bool byte_order_mark = false;
};

std::string generate(const FileShape& shape, size_t rows, uint64_t seed) {
  std::mt19937_64 rng(seed);
  static const char* nums[] = {"1", "2", "10", "-3", "0", "", "7.5", "100", "-0", "abc", "1e2", "42", "3"};
  static const char* names[] = {"Ann", "\"Smith, J\"", "\"say \"\"hi\"\"\"", "\"two\nlines\"", "",
                                "bob", "Ærø", "\"a\"\"\"", "x y"};
  static const char* cities[] = {"Oslo", "Lima", "oslo", "", "Bergen", "Lima ", "\"Oslo\""};
  static const char* mixes[] = {"10", "9", "5a", "1_0", "2", "", " 7", "+3", "abc", "12", "-2", "1e1"};
  const std::string eol = shape.crlf ? "\r\n" : "\n";
  std::string out = shape.byte_order_mark ? "\xEF\xBB\xBF" : "";
  out += "id,\"Num\",name,city,mix" + eol;
  for (size_t i = 0; i < rows; ++i) {
    if (shape.blank_lines && rng() % 17 == 0) out += eol;
    if (shape.wide_record && i == rows * 2 / 3) {
      out += std::to_string(i);
      for (int f = 1; f < 257; ++f) out += ",w";
      out += eol;
      continue;
    }
    if (shape.long_record && i == rows * 2 / 3) {
      out += std::to_string(i) + ",1," + std::string(3000, 'L') + ",Oslo,1" + eol;
      continue;
    }
    out += std::to_string(i) + "," + nums[rng() % 13] + "," + names[rng() % 9] + "," +
           cities[rng() % 7] + "," + mixes[rng() % 12];
    if (rng() % 23 == 0) out += ",extra";  // a longer record
    if (rng() % 29 == 0) {                 // a shorter one
      out += eol + std::to_string(i) + "s,5";
    }
    out += eol;
  }
  if (rng() % 2 == 0) out += "last,1,end,Lima,3";  // no final line feed
  return out;
}

const FileShape kFiles[] = {
    {.name = "plain"},
    {.name = "crlf_blank", .crlf = true, .blank_lines = true, .byte_order_mark = true},
    {.name = "wide", .blank_lines = true, .wide_record = true},
    {.name = "long", .long_record = true},
};

// {} stands for the file.
const char* const kStatements[] = {
    "SELECT * FROM {}",
    "SELECT id, name FROM {} WHERE num > 10",
    "SELECT id, city FROM {} WHERE city = 'Oslo' OR num < 0",
    "SELECT id FROM {} WHERE name LIKE '%a%'",
    "SELECT id, num FROM {} WHERE num BETWEEN 1 AND 50",
    "SELECT id FROM {} WHERE city IN ('Oslo', 'Lima')",
    "SELECT id, mix FROM {} WHERE NOT num > 3 AND city = 'Oslo'",
    "SELECT id FROM {} WHERE city IS NULL",
    "SELECT upper(name), length(city) AS n FROM {}",
    "SELECT id, round(num, 1) FROM {}",
    "SELECT round(num, 1) FROM {} WHERE num > 0",
    "SELECT DISTINCT city FROM {}",
    "SELECT DISTINCT city, upper(city) FROM {}",
    "SELECT id, num FROM {} ORDER BY num LIMIT 7",
    "SELECT id, num FROM {} ORDER BY num DESC LIMIT 5 OFFSET 3",
    "SELECT id, mix FROM {} ORDER BY mix LIMIT 10",
    "SELECT id FROM {} ORDER BY mix DESC",
    "SELECT id, name FROM {} ORDER BY city, id DESC LIMIT 20",
    "SELECT id, city FROM {} LIMIT 15",
    "SELECT id, city FROM {} LIMIT 10 OFFSET 40",
    "SELECT DISTINCT city FROM {} ORDER BY city LIMIT 3",
    "SELECT city FROM {} LIMIT 0",
    "SELECT id, name FROM {} ORDER BY name",
    "SELECT id FROM {} WHERE nosuch = 1",
    "SELECT concat(city, '-', id) AS k FROM {} ORDER BY k LIMIT 5",
    "SELECT id, mix FROM {} LIMIT 200000",
};

// The statement on `path`; for header-less input the columns are named by
// position (c1 ... c5).
std::string statementOn(const char* pattern, const std::string& path, bool by_position = false) {
  std::string sql = pattern;
  if (by_position) {
    static const char* names[] = {"id", "num", "name", "city", "mix"};
    for (int i = 0; i < 5; ++i) {
      sql = std::regex_replace(sql, std::regex(std::string("\\b") + names[i] + "\\b"),
                               "c" + std::to_string(i + 1));
    }
  }
  sql.replace(sql.find("{}"), 2, "'" + path + "'");
  return sql;
}

constexpr uint64_t kPastMapped = 0x500000 + 1;
constexpr uint64_t kPastParallel = 0xA00000 + 1;

TEST(LargeRoutes, EveryRouteGivesTheSequentialAnswer) {
  char dir_pattern[] = "/tmp/narwe_large_routes_XXXXXX";
  ASSERT_NE(mkdtemp(dir_pattern), nullptr);
  const std::string dir = dir_pattern;
  size_t compared = 0, answered = 0, rows = 0;
  uint64_t seed = 1;
  for (const FileShape& shape : kFiles) {
    const std::string path = dir + "/" + shape.name + ".csv";
    {
      std::string content = generate(shape, 260, seed++);
      FILE* f = std::fopen(path.c_str(), "wb");
      std::fwrite(content.data(), 1, content.size(), f);
      std::fclose(f);
    }
    setMaxRecordBytes(shape.long_record ? 1000 : 0);
    for (const char* pattern : kStatements) {
      for (OutputFormat format :
           {OutputFormat::Csv, OutputFormat::JsonArray, OutputFormat::JsonLines}) {
        for (bool no_header : {false, true}) {
          if (no_header && format != OutputFormat::Csv) continue;
          const std::string sql = statementOn(pattern, path, no_header);
          RunOptions base = runOptionsFor(format);
          base.no_header_input = no_header;
          const Outcome want = viaExecutor(&executeSequential, sql, path, base);
          answered += want.error == Error::None ? 1 : 0;
          rows += static_cast<size_t>(std::count(want.text.begin(), want.text.end(), '\n'));
          // The runner's answer below every size threshold: the executors
          // compare with the sequential scan, the runner's routes with this
          // (DISTINCT, for one, is answered by grouping on every size).
          const Outcome want_routed = viaRunner(sql, base);
          auto check = [&](const Outcome& got, const std::string& how,
                           const Outcome* expected = nullptr) {
            ++compared;
            EXPECT_EQ(got, expected ? *expected : want) << shape.name << " | " << sql << " | "
                                                        << how << (no_header ? " | no header" : "");
          };
          // Through the decision table, past 5 MiB and past 10 MiB.
          for (unsigned workers : {1u, 2u, 8u}) {
            for (uint64_t size : {kPastMapped, kPastParallel}) {
              if (size == kPastMapped && workers != 1) continue;
              RunOptions options = base;
              options.thread_count = workers;
              options.route_size_override = size;
              options.chunk_bytes = 97;
              check(viaRunner(sql, options),
                    "runner size " + std::to_string(size) + " workers " + std::to_string(workers),
                    &want_routed);
            }
          }
          check(viaExecutor(&executeMapped, sql, path, base), "mapped");
          // The parallel scan on every statement shape.
          for (unsigned workers : {1u, 2u, 8u}) {
            for (uint64_t chunk : {41u, 700u}) {
              RunOptions options = base;
              options.thread_count = workers;
              options.chunk_bytes = chunk;
              check(viaExecutor(&executeParallelMapped, sql, path, options),
                    "parallel workers " + std::to_string(workers) + " chunk " + std::to_string(chunk));
            }
          }
        }
      }
    }
    ::unlink(path.c_str());
  }
  setMaxRecordBytes(0);
  ::rmdir(dir.c_str());
  // Most statements answer, with rows to compare.
  EXPECT_GT(compared, 3000u);
  EXPECT_GT(answered, 150u);
  EXPECT_GT(rows, 10000u);
}

TEST(LargeRoutes, EdgeFilesGiveTheSequentialAnswer) {
  // Files with nothing or almost nothing after the header, and one-column
  // files whose blank lines are rows holding the empty value.
  const char* const files[] = {
      "",           "a,b\n",        "a,b",           "\n\n\n",   "a\n\n\n\nx\n",
      "a\r\n\r\n\r\n", "\xEF\xBB\xBF\"a\"\n1\n", "a\n\"\n\"\n\n", "a,b\n1,2\n3",
  };
  const char* const statements[] = {
      "SELECT * FROM {}", "SELECT a FROM {} ORDER BY a DESC LIMIT 2", "SELECT DISTINCT a FROM {}",
      "SELECT a FROM {} WHERE a IS NULL", "SELECT upper(a) FROM {} LIMIT 3",
  };
  char path_pattern[] = "/tmp/narwe_large_edge_XXXXXX";
  int fd = mkstemp(path_pattern);
  ASSERT_GE(fd, 0);
  ::close(fd);
  const std::string path = path_pattern;
  for (const char* content : files) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs(content, f);
    std::fclose(f);
    for (const char* pattern : statements) {
      const std::string sql = statementOn(pattern, path);
      for (OutputFormat format : {OutputFormat::Csv, OutputFormat::JsonArray}) {
        RunOptions options = runOptionsFor(format);
        const Outcome want = viaExecutor(&executeSequential, sql, path, options);
        for (unsigned workers : {1u, 2u, 8u}) {
          options.thread_count = workers;
          options.chunk_bytes = 1;
          EXPECT_EQ(viaExecutor(&executeParallelMapped, sql, path, options), want)
              << "file [" << content << "] " << sql << " workers " << workers;
        }
      }
    }
  }
  ::unlink(path.c_str());
}

TEST(LargeRoutes, RealFilePastTenMebibytes) {
  // The same generated rows repeated past 10 MiB, chunked automatically.
  const std::string rows = generate(FileShape{.name = "big", .blank_lines = true}, 2000, 77);
  std::string content = rows;
  const std::string body = rows.substr(rows.find('\n') + 1);
  while (content.size() <= kPastParallel) {
    if (content.back() != '\n') content += '\n';
    content += body;
  }
  char path_pattern[] = "/tmp/narwe_large_file_XXXXXX";
  int fd = mkstemp(path_pattern);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  ::close(fd);
  const std::string path = path_pattern;
  // One statement per mode: stream (JSON), ORDER BY with top-K, projection.
  const std::pair<const char*, OutputFormat> statements[] = {
      {"SELECT * FROM {}", OutputFormat::JsonArray},
      {"SELECT id, num FROM {} ORDER BY num DESC LIMIT 9", OutputFormat::Csv},
      {"SELECT upper(city), round(num, 1) FROM {} WHERE num > 5", OutputFormat::Csv},
  };
  for (const auto& [pattern, format] : statements) {
    const std::string sql = statementOn(pattern, path);
    RunOptions options = runOptionsFor(format);
    const Outcome want = viaExecutor(&executeSequential, sql, path, options);
    ASSERT_EQ(want.error, Error::None) << sql;
    options.thread_count = 2;
    EXPECT_EQ(viaRunner(sql, options), want) << sql;
    options.thread_count = 8;
    EXPECT_EQ(viaExecutor(&executeParallelScalar, sql, path, options), want) << sql;
  }
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace narwe
