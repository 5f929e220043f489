// Descriptor and memory sinks.
#include "io/output_sink.h"

#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

namespace narwe {
namespace {

// The error name of a failed write. Two errno values mean something specific
// for write: EAGAIN is a non-blocking descriptor that cannot take more, and
// EBADF a descriptor not open for writing.
Error writeErrorFromErrno(int err) {
  if (err == EAGAIN || err == EWOULDBLOCK) return Error::WouldBlock;
  if (err == EBADF) return Error::NotOpenForWriting;
  return errorFromErrno(err);
}

}  // namespace

Status FdSink::write(std::string_view bytes, size_t& taken) {
  taken = 0;
  while (taken < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + taken, bytes.size() - taken);
    if (n > 0) {
      taken += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // A write that makes no progress would loop forever; report it.
    return n < 0 ? writeErrorFromErrno(errno) : Error::WriteFailed;
  }
  return okStatus();
}

Status BufferSink::write(std::string_view bytes, size_t& taken) {
  taken = 0;
  try {
    bytes_.append(bytes);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
  taken = bytes.size();
  return okStatus();
}

}  // namespace narwe
