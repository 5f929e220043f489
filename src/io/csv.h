// Reading CSV records.
//
// One dialect everywhere: the caller's one-byte delimiter; the quote is '"';
// a quote opens a quoted section only as the first byte of a field; inside a
// quoted section a quote pair is one quote and a single quote closes it;
// delimiter, CR and LF are data inside. A record ends at an LF outside quoted
// sections; one CR right before that LF is not part of the record, nor is a
// CR that ends the input. Any other CR outside quoted sections is refused
// (InvalidInput). The last record needs no LF. A UTF-8 byte-order mark before
// the first record is skipped. How a record's bytes become fields is the one
// rule of io/field_splitter.h, which every reader here uses.
//
// This header owns:
//  - `CsvReader`: streaming reader over a descriptor that cannot be read at
//    positions (standard input, a pipe).
//  - `findRecordEnd`: the LF ending the record that starts at a position of
//    an in-memory buffer.
//  - `resolveMmapHeader` / `MmapHeader`: the header row of a file's bytes
//    held in memory.
//  - `readFileHeader`: the header row of an input file, read with positioned
//    reads (never a mapping) into an owned buffer.
//  - `stripRecordCr`: the line-ending rule shared by all in-memory readers.
//
// A reader object belongs to one thread at a time; the free functions are
// pure and thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "io/field_splitter.h"
#include "io/input_options.h"
#include "io/record_buffer.h"

namespace narwe {

// The record bytes without one trailing CR (the CR of a CR LF ending). Every
// in-memory reader applies it to the bytes before a record-ending LF and to a
// final record that ends the input.
inline std::string_view stripRecordCr(std::string_view record) {
  if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
  return record;
}

// Index of the LF that ends the record starting at `start` in
// data[0, length), or nullopt when the data ends first (or start >= length).
// LFs inside quoted sections are skipped; the scan assumes a record begins
// at `start`.
std::optional<size_t> findRecordEnd(const char* data, size_t length, size_t start,
                                    char delimiter);

// The header of a mapped file.
struct MmapHeader {
  // One name per header field, in file order, held by this object: the
  // header row's fields as every reader splits them (untrimmed), or for
  // header-less input the generated "c1", "c2", ...
  std::vector<std::string_view> names;
  // Offset of the first byte after the header row (0 without a header row).
  uint64_t data_start = 0;
  // True when `names` point into this object (always, now that names are
  // unescaped copies).
  bool owns_names = false;

  MmapHeader() = default;
  MmapHeader(MmapHeader&&) = default;
  MmapHeader& operator=(MmapHeader&&) = default;
  MmapHeader(const MmapHeader&) = delete;  // owned names would dangle
  MmapHeader& operator=(const MmapHeader&) = delete;

  // Storage of generated names. A vector keeps its buffer when moved, so the
  // views in `names` stay valid.
  std::vector<char> owned_text;
};

// Reads the header row of `mapped` (the whole file) as the file reader reads
// its first record: a leading UTF-8 byte-order mark is skipped; the row ends
// at the first LF outside quoted sections (or at the end of the input) and
// loses one trailing CR; it is split by FieldSplitter. Errors: NoHeader
// (nothing after the byte-order mark), TooManyColumns, InvalidInput (a lone
// CR), OutOfMemory. With options.no_header_input the first row only gives
// the column count: names are c1..cN and data starts at 0.
Result<MmapHeader> resolveMmapHeader(std::string_view mapped, const InputOptions& options);

// The header of an input file, names owned.
struct FileHeader {
  std::vector<std::string> names;  // as resolveMmapHeader gives them
  uint64_t data_start = 0;         // file offset of the first data byte
};

// Reads the header row of the file `fd` (whose size at open was `file_size`,
// see io/file_source.h) with positioned reads up to its end and resolves it
// as resolveMmapHeader does. Errors: those of resolveMmapHeader, FileTooBig
// (no record end within the record limit), EndOfStream (the file shrank),
// read errors.
Result<FileHeader> readFileHeader(int fd, uint64_t file_size, const InputOptions& options);

// Streaming reader: reads its descriptor front to back with read(2) through
// a 256 KiB buffer that grows while one record fills it (up to the record
// limit of io/record_limit.h), and returns owned records.
class CsvReader {
 public:
  static constexpr size_t kBufferSize = 256 * 1024;

  CsvReader(int fd, char delimiter);
  CsvReader(CsvReader&&) = default;
  CsvReader& operator=(CsvReader&&) = default;

  // The next record; nullopt at the end of the input (and forever after).
  // Errors: TooManyColumns, InvalidInput (a lone CR; noticed as soon as one
  // record outgrows the buffer), OutOfMemory, FileTooBig (a record longer
  // than the record limit) and the error names of failed reads. Errors are
  // sticky: later calls report them again.
  Result<std::optional<Record>> readRecord();

 private:
  Result<std::optional<Record>> readRecordUnguarded();
  // The bytes of the next record (CR rule applied), or nullopt at the end.
  Result<std::optional<std::string_view>> nextRecordBytes();
  // RecordBuffer::ReadFn over `fd_`.
  static Result<size_t> readFd(void* self, char* dst, size_t room);

  RecordBuffer buffer_;
  FieldSplitter splitter_;
  int fd_;
  char delimiter_;
  bool started_ = false;  // the byte-order mark has been looked for
  Error error_ = Error::None;
};

}  // namespace narwe
