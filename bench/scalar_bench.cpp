// Throughput of scalar evaluation on the row path: upper, substr and round
// over many rows, with the per-row arena reset the executors use.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/arena.h"
#include "common/name_index.h"
#include "scalar/scalar.h"

namespace narwe {
namespace {

constexpr size_t kRows = 16384;
constexpr size_t kFields = 3;  // id, name, price

struct Table {
  std::vector<std::string> storage;
  std::vector<std::string_view> fields;  // kRows * kFields
};

const Table& table() {
  static const Table t = [] {
    Table out;
    out.storage.reserve(kRows * kFields);
    char buf[64];
    for (size_t r = 0; r < kRows; ++r) {
      out.storage.push_back(std::to_string(r));
      out.storage.push_back("Customer Name " + std::to_string(r * 7919 % 100000) + " of Springfield");
      std::snprintf(buf, sizeof buf, "%zu.%04zu", r % 1000, (r * 37) % 10000);
      out.storage.push_back(buf);
    }
    for (const auto& s : out.storage) out.fields.push_back(s);
    return out;
  }();
  return t;
}

void runScalar(benchmark::State& state, std::string_view term) {
  const Table& t = table();
  NameIndex index = buildNameIndex({"id", "name", "price"});
  auto parsed = tryParseScalar(term, index);
  if (!parsed.ok() || !parsed->has_value()) {
    state.SkipWithError("term not recognised");
    return;
  }
  const ScalarSpec& spec = **parsed;
  Arena arena;
  for (auto _ : state) {
    for (size_t r = 0; r < kRows; ++r) {
      arena.reset();
      std::string_view v = eval(spec, t.fields.data() + r * kFields, kFields, arena);
      benchmark::DoNotOptimize(v.data());
      benchmark::DoNotOptimize(v.size());
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRows));
}

void BM_Upper(benchmark::State& state) { runScalar(state, "upper(name)"); }
void BM_Substr(benchmark::State& state) { runScalar(state, "substr(name, 3, 8)"); }
void BM_Round(benchmark::State& state) { runScalar(state, "round(price, 2)"); }
void BM_RoundInt(benchmark::State& state) { runScalar(state, "round(price)"); }

BENCHMARK(BM_Upper);
BENCHMARK(BM_Substr);
BENCHMARK(BM_Round);
BENCHMARK(BM_RoundInt);

}  // namespace
}  // namespace narwe

BENCHMARK_MAIN();
