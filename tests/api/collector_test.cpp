// The output pipe and collector thread.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "api/collector.h"
#include "api_test_support.h"

namespace narwe {
namespace {

bool writeAll(int fd, const std::string& data) {
  size_t pos = 0;
  while (pos < data.size()) {
    ssize_t n = ::write(fd, data.data() + pos, data.size() - pos);
    if (n <= 0) return false;
    pos += static_cast<size_t>(n);
  }
  return true;
}

std::string pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
  return s;
}

TEST(OutputCollector, CollectsEveryByteInOrder) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{4096}, size_t{5} << 20}) {
    OutputCollector collector;
    ASSERT_TRUE(collector.start().ok());
    std::string data = pattern(size);
    ASSERT_TRUE(writeAll(collector.writeFd(), data));
    ASSERT_TRUE(collector.finish().ok());
    auto text = collector.takeText();
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(*text) % 8, 0u);
    EXPECT_EQ(std::strlen(*text), size);
    EXPECT_TRUE(std::string(*text) == data) << size;
    std::free(*text);
  }
}

TEST(OutputCollector, FullBufferStopsTheWriterAndReportsOutOfMemory) {
  // Writes to the closed pipe must fail with EPIPE here, as they do on the
  // library's own threads, instead of ending the test program.
  sigset_t broken_pipe;
  sigset_t previous;
  sigemptyset(&broken_pipe);
  sigaddset(&broken_pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &broken_pipe, &previous);
  constexpr size_t kCap = 100000;
  struct Case {
    size_t written;
    bool fits;
  } cases[] = {{kCap, true}, {kCap + 1, false}, {8u << 20, false}};
  for (const auto& c : cases) {
    OutputCollector collector(kCap);
    ASSERT_TRUE(collector.start().ok());
    // Far more than a pipe holds: the writer would block for good if the
    // collector neither read nor closed its end.
    const bool written = writeAll(collector.writeFd(), pattern(c.written));
    Status finished = collector.finish();
    if (c.fits) {
      EXPECT_TRUE(written);
      EXPECT_TRUE(finished.ok());
      auto text = collector.takeText();
      ASSERT_TRUE(text.ok());
      EXPECT_EQ(std::strlen(*text), c.written);
      std::free(*text);
    } else {
      EXPECT_EQ(errorName(finished.error()), "OutOfMemory") << c.written;
      if (c.written > (4u << 20)) {
        EXPECT_FALSE(written);  // the writer was stopped
      }
    }
  }
  // Drop a SIGPIPE left pending by the failed writes before unblocking.
  const timespec no_wait{};
  while (sigtimedwait(&broken_pipe, nullptr, &no_wait) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

TEST(OutputCollector, DestructorJoinsAndClosesOnEveryPath) {
  int before = testing::openDescriptorCount();
  {
    OutputCollector collector;
    ASSERT_TRUE(collector.start().ok());
    ASSERT_TRUE(writeAll(collector.writeFd(), "partial output"));
    // No finish(): the destructor must close the pipe and join the thread.
  }
  {
    OutputCollector collector;
    ASSERT_TRUE(collector.start().ok());
    ASSERT_TRUE(collector.finish().ok());
    ASSERT_TRUE(collector.finish().ok());  // idempotent
  }
  EXPECT_EQ(testing::openDescriptorCount(), before);
}

}  // namespace
}  // namespace narwe
