// Whole queries through the exported functions over a generated ~200 MB CSV
// file held in the page cache, beside a floor: counting line feeds of the same
// bytes with memchr on one thread.
//
// Set NARWE_BENCH_MB to change the file size (default 200).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "narwe.h"

namespace {

struct Data {
  std::string path;
  std::string bytes;
};

// Realistic columns: ids, names, cities, amounts, dates, a quoted note.
const Data& data() {
  static Data* d = [] {
    auto* out = new Data;
    size_t target_mb = 200;
    if (const char* env = std::getenv("NARWE_BENCH_MB")) target_mb = std::strtoul(env, nullptr, 10);
    const size_t target = target_mb << 20;
    const char* cities[] = {"Oslo", "Lima", "Quito", "Accra", "Hanoi", "Perth", "Turin", "Cusco"};
    const char* names[] = {"Ann Lee", "Bob Stone", "Chen Wei", "Dana Cruz", "Eve Park", "Farid Aziz"};
    std::mt19937_64 rng(42);
    std::string& s = out->bytes;
    s.reserve(target + 4096);
    s += "id,name,city,amount,qty,created,status,note\n";
    char line[256];
    for (uint64_t id = 1; s.size() < target; ++id) {
      uint64_t r = rng();
      int n = std::snprintf(line, sizeof line,
                            "%llu,%s,%s,%llu.%02llu,%llu,2024-%02llu-%02llu,%s,%s\n",
                            static_cast<unsigned long long>(id), names[r % 6], cities[(r >> 8) % 8],
                            static_cast<unsigned long long>((r >> 16) % 100000),
                            static_cast<unsigned long long>((r >> 40) % 100),
                            static_cast<unsigned long long>((r >> 24) % 50),
                            static_cast<unsigned long long>((r >> 32) % 12 + 1),
                            static_cast<unsigned long long>((r >> 36) % 28 + 1),
                            (r >> 48) % 3 == 0 ? "open" : "closed",
                            (r >> 50) % 4 == 0 ? "\"late, then paid\"" : "on time");
      s.append(line, static_cast<size_t>(n));
    }
    out->path = "/tmp/narwe_query_bench.csv";
    std::ofstream(out->path, std::ios::binary) << s;
    return out;
  }();
  return *d;
}

void BM_Floor_MemchrLines(benchmark::State& state) {
  const std::string& s = data().bytes;
  for (auto _ : state) {
    size_t lines = 0;
    const char* p = s.data();
    const char* end = p + s.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
      ++lines;
      ++p;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_Floor_MemchrLines)->Unit(benchmark::kMillisecond);

void runQuery(benchmark::State& state, const std::string& sql_tail, bool json) {
  const Data& d = data();
  std::string sql = sql_tail;
  size_t at = sql.find("{f}");
  sql.replace(at, 3, "'" + d.path + "'");
  size_t out_bytes = 0;
  for (auto _ : state) {
    char* out = nullptr;
    int rc = json ? narwe_query_json(sql.c_str(), &out) : narwe_query_csv(sql.c_str(), &out);
    if (rc != 0) {
      state.SkipWithError(out ? out : "query failed");
      narwe_free(out);
      return;
    }
    out_bytes = std::strlen(out);
    narwe_free(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.bytes.size()));
  state.counters["out_MB"] = static_cast<double>(out_bytes) / (1 << 20);
}

void BM_FilterProject3(benchmark::State& state) {
  runQuery(state, "SELECT id, city, amount FROM {f} WHERE amount > 99000", false);
}
void BM_SelectStarCsv(benchmark::State& state) { runQuery(state, "SELECT * FROM {f}", false); }
void BM_SelectStarJson(benchmark::State& state) { runQuery(state, "SELECT * FROM {f}", true); }
void BM_OrderByNumberLimit10(benchmark::State& state) {
  runQuery(state, "SELECT id, city, amount FROM {f} ORDER BY amount DESC LIMIT 10", false);
}
void BM_OrderByTextFull(benchmark::State& state) {
  runQuery(state, "SELECT id, name FROM {f} ORDER BY name", false);
}
BENCHMARK(BM_FilterProject3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelectStarCsv)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelectStarJson)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OrderByNumberLimit10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OrderByTextFull)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
