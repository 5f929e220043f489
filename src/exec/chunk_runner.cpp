// The chunk runner: nominal stretches, chained scanner states, workers and the
// in-order combine.
#include "exec/chunk_runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "common/thread_start.h"
#include "exec/run_options.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

using scan::ScanState;
using Classifier = blocks::ActiveClassifier;

constexpr uint64_t kMinChunkBytes = 256 * 1024;
// At most 2 MiB, so a chunk read, summarised and processed stays in cache.
constexpr uint64_t kMaxChunkBytes = 2 * 1024 * 1024;
constexpr uint64_t kChunksPerWorker = 8;
// Chunks handed out ahead of the last combined one, per worker.
constexpr uint64_t kPendingPerWorker = 4;
// Bytes read at a time while looking for the end of a record that crosses a
// chunk's nominal end.
constexpr size_t kExtendBytes = 64 * 1024;

// Reads exactly `size` bytes at `offset`; a file that ends first has shrunk.
Status readAt(int fd, char* out, size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t got = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errorFromErrno(errno);
    }
    if (got == 0) return Error::EndOfStream;
    out += got;
    size -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return okStatus();
}

// A worker's reusable read buffer, with kChunkPadding bytes beyond its size.
class ChunkBuffer {
 public:
  char* data() { return bytes_.get(); }
  size_t size() const { return size_; }
  void clear() { size_ = 0; }
  // Appends `count` bytes read from the file at `offset`.
  Status append(int fd, uint64_t offset, size_t count) {
    if (size_ + count > capacity_) {
      const size_t capacity = std::max(size_ + count, capacity_ * 2);
      std::unique_ptr<char[]> grown(new char[capacity + kChunkPadding]);
      if (size_ != 0) std::memcpy(grown.get(), bytes_.get(), size_);
      std::memset(grown.get() + capacity, 0, kChunkPadding);
      bytes_ = std::move(grown);
      capacity_ = capacity;
    }
    NARWE_TRY(readAt(fd, bytes_.get() + size_, count, offset));
    size_ += count;
    return okStatus();
  }

 private:
  std::unique_ptr<char[]> bytes_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

struct ChunkState {
  bool summarized = false;
  bool done = false;
  bool processed = false;  // processChunk ran and succeeded
  Error error = Error::None;
  ScanState exit[scan::kStateCount] = {};  // state at the nominal end, per start state
};

class Runner {
 public:
  Runner(const ChunkInput& input, const ChunkPlan& plan, ChunkConsumer& consumer)
      : input_(input), plan_(plan), consumer_(consumer) {}

  Status run();
  static void workerEntry(void* arg) noexcept;

 private:
  struct Worker {
    Runner* runner = nullptr;
    unsigned index = 0;
    pthread_t thread{};
  };

  uint64_t nominalBegin(uint64_t k) const {
    return input_.data_start + k * plan_.chunk_bytes;
  }
  uint64_t nominalEnd(uint64_t k) const {
    return std::min(input_.file_size, nominalBegin(k) + plan_.chunk_bytes);
  }
  void workerLoop(unsigned worker);
  Status handleChunk(uint64_t k, unsigned worker, ChunkBuffer& buffer);
  void publishSummary(uint64_t k, const scan::SegmentSummary& summary);
  // Waits until the state at chunk k's nominal start is known; false when the
  // run was stopped first.
  bool waitForEntry(uint64_t k, ScanState& entry);
  void finishChunk(uint64_t k, Status status);
  void stopAll();

