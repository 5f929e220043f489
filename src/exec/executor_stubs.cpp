// Executors whose own implementation has not landed yet: the grouping,
// aggregate and join executors report Unimplemented.
// Each is a tiny function of its own so it can be replaced on its own.
#include "exec/executors.h"

namespace narwe {

Status executeGroupBy(const Query&, PreopenedInput, OutputSink&, const RunOptions&) {
  return Error::Unimplemented;
}

Status executeScalarAgg(const Query&, PreopenedInput, OutputSink&, const RunOptions&) {
  return Error::Unimplemented;
}

Status executeJoin(const Query&, OutputSink&, const RunOptions&) {
  return Error::Unimplemented;
}

}  // namespace narwe
