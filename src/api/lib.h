// The exported C functions (declared in narwe.h) and the query thread that
// runs each call.
//
// Every query call starts one thread with a 64 MiB stack (the runner keeps
// large working records in its frame and the expression parsers recurse),
// waits for it, and turns its outcome into a return code plus one
// caller-owned string. No exception crosses the C interface: the thread entry
// reports std::bad_alloc as OutOfMemory and anything else as Unexpected.
// Calls from different host threads share nothing.
#pragma once

#include <string_view>

#include "exec/run_options.h"
#include "common/error.h"

namespace narwe {

// Stack and guard of the query thread.
inline constexpr size_t kQueryStackSize = 0x4000000;  // 64 MiB

// Runs `statement` on a query thread of its own and returns the result
// string (posix_memalign'd, NUL-terminated, released with free()) or the
// error. Thread start failures: OutOfMemory, SystemResources, Unexpected.
Result<char*> runQueryOwnStack(std::string_view statement, OutputFormat format);

}  // namespace narwe