  const ChunkInput& input_;
  const ChunkPlan plan_;
  ChunkConsumer& consumer_;

  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<ChunkState> chunks_;
  std::vector<ScanState> entries_;  // known entry states, a prefix of the chunks
  uint64_t next_chunk_ = 0;         // next to hand out
  uint64_t combined_ = 0;           // chunks combined by the calling thread
  uint64_t first_failed_ = UINT64_MAX;
  bool stopped_ = false;            // the calling thread gave up: workers leave
};

void Runner::publishSummary(uint64_t k, const scan::SegmentSummary& summary) {
  std::lock_guard<std::mutex> guard(lock_);
  ChunkState& chunk = chunks_[k];
  std::copy(std::begin(summary.end_state), std::end(summary.end_state), chunk.exit);
  chunk.summarized = true;
  // Extend the chain of known entry states as far as summaries allow.
  while (entries_.size() < chunks_.size() && chunks_[entries_.size() - 1].summarized) {
    const ChunkState& before = chunks_[entries_.size() - 1];
    entries_.push_back(before.exit[static_cast<size_t>(entries_.back())]);
  }
  changed_.notify_all();
}

bool Runner::waitForEntry(uint64_t k, ScanState& entry) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [&] { return entries_.size() > k || stopped_ || first_failed_ < k; });
  if (entries_.size() <= k) return false;
  entry = entries_[k];
  return true;
}

void Runner::finishChunk(uint64_t k, Status status) {
  std::lock_guard<std::mutex> guard(lock_);
  ChunkState& chunk = chunks_[k];
  chunk.done = true;
  chunk.error = status.error();
  if (!status.ok()) first_failed_ = std::min(first_failed_, k);
  changed_.notify_all();
}

void Runner::stopAll() {
  std::lock_guard<std::mutex> guard(lock_);
  stopped_ = true;
  changed_.notify_all();
}

Status Runner::handleChunk(uint64_t k, unsigned worker, ChunkBuffer& buffer) {
  const uint64_t begin = nominalBegin(k);
  const uint64_t end = nominalEnd(k);
  buffer.clear();
  NARWE_TRY(buffer.append(input_.fd, begin, end - begin));
  const char delim = input_.delimiter;
  publishSummary(k, scan::summarizeSegment<Classifier>(buffer.data(), 0, buffer.size(), delim,
                                                       /*all_starts=*/k != 0));
  ScanState entry = ScanState::RecordStart;
  if (!waitForEntry(k, entry)) return okStatus();  // an earlier chunk failed

  // The first record that starts inside the nominal stretch.
  size_t first = 0;
  if (entry != ScanState::RecordStart) {
    ScanState state = entry;
    const size_t lf = scan::scanForRecordEnd<Classifier>(buffer.data(), buffer.size(), 0, state,
                                                         delim);
    if (lf == scan::kNoRecordEnd || lf + 1 == buffer.size()) {
      // No record starts here: the chunk before owns every byte of it.
      return okStatus();
    }
    first = lf + 1;
  }
  // Read on to the end of the record that crosses the nominal end.
  ScanState state = chunks_[k].exit[static_cast<size_t>(entry)];  // written before the wait
  size_t scanned = buffer.size();
  // Past the record limit the crossing record is surely too long: it is
  // handed over cut, and its reader reports it.
  const uint64_t extend_limit = end - begin + maxRecordBytes();
  while (state != ScanState::RecordStart && begin + buffer.size() < input_.file_size &&
         buffer.size() <= extend_limit) {
    const size_t more =
        static_cast<size_t>(std::min<uint64_t>(kExtendBytes, input_.file_size - begin - buffer.size()));
    NARWE_TRY(buffer.append(input_.fd, begin + buffer.size(), more));
    const size_t lf =
        scan::scanForRecordEnd<Classifier>(buffer.data(), buffer.size(), scanned, state, delim);
    if (lf != scan::kNoRecordEnd) {
      scanned = lf + 1;
      break;
    }
    scanned = buffer.size();
  }
  const FileChunk chunk{k, begin + first, buffer.data() + first, scanned - first};
  NARWE_TRY(consumer_.processChunk(chunk, worker));
  std::lock_guard<std::mutex> guard(lock_);
  chunks_[k].processed = true;
  return okStatus();
}

