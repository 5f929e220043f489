// Library threads: arguments arrive, and a broken pipe is an error value
// rather than a signal that would end the host.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "common/thread_start.h"

namespace narwe {
namespace {

struct PipeWrite {
  int fd = -1;
  ssize_t written = 0;
  int error = 0;
};

void writeOneByte(void* raw) noexcept {
  auto* w = static_cast<PipeWrite*>(raw);
  w->written = ::write(w->fd, "x", 1);
  w->error = errno;
}

TEST(StartThread, WriteToAClosedPipeFailsWithEpipeInsteadOfKillingTheProcess) {
  // The default action of SIGPIPE ends the process; keep it in place so the
  // test would die if the library thread did not block the signal.
  struct sigaction dfl = {};
  struct sigaction previous = {};
  dfl.sa_handler = SIG_DFL;
  ASSERT_EQ(::sigaction(SIGPIPE, &dfl, &previous), 0);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  PipeWrite w;
  w.fd = fds[1];
  auto thread = startThread<writeOneByte>(&w, kWorkerStackSize);
  ASSERT_TRUE(thread.ok());
  pthread_join(*thread, nullptr);
  EXPECT_EQ(w.written, -1);
  EXPECT_EQ(w.error, EPIPE);
  ::close(fds[1]);
  ::sigaction(SIGPIPE, &previous, nullptr);
  // The caller's own mask is unchanged.
  sigset_t mask;
  pthread_sigmask(SIG_SETMASK, nullptr, &mask);
  EXPECT_FALSE(sigismember(&mask, SIGPIPE));
}

}  // namespace
}  // namespace narwe
