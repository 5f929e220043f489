// The query runner: the DISTINCT rewrite, the stdin routes and
// the join-aggregate route's plumbing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "api/runner.h"
#include "api_test_support.h"

namespace narwe {
namespace {

using testing::EnvOverride;
using testing::ScratchDir;

// The outcome of runStatement as "error: Name" or the result text.
std::string run(const std::string& sql, int stdin_fd = -1) {
  auto result = runStatement(sql, OutputFormat::Csv, stdin_fd);
  if (!result.ok()) return "error: " + std::string(errorName(result.error()));
  std::string text = *result;
  std::free(*result);
  return text;
}

// A pipe whose write end is fed `data` from a thread and then closed.
class StdinPipe {
 public:
  explicit StdinPipe(std::string data) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    read_fd_ = fds[0];
    int write_fd = fds[1];
    writer_ = std::thread([write_fd, data = std::move(data)] {
      // The reader may close its end before everything is written (a query
      // that fails early): the write must fail, not raise SIGPIPE.
      sigset_t broken_pipe;
      sigemptyset(&broken_pipe);
      sigaddset(&broken_pipe, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &broken_pipe, nullptr);
      size_t pos = 0;
      while (pos < data.size()) {
        ssize_t n = ::write(write_fd, data.data() + pos, data.size() - pos);
        if (n <= 0) break;
        pos += static_cast<size_t>(n);
      }
      ::close(write_fd);
    });
  }
  ~StdinPipe() {
    ::close(read_fd_);  // unblocks a writer whose data was never read
    writer_.join();
  }
  int fd() const { return read_fd_; }

 private:
  int read_fd_ = -1;
  std::thread writer_;
};

TEST(Runner, DistinctBecomesGroupingOnTheItems) {
  Query q;
  q.file = "f.csv";
  q.columns = {"a", "b AS x", "c total", "count(*) desc"};
  q.distinct = true;
  q.limit = 7;
  Query grouped = distinctAsGroupBy(q);
  EXPECT_EQ(grouped.group_by, (std::vector<std::string>{"a", "b", "c", "count(*) desc"}));
  EXPECT_FALSE(grouped.distinct);
  EXPECT_EQ(grouped.columns, q.columns);
  EXPECT_EQ(grouped.limit, 7);
  EXPECT_EQ(grouped.file, "f.csv");
}

TEST(Runner, StandardInputRoutes) {
  ScratchDir dir;
  EnvOverride env("TMPDIR", dir.path());
  std::string big = "n\n";
  size_t big_rows = 0;
  for (; big.size() < (3u << 20); ++big_rows) big += "12345\n";
  const std::string big_count = "count(*)\n" + std::to_string(big_rows) + "\n";
  struct Case {
    const char* sql;
    std::string input;
    const char* expected;
  } cases[] = {
      // Streams through the stdin executor.
      {"SELECT n FROM stdin", "n\n1\n", "n\n1\n"},
      {"SELECT n FROM -", "", "error: EmptyFile"},
      // Spooled first, then the aggregating executors.
      {"SELECT count(*) FROM stdin", big, big_count.c_str()},
      {"SELECT n, count(*) FROM - GROUP BY n", "n\n1\n\n1\n", "n,count(*)\n,1\n1,2\n"},
      {"SELECT sum(n) AS s FROM stdin HAVING count(*) > 9", "n\n1\n", "s\n"},
      // DISTINCT groups as it does on a file: rows in byte order.
      {"SELECT DISTINCT n FROM stdin", "n\n2\n10\n2\n", "n\n10\n2\n"},
      {"SELECT DISTINCT upper(n) FROM stdin", "n\nb\na\nb\n", "upper(n)\nB\nA\n"},
      // Rejected before standard input is read.
      {"SELECT n, count(*) FROM stdin", big, "error: MixedAggregateAndNonAggregateSelect"},
  };
  for (const auto& c : cases) {
    StdinPipe input(c.input);
    EXPECT_EQ(run(c.sql, input.fd()), c.expected) << c.sql;
    EXPECT_TRUE(dir.entries().empty()) << c.sql;
  }
  // The mixed-select error comes before any read: an unreadable input is not
  // even touched.
  EXPECT_EQ(run("SELECT n, count(*) FROM stdin", -1),
            "error: MixedAggregateAndNonAggregateSelect");
  EXPECT_EQ(run("SELECT count(*) FROM stdin", -1), "error: NotOpenForReading");
  EnvOverride missing("TMPDIR", dir.file("missing"));
  StdinPipe input("n\n1\n");
  EXPECT_EQ(run("SELECT count(*) FROM stdin", input.fd()), "error: FileNotFound");
}

TEST(Runner, NonBlockingStandardInputIsWaitedFor) {
  // A host may hand over a non-blocking descriptor; an empty moment on it is
  // not the end of the input and not an error.
  for (const char* sql : {"SELECT n FROM stdin", "SELECT n, count(*) FROM stdin"}) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK), 0);
    std::thread late_writer([fd = fds[1]] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      EXPECT_EQ(::write(fd, "n\n1\n", 4), 4);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      EXPECT_EQ(::write(fd, "2\n", 2), 2);
      ::close(fd);
    });
    std::string got = run(sql, fds[0]);
    late_writer.join();
    ::close(fds[0]);
    EXPECT_EQ(got, std::string_view(sql).find("count") == std::string_view::npos
                       ? "n\n1\n2\n"
                       : "error: MixedAggregateAndNonAggregateSelect")
        << sql;
  }
}