void Runner::workerLoop(unsigned worker) {
  ChunkBuffer buffer;
  const uint64_t window = kPendingPerWorker * plan_.workers;
  for (;;) {
    uint64_t k = 0;
    {
      std::unique_lock<std::mutex> guard(lock_);
      changed_.wait(guard, [&] {
        return stopped_ || next_chunk_ >= chunks_.size() || next_chunk_ > first_failed_ ||
               next_chunk_ < combined_ + window;
      });
      if (stopped_ || next_chunk_ >= chunks_.size() || next_chunk_ > first_failed_) return;
      k = next_chunk_++;
    }
    Status status;
    try {
      status = handleChunk(k, worker, buffer);
    } catch (const std::bad_alloc&) {
      status = Error::OutOfMemory;
    } catch (...) {
      status = Error::Unexpected;
    }
    finishChunk(k, status);
  }
}

void Runner::workerEntry(void* arg) noexcept {
  Worker* worker = static_cast<Worker*>(arg);
  worker->runner->workerLoop(worker->index);
}

Status Runner::run() {
  if (plan_.chunk_count == 0) return okStatus();
  std::vector<Worker> workers;
  try {
    chunks_.resize(plan_.chunk_count);
    entries_.reserve(plan_.chunk_count);
    entries_.push_back(ScanState::RecordStart);
    workers.resize(plan_.workers);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
  (void)::posix_fadvise(input_.fd, static_cast<off_t>(input_.data_start),
                        static_cast<off_t>(input_.file_size - input_.data_start),
                        POSIX_FADV_SEQUENTIAL);

  Status result;
  size_t started = 0;
  for (; started < workers.size(); ++started) {
    workers[started].runner = this;
    workers[started].index = static_cast<unsigned>(started);
    Result<pthread_t> thread = startThread<&Runner::workerEntry>(&workers[started], kWorkerStackSize);
    if (!thread.ok()) {
      result = thread.error();
      break;
    }
    workers[started].thread = *thread;
  }

  // Combine in chunk order as chunks complete.
  for (uint64_t k = 0; result.ok() && k < plan_.chunk_count; ++k) {
    bool processed = false;
    {
      std::unique_lock<std::mutex> guard(lock_);
      changed_.wait(guard, [&] { return chunks_[k].done; });
      if (chunks_[k].error != Error::None) {
        result = chunks_[k].error;
        break;
      }
      processed = chunks_[k].processed;
    }
    if (processed) {
      // Nothing may leave this function while workers still run.
      try {
        result = consumer_.combineChunk(k);
        if (result.ok() && !consumer_.wantsMore()) {
          std::lock_guard<std::mutex> guard(lock_);
          combined_ = k + 1;
          break;
        }
      } catch (const std::bad_alloc&) {
        result = Error::OutOfMemory;
      } catch (...) {
        result = Error::Unexpected;
      }
    }
    std::lock_guard<std::mutex> guard(lock_);
    combined_ = k + 1;
    changed_.notify_all();
  }
  stopAll();
  for (size_t i = 0; i < started; ++i) pthread_join(workers[i].thread, nullptr);
  return result;
}

}  // namespace

ChunkPlan planChunks(const ChunkInput& input, unsigned requested_workers, uint64_t chunk_bytes) {
  ChunkPlan plan;
  const unsigned workers = effectiveThreadCount(requested_workers);
  const uint64_t data = input.file_size > input.data_start ? input.file_size - input.data_start : 0;
  if (chunk_bytes == 0) {
    chunk_bytes = std::clamp<uint64_t>(data / (uint64_t{workers} * kChunksPerWorker),
                                       kMinChunkBytes, kMaxChunkBytes);
  }
  plan.chunk_bytes = chunk_bytes;
  plan.chunk_count = (data + chunk_bytes - 1) / chunk_bytes;
  plan.workers = static_cast<unsigned>(std::max<uint64_t>(1, std::min<uint64_t>(workers, plan.chunk_count)));
  return plan;
}

Status runChunks(const ChunkInput& input, const ChunkPlan& plan, ChunkConsumer& consumer) {
  if (input.data_start >= input.file_size || plan.chunk_count == 0) return okStatus();
  Runner runner(input, plan, consumer);
  return runner.run();
}

}  // namespace narwe
