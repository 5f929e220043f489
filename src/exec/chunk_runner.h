// The parallel chunk runner shared by every parallel executor.
//
// The data area of an open file (from the first record after the header to
// the size seen when the file was opened) is cut into chunks of about
// `chunk_bytes`; each chunk is handed to the consumer as whole records: it
// starts at a true record start and ends after the record that crosses its
// nominal end (a quoted field holding line feeds is never cut). Together the
// chunks are exactly the bytes of the data area, in order.
//
// How the cut is found without a sequential pass: each worker reads its
// nominal stretch with positioned reads on the given descriptor (workers never
// reopen the file) and summarises it for every scanner state it might start
// in (io/record_scan.h). Chaining the summaries in order gives the true state
// at every nominal boundary, so a worker only waits for the summaries of the
// chunks before its own, never for their processing.
//
// Workers (common/thread_start.h: SIGPIPE blocked, 16 MiB stacks) take chunks
// in increasing order from one counter, so each worker sees its chunks in
// file order. The record that crosses a chunk's nominal end is read on to
// its end, but never further than the record limit (io/record_limit.h): a
// longer one is handed over cut, and the reader of the chunk finds it too
// long (FileTooBig). The consumer's processChunk runs on the workers; combineChunk
// runs on the calling thread, once per processed chunk, in chunk order. Chunks
// are handed out at most a bounded number ahead of the last combined one, so
// per-chunk results waiting to be combined take bounded memory. The first
// error in file order is returned: a failing chunk stops the hand-out of later
// chunks, and earlier chunks still run to decide whether one of them fails
// first. A file that ends before the size seen at open fails with EndOfStream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "common/error.h"

namespace narwe {

// Readable bytes that follow every chunk's data (contents unspecified), so
// block-wise scanners may load past the last record.
constexpr size_t kChunkPadding = 64;

// One chunk as a consumer sees it: whole records, the last one ending in a
// line feed unless it is the last record of the file.
struct FileChunk {
  uint64_t index = 0;   // position in file order, from 0
  uint64_t offset = 0;  // file offset of data[0]
  const char* data = nullptr;
  size_t size = 0;
};

struct ChunkInput {
  int fd = -1;              // open for reading; the runner only preads it
  uint64_t file_size = 0;   // the size seen at open; nothing past it is read
  uint64_t data_start = 0;  // a record start: the first byte after the header
  char delimiter = ',';
};

struct ChunkPlan {
  unsigned workers = 1;
  uint64_t chunk_bytes = 0;
  uint64_t chunk_count = 0;
};

// The chunks for `input`: chunk_bytes as given (0: about eight chunks per
// worker, between 256 KiB and 2 MiB), and no more workers than chunks. The
// worker count follows effectiveThreadCount (exec/run_options.h).
ChunkPlan planChunks(const ChunkInput& input, unsigned requested_workers, uint64_t chunk_bytes);

class ChunkConsumer {
 public:
  // On worker `worker` (0 .. plan.workers - 1; one thread per index, so
  // per-worker state needs no lock). Chunks of one worker arrive in
  // increasing index order. Chunks holding no record start are not passed.
  virtual Status processChunk(const FileChunk& chunk, unsigned worker) = 0;
  // On the calling thread, in increasing index order, once for every chunk
  // that processChunk completed, after all earlier chunks were combined.
  virtual Status combineChunk(uint64_t index) = 0;
  // On the calling thread after each successful combine: false ends the run
  // with success at once (a LIMIT is satisfied). Later chunks are neither
  // combined nor looked at for errors.
  virtual bool wantsMore() { return true; }

 protected:
  ~ChunkConsumer() = default;
};

// Runs the plan. Errors: the first in file order of processChunk,
// combineChunk and the reads (EndOfStream when the file shrank, the read
// error by name otherwise); OutOfMemory; SystemResources or Unexpected when a
// worker cannot be started.
Status runChunks(const ChunkInput& input, const ChunkPlan& plan, ChunkConsumer& consumer);

// Convenience for per-chunk results: `process(chunk, worker)` returns a
// Result<R>; `combine(R&&, index)` gets them in chunk order and returns a
// Status. Each result is released once combined.
template <class R, class Process, class Combine>
Status runChunksOrdered(const ChunkInput& input, const ChunkPlan& plan, Process&& process,
                        Combine&& combine) {
  struct Adapter final : ChunkConsumer {
    Process& process;
    Combine& combine;
    std::vector<std::optional<R>> results;
    Adapter(Process& p, Combine& c) : process(p), combine(c) {}
    Status processChunk(const FileChunk& chunk, unsigned worker) override {
      Result<R> r = process(chunk, worker);
      if (!r.ok()) return r.error();
      results[chunk.index].emplace(std::move(r).value());
      return okStatus();
    }
    Status combineChunk(uint64_t index) override {
      std::optional<R> r = std::move(results[index]);
      results[index].reset();
      return combine(std::move(*r), index);
    }
  };
  Adapter adapter(process, combine);
  try {
    adapter.results.resize(plan.chunk_count);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
  return runChunks(input, plan, adapter);
}

}  // namespace narwe
