// The consumers' combine: a scan cut into chunks, one consumer per chunk,
// combined in chunk order, must answer exactly what the one-thread scan
// answers. Random statements (DISTINCT, WHERE, one or two ORDER BY keys,
// LIMIT/OFFSET) over random records with many duplicates and mixed number
// and text keys, cut at random places, in every output format.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "exec/record_sources.h"
#include "exec/row_scan.h"
#include "io/output_sink.h"
#include "sql/parser.h"

namespace narwe {
namespace {

using Records = std::vector<std::vector<std::string_view>>;

const std::vector<std::string> kHeader = {"a", "b", "c"};

std::vector<std::vector<std::string>> randomTable(std::mt19937& rng) {
  static const char* const kValues[] = {"1", "2", "10", "-3", "2.5", "x", "y", "",
                                        "ab", "abcdefghij", "abcdefghik", "0"};
  std::vector<std::vector<std::string>> rows(rng() % 60);
  for (auto& row : rows) {
    row.resize(3);
    for (std::string& value : row) value = kValues[rng() % (rng() % 2 ? 4 : 12)];
    if (rng() % 20 == 0) row.pop_back();  // a short record
  }
  return rows;
}

std::string randomStatement(std::mt19937& rng) {
  static const char* const kSelects[] = {"a, b", "*", "b", "a, c", "c AS k, a"};
  static const char* const kOrders[] = {"a", "b DESC", "c", "a DESC, b", "b, c DESC", "1", "c, a"};
  static const char* const kWheres[] = {"a > 1", "b != 'x'", "c IS NOT NULL", "a = 2 OR b = 'y'"};
  std::string sql = "SELECT ";
  if (rng() % 3 == 0) sql += "DISTINCT ";
  sql += kSelects[rng() % 5];
  sql += " FROM t";
  if (rng() % 3 == 0) sql += std::string(" WHERE ") + kWheres[rng() % 4];
  if (rng() % 2 == 0) sql += std::string(" ORDER BY ") + kOrders[rng() % 7];
  if (rng() % 2 == 0) sql += " LIMIT " + std::to_string(rng() % 12);
  if (rng() % 3 == 0) sql += " OFFSET " + std::to_string(rng() % 5);
  return sql;
}

// The one-thread scan into memory.
std::string runWhole(const Query& query, const RunOptions& options, const Records& records) {
  BufferSink sink;
  auto writer = RecordWriter::init(sink, options.format, options.delimiter);
  EXPECT_TRUE(writer.ok());
  VectorRecordSource source(records);
  Status status = runRowScan(query, kHeader, options, *writer, RowScanSettings{}, source);
  EXPECT_TRUE(status.ok()) << errorName(status.error());
  return sink.bytes();
}

// One consumer per chunk, each with its own scratch, combined in order.
template <typename MakeConsumer>
std::string runChunked(const RowScanPlan& plan, RecordWriter& writer, BufferSink& sink,
                       const Records& records, const std::vector<size_t>& cuts,
                       MakeConsumer make) {
  auto first = make();
  size_t begin = 0;
  for (size_t chunk = 0; chunk <= cuts.size(); ++chunk) {
    const size_t end = chunk < cuts.size() ? cuts[chunk] : records.size();
    auto consumer = make();
    RowScratch scratch;
    VectorRecordSource source(
        std::span<const std::vector<std::string_view>>(records).subspan(begin, end - begin));
    EXPECT_TRUE(scanRecords(plan, source, scratch, consumer).ok());
    EXPECT_TRUE(first.combine(std::move(consumer)).ok());
    begin = end;
  }
  EXPECT_TRUE(first.finish(writer).ok());
  EXPECT_TRUE(writer.finish().ok());
  EXPECT_TRUE(writer.flush().ok());
  return sink.bytes();
}

TEST(ConsumerCombine, ChunkedScanEqualsTheWholeScan) {
  std::mt19937 rng(2026);
  for (int round = 0; round < 400; ++round) {
    const auto table = randomTable(rng);
    Records records;
    for (const auto& row : table) records.emplace_back(row.begin(), row.end());
    const std::string sql = randomStatement(rng);
    Result<Query> query = parse(sql);
    ASSERT_TRUE(query.ok()) << sql;
    RunOptions options;
    options.format = static_cast<OutputFormat>(round % 3);

    const std::string want = runWhole(*query, options, records);

    RowScanPlan plan;
    ASSERT_TRUE(buildRowScanPlan(*query, kHeader, options, plan).ok()) << sql;
    BufferSink sink;
    auto writer = RecordWriter::init(sink, options.format, options.delimiter);
    ASSERT_TRUE(writer.ok());
    ASSERT_TRUE(writer->writeHeader(plan.projection.names, options.omit_header).ok());
    std::vector<size_t> cuts;
    for (size_t n = rng() % 5; n > 0; --n) cuts.push_back(records.empty() ? 0 : rng() % records.size());
    std::sort(cuts.begin(), cuts.end());

    std::string got;
    if (plan.ordered()) {
      got = runChunked(plan, *writer, sink, records, cuts, [&] {
        Result<SortConsumer> consumer = SortConsumer::create(plan, writer->rowFormat());
        EXPECT_TRUE(consumer.ok());
        return std::move(*consumer);
      });
    } else {
      got = runChunked(plan, *writer, sink, records, cuts,
                       [&] { return StreamConsumer::buffered(plan, writer->rowFormat()); });
    }
    EXPECT_EQ(got, want) << sql << " in " << cuts.size() + 1 << " chunks, format "
                         << round % 3;
  }
}

}  // namespace
}  // namespace narwe
