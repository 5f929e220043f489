// Record counting over an in-memory buffer, split across worker threads whose
// per-piece summaries are chained in file order.
#include "io/fast_count.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

#include "common/thread_start.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

struct CountJob {
  const char* data = nullptr;
  size_t begin = 0;
  size_t end = 0;
  char delimiter = ',';
  bool all_starts = true;
  scan::SegmentSummary summary;
};

void runJob(CountJob& job) {
  job.summary = scan::summarizeSegment<blocks::ActiveClassifier>(job.data, job.begin, job.end,
                                                                 job.delimiter, job.all_starts);
}

void countWorker(void* arg) noexcept { runJob(*static_cast<CountJob*>(arg)); }

uint64_t chain(const std::vector<CountJob>& jobs) {
  scan::ScanState state = scan::ScanState::RecordStart;
  uint64_t total = 0;
  for (const CountJob& job : jobs) {
    const size_t s = static_cast<size_t>(state);
    total += job.summary.record_ends[s];
    state = job.summary.end_state[s];
  }
  // Bytes after the last record-ending line feed form one more record.
  if (state != scan::ScanState::RecordStart) ++total;
  return total;
}

}  // namespace

Result<uint64_t> countRecords(const char* bytes, size_t length, unsigned max_workers,
                              char delimiter) {
  if (length == 0) return uint64_t{0};
  size_t pieces = length >= kCountParallelThreshold ? length / kCountBytesPerWorker : 1;
  pieces = std::min<size_t>(pieces, std::max(1u, max_workers));

  try {
    std::vector<CountJob> jobs(pieces);
    const size_t step = length / pieces;
    for (size_t i = 0; i < pieces; ++i) {
      CountJob& job = jobs[i];
      job.data = bytes;
      job.begin = i * step;
      job.end = i + 1 == pieces ? length : (i + 1) * step;
      job.delimiter = delimiter;
      job.all_starts = i != 0;  // only the first piece surely starts a record
    }
    if (pieces == 1) {
      runJob(jobs[0]);
      return chain(jobs);
    }
    std::vector<pthread_t> threads(pieces);
    size_t started = 0;
    Error failure = Error::None;
    for (; started < pieces; ++started) {
      Result<pthread_t> thread = startThread<countWorker>(&jobs[started], kWorkerStackSize);
      if (!thread.ok()) {
        failure = thread.error();
        break;
      }
      threads[started] = *thread;
    }
    // Every started worker is joined before `jobs` can go away.
    for (size_t i = 0; i < started; ++i) pthread_join(threads[i], nullptr);
    if (failure != Error::None) return failure;
    return chain(jobs);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
