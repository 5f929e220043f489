// Read-only shared mappings of input files.
#include "io/file_map.h"

#include <sys/mman.h>

#include <cerrno>
#include <utility>

namespace narwe {

Error mapError(int err) {
  switch (err) {
    case EPERM: return Error::PermissionDenied;
    case ENOMEM: return Error::OutOfMemory;
    case EACCES:
    case ETXTBSY: return Error::AccessDenied;
    case EEXIST: return Error::MappingAlreadyExists;
    case ENODEV: return Error::MemoryMappingNotSupported;
    case ENFILE: return Error::SystemFdQuotaExceeded;
    case EMFILE: return Error::ProcessFdQuotaExceeded;
    case EAGAIN: return Error::LockedMemoryLimitExceeded;
    default: return Error::Unexpected;
  }
}

FileMap::FileMap(FileMap&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

FileMap& FileMap::operator=(FileMap&& other) noexcept {
  if (this != &other) {
    unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

Result<FileMap> FileMap::map(int fd, uint64_t size) {
  if (size == 0) return FileMap();
  if (size > static_cast<uint64_t>(SIZE_MAX)) return Error::OutOfMemory;
  void* p = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return mapError(errno);
  // Advice only: a failure changes nothing about correctness.
  (void)::madvise(p, static_cast<size_t>(size), MADV_SEQUENTIAL);
  return FileMap(static_cast<const char*>(p), static_cast<size_t>(size));
}

void FileMap::unmap() {
  if (data_ != nullptr && size_ != 0) {
    (void)::munmap(const_cast<char*>(data_), size_);
  }
  data_ = nullptr;
  size_ = 0;
}

}  // namespace narwe
