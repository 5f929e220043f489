// Per-value cost of the accumulators (one group, texts already split) and the
// chunk runner's overhead over a page-cached file with a consumer that only
// counts bytes.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "agg/accumulators.h"
#include "exec/chunk_runner.h"

namespace {

using namespace narwe;

// Two-decimal amounts, the usual content of a summed column.
const std::vector<std::string>& amounts() {
  static const auto* values = [] {
    auto* out = new std::vector<std::string>;
    std::mt19937_64 rng(3);
    for (int i = 0; i < 1 << 16; ++i) {
      out->push_back(std::to_string(rng() % 100000) + "." + std::to_string(10 + rng() % 90));
    }
    return out;
  }();
  return *values;
}

void BM_Accumulate(benchmark::State& state) {
  AccumSpec agg;
  agg.kind = static_cast<AggKind>(state.range(0));
  const std::vector<AccumSpec> specs{agg};
  auto layout = AccumLayout::forSpecs(specs);
  const auto& values = amounts();
  for (auto _ : state) {
    auto accum = GroupAccum::create(*layout);
    for (const std::string& v : values) (void)accum->addText(*layout, 0, v, 0);
    std::string out;
    (void)accum->finish(*layout, 0, out);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * values.size()));
}
BENCHMARK(BM_Accumulate)
    ->Arg(static_cast<int>(AggKind::count))
    ->Arg(static_cast<int>(AggKind::sum))
    ->Arg(static_cast<int>(AggKind::var_samp))
    ->Arg(static_cast<int>(AggKind::min))
    ->Arg(static_cast<int>(AggKind::median))
    ->Arg(static_cast<int>(AggKind::count_distinct));

struct CountBytes final : ChunkConsumer {
  std::atomic<uint64_t> bytes{0};
  Status processChunk(const FileChunk& chunk, unsigned) override {
    bytes += chunk.size;
    return okStatus();
  }
  Status combineChunk(uint64_t) override { return okStatus(); }
};

// 64 MiB of CSV with a quoted field in every tenth record.
void BM_ChunkRunner(benchmark::State& state) {
  char path[] = "/tmp/narwe_agg_bench_XXXXXX";
  const int fd = ::mkstemp(path);
  std::string block;
  for (int i = 0; block.size() < (1 << 20); ++i) {
    block += std::to_string(i) + (i % 10 == 0 ? ",\"a\nb\"," : ",plain,") + "12.50\n";
  }
  for (int i = 0; i < 64; ++i) (void)!::write(fd, block.data(), block.size());
  const ChunkInput input{fd, uint64_t{64} * block.size(), 0, ','};
  const ChunkPlan plan = planChunks(input, static_cast<unsigned>(state.range(0)), 0);
  for (auto _ : state) {
    CountBytes consumer;
    (void)runChunks(input, plan, consumer);
    benchmark::DoNotOptimize(consumer.bytes.load());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.file_size));
  ::close(fd);
  ::unlink(path);
}
BENCHMARK(BM_ChunkRunner)->Arg(1)->Arg(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
