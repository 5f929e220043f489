// The worker-count rule under NARWE_THREADS and the process's CPU affinity.
#include <gtest/gtest.h>
#include <sched.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "exec/run_options.h"

namespace narwe {
namespace {

// Sets NARWE_THREADS (or removes it) for one scope and restores the old value.
class ScopedThreadsVariable {
 public:
  explicit ScopedThreadsVariable(const char* value) {
    if (const char* old = std::getenv("NARWE_THREADS")) saved_ = old;
    if (value) {
      setenv("NARWE_THREADS", value, 1);
    } else {
      unsetenv("NARWE_THREADS");
    }
  }
  ~ScopedThreadsVariable() {
    if (saved_) {
      setenv("NARWE_THREADS", saved_->c_str(), 1);
    } else {
      unsetenv("NARWE_THREADS");
    }
  }

 private:
  std::optional<std::string> saved_;
};

unsigned affinityCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) != 0) return 0;
  return static_cast<unsigned>(CPU_COUNT(&set));
}

TEST(ThreadCount, EnvironmentValues) {
  const unsigned cpus = affinityCount();
  ASSERT_GE(cpus, 1u);
  const unsigned automatic = cpus > kMaxWorkers ? kMaxWorkers : cpus;
  struct Case {
    const char* value;      // nullptr: variable unset
    unsigned requested;
    unsigned expected;      // 0: the automatic count
  };
  const Case cases[] = {
      {nullptr, 0, 0},
      {"3", 0, 3},
      {"1", 0, 1},
      {"007", 0, 7},
      {"1024", 0, 1024},
      {"5000", 0, 1024},
      {"99999999999999999999999", 0, 1024},
      // Not a positive decimal integer: ignored.
      {"0", 0, 0},
      {"", 0, 0},
      {"-2", 0, 0},
      {"+2", 0, 0},
      {" 2", 0, 0},
      {"2 ", 0, 0},
      {"2x", 0, 0},
      {"1.5", 0, 0},
      {"two", 0, 0},
      // An explicit request wins over the variable.
      {"3", 5, 5},
      {"3", 1, 1},
      {"3", 5000, 1024},
  };
  for (const Case& c : cases) {
    ScopedThreadsVariable scope(c.value);
    const unsigned want = c.expected == 0 ? automatic : c.expected;
    EXPECT_EQ(effectiveThreadCount(c.requested), want)
        << "NARWE_THREADS=" << (c.value ? c.value : "(unset)") << " requested " << c.requested;
  }
}

TEST(ThreadCount, FollowsTheAffinityMask) {
  cpu_set_t original;
  CPU_ZERO(&original);
  ASSERT_EQ(sched_getaffinity(0, sizeof(original), &original), 0);
  int first_cpu = -1;
  for (int cpu = 0; cpu < CPU_SETSIZE && first_cpu < 0; ++cpu) {
    if (CPU_ISSET(cpu, &original)) first_cpu = cpu;
  }
  ASSERT_GE(first_cpu, 0);
  cpu_set_t single;
  CPU_ZERO(&single);
  CPU_SET(first_cpu, &single);
  ASSERT_EQ(sched_setaffinity(0, sizeof(single), &single), 0);
  {
    ScopedThreadsVariable unset(nullptr);
    EXPECT_EQ(effectiveThreadCount(0), 1u);
  }
  {
    ScopedThreadsVariable two("2");
    EXPECT_EQ(effectiveThreadCount(0), 2u);
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof(original), &original), 0);
}

}  // namespace
}  // namespace narwe
