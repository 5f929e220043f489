// Hostile conditions through the exported functions: inputs that change
// while a query reads them, records without end, results that cannot be
// held, FIFOs, and statements that fail while standard input waits. Each
// must end the call promptly with a named error (or a correct result), never
// kill, hang or starve the host.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "api/collector.h"
#include "api_test_support.h"
#include "io/record_limit.h"
#include "narwe.h"

namespace narwe {
namespace {

using narwe::testing::ScratchDir;

struct Outcome {
  int rc = -1;
  std::string text;
};

Outcome query(const std::string& sql) {
  char* out = nullptr;
  Outcome o;
  o.rc = narwe_query_csv(sql.c_str(), &out);
  if (out != nullptr) o.text = out;
  narwe_free(out);
  return o;
}

// At most the first 100 bytes of a result, for failure messages.
std::string brief(const std::string& text) {
  return text.size() <= 100 ? text : text.substr(0, 100) + "...";
}

// The process's I/O counters: bytes passed through read/pread and write
// calls so far.
struct IoCounters {
  uint64_t read = 0;
  uint64_t written = 0;
};

IoCounters processIo(uint64_t& own_reads) {
  char buf[512];
  const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return {};
  own_reads += static_cast<uint64_t>(n);
  buf[n] = '\0';
  unsigned long long rchar = 0;
  unsigned long long wchar = 0;
  if (std::sscanf(buf, "rchar: %llu wchar: %llu", &rchar, &wchar) != 2) return {};
  return {rchar, wchar};
}

uint64_t processReadBytes(uint64_t& own_reads) { return processIo(own_reads).read; }

// ---- a file that changes while it is read -------------------------------

constexpr size_t kPadBytes = 80;
constexpr size_t kChangingFileBytes = 11 * 1024 * 1024;  // past every size threshold
constexpr uint64_t kReadBeforeChange = 1024 * 1024;

// Header "id,pad,tail", then records "<7-digit id>,<pad>,END".
struct ChangingFile {
  std::string path;
  size_t header_bytes = 0;
  size_t record_bytes = 0;
  size_t records = 0;

  std::string lastId() const {
    char id[16];
    std::snprintf(id, sizeof id, "%07zu", records - 1);
    return id;
  }

  std::string content;  // built once, written for every attempt

  void write() {
    if (content.empty()) {
      const std::string header = "id,pad,tail\n";
      const std::string pad(kPadBytes, 'p');
      content = header;
      content.reserve(kChangingFileBytes + 256);
      char id[16];
      for (records = 0; content.size() < kChangingFileBytes; ++records) {
        std::snprintf(id, sizeof id, "%07zu", records);
        content.append(id).append(",").append(pad).append(",END\n");
      }
      header_bytes = header.size();
      record_bytes = 7 + 1 + kPadBytes + 5;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, content.data(), content.size()),
              static_cast<ssize_t>(content.size()));
    ::close(fd);
  }

  // Cuts the file in the middle record's last field ("...,E"): read as a
  // whole record it would be a row whose tail is not END.
  void shrink() const {
    const size_t middle = records / 2;
    const off_t cut = static_cast<off_t>(header_bytes + middle * record_bytes + record_bytes - 3);
    ASSERT_EQ(::truncate(path.c_str(), cut), 0);
  }

