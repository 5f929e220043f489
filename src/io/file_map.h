// Read-only memory mapping of a whole file.
//
// `FileMap` owns one mapping (PROT_READ, MAP_SHARED, offset 0) and removes it
// in its destructor or in `unmap()`. A zero-length file gives an empty map
// with no system mapping behind it. The kernel is told that access is
// sequential so it reads ahead.
//
// The mapped bytes are read-only and may be shared by any number of threads
// without locks; the FileMap object itself must outlive every reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/error.h"

namespace narwe {

class FileMap {
 public:
  FileMap() = default;
  ~FileMap() { unmap(); }
  FileMap(FileMap&& other) noexcept;
  FileMap& operator=(FileMap&& other) noexcept;
  FileMap(const FileMap&) = delete;
  FileMap& operator=(const FileMap&) = delete;

  // Maps the first `size` bytes of `fd` (the file's size). Errors:
  // PermissionDenied, OutOfMemory, AccessDenied, MappingAlreadyExists,
  // MemoryMappingNotSupported, SystemFdQuotaExceeded, ProcessFdQuotaExceeded,
  // LockedMemoryLimitExceeded, Unexpected.
  static Result<FileMap> map(int fd, uint64_t size);

  std::string_view bytes() const { return {data_, size_}; }
  const char* data() const { return data_; }
  size_t size() const { return size_; }

  // Removes the mapping now; later calls do nothing. Failure is ignored.
  void unmap();

 private:
  FileMap(const char* data, size_t size) : data_(data), size_(size) {}

  const char* data_ = nullptr;
  size_t size_ = 0;
};

// The error name for an errno value from mmap.
Error mapError(int err);

}  // namespace narwe
