// The runner's decision table, row by row, and the worker-count rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exec/run_options.h"
#include "api/route.h"
#include "sql/query.h"
#include "sql/select_item.h"

namespace narwe {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;

Query select(std::vector<std::string> columns, std::string file = "data.csv") {
  Query q;
  q.columns = std::move(columns);
  q.file = std::move(file);
  Result<std::vector<SelectItem>> items = parseSelectItems(q.columns);
  if (items.ok()) q.select_items = std::make_shared<const std::vector<SelectItem>>(std::move(*items));
  return q;
}

Query selectAll(std::string file = "data.csv") {
  Query q;
  q.select_all = true;
  q.file = std::move(file);
  return q;
}

JoinClause join() {
  JoinClause j;
  j.file = "other.csv";
  j.left_alias = "a";
  j.alias = "b";
  j.left_column = "a.id";
  j.right_column = "b.id";
  return j;
}

OrderBy orderBy(std::string column, int extra_keys = 0) {
  OrderBy o;
  o.column = std::move(column);
  for (int i = 0; i < extra_keys; ++i) o.extra_keys.push_back({"k" + std::to_string(i), false});
  return o;
}

RouteInputs sized(uint64_t size, unsigned workers = 4, OutputFormat format = OutputFormat::Csv) {
  RouteInputs in;
  in.file_size = size;
  in.workers = workers;
  in.format = format;
  return in;
}

struct Row {
  const char* label;
  Query query;
  RouteInputs inputs;
  Route expected;
};

Query with(Query q, void (*edit)(Query&)) {
  edit(q);
  return q;
}

void expectRows(const std::vector<Row>& rows) {
  for (const auto& row : rows) {
    EXPECT_EQ(routeName(chooseRoute(row.query, row.inputs)), routeName(row.expected)) << row.label;
  }
}

TEST(ChooseRoute, StandardInput) {
  const RouteInputs none;
  auto grouped = [](Query& q) { q.group_by = {"city"}; };
  expectRows({
      {"plain projection streams", select({"a", "b"}, "stdin"), none, Route::FromStdin},
      {"dash names stdin", select({"a"}, "-"), none, Route::FromStdin},
      {"select * streams", selectAll("stdin"), none, Route::FromStdin},
      {"scalar function streams", select({"upper(a)"}, "stdin"), none, Route::FromStdin},
      {"distinct spools to grouping, as a file's DISTINCT groups",
       with(select({"a"}, "stdin"), [](Query& q) { q.distinct = true; }), none,
       Route::SpooledDistinct},
      {"distinct with a scalar function streams",
       with(select({"upper(a)"}, "stdin"), [](Query& q) { q.distinct = true; }), none,
       Route::FromStdin},
      {"group by spools", with(select({"city", "count(*)"}, "stdin"), grouped), none,
       Route::SpooledGroupBy},
      {"select * with group by spools to group by", with(selectAll("-"), grouped), none,
       Route::SpooledGroupBy},
      {"all aggregates", select({"count(*)", "sum(x)"}, "stdin"), none, Route::SpooledScalarAgg},
      {"mixed items", select({"name", "count(*)"}, "stdin"), none, Route::SpooledMixedSelect},
      {"name is exact, not case-folded", select({"a"}, "STDIN"), none, Route::NeedsFileSize},
      {"stdin wins over joins",
       with(select({"a"}, "stdin"), [](Query& q) { q.joins.push_back(join()); }), none,
       Route::FromStdin},
  });
}

TEST(ChooseRoute, JoinGroupAndAggregateShapes) {
  const RouteInputs none;
  auto joined = [](Query& q) { q.joins.push_back(join()); };
  auto grouped = [](Query& q) { q.group_by = {"city"}; };
  auto distinct = [](Query& q) { q.distinct = true; };
  expectRows({
      {"join with group by", with(with(select({"city", "count(*)"}), joined), grouped), none,
       Route::JoinAggregate},
      {"join with aggregate", with(select({"count(*)"}), joined), none, Route::JoinAggregate},
      {"join with mixed items still aggregates", with(select({"a.x", "max(b.y)"}), joined), none,
       Route::JoinAggregate},
      {"plain join", with(select({"a.x", "b.y"}), joined), none, Route::Join},
      {"join select *", with(selectAll(), joined), none, Route::Join},
      {"group by", with(select({"city", "count(*)"}), grouped), none, Route::GroupBy},
      {"group by with distinct", with(with(select({"city"}), grouped), distinct), none,
       Route::GroupBy},
      {"group by with scalar items", with(select({"upper(city)"}), grouped), none,
       Route::GroupBy},
      {"select * group by", with(selectAll(), grouped), none, Route::GroupBy},
      {"whole-table aggregates", select({"count(*)", "avg(price) AS p"}), none,
       Route::ScalarAgg},
      {"mixed without group by", select({"name", "count(*)"}), none, Route::MixedSelect},
      {"distinct plain items", with(select({"a", "b AS x"}), distinct), none,
       Route::DistinctGroupBy},
      {"distinct with a scalar function", with(select({"upper(a)"}), distinct), none,
       Route::NeedsFileSize},
      {"distinct *", with(selectAll(), distinct), none, Route::NeedsFileSize},
      {"plain scan needs the size", select({"a"}), none, Route::NeedsFileSize},
  });
}

TEST(ChooseRoute, ScalarSelectBySizeAndShape) {
  const Query scalar = select({"upper(name)", "id"});
  const uint64_t big = 20 * kMiB;
  expectRows({
      {"large CSV scan goes parallel", scalar, sized(big), Route::ParallelScalar},
      {"exactly 10 MiB stays sequential", scalar, sized(0xA00000), Route::Sequential},
      {"one byte over 10 MiB", scalar, sized(0xA00001), Route::ParallelScalar},
      {"JSON output", scalar, sized(big, 4, OutputFormat::JsonArray), Route::Sequential},
      {"one worker", scalar, sized(big, 1), Route::Sequential},
      {"ORDER BY", with(scalar, [](Query& q) { q.order_by = orderBy("id"); }), sized(big),
       Route::Sequential},
      {"any LIMIT", with(scalar, [](Query& q) { q.limit = 500000; }), sized(big),
       Route::Sequential},
      {"OFFSET", with(scalar, [](Query& q) { q.offset = 1; }), sized(big), Route::Sequential},
      {"DISTINCT", with(scalar, [](Query& q) { q.distinct = true; }), sized(big),
       Route::Sequential},
      {"small file", scalar, sized(100), Route::Sequential},
      {"IS NULL test counts as scalar", select({"a IS NULL"}), sized(big),
       Route::ParallelScalar},
  });
}

TEST(ChooseRoute, PlainScanBySizeLimitAndOrder) {
  const Query plain = select({"a", "b"});
  const uint64_t big = 20 * kMiB;
  auto limited = [&](int32_t n) {
    Query q = plain;
    q.limit = n;
    return q;
  };
  expectRows({
      {"two ORDER BY keys", with(plain, [](Query& q) { q.order_by = orderBy("a", 1); }),
       sized(big), Route::Sequential},
      {"no LIMIT goes parallel", plain, sized(big), Route::ParallelMapped},
      {"select * goes parallel", selectAll(), sized(big), Route::ParallelMapped},
      {"LIMIT 10 maps", limited(10), sized(big), Route::Mapped},
      {"LIMIT 0 maps", limited(0), sized(big), Route::Mapped},
      {"LIMIT 100000 maps", limited(100000), sized(big), Route::Mapped},
      {"LIMIT 100001 goes parallel", limited(100001), sized(big), Route::ParallelMapped},
      {"LIMIT 200000 goes parallel", limited(200000), sized(big), Route::ParallelMapped},
      {"ORDER BY with small LIMIT goes parallel",
       with(limited(10), [](Query& q) { q.order_by = orderBy("a"); }), sized(big),
       Route::ParallelMapped},
      {"JSON does not matter", plain, sized(big, 2, OutputFormat::JsonArray),
       Route::ParallelMapped},
      {"one worker maps", plain, sized(big, 1), Route::Mapped},
      {"OFFSET keeps it sequential", with(plain, [](Query& q) { q.offset = 5; }), sized(big),
       Route::Sequential},
      {"exactly 10 MiB maps", plain, sized(0xA00000), Route::Mapped},
      {"6 MiB maps", plain, sized(6 * kMiB), Route::Mapped},
      {"exactly 5 MiB is sequential", plain, sized(0x500000), Route::Sequential},
      {"one byte over 5 MiB maps", plain, sized(0x500001), Route::Mapped},
      {"empty file", plain, sized(0), Route::Sequential},
      {"round alone is not scalar", select({"round(price, 2)"}), sized(big),
       Route::ParallelMapped},
  });
}

TEST(EffectiveThreadCount, ClampsToOneThrough1024) {
  EXPECT_EQ(effectiveThreadCount(5000), 1024u);
  EXPECT_EQ(effectiveThreadCount(1025), 1024u);
  EXPECT_EQ(effectiveThreadCount(1024), 1024u);
  EXPECT_EQ(effectiveThreadCount(2), 2u);
  EXPECT_EQ(effectiveThreadCount(1), 1u);
  unsigned automatic = effectiveThreadCount(0);
  EXPECT_GE(automatic, 1u);
  EXPECT_LE(automatic, 1024u);
}

}  // namespace
}  // namespace narwe
