// Worker-count rule.
#include "exec/run_options.h"

#include <unistd.h>

namespace narwe {

unsigned effectiveThreadCount(unsigned requested) {
  long count = requested;
  if (requested == 0) {
    count = sysconf(_SC_NPROCESSORS_ONLN);
    if (count < 1) count = 1;
  }
  if (count < 2) return 1;
  if (count > static_cast<long>(kMaxWorkers)) return kMaxWorkers;
  return static_cast<unsigned>(count);
}

}  // namespace narwe
