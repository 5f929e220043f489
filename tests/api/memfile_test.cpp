// Temporary files and stdin spooling.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "api/memfile.h"
#include "api_test_support.h"

namespace narwe {
namespace {

using testing::EnvOverride;
using testing::ScratchDir;

TEST(TemporaryFilePath, DirectoryNameAndStamp) {
  ScratchDir dir;
  struct Case {
    std::optional<std::string> tmpdir;
    std::string expected_dir;
  } cases[] = {
      {dir.path(), dir.path()},
      {std::nullopt, "/tmp"},
      {std::string(), "/tmp"},  // an empty value counts as unset
  };
  for (const auto& c : cases) {
    EnvOverride env("TMPDIR", c.tmpdir);
    std::string path = temporaryFilePath("joinagg");
    std::regex shape(c.expected_dir + "/narwe_joinagg_[0-9]{19,}\\.tmp");
    EXPECT_TRUE(std::regex_match(path, shape)) << path;
  }
}

TEST(MemoryBackedFile, ReadWriteAndNoDirectoryEntry) {
  ScratchDir dir;
  EnvOverride env("TMPDIR", dir.path());
  auto fd = createMemoryBackedFile("stdin_spool");
  ASSERT_TRUE(fd.ok()) << errorName(fd.error());
  EXPECT_TRUE(dir.entries().empty());
  ASSERT_EQ(::write(*fd, "abc", 3), 3);
  ASSERT_EQ(::lseek(*fd, 0, SEEK_SET), 0);
  EXPECT_EQ(testing::readAll(*fd), "abc");
  ::close(*fd);
}

TEST(MemoryBackedFile, CreationFailuresAreReportedByName) {
  ScratchDir dir;
  std::string plain_file = dir.write("not_a_dir", "x");
  struct Case {
    std::string tmpdir;
    Error expected;
  } cases[] = {
      {dir.file("missing"), Error::FileNotFound},
      {plain_file, Error::NotDir},
  };
  for (const auto& c : cases) {
    EnvOverride env("TMPDIR", c.tmpdir);
    auto fd = createMemoryBackedFile("stdin_spool");
    ASSERT_FALSE(fd.ok()) << c.tmpdir;
    EXPECT_EQ(errorName(fd.error()), errorName(c.expected)) << c.tmpdir;
    auto named = createTemporaryFileWithPath("joinagg");
    ASSERT_FALSE(named.ok());
    EXPECT_EQ(errorName(named.error()), errorName(c.expected));
  }
}

TEST(TemporaryFileWithPath, KeepsItsEntryUntilReleased) {
  ScratchDir dir;
  EnvOverride env("TMPDIR", dir.path());
  auto created = createTemporaryFileWithPath("joinagg");
  ASSERT_TRUE(created.ok());
  std::string path = created->path;
  {
    TemporaryFile file(std::move(*created));
    ASSERT_EQ(dir.entries().size(), 1u);
    EXPECT_EQ(dir.file(dir.entries()[0]), path);
    // Readable and writable by the owner only, whatever the umask allows.
    mode_t mask = umask(0);
    struct stat st {};
    auto open_to_all = createMemoryBackedFile("mode");
    umask(mask);
    ASSERT_EQ(::fstat(file.fd(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u & ~mask);
    ASSERT_TRUE(open_to_all.ok());
    ASSERT_EQ(::fstat(*open_to_all, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ::close(*open_to_all);
    TemporaryFile moved(std::move(file));
    file.release();  // the moved-from owner must not delete the file
    EXPECT_EQ(dir.entries().size(), 1u);
  }
  EXPECT_TRUE(dir.entries().empty());

  FileWithPath kept;
  kept.path = dir.write("keep.tmp", "x");
  kept.delete_at_cleanup = false;
  kept.cleanup();
  EXPECT_EQ(dir.entries().size(), 1u);
  EXPECT_TRUE(kept.path.empty());
}

TEST(MemoryBackedFile, ConcurrentCreationNeverCollides) {
  ScratchDir dir;
  EnvOverride env("TMPDIR", dir.path());
  constexpr int kThreads = 8;
  constexpr int kFilesPerThread = 50;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      std::vector<TemporaryFile> files;
      for (int i = 0; i < kFilesPerThread; ++i) {
        auto f = createTemporaryFileWithPath("join");
        if (!f.ok()) {
          ++failures;
          continue;
        }
        files.emplace_back(std::move(*f));
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(dir.entries().empty());
}

// Writes `data` into a pipe from another thread, in uneven pieces.
class PipeFeeder {
 public:
  explicit PipeFeeder(std::string data) : data_(std::move(data)) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    read_fd_ = fds[0];
    int write_fd = fds[1];
    thread_ = std::thread([this, write_fd] {
      size_t pos = 0;
      size_t piece = 1000;
      while (pos < data_.size()) {
        size_t n = std::min(piece, data_.size() - pos);
        ssize_t w = ::write(write_fd, data_.data() + pos, n);
        if (w <= 0) break;
        pos += static_cast<size_t>(w);
        piece = piece * 3 % 700001 + 1;
      }
      ::close(write_fd);
    });
  }
  ~PipeFeeder() {
    thread_.join();
    ::close(read_fd_);
  }
  int fd() const { return read_fd_; }

 private:
  std::string data_;
  int read_fd_ = -1;
  std::thread thread_;
};

TEST(StdinSpool, CopiesEverythingAndRewinds) {
  ScratchDir dir;
  EnvOverride env("TMPDIR", dir.path());
  std::string big;
  for (size_t i = 0; big.size() < 3 * kSpoolReadSize + 17; ++i) {
    big += "row" + std::to_string(i) + ",value\n";
  }
  for (const std::string& input : {std::string(), std::string("a\n1\n"), big}) {
    PipeFeeder feeder(input);
    auto spool = spoolToMemoryFile(feeder.fd());
    ASSERT_TRUE(spool.ok()) << errorName(spool.error());
    EXPECT_EQ(::lseek(*spool, 0, SEEK_CUR), 0);
    std::string copied = testing::readAll(*spool);
    EXPECT_EQ(copied.size(), input.size());
    EXPECT_TRUE(copied == input);
    ::close(*spool);
    EXPECT_TRUE(dir.entries().empty());
  }
}

TEST(StdinSpool, ReadFailureClosesTheSpool) {
  ScratchDir dir;
  EnvOverride env("TMPDIR", dir.path());
  int before = testing::openDescriptorCount();
  auto spool = spoolToMemoryFile(-1);
  ASSERT_FALSE(spool.ok());
  EXPECT_EQ(errorName(spool.error()), "NotOpenForReading");
  EXPECT_EQ(testing::openDescriptorCount(), before);

  EnvOverride missing("TMPDIR", dir.file("missing"));
  auto no_dir = spoolToMemoryFile(0);
  ASSERT_FALSE(no_dir.ok());
  EXPECT_EQ(errorName(no_dir.error()), "FileNotFound");
}

}  // namespace
}  // namespace narwe
