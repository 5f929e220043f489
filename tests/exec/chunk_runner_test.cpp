// The chunk runner against a sequential read: whatever the worker count and
// chunk size, the chunks are the data area's bytes in order, every chunk
// starts at a record start of a sequential read, and the first error in file
// order is the one reported.
#include "exec/chunk_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "io/csv_test_support.h"

namespace narwe {
namespace {

using testing_support::referenceRecordEnds;
using testing_support::TempFile;

const std::string kHeader = "id,\"note\"\r\n";

// Records with quoted line feeds, CR LF and LF endings, quote pairs, blank
// lines and a last record with or without its line feed.
std::string randomRecords(std::mt19937_64& rng, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    switch (rng() % 6) {
      case 0:
        break;  // blank line
      case 1:
        out += std::to_string(i) + ",\"" + std::string(rng() % 40, '\n') + "x\"\"\n\"";
        break;
      case 2:
        out += "\"a,\r\nb\"," + std::string(rng() % 30, 'y') + "\r";
        break;
      default:
        out += std::to_string(rng()) + "," + std::string(rng() % 50, 'z');
        break;
    }
    if (i + 1 < count || rng() % 2) out += '\n';
  }
  return out;
}

std::set<uint64_t> recordStarts(std::string_view text, uint64_t start) {
  std::set<uint64_t> out{start};
  for (const size_t end : referenceRecordEnds(text, ',', start)) out.insert(end + 1);
  return out;
}

struct Piece {
  uint64_t offset;
  std::string bytes;
};

// Runs the whole file through the runner and checks the pieces.
void expectSequentialEquivalent(const std::string& text, unsigned workers, uint64_t chunk_bytes) {
  TempFile file(text);
  const ChunkInput input{file.fd(), text.size(), kHeader.size(), ','};
  const ChunkPlan plan = planChunks(input, workers, chunk_bytes);
  const std::set<uint64_t> starts = recordStarts(text, kHeader.size());
  std::vector<uint64_t> last_index(plan.workers, 0);
  std::vector<uint8_t> seen(plan.workers, 0);  // not vector<bool>: one byte per worker
  std::atomic<bool> out_of_order{false};
  std::string joined;
  int64_t previous = -1;
  const Status status = runChunksOrdered<Piece>(
      input, plan,
      [&](const FileChunk& chunk, unsigned worker) -> Result<Piece> {
        if (seen[worker] && chunk.index <= last_index[worker]) out_of_order = true;
        seen[worker] = 1;
        last_index[worker] = chunk.index;
        return Piece{chunk.offset, std::string(chunk.data, chunk.size)};
      },
      [&](Piece&& piece, uint64_t index) -> Status {
        EXPECT_GT(static_cast<int64_t>(index), previous);
        previous = static_cast<int64_t>(index);
        EXPECT_EQ(piece.offset, kHeader.size() + joined.size());
        EXPECT_TRUE(starts.count(piece.offset)) << "chunk " << index << " at " << piece.offset;
        joined += piece.bytes;
        return okStatus();
      });
  ASSERT_TRUE(status.ok()) << errorName(status.error());
  EXPECT_FALSE(out_of_order);
  ASSERT_EQ(joined, text.substr(kHeader.size()))
      << workers << " workers, chunks of " << chunk_bytes;
}

TEST(ChunkRunner, ChunksAreTheRecordsOfASequentialRead) {
  std::mt19937_64 rng(4242);
  for (int round = 0; round < 30; ++round) {
    const std::string text = kHeader + (round % 4 == 0 ? testing_support::randomCsv(rng, 3000)
                                                       : randomRecords(rng, 10 + rng() % 120));
    for (unsigned workers : {1u, 2u, 8u}) {
      for (uint64_t chunk_bytes : {1, 3, 64, 100, 1000, 0}) {
        expectSequentialEquivalent(text, workers, chunk_bytes);
      }
    }
  }
}

// A quoted field longer than many chunks: the chunks inside it own no record.
TEST(ChunkRunner, RecordLongerThanManyChunks) {
  const std::string text = kHeader + "1,\"" + std::string(5000, '\n') + "\"\n2,x\n3,\"" +
                           std::string(3000, 'q') + "\n\"";
  for (unsigned workers : {1u, 2u, 8u}) {
    for (uint64_t chunk_bytes : {1, 64, 700}) expectSequentialEquivalent(text, workers, chunk_bytes);
  }
}

struct Failing final : ChunkConsumer {
  Status processChunk(const FileChunk& chunk, unsigned) override {
    const std::string_view bytes(chunk.data, chunk.size);
    const size_t a = bytes.find("FAILa");
    const size_t b = bytes.find("FAILb");
    if (a == std::string_view::npos && b == std::string_view::npos) return okStatus();
    return a < b ? Error::InvalidInput : Error::Overflow;
  }
  Status combineChunk(uint64_t) override { return okStatus(); }
};

TEST(ChunkRunner, FirstErrorInFileOrderWins) {
  std::mt19937_64 rng(99);
  for (int round = 0; round < 30; ++round) {
    std::string body;
    char first = 0;
    for (int i = 0; i < 300; ++i) {
      if (rng() % 40 == 0) {
        const char which = rng() % 2 ? 'a' : 'b';
        if (first == 0) first = which;
        body += std::string("FAIL") + which + ",\"\n\"\n";
      } else {
        body += std::to_string(i) + ",\"q\nq\"\n";
      }
    }
    const std::string text = kHeader + body;
    TempFile file(text);
    const ChunkInput input{file.fd(), text.size(), kHeader.size(), ','};
    for (unsigned workers : {1u, 2u, 8u}) {
      Failing consumer;
      const Status status = runChunks(input, planChunks(input, workers, 1 + rng() % 200), consumer);
      const Error expected =
          first == 0 ? Error::None : first == 'a' ? Error::InvalidInput : Error::Overflow;
      EXPECT_EQ(status.error(), expected) << "round " << round;
    }
  }
}

// A combine that fails stops the run: nothing after it is combined.
struct StopOnCombine final : ChunkConsumer {
  std::vector<uint8_t> has_stop;
  uint64_t combined_after_stop = 0;
  bool stopped = false;
  explicit StopOnCombine(uint64_t chunks) : has_stop(chunks, 0) {}
  Status processChunk(const FileChunk& chunk, unsigned) override {
    has_stop[chunk.index] = std::string_view(chunk.data, chunk.size).find("STOP") != std::string_view::npos;
    return okStatus();
  }
  Status combineChunk(uint64_t index) override {
    if (stopped) ++combined_after_stop;
    if (!has_stop[index]) return okStatus();
    stopped = true;
    return Error::WriteFailed;
  }
};

TEST(ChunkRunner, FailedCombineEndsTheRun) {
  std::string text = kHeader;
  for (int i = 0; i < 2000; ++i) text += i == 1200 ? "STOP,1\n" : std::to_string(i) + ",x\n";
  TempFile file(text);
  const ChunkInput input{file.fd(), text.size(), kHeader.size(), ','};
  for (unsigned workers : {1u, 2u, 8u}) {
    const ChunkPlan plan = planChunks(input, workers, 97);
    StopOnCombine consumer(plan.chunk_count);
    EXPECT_EQ(runChunks(input, plan, consumer).error(), Error::WriteFailed);
    EXPECT_TRUE(consumer.stopped);
    EXPECT_EQ(consumer.combined_after_stop, 0u);
  }
}

struct Counting final : ChunkConsumer {
  std::atomic<uint64_t> bytes{0};
  Status processChunk(const FileChunk& chunk, unsigned) override {
    bytes += chunk.size;
    return okStatus();
  }
  Status combineChunk(uint64_t) override { return okStatus(); }
};

TEST(ChunkRunner, FileShorterThanItsSizeAtOpenIsEndOfStream) {
  const std::string text = kHeader + "1,a\n2,b\n3,c\n";
  TempFile file(text);
  for (unsigned workers : {1u, 2u, 8u}) {
    const ChunkInput shrunk{file.fd(), text.size() + 100, kHeader.size(), ','};
    Counting consumer;
    EXPECT_EQ(runChunks(shrunk, planChunks(shrunk, workers, 8), consumer).error(),
              Error::EndOfStream);
  }
  // Header only: nothing to do.
  const ChunkInput empty{file.fd(), kHeader.size(), kHeader.size(), ','};
  Counting consumer;
  EXPECT_TRUE(runChunks(empty, planChunks(empty, 4, 0), consumer).ok());
  EXPECT_EQ(consumer.bytes.load(), 0u);
}

TEST(ChunkRunner, PlanFollowsSizeAndWorkers) {
  const ChunkInput input{-1, 100 * 1024 * 1024 + 10, 10, ','};
  const ChunkPlan plan = planChunks(input, 2, 0);
  EXPECT_EQ(plan.workers, 2u);
  EXPECT_EQ(plan.chunk_bytes, 2u * 1024 * 1024);
  EXPECT_EQ(plan.chunk_count, 50u);
  EXPECT_EQ(planChunks(ChunkInput{-1, 1000, 10, ','}, 8, 0).workers, 1u);
}

}  // namespace
}  // namespace narwe