TEST(Runner, ClausesARouteWouldDropAreRefused) {
  ScratchDir dir;
  std::string file = dir.write("t.csv", "id,v\n1,a\n2,b\n");
  std::string other = dir.write("u.csv", "id,w\n1,x\n");
  const std::string statements[] = {
      "SELECT id FROM '" + file + "' HAVING id = 1",
      "SELECT id FROM '" + file + "' WHERE id > 1 HAVING id = 2",
      "SELECT id FROM '" + file + "' HAVING id = 1 ORDER BY id LIMIT 1",
      "SELECT a.id FROM '" + file + "' a JOIN '" + other + "' b ON a.id = b.id HAVING a.id = 1",
  };
  for (const auto& sql : statements) EXPECT_EQ(run(sql), "error: InvalidQuery") << sql;
  StdinPipe input("id\n1\n");
  EXPECT_EQ(run("SELECT id FROM stdin HAVING id = 1", input.fd()), "error: InvalidQuery");
  // Standard input cannot be joined, on either side: the stdin routes would
  // drop the JOIN, and the join would look for a file named "stdin".
  for (const char* shape : {"*", "count(*)"}) {
    for (const std::string& tables : {"stdin a JOIN '" + other + "' b", "'" + other + "' b JOIN - a"}) {
      StdinPipe joined("id\n1\n");
      std::string sql = std::string("SELECT ") + shape + " FROM " + tables + " ON a.id = b.id";
      EXPECT_EQ(run(sql, joined.fd()), "error: InvalidQuery") << sql;
    }
  }
  // Without HAVING the same statements run.
  EXPECT_EQ(run("SELECT id FROM '" + file + "' WHERE id > 1"), "id\n2\n");
}

TEST(Runner, NoDescriptorOrFileLeftBehind) {
  ScratchDir dir;
  EnvOverride env("TMPDIR", dir.path());
  std::string file = dir.write("t.csv", "a,b\n1,2\n");
  int before = testing::openDescriptorCount();
  const std::vector<std::string> statements = {
      "SELECT a FROM '" + file + "'",  // opens the file, then a placeholder executor
      "SELECT a FROM x.csv WHERE",     // parse error
      "SELECT a FROM 'missing_4711.csv'",
  };
  for (const auto& sql : statements) (void)run(sql);
  EXPECT_EQ(testing::openDescriptorCount(), before);
}

TEST(JoinAggregate, PlumbingAndFailures) {
  ScratchDir dir;
  ScratchDir tmp;
  EnvOverride env("TMPDIR", tmp.path());
  std::string left = dir.write("left.csv", "id,Name\n1,x\n2,y\n");
  std::string right = dir.write("right.csv", "ID,score\n1,5\n2,7\n");
  std::string empty = dir.write("empty.csv", "");
  std::string no_newline = dir.write("bare.csv", "id,score");
  auto joined = [&](const std::string& other, const std::string& tail) {
    return "SELECT l.name, sum(r.score) FROM '" + left + "' l JOIN '" + other +
           "' r ON l.id = r.id " + tail;
  };
  struct Case {
    std::string sql;
    const char* expected;
  } cases[] = {
      // "id" is a column of both tables (names compare case-insensitively):
      // qualified, it means its own table's in every clause.
      {"SELECT l.id, count(*) FROM '" + left + "' l JOIN '" + right +
           "' r ON l.id = r.id GROUP BY l.id",
       "id,count(*)\n1,1\n2,1\n"},
      {joined(right, "GROUP BY l.name HAVING sum(r.id) > 1"), "Name,sum(r.score)\ny,7\n"},
      {"SELECT count(*) FROM '" + left + "' l JOIN '" + right + "' r ON l.id = r.id GROUP BY id",
       "error: AmbiguousColumnReference"},
      {joined(right, "GROUP BY l.name ORDER BY r.id"), "error: OrderByColumnNotFound"},
      {joined(dir.file("missing.csv"), "GROUP BY l.name"), "error: FileNotFound"},
      {joined(empty, "GROUP BY l.name"), "error: EmptyFile"},
      // A header without a line feed is a table without rows, as in FROM.
      {joined(no_newline, "GROUP BY l.name"), "Name,sum(r.score)\n"},
      // A directory is named as such, as it is in FROM.
      {joined(dir.path(), "GROUP BY l.name"), "error: IsDir"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.sql), c.expected) << c.sql;
    EXPECT_TRUE(tmp.entries().empty()) << "temporary file written: " << c.sql;
  }
}

}  // namespace
}  // namespace narwe
