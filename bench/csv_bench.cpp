// Throughput of the CSV scanners on ~200 MB of generated CSV (100-byte
// records, 8 fields), once without quotes and once with one quoted field per
// record. Each result carries GB/s and its ratio to a floor measured in the
// same run on the same bytes: counting line feeds with memchr on one thread.
//
// Run briefly on shared machines, e.g. --benchmark_min_time=0.5.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/fast_count.h"
#include "io/simd.h"

namespace {

constexpr size_t kTargetBytes = 200u * 1000 * 1000;
constexpr size_t kRecordBytes = 100;
constexpr int kFields = 8;

enum Dataset : int { kPlain = 0, kQuoted = 1 };

// One 100-byte record (99 bytes + LF) of 8 fields; the quoted variant has a
// quoted field holding a delimiter.
std::string makeRecord(size_t i, bool quoted) {
  std::string r = std::to_string(100000000 + i);
  r += ",alpha,";
  r += quoted ? "\"text, with comma\"" : "text with no comma";
  r += ",42.5,2024-01-15,beta,gamma";
  r += ",";
  const size_t used = r.size() + 1;
  r.append(used < kRecordBytes ? kRecordBytes - used : 0, 'z');
  r.push_back('\n');
  return r;
}

const std::string& data(Dataset d) {
  static std::string sets[2];
  std::string& s = sets[d];
  if (s.empty()) {
    s.reserve(kTargetBytes + kRecordBytes);
    for (size_t i = 0; s.size() < kTargetBytes; ++i) s += makeRecord(i, d == kQuoted);
  }
  return s;
}

// A file holding the dataset, for the descriptor-based reader.
class DataFile {
 public:
  explicit DataFile(Dataset d) {
    char name[] = "/tmp/narwe_csv_bench_XXXXXX";
    fd_ = mkstemp(name);
    if (fd_ < 0) throw std::runtime_error("mkstemp");
    unlink(name);
    const std::string& s = data(d);
    size_t done = 0;
    while (done < s.size()) {
      const ssize_t n = write(fd_, s.data() + done, s.size() - done);
      if (n <= 0) throw std::runtime_error("write");
      done += static_cast<size_t>(n);
    }
  }
  ~DataFile() { close(fd_); }
  int fd() const { return fd_; }

 private:
  int fd_;
};

double g_floor[2] = {0, 0};

// Times the loop by wall clock (the counter uses worker threads) and
// reports GB/s and the ratio to the floor of the same dataset.
template <class Body>
void measure(benchmark::State& state, Dataset d, Body&& body, bool is_floor = false) {
  const std::string& s = data(d);
  double seconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    body(s);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  const double bytes = static_cast<double>(s.size()) * static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  const double gbps = bytes / seconds / 1e9;
  if (is_floor) g_floor[d] = gbps;
  state.counters["GBps"] = gbps;
  if (g_floor[d] > 0) state.counters["x_floor"] = gbps / g_floor[d];
}

void BM_FloorMemchrLines(benchmark::State& state) {
  const Dataset d = static_cast<Dataset>(state.range(0));
  measure(
      state, d,
      [](const std::string& s) {
        const char* p = s.data();
        const char* end = p + s.size();
        size_t lines = 0;
        while (p < end) {
          const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
          if (lf == nullptr) break;
          ++lines;
          p = static_cast<const char*>(lf) + 1;
        }
        benchmark::DoNotOptimize(lines);
      },
      true);
}

void BM_CountRecords(benchmark::State& state) {
  const Dataset d = static_cast<Dataset>(state.range(0));
  const unsigned workers = static_cast<unsigned>(state.range(1));
  measure(state, d, [workers](const std::string& s) {
    auto n = narwe::countRecords(s.data(), s.size(), workers);
    benchmark::DoNotOptimize(n);
  });
}

void BM_WalkFindRecordEnd(benchmark::State& state) {
  const Dataset d = static_cast<Dataset>(state.range(0));
  measure(state, d, [](const std::string& s) {
    size_t pos = 0;
    size_t records = 0;
    while (pos < s.size()) {
      const auto end = narwe::findRecordEnd(s.data(), s.size(), pos, ',');
      ++records;
      if (!end) break;
      pos = *end + 1;
    }
    benchmark::DoNotOptimize(records);
  });
}

void BM_WalkAndSplit(benchmark::State& state) {
  const Dataset d = static_cast<Dataset>(state.range(0));
  std::vector<std::string_view> table(narwe::kRecordFieldCapacity);
  measure(state, d, [&table](const std::string& s) {
    size_t pos = 0;
    size_t fields = 0;
    while (pos < s.size()) {
      const auto end = narwe::findRecordEnd(s.data(), s.size(), pos, ',');
      const size_t stop = end ? *end : s.size();
      auto n = narwe::parseCSVFieldsStatic(
          narwe::stripRecordCr(std::string_view(s.data() + pos, stop - pos)), table.data(),
          table.size(), ',');
      fields += n.ok() ? *n : 0;
      pos = stop + 1;
    }
    benchmark::DoNotOptimize(fields);
    if (fields != s.size() / kRecordBytes * kFields) std::abort();
  });
}

void BM_ReadRecordSlices(benchmark::State& state) {
  const Dataset d = static_cast<Dataset>(state.range(0));
  DataFile file(d);
  measure(state, d, [&file](const std::string&) {
    auto reader = narwe::BulkCsvReader::init(file.fd());
    if (!reader.ok()) std::abort();
    size_t fields = 0;
    for (;;) {
      auto next = reader->readRecordSlices();
      if (!next.ok()) std::abort();
      if (!next->has_value()) break;
      fields += (*next)->size();
    }
    benchmark::DoNotOptimize(fields);
  });
}

#define NARWE_DATASETS ->Arg(kPlain)->Arg(kQuoted)->UseRealTime()->Unit(benchmark::kMillisecond)
BENCHMARK(BM_FloorMemchrLines) NARWE_DATASETS;
BENCHMARK(BM_CountRecords)
    ->Args({kPlain, 1})->Args({kPlain, 2})->Args({kQuoted, 1})->Args({kQuoted, 2})
    ->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkFindRecordEnd) NARWE_DATASETS;
BENCHMARK(BM_WalkAndSplit) NARWE_DATASETS;
BENCHMARK(BM_ReadRecordSlices) NARWE_DATASETS;

}  // namespace

BENCHMARK_MAIN();
