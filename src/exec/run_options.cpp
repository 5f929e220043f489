// Worker-count rule.
#include "exec/run_options.h"

#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string_view>

#include "common/numbers.h"

namespace narwe {
namespace {

// NARWE_THREADS as a worker count: decimal digits only, value at least 1.
// Values beyond any real machine saturate (the caller clamps them); anything
// else (empty, a sign, blanks, zero, other bytes) is ignored.
std::optional<uint64_t> threadsFromEnvironment() {
  const char* raw = std::getenv("NARWE_THREADS");
  if (raw == nullptr) return std::nullopt;
  std::string_view text(raw);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  Result<uint64_t> value = parseUint64(text);
  if (!value.ok()) {
    if (value.error() == Error::Overflow) return kMaxWorkers;
    return std::nullopt;
  }
  if (*value == 0) return std::nullopt;
  return *value;
}

// CPUs this process may run on (so `taskset` and cgroup cpusets are honoured),
// else the online count, else 1.
uint64_t availableCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) == 0) {
    int count = CPU_COUNT(&set);
    if (count > 0) return static_cast<uint64_t>(count);
  }
  long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<uint64_t>(online) : 1;
}

}  // namespace

unsigned effectiveThreadCount(unsigned requested) {
  uint64_t count = requested;
  if (requested == 0) {
    std::optional<uint64_t> configured = threadsFromEnvironment();
    count = configured ? *configured : availableCpus();
  }
  if (count < 2) return 1;
  if (count > kMaxWorkers) return kMaxWorkers;
  return static_cast<unsigned>(count);
}

}  // namespace narwe
