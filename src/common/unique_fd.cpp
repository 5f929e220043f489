// Opening inputs and reading their size.
#include "common/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace narwe {

Result<UniqueFd> openReadOnly(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errorFromErrno(errno);
  return UniqueFd(fd);
}

Result<uint64_t> fileSize(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errorFromErrno(errno);
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace narwe