  // Appends records whose tail is not END.
  void grow() const {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string more;
    for (int i = 0; i < 1000; ++i) more += "9999999," + std::string(kPadBytes, 'q') + ",NEW\n";
    ASSERT_EQ(::write(fd, more.data(), more.size()), static_cast<ssize_t>(more.size()));
    ::close(fd);
  }
};

// Every file route (the select list and clauses pick the executor) must
// either read the file as it was when opened, or fail with EndOfStream when
// it shrank meanwhile: a cut record never becomes a row, and a success is
// never partial. The change lands once the query has read past its first
// megabyte, i.e. while its reader is running.
TEST(Robustness, FileChangedDuringEveryRoute) {
  ScratchDir dir;
  ChangingFile file;
  file.path = dir.file("changing.csv");
  struct Route {
    const char* name;
    const char* select;
    const char* tail;
  } routes[] = {
      {"sequential", "SELECT id", " ORDER BY id, tail"},
      {"parallel scan", "SELECT id", " ORDER BY id"},
      {"mapped scan", "SELECT id", " LIMIT 10"},
      {"parallel scalar", "SELECT upper(id) AS id", ""},
      {"distinct", "SELECT DISTINCT id", ""},
  };
  constexpr int kAttempts = 8;
  for (const Route& route : routes) {
    for (const bool shrinking : {true, false}) {
      SCOPED_TRACE(std::string(route.name) + (shrinking ? ", shrinking" : ", growing"));
      bool failed_on_shrink = false;
      for (int attempt = 0; attempt < kAttempts && !failed_on_shrink; ++attempt) {
        file.write();
        if (::testing::Test::HasFatalFailure()) return;
        const std::string sql = std::string(route.select) + " FROM '" + file.path +
                                "' WHERE tail <> 'END' OR id = '" + file.lastId() + "'" +
                                route.tail;
        std::atomic<bool> done{false};
        uint64_t own_reads = 0;
        const uint64_t before = processReadBytes(own_reads);
        std::thread changer([&] {
          while (!done.load()) {
            const uint64_t now = processReadBytes(own_reads);
            if (now - own_reads > before + kReadBeforeChange) {
              if (shrinking) {
                file.shrink();
              } else {
                file.grow();
              }
              return;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
          }
        });
        const Outcome o = query(sql);
        done = true;
        changer.join();
        if (shrinking && o.rc == 1 && o.text == "error: EndOfStream") {
          failed_on_shrink = true;
          continue;
        }
        ASSERT_EQ(o.rc, 0) << brief(o.text);
        ASSERT_EQ(brief(o.text), "id\n" + file.lastId() + "\n");
      }
      // Some shrink must have landed while the file was read.
      if (shrinking) {
        EXPECT_TRUE(failed_on_shrink);
      }
    }
  }
}

// The join-aggregate route reads every input's header first. Rewriting that
// file again and again meanwhile must never raise a signal in the host: each
// call ends with an answer or a named error.
TEST(Robustness, HeaderOfAFileRewrittenMeanwhile) {
  ScratchDir dir;
  const std::string flip = dir.file("flip.csv");
  const std::string header = "id,cat," + std::string(60000, 'w') + "\n";
  std::string content = header;
  for (int i = 0; i < 2000; ++i) content += std::to_string(i) + ",c,x\n";
  dir.write("flip.csv", content);
  dir.write("other.csv", "id,val\n1,2\n");
  std::atomic<bool> done{false};
  std::thread rewriter([&] {
    while (!done.load()) {
      const int fd = ::open(flip.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (fd < 0) continue;
      if (::write(fd, content.data(), content.size()) < 0) {
        // nothing to do: the next round rewrites it again
      }
      ::close(fd);
    }
  });
  const std::string sql = "SELECT p.cat, count(*) FROM '" + flip + "' p JOIN '" +
                          dir.file("other.csv") + "' o ON p.id = o.id GROUP BY p.cat";
  const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int calls = 0;
  for (; calls < 400 && std::chrono::steady_clock::now() < stop; ++calls) {
    const Outcome o = query(sql);
    // An answer is the file as it stood when the join opened it (all of it,
    // or the part written so far); otherwise the read fails by name.
    if (o.rc == 0) {
      EXPECT_TRUE(o.text.starts_with("cat,count(*)\n")) << brief(o.text);
    } else {
      // A header cut short may lack the columns the statement names.
      EXPECT_TRUE(o.text == "error: EndOfStream" || o.text == "error: NoHeader" ||
                  o.text == "error: EmptyFile" ||
                  o.text == "error: ColumnNotFound")
          << brief(o.text);
    }
  }
  done = true;
  rewriter.join();
  EXPECT_GT(calls, 0);
}

// ---- records without end --------------------------------------------------

// Lowers the record limit for one scope.
class RecordLimit {
 public:
  explicit RecordLimit(size_t bytes) { setMaxRecordBytes(bytes); }
  ~RecordLimit() { setMaxRecordBytes(0); }
  RecordLimit(const RecordLimit&) = delete;
  RecordLimit& operator=(const RecordLimit&) = delete;
};

// Puts `fd` on descriptor 0 for one scope (the exported functions read FROM
// stdin there) and closes it afterwards.
class StdinFrom {
 public:
  explicit StdinFrom(int fd) : saved_(::dup(0)) {
    EXPECT_GE(::dup2(fd, 0), 0);
    ::close(fd);
  }
  ~StdinFrom() {
    ::dup2(saved_, 0);
    ::close(saved_);
  }
  StdinFrom(const StdinFrom&) = delete;
  StdinFrom& operator=(const StdinFrom&) = delete;

 private:
  int saved_;
};

// Writes `total` bytes of `byte` into a pipe from a thread; the pipe's read
// end is handed out. The writer stops early when the reader goes away and
// tells how much it wrote.
class PipeFeed {
 public:
  PipeFeed(size_t total, char byte) {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    read_fd_ = fds[0];
    writer_ = std::thread([this, fd = fds[1], total, byte] {
      sigset_t broken_pipe;
      sigemptyset(&broken_pipe);
      sigaddset(&broken_pipe, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &broken_pipe, nullptr);
      const std::string block(64 * 1024, byte);
      while (written_ < total) {
        const ssize_t n = ::write(fd, block.data(), std::min(block.size(), total - written_));
        if (n <= 0) break;
        written_ += static_cast<size_t>(n);
      }
      ::close(fd);
    });
  }
  ~PipeFeed() { finish(); }
  PipeFeed(const PipeFeed&) = delete;
  PipeFeed& operator=(const PipeFeed&) = delete;

  int takeReadEnd() { return std::exchange(read_fd_, -1); }
  // Waits for the writer; closing our copy of the read end first releases
  // it when nobody reads.
  size_t finish() {
    if (read_fd_ >= 0) ::close(std::exchange(read_fd_, -1));
    if (writer_.joinable()) writer_.join();
    return written_;
  }

 private:
  int read_fd_ = -1;
  size_t written_ = 0;
  std::thread writer_;
};

// A record longer than the limit fails the query with FileTooBig on every
// route: the file routes (the record in a small file, after a long run of
// good records in a large one, and in the header), a device without line
// feeds, standard input streamed, and standard input spooled (which stops at
// the limit instead of copying the whole input first).
TEST(Robustness, RecordPastTheLimitIsFileTooBig) {
  constexpr size_t kLimit = 256 * 1024;
  RecordLimit limit(kLimit);
  ScratchDir dir;
  const std::string long_field(3 * kLimit, 'x');
  const std::string small = dir.write("small.csv", "a,b\n1,2\n3," + long_field + "\n5,6\n");
  const std::string unended = dir.write("unended.csv", "a,b\n1," + long_field);
  const std::string header = dir.write("header.csv", "a," + long_field + "\n1,2\n");
  std::string big_content = "a,b\n";
  while (big_content.size() < kChangingFileBytes) big_content += "1,222222222222222222222222\n";
  big_content += "3," + long_field + "\n";
  const std::string big = dir.write("big.csv", big_content);
  const std::string other = dir.write("other.csv", "a,c\n1,2\n");

  const std::string file_queries[] = {
      "SELECT * FROM '" + small + "'",
      "SELECT a FROM '" + small + "' WHERE a = '5'",
      "SELECT * FROM '" + unended + "'",
      "SELECT a FROM '" + big + "' ORDER BY a, b",
      "SELECT a FROM '" + big + "' ORDER BY a",
      "SELECT a FROM '" + big + "' WHERE a = '3' LIMIT 10",
      "SELECT upper(a) FROM '" + big + "' WHERE a = '3'",
      "SELECT DISTINCT a FROM '" + big + "'",
      "SELECT t.a, count(*) FROM '" + header + "' t JOIN '" + other + "' o ON t.a = o.a GROUP BY t.a",
      "SELECT * FROM '/dev/zero'",
  };
  for (const std::string& sql : file_queries) {
    const Outcome o = query(sql);
    EXPECT_EQ(brief(o.text), "error: FileTooBig") << sql;
  }

  {  // streamed standard input
    PipeFeed feed(8 * kLimit, 'z');
    StdinFrom in(feed.takeReadEnd());
    EXPECT_EQ(brief(query("SELECT * FROM stdin").text), "error: FileTooBig");
  }
  {  // spooled standard input: stops near the limit, not at the input's end
    constexpr size_t kInput = 64 * 1024 * 1024;
    PipeFeed feed(kInput, 'z');
    size_t written = 0;
    {
      StdinFrom in(feed.takeReadEnd());
      EXPECT_EQ(brief(query("SELECT count(*) FROM stdin").text), "error: FileTooBig");
    }
    written = feed.finish();
    EXPECT_LT(written, kInput / 2);
  }
}

// ---- statements that fail while standard input waits ---------------------

// A statement that fails anyway fails before standard input is read: the
// feeder gets no further than what the pipe itself holds.
TEST(Robustness, InvalidStatementDoesNotReadStandardInput) {
  const struct {
    const char* sql;
    const char* error;
  } cases[] = {
      {"SELECT a, count(*) FROM stdin", "error: MixedAggregateAndNonAggregateSelect"},
      {"SELECT s.a, count(*) FROM stdin s JOIN 'x.csv' o ON s.a = o.a GROUP BY s.a",
       "error: InvalidQuery"},
      {"SELECT count(*) FROM - HAVING", "error: InvalidExpression"},
  };
  constexpr size_t kInput = 64 * 1024 * 1024;
  for (const auto& c : cases) {
    PipeFeed feed(kInput, 'z');
    {
      StdinFrom in(feed.takeReadEnd());
      EXPECT_EQ(brief(query(c.sql).text), c.error) << c.sql;
    }
    EXPECT_LT(feed.finish(), size_t{4} << 20) << c.sql;
  }
}

// ---- results that cannot be held -----------------------------------------

// When the result outgrows what the collector may hold, the query stops at
// once with OutOfMemory: the executor does not go on formatting rows nobody
// keeps (1000 rows of 16 MiB each here; only about the first one may be
// written before the call returns).
TEST(Robustness, ResultPastTheCollectorsLimitStopsTheQuery) {
  ScratchDir dir;
  std::string content = "name\n";
  for (int i = 0; i < 1000; ++i) content += "n" + std::to_string(i) + "\n";
  const std::string path = dir.write("names.csv", content);
  setOutputCapacityLimit(1 << 20);
  uint64_t own_reads = 0;
  const uint64_t before = processIo(own_reads).written;
  const Outcome o = query("SELECT lpad(name, 16777216, '*') FROM '" + path + "'");
  const uint64_t written = processIo(own_reads).written - before;
  setOutputCapacityLimit(SIZE_MAX);
  EXPECT_EQ(o.rc, 1);
  EXPECT_EQ(brief(o.text), "error: OutOfMemory");
  EXPECT_LT(written, uint64_t{64} << 20);
}

// ---- FIFOs ----------------------------------------------------------------

// A FIFO named in FROM answers Unseekable at once, with or without a writer.
// A call still waiting after a few seconds is released by opening the FIFO
// for writing, so a failure cannot hang the test program.
TEST(Robustness, FifoIsRefusedAtOnce) {
  ScratchDir dir;
  const std::string fifo = dir.file("pipe.csv");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const bool with_writer : {false, true}) {
    SCOPED_TRACE(with_writer ? "with a writer" : "without a writer");
    // Holding both ends makes a writer without blocking this thread.
    const int held = with_writer ? ::open(fifo.c_str(), O_RDWR | O_CLOEXEC) : -1;
    std::atomic<bool> done{false};
    Outcome o;
    std::thread caller([&] {
      o = query("SELECT * FROM '" + fifo + "'");
      done = true;
    });
    const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done.load() && std::chrono::steady_clock::now() < stop) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool answered = done.load();
    if (!answered) {
      const int release = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (release >= 0) ::close(release);
    }
    caller.join();
    if (held >= 0) ::close(held);
    EXPECT_TRUE(answered);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.text, "error: Unseekable");
  }
}

}  // namespace
}  // namespace narwe
