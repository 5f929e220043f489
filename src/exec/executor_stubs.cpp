// Executors whose own implementation has not landed yet: the join executor
// reports Unimplemented.
// Each is a tiny function of its own so it can be replaced on its own.
#include "exec/executors.h"

namespace narwe {

Status executeJoin(const Query&, OutputSink&, const RunOptions&) {
  return Error::Unimplemented;
}

}  // namespace narwe
