// Opening inputs: never on the standard stream descriptors, directories by
// name.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/unique_fd.h"

namespace narwe {
namespace {

TEST(OpenReadOnly, NeverTakesAStandardStreamDescriptor) {
  // With descriptor 0 closed, an input opened by one query must not become
  // what another query reads as standard input.
  char path[] = "/tmp/narwe_unique_fd_XXXXXX";
  int made = ::mkstemp(path);
  ASSERT_GE(made, 0);
  ::close(made);
  int saved = ::dup(0);
  ::close(0);
  auto opened = openReadOnly(path);
  if (saved >= 0) {
    ::dup2(saved, 0);
    ::close(saved);
  }
  ::unlink(path);
  ASSERT_TRUE(opened.ok());
  EXPECT_GT(opened->get(), 2);
}

TEST(OpenReadOnly, NamesFailuresLikeTheSystem) {
  EXPECT_EQ(openReadOnly("/tmp").error(), Error::IsDir);
  EXPECT_EQ(openReadOnly("/nonexistent_dir_4711/x.csv").error(), Error::FileNotFound);
}

}  // namespace
}  // namespace narwe
