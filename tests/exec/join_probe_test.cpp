// The parallel join probe against the sequential one: over random base
// files (quoted fields with delimiters, line feeds and quote pairs, CRLF
// endings, short records, keys with no, one or several partners), every
// statement must give byte for byte the same answer, in CSV and JSON, with
// any worker count and chunk size; and once on a base file past the real
// 8 MiB threshold.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "api/api_test_support.h"
#include "exec/join.h"
#include "io/output_sink.h"
#include "sql/parser.h"

namespace narwe {
namespace {

using testing::ScratchDir;

struct Answer {
  std::string error;
  std::string bytes;
  bool operator==(const Answer&) const = default;
};

Answer runJoin(const std::string& sql, const RunOptions& options, const JoinSettings& settings) {
  Result<Query> query = parse(sql);
  if (!query.ok()) return {std::string(errorName(query.error())), ""};
  BufferSink sink;
  const Status status = executeJoin(*query, sink, options, settings);
  return {status.ok() ? "" : std::string(errorName(status.error())), sink.take()};
}

std::string randomField(std::mt19937& random) {
  switch (random() % 8) {
    case 0: return "";
    case 1: return "\"a,b\"";
    case 2: return "\"line\nbreak\"";
    case 3: return "\"say \"\"hi\"\"\"";
    case 4: return std::to_string(random() % 1000) + "." + std::to_string(random() % 100);
    default: return "w" + std::to_string(random() % 50);
  }
}

// key,note,amount records; some short, some ending in CRLF.
std::string baseFile(std::mt19937& random, size_t records) {
  std::string text = "key,note,amount\n";
  for (size_t i = 0; i < records; ++i) {
    const unsigned k = random() % 14;
    text += k == 13 ? "" : k == 12 ? "K1" : "k" + std::to_string(k);
    if (random() % 10 != 0) text += "," + randomField(random);
    if (random() % 10 != 0) text += "," + std::to_string(random() % 100);
    text += random() % 5 == 0 ? "\r\n" : "\n";
  }
  return text;
}

void expectSameAnswers(const ScratchDir& dir, const std::string& base, unsigned workers,
                       uint64_t chunk_bytes) {
  const std::string b = "'" + base + "'";
  const std::string j = "'" + dir.file("joined.csv") + "'";
  const std::string r = "'" + dir.file("more.csv") + "'";
  const std::string statements[] = {
      "SELECT * FROM " + b + " b JOIN " + j + " j ON b.key = j.key",
      "SELECT b.note, upper(j.label), b.amount FROM " + b + " b JOIN " + j +
          " j ON b.key = j.key WHERE b.amount > 20 OR j.label = 'two'",
      "SELECT b.key, m.extra FROM " + b + " b JOIN " + j + " j ON b.key = j.key JOIN " + r +
          " m ON j.label = m.label",
  };
  for (const std::string& sql : statements) {
    for (OutputFormat format : {OutputFormat::Csv, OutputFormat::JsonArray}) {
      RunOptions options;
      options.format = format;
      options.thread_count = workers;
      const Answer sequential =
          runJoin(sql, options, {.parallel_min_bytes = std::numeric_limits<uint64_t>::max()});
      const Answer parallel = runJoin(sql, options, {.parallel_min_bytes = 0, .chunk_bytes = chunk_bytes});
      EXPECT_EQ(parallel, sequential) << sql << " workers " << workers << " chunk " << chunk_bytes;
      EXPECT_EQ(sequential.error, "") << sql;
    }
  }
}

TEST(JoinProbe, ParallelEqualsSequential) {
  ScratchDir dir;
  dir.write("joined.csv",
            "key,label\nk1,one\nk2,two\nk2,two-b\nk3,three\n,empty\nK1,upper\nk1,one-again\nk4\n"
            "k5,\"five, quoted\"\n");
  dir.write("more.csv", "label,extra\none,x1\ntwo,x2\ntwo,x2b\nempty,x0\n");
  std::mt19937 random(12);
  for (int round = 0; round < 4; ++round) {
    const std::string base = dir.write("base.csv", baseFile(random, 2000 + random() % 500));
    for (unsigned workers : {2u, 3u}) expectSameAnswers(dir, base, workers, 1024 + random() % 4096);
  }
}

TEST(JoinProbe, LargeBaseFileTakesTheParallelProbe) {
  ScratchDir dir;
  dir.write("joined.csv", "key,label\nk1,one\nk2,two\nk2,two-b\n,empty\nK1,upper\n");
  dir.write("more.csv", "label,extra\none,x1\ntwo,x2\n");
  std::mt19937 random(7);
  std::string text = baseFile(random, 0);
  while (text.size() < kParallelJoinMinBytes + 4096) text += baseFile(random, 4096).substr(16);
  const std::string base = dir.write("base.csv", text);
  const std::string sql = "SELECT * FROM '" + base + "' b JOIN '" + dir.file("joined.csv") +
                          "' j ON b.key = j.key";
  RunOptions options;
  options.thread_count = 2;
  const Answer sequential =
      runJoin(sql, options, {.parallel_min_bytes = std::numeric_limits<uint64_t>::max()});
  EXPECT_EQ(runJoin(sql, options, JoinSettings{}), sequential);
  EXPECT_EQ(sequential.error, "");
}

Answer runJoinAggregate(const std::string& sql, const RunOptions& options,
                        const JoinSettings& settings) {
  Result<Query> query = parse(sql);
  if (!query.ok()) return {std::string(errorName(query.error())), ""};
  BufferSink sink;
  const Status status = executeJoinAggregate(*query, sink, options, settings);
  return {status.ok() ? "" : std::string(errorName(status.error())), sink.take()};
}

// Aggregation over joined rows: the same answer whether the rows come from
// one thread or from the chunk runner's workers (group_concat keeps file
// order, so chunk order matters).
TEST(JoinProbe, AggregationOnWorkersEqualsOneThread) {
  ScratchDir dir;
  dir.write("joined.csv", "key,label\nk1,one\nk2,two\nk2,two-b\n,empty\nK1,upper\nk3,three\n");
  std::mt19937 random(9);
  const std::string b = "'" + dir.write("base.csv", baseFile(random, 4000)) + "'";
  const std::string j = " b JOIN '" + dir.file("joined.csv") + "' j ON b.key = j.key";
  const std::string statements[] = {
      "SELECT j.label, count(*), sum(b.amount), avg(b.amount), median(b.amount) FROM " + b + j +
          " GROUP BY j.label",
      "SELECT b.key, group_concat(b.amount), count(DISTINCT b.note) FROM " + b + j +
          " WHERE b.amount > 10 GROUP BY b.key HAVING count(*) > 2 ORDER BY b.key DESC",
      "SELECT count(*), min(b.amount), max(b.amount), stddev(b.amount) FROM " + b + j,
      "SELECT b.note, j.label FROM " + b + j + " GROUP BY b.note, j.label",
  };
  for (const std::string& sql : statements) {
    for (unsigned workers : {2u, 3u}) {
      RunOptions options;
      options.thread_count = workers;
      const Answer sequential =
          runJoinAggregate(sql, options, {.parallel_min_bytes = std::numeric_limits<uint64_t>::max()});
      EXPECT_EQ(sequential.error, "") << sql;
      EXPECT_EQ(runJoinAggregate(sql, options, {.parallel_min_bytes = 0, .chunk_bytes = 3000}), sequential)
          << sql;
    }
  }
}

// The joined rows a scan hands on (each row as its fields, length-prefixed),
// in chunk order.
std::vector<std::string> scannedRows(const std::string& sql, const RunOptions& options,
                                     const JoinSettings& settings, std::string& error) {
  Result<Query> query = parse(sql);
  EXPECT_TRUE(query.ok());
  JoinedInput input;
  Status opened = openJoinedInput(*query, options, input);
  EXPECT_TRUE(opened.ok());
  Result<RowFilter> filter = RowFilter::build(*query, input.header, options.strict);
  EXPECT_TRUE(filter.ok());
  std::mutex lock;
  std::map<uint64_t, std::vector<std::string>> chunks;
  const Status scanned = scanJoinedRows(
      input, *filter, options, settings, [&](RecordSlices fields, uint64_t chunk, unsigned) -> Status {
        std::string row;
        for (std::string_view field : fields) row += std::to_string(field.size()) + ":" + std::string(field);
        std::lock_guard<std::mutex> guard(lock);
        chunks[chunk].push_back(row);
        return okStatus();
      });
  error = scanned.ok() ? "" : std::string(errorName(scanned.error()));
  std::vector<std::string> rows;
  for (auto& [chunk, list] : chunks) rows.insert(rows.end(), list.begin(), list.end());
  return rows;
}

// The joined-row scan the aggregation reads: the same rows in the same
// order on one thread and on the chunk runner.
TEST(JoinProbe, JoinedRowScanIsTheSameOnWorkers) {
  ScratchDir dir;
  dir.write("joined.csv", "key,label\nk1,one\nk2,two\nk2,two-b\n,empty\nK1,upper\n");
  std::mt19937 random(5);
  const std::string base = dir.write("base.csv", baseFile(random, 3000));
  const std::string sql = "SELECT * FROM '" + base + "' b JOIN '" + dir.file("joined.csv") +
                          "' j ON b.key = j.key WHERE b.amount > 30 OR j.label = 'two'";
  RunOptions options;
  options.thread_count = 3;
  std::string error;
  const std::vector<std::string> sequential =
      scannedRows(sql, options, {.parallel_min_bytes = std::numeric_limits<uint64_t>::max()}, error);
  EXPECT_EQ(error, "");
  EXPECT_GT(sequential.size(), 100u);
  const std::vector<std::string> parallel =
      scannedRows(sql, options, {.parallel_min_bytes = 0, .chunk_bytes = 2048}, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(parallel, sequential);
}

// Records past the field limit fail alike on both probes.
TEST(JoinProbe, FieldLimitOnBothProbes) {
  ScratchDir dir;
  dir.write("joined.csv", "key,label\nk1,one\n");
  std::string text = "key,v\nk1,a\n";
  for (int i = 0; i < 300; ++i) text += "k1,";
  text += "x\n";
  const std::string base = dir.write("base.csv", text);
  const std::string sql = "SELECT * FROM '" + base + "' b JOIN '" + dir.file("joined.csv") + "' j ON b.key = j.key";
  RunOptions options;
  options.thread_count = 2;
  EXPECT_EQ(runJoin(sql, options, {.parallel_min_bytes = std::numeric_limits<uint64_t>::max()}).error,
            "TooManyColumns");
  EXPECT_EQ(runJoin(sql, options, {.parallel_min_bytes = 0}).error, "TooManyColumns");
}

}  // namespace
}  // namespace narwe
