// The header row of an input file, read with positioned reads.
#include <new>
#include <stdexcept>
#include <string>

#include "io/block_classifier.h"
#include "io/csv.h"
#include "io/file_source.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

namespace narwe {
namespace {

// Bytes read per positioned read while looking for the header's end.
constexpr size_t kHeaderReadBytes = 64 * 1024;

Result<FileHeader> readUnguarded(int fd, uint64_t file_size, const InputOptions& options) {
  FileSource source = FileSource::wholeFile(fd, file_size);
  const size_t limit = maxRecordBytes();
  std::string bytes;
  // The row is scanned as the file reader scans its first record: from
  // after a byte-order mark, quotes honoured, state carried across reads.
  scan::ScanState state = scan::ScanState::RecordStart;
  size_t begin = 0;  // first byte of the row, once known
  size_t scanned = 0;
  bool started = false;
  size_t next_check = 4 * kHeaderReadBytes;  // row length of the next lone-CR check
  for (;;) {
    const size_t before = bytes.size();
    bytes.resize(before + kHeaderReadBytes);
    Result<size_t> got = source.read(bytes.data() + before, kHeaderReadBytes);
    if (!got.ok()) return got.error();
    bytes.resize(before + *got);
    if (!started) {
      if (*got != 0 && bytes.size() < kByteOrderMark.size()) continue;
      begin = byteOrderMarkSize(bytes);
      scanned = begin;
      started = true;
    }
    const size_t lf = scan::scanForRecordEnd<blocks::ActiveClassifier>(
        bytes.data(), bytes.size(), scanned, state, options.delimiter);
    if (lf != scan::kNoRecordEnd) {
      if (lf - begin > limit) return Error::FileTooBig;
      break;
    }
    scanned = bytes.size();
    const size_t held = scanned - begin;
    const bool lone_cr =
        (held > limit || held >= next_check) &&
        scan::recordHasLoneCr(bytes.data() + begin, held, options.delimiter);
    // A row with a lone CR is refused once it is seen to be long, rather
    // than read up to the limit (checked at doubling sizes: linear in all).
    if (lone_cr) return Error::InvalidInput;
    if (held > limit) return Error::FileTooBig;
    if (held >= next_check) next_check *= 2;
    if (*got == 0) break;  // the row ends with the file
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
