// LIKE and ILIKE on one very long field: the worst cases of a matcher whose
// cost grows with pattern length times field length. A 50 MB field of 'x'
// against a 1,000-byte pattern of 'x's ending in 'y' (no match) must take
// well under a second per evaluation.
//
// Args: 0 = LIKE, 1 = ILIKE. Shapes: anchored ('%xxx...xy'), floating
// ('%xxx...xy%'), and floating with one '_' in a short segment
// ('%xx_xy%', whose search may try every start).
#include <benchmark/benchmark.h>

#include <string>

#include "sql/predicate.h"

namespace narwe {
namespace {

constexpr size_t kFieldBytes = 50 * 1000 * 1000;
constexpr size_t kPatternBytes = 1000;

const std::string& longField() {
  static const std::string field(kFieldBytes, 'x');
  return field;
}

bool match(const benchmark::State& state, const std::string& pattern) {
  return state.range(0) == 0 ? matchLike(longField(), pattern)
                             : matchILike(longField(), pattern);
}

void BM_LikeAnchoredLongPattern(benchmark::State& state) {
  const std::string pattern = "%" + std::string(kPatternBytes - 2, 'x') + "y";
  for (auto _ : state) benchmark::DoNotOptimize(match(state, pattern));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFieldBytes));
}
BENCHMARK(BM_LikeAnchoredLongPattern)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LikeFloatingLongPattern(benchmark::State& state) {
  const std::string pattern = "%" + std::string(kPatternBytes - 3, 'x') + "y%";
  for (auto _ : state) benchmark::DoNotOptimize(match(state, pattern));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFieldBytes));
}
BENCHMARK(BM_LikeFloatingLongPattern)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LikeFloatingWithAnyByte(benchmark::State& state) {
  const std::string pattern = "%xx_xy%";
  for (auto _ : state) benchmark::DoNotOptimize(match(state, pattern));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFieldBytes));
}
BENCHMARK(BM_LikeFloatingWithAnyByte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace narwe

BENCHMARK_MAIN();
