// The header row of an input file, read with positioned reads.
#include <cstring>
#include <new>
#include <string>

#include "io/csv.h"
#include "io/file_source.h"
#include "io/record_limit.h"

namespace narwe {
namespace {

// Bytes read per positioned read while looking for the header's end.
constexpr size_t kHeaderReadBytes = 64 * 1024;
// A byte-order mark may precede the header row without counting toward it.
constexpr size_t kByteOrderMarkSize = 3;

Result<FileHeader> readUnguarded(int fd, uint64_t file_size, const InputOptions& options) {
  FileSource source = FileSource::wholeFile(fd, file_size);
  const size_t limit = maxRecordBytes();
  std::string bytes;
  size_t searched = 0;
  for (;;) {
    const size_t before = bytes.size();
    bytes.resize(before + kHeaderReadBytes);
    Result<size_t> got = source.read(bytes.data() + before, kHeaderReadBytes);
    if (!got.ok()) return got.error();
    bytes.resize(before + *got);
    if (std::memchr(bytes.data() + searched, '\n', bytes.size() - searched) != nullptr) break;
    searched = bytes.size();
    if (bytes.size() > limit + kByteOrderMarkSize) return Error::FileTooBig;
    if (*got == 0) break;  // resolveMmapHeader reports the missing LF
  }
  const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
  if (lf != nullptr &&
      static_cast<size_t>(static_cast<const char*>(lf) - bytes.data()) > limit + kByteOrderMarkSize) {
    return Error::FileTooBig;
  }
  NARWE_ASSIGN_OR_RETURN(MmapHeader header, resolveMmapHeader(bytes, options));
  FileHeader result;
  result.names.assign(header.names.begin(), header.names.end());
  result.data_start = header.data_start;
  return result;
}

}  // namespace

Result<FileHeader> readFileHeader(int fd, uint64_t file_size, const InputOptions& options) {
  try {
    return readUnguarded(fd, file_size, options);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
