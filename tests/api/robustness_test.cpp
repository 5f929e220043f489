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

#include "api_test_support.h"
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

// Bytes this process has read through read and pread calls so far.
uint64_t processReadBytes(uint64_t& own_reads) {
  char buf[512];
  const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return 0;
  own_reads += static_cast<uint64_t>(n);
  buf[n] = '\0';
  unsigned long long rchar = 0;
  if (std::sscanf(buf, "rchar: %llu", &rchar) != 1) return 0;
  return rchar;
}

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

  void write() {
    const std::string header = "id,pad,tail\n";
    const std::string pad(kPadBytes, 'p');
    std::string content = header;
    content.reserve(kChangingFileBytes + 256);
    char id[16];
    for (records = 0; content.size() < kChangingFileBytes; ++records) {
      std::snprintf(id, sizeof id, "%07zu", records);
      content.append(id).append(",").append(pad).append(",END\n");
    }
    header_bytes = header.size();
    record_bytes = 7 + 1 + kPadBytes + 5;
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
        ASSERT_EQ(o.rc, 0) << o.text;
        ASSERT_EQ(o.text, "id\n" + file.lastId() + "\n");
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
// call ends with a named error.
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
    EXPECT_EQ(o.rc, 1);
    EXPECT_TRUE(o.text == "error: Unimplemented" || o.text == "error: EndOfStream" ||
                o.text == "error: NoHeader")
        << o.text;
  }
  done = true;
  rewriter.join();
  EXPECT_GT(calls, 0);
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
