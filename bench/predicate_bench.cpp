// Row filtering throughput: LIKE on long texts and single comparisons on
// numeric and text fields. Each benchmark also reports heap allocations per
// evaluated row (expected: 0).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "common/name_index.h"
#include "common/numbers.h"
#include "scalar/bound_predicate.h"
#include "sql/predicate.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Counting replacements of the global allocation functions (malloc-backed,
// so new and delete stay matched).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace narwe {
namespace {

constexpr size_t kRows = 1024;
constexpr size_t kLikeTextBytes = 1024;

void reportAllocations(benchmark::State& state, long before, size_t rows_per_iteration) {
  long allocations = g_allocations.load() - before;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows_per_iteration));
  state.counters["allocs_per_row"] =
      static_cast<double>(allocations) /
      static_cast<double>(state.iterations() * rows_per_iteration);
}

std::string randomLetters(std::mt19937& rng, size_t n) {
  std::string s(n, ' ');
  for (char& c : s) c = static_cast<char>('a' + rng() % 26);
  return s;
}

// 1 KiB text; arg 0: the pattern matches (its words sit near the end),
// arg 1: the last word is missing.
void BM_MatchLike1KiB(benchmark::State& state) {
  std::mt19937 rng(1);
  std::string text = randomLetters(rng, kLikeTextBytes);
  text.replace(700, 5, "alpha");
  text.replace(850, 4, "beta");
  text.replace(1000, 5, "gamma");
  const std::string pattern = state.range(0) == 0 ? "%alpha%beta%gamma%" : "%alpha%beta%omega%";
  long before = g_allocations.load();
  for (auto _ : state) benchmark::DoNotOptimize(matchLike(text, pattern));
  reportAllocations(state, before, 1);
}
BENCHMARK(BM_MatchLike1KiB)->Arg(0)->Arg(1);

void BM_MatchILike1KiB(benchmark::State& state) {
  std::mt19937 rng(1);
  std::string text = randomLetters(rng, kLikeTextBytes);
  text.replace(700, 5, "ALPHA");
  text.replace(850, 4, "Beta");
  text.replace(1000, 5, "gamma");
  long before = g_allocations.load();
  for (auto _ : state) benchmark::DoNotOptimize(matchILike(text, "%alpha%beta%gamma%"));
  reportAllocations(state, before, 1);
}
BENCHMARK(BM_MatchILike1KiB);

Comparison makeComparison(Operator op, std::string value, std::string column = std::string(1, 'x')) {
  Comparison c;
  c.column = std::move(column);
  c.op = op;
  c.value = std::move(value);
  c.number = parseFloat(c.value);
  return c;
}

// Runs one comparison, bound as a one-leaf condition, over kRows prepared
// fields per iteration.
void runCompare(benchmark::State& state, const Comparison& c, const std::vector<std::string>& rows) {
  std::vector<std::string_view> views(rows.begin(), rows.end());
  const Expression where{Comparison(c)};
  const std::string_view headers[] = {c.column};
  Result<BoundPredicate> bound =
      BoundPredicate::bind(where, buildNameIndex({headers[0]}), false);
  if (!bound.ok()) {
    state.SkipWithError("bind failed");
    return;
  }
  Error error = Error::None;
  long before = g_allocations.load();
  for (auto _ : state) {
    size_t kept = 0;
    for (std::string_view f : views) kept += bound->matches({&f, 1}, error);
    benchmark::DoNotOptimize(kept);
  }
  reportAllocations(state, before, views.size());
}

void BM_CompareIntegerFields(benchmark::State& state) {
  std::mt19937 rng(2);
  std::vector<std::string> rows;
  for (size_t i = 0; i < kRows; ++i) rows.push_back(std::to_string(rng() % 100000));
  runCompare(state, makeComparison(Operator::gt, "50000"), rows);
}
BENCHMARK(BM_CompareIntegerFields);

void BM_CompareFloatFields(benchmark::State& state) {
  std::mt19937 rng(3);
  std::vector<std::string> rows;
  for (size_t i = 0; i < kRows; ++i)
    rows.push_back(std::to_string(rng() % 100000) + "." + std::to_string(rng() % 1000));
  runCompare(state, makeComparison(Operator::gt, "50000.5"), rows);
}
BENCHMARK(BM_CompareFloatFields);

void BM_CompareTextFields(benchmark::State& state) {
  std::mt19937 rng(4);
  std::vector<std::string> rows;
  for (size_t i = 0; i < kRows; ++i) rows.push_back(randomLetters(rng, 4 + rng() % 12));
  Comparison c = makeComparison(state.range(0) == 0 ? Operator::eq : Operator::lt, "mango");
  runCompare(state, c, rows);
}
BENCHMARK(BM_CompareTextFields)->Arg(0)->Arg(1);

// A whole WHERE tree (age > 30 AND name LIKE 'a%') bound to a header.
void BM_EvaluateBoundAnd(benchmark::State& state) {
  std::mt19937 rng(5);
  std::vector<std::string> names, ages;
  for (size_t i = 0; i < kRows; ++i) {
    names.push_back(randomLetters(rng, 8));
    ages.push_back(std::to_string(rng() % 90));
  }
  Logical l;
  Comparison age = makeComparison(Operator::gt, "30", std::string("age"));
  Comparison name = makeComparison(Operator::like, "a%", std::string("name"));
  l.left = std::make_unique<Expression>(std::move(age));
  l.right = std::make_unique<Expression>(std::move(name));
  Expression where(std::move(l));
  Result<BoundPredicate> bound =
      BoundPredicate::bind(where, buildNameIndex({"id", "name", "age"}), false);
  if (!bound.ok()) {
    state.SkipWithError("bind failed");
    return;
  }
  Error error = Error::None;
  long before = g_allocations.load();
  for (auto _ : state) {
    size_t kept = 0;
    for (size_t i = 0; i < kRows; ++i) {
      const std::string_view fields[] = {"1", names[i], ages[i]};
      kept += bound->matches(fields, error);
    }
    benchmark::DoNotOptimize(kept);
  }
  reportAllocations(state, before, kRows);
}
BENCHMARK(BM_EvaluateBoundAnd);

}  // namespace
}  // namespace narwe

BENCHMARK_MAIN();
