// Throughput of the CSV and JSON result writers on ~200 MB of generated rows
// (8 fields, 100-byte records), written to /dev/null, next to a memchr
// line-feed count over the same bytes as the floor of what any pass over the
// data costs. Argument 0: no field needs quoting; 1: one field per row holds
// a comma (CSV quotes it; JSON is unaffected but included for comparison).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "io/record_writer.h"

namespace {

constexpr size_t kFields = 8;
constexpr size_t kRecordBytes = 100;  // fields, 7 delimiters and the LF
constexpr size_t kRows = 2'000'000;   // 200 MB of records
constexpr size_t kQuotedField = 3;

// Rows stored back to back as CSV text; field lengths kept per row so the
// benchmark loop slices fields without scanning for delimiters.
struct Dataset {
  std::string bytes;
  std::vector<std::array<uint8_t, kFields>> lengths;
};

Dataset generate(bool with_quotes) {
  Dataset d;
  d.bytes.reserve(kRows * kRecordBytes);
  d.lengths.resize(kRows);
  std::mt19937_64 rng(2024);
  static const char* words[] = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf",
                                "hotel", "india", "juliet", "kilo", "lima", "mike", "november"};
  for (size_t r = 0; r < kRows; ++r) {
    // Payload of 92 bytes over 8 fields: numbers and words, padded so every
    // record is exactly 100 bytes.
    std::array<std::string, kFields> f;
    f[0] = std::to_string(r);
    f[1] = std::to_string(rng() % 100000) + "." + std::to_string(rng() % 100);
    f[2] = words[rng() % 14];
    f[3] = with_quotes ? std::string("Smith, ") + words[rng() % 14] : words[rng() % 14];
    f[4] = std::to_string(static_cast<int64_t>(rng() % 2000000) - 1000000);
    f[5] = std::string(words[rng() % 14]) + " " + words[rng() % 14];
    f[6] = "2024-0" + std::to_string(1 + rng() % 9) + "-1" + std::to_string(rng() % 10);
    size_t used = 0;
    for (size_t i = 0; i < kFields - 1; ++i) used += f[i].size();
    const size_t payload = kRecordBytes - kFields;  // minus 7 delimiters and LF
    f[7] = std::string(payload > used ? payload - used : 1, static_cast<char>('a' + r % 26));
    for (size_t i = 0; i < kFields; ++i) {
      if (i > 0) d.bytes.push_back(',');
      d.bytes += f[i];
      d.lengths[r][i] = static_cast<uint8_t>(f[i].size());
    }
    d.bytes.push_back('\n');
  }
  return d;
}

const Dataset& dataset(bool with_quotes) {
  static const Dataset plain = generate(false);
  static const Dataset quoted = generate(true);
  return with_quotes ? quoted : plain;
}

void runWriter(benchmark::State& state, narwe::OutputFormat format) {
  const Dataset& d = dataset(state.range(0) != 0);
  int fd = ::open("/dev/null", O_WRONLY);
  if (fd < 0) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  narwe::FdSink sink(fd);
  const std::array<std::string_view, kFields> header = {"id", "amount", "word", "name",
                                                        "delta", "pair", "date", "pad"};
  for (auto _ : state) {
    auto writer = narwe::RecordWriter::init(sink, format, ',');
    if (!writer.ok() || !writer->writeHeader(header, false).ok()) {
      state.SkipWithError("writer setup failed");
      break;
    }
    const char* p = d.bytes.data();
    std::array<std::string_view, kFields> fields;
    bool ok = true;
    for (size_t r = 0; r < kRows && ok; ++r) {
      for (size_t i = 0; i < kFields; ++i) {
        fields[i] = std::string_view(p, d.lengths[r][i]);
        p += d.lengths[r][i] + 1;  // the delimiter or the LF
      }
      ok = writer->writeRecord(fields).ok();
    }
    if (!ok || !writer->finish().ok() || !writer->flush().ok()) {
      state.SkipWithError("write failed");
      break;
    }
  }
  ::close(fd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.bytes.size()));
}

void BM_CsvWriter(benchmark::State& state) { runWriter(state, narwe::OutputFormat::Csv); }
void BM_JsonWriter(benchmark::State& state) { runWriter(state, narwe::OutputFormat::JsonArray); }

void BM_MemchrLineCount(benchmark::State& state) {
  const Dataset& d = dataset(state.range(0) != 0);
  for (auto _ : state) {
    const char* p = d.bytes.data();
    const char* end = p + d.bytes.size();
    size_t lines = 0;
    while (const void* hit = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
      ++lines;
      p = static_cast<const char*>(hit) + 1;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.bytes.size()));
}

BENCHMARK(BM_MemchrLineCount)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvWriter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonWriter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
