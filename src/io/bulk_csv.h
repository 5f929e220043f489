// Buffered record reader over an input file.
//
// `BulkCsvReader` finds a whole record in its 2 MiB buffer first (with the
// block scanner shared by every in-memory reader) and then splits it. It reads
// through a `FileSource` (positioned reads, never a mapping), so the file is
// read up to its size when it was opened and a file that shrinks meanwhile
// fails the read with EndOfStream instead of yielding a cut record. Opened on
// a whole file it skips a leading UTF-8 byte-order mark. A record longer than
// the buffer makes the buffer grow, up to the record limit of
// io/record_limit.h: a longer record fails with FileTooBig. Input is never
// cut.
//
// Records are split by the rule of io/field_splitter.h (at most 256 fields;
// TooManyColumns above, InvalidInput for a lone CR). Two ways to read:
//  - `readRecord` returns an owned record;
//  - `readRecordSlices` returns borrowed slices into the reader's buffer or
//    the splitter's scratch, valid until the next read call. No heap
//    allocation for records without quote pairs.
// A record that outgrows the first buffer while holding a lone CR is refused
// at once (InvalidInput), so input whose lines end in CR alone is not read
// whole first.
//
// A record's bytes lose one trailing CR, both before the LF and at the end of
// the input. Both modes return nullopt at the end of input and forever after.
// Not thread-safe: one reader per thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "common/arena.h"
#include "common/error.h"
#include "io/csv.h"
#include "io/field_splitter.h"
#include "io/file_source.h"
#include "io/record_buffer.h"
#include "io/simd.h"

namespace narwe {

class BulkCsvReader {
 public:
  static constexpr size_t kBufferSize = 2 * 1024 * 1024;

  // Reads the whole file `fd` from its start, after a byte-order mark if
  // there is one, up to its size now (fstat). Errors: Unseekable (the
  // descriptor cannot do positioned reads: a pipe), the fstat error,
  // OutOfMemory. The delimiter starts as ','. The descriptor's offset is
  // neither used nor moved.
  static Result<BulkCsvReader> init(int fd);
  // The same with the size the caller saw when it opened the file.
  static Result<BulkCsvReader> init(int fd, uint64_t size_at_open);
  // Reads exactly what `source` delivers (no byte-order-mark skip): a
  // worker's byte range.
  static Result<BulkCsvReader> over(FileSource source);

  BulkCsvReader(BulkCsvReader&&) = default;
  BulkCsvReader& operator=(BulkCsvReader&&) = default;

  void setDelimiter(char delimiter) {
    delimiter_ = delimiter;
    splitter_.setDelimiter(delimiter);
  }
  char delimiter() const { return delimiter_; }

  // File offset of the first byte not yet returned in a record: after the
  // first readRecord, where the data after the header row starts.
  uint64_t offset() const { return source_.position() - (buffer_.filled - buffer_.cursor); }

  // Next record, owned. Errors: TooManyColumns, InvalidInput (a lone CR),
  // OutOfMemory, FileTooBig (a record longer than the record limit),
  // EndOfStream (the file shrank), read errors.
  Result<std::optional<Record>> readRecord();

  // Next record as borrowed slices. Errors: those of readRecord.
  Result<std::optional<std::span<const std::string_view>>> readRecordSlices();

  // The splitting steps of the two modes, for record bytes held elsewhere.
  // parseLineSlices' result is valid until the next call on this reader.
  Result<Record> parseLine(std::string_view line);
  Result<std::span<const std::string_view>> parseLineSlices(std::string_view line);

 private:
  BulkCsvReader(FileSource source, std::unique_ptr<char[]> buffer);

  // The bytes of the next record (CR rule applied), or nullopt at the end.
  Result<std::optional<std::string_view>> nextRecordBytes();
  // RecordBuffer::ReadFn over `source_`.
  static Result<size_t> readSource(void* self, char* dst, size_t room);

  RecordBuffer buffer_;
  FieldSplitter splitter_;
  FileSource source_;
  char delimiter_ = ',';
};

}  // namespace narwe
