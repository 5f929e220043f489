// Reading CSV records.
//
// One dialect everywhere: the caller's one-byte delimiter; the quote is '"';
// a quote opens a quoted section only as the first byte of a field; inside a
// quoted section a quote pair is one quote and a single quote closes it;
// delimiter, CR and LF are data inside. A record ends at an LF outside quoted
// sections; one CR right before that LF is not part of the record. An empty
// line is a record with one empty field; a trailing delimiter gives a final
// empty field; the last record needs no LF. Unterminated quoted sections are
// not an error.
//
// This header owns:
//  - `CsvReader`: streaming reader over a descriptor (used for standard
//    input). Differences from the other readers: a lone CR also ends a
//    record; bytes after a closing quote are appended to the field; no
//    byte-order-mark skip; an unterminated quoted section runs to the end of
//    the input.
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

#include "io/input_options.h"
#include "common/error.h"

namespace narwe {

// An owned record: one string per field, in order.
using Record = std::vector<std::string>;

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
  // One name per header field, in file order. For a file with a header row
  // they point into the mapping (untrimmed, quotes removed, quote pairs left
  // doubled); for header-less input they are the generated "c1", "c2", ...
  // held by this object.
  std::vector<std::string_view> names;
  // Offset of the first byte after the header row (0 without a header row).
  uint64_t data_start = 0;
  // True when `names` point into this object rather than into the mapping.
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

// Reads the header row of `mapped` (the whole file). A leading UTF-8
// byte-order mark is skipped; the header row ends at the first LF (quotes do
// not matter there) and loses one trailing CR; it is split with a capacity of
// kHeaderFieldCapacity. Errors: NoHeader (empty input or no LF anywhere),
// TooManyColumns, OutOfMemory. With options.no_header_input the first row
// only gives the column count: names are c1..cN and data starts at 0.
Result<MmapHeader> resolveMmapHeader(std::string_view mapped, const InputOptions& options);

// The header of an input file, names owned.
struct FileHeader {
  std::vector<std::string> names;  // as resolveMmapHeader gives them
  uint64_t data_start = 0;         // file offset of the first data byte
};

// Reads the header row of the file `fd` (whose size at open was `file_size`,
// see io/file_source.h) with positioned reads up to its first LF and resolves
// it as resolveMmapHeader does. Errors: those of resolveMmapHeader, FileTooBig
// (no LF within the record limit), EndOfStream (the file shrank), read
// errors.
Result<FileHeader> readFileHeader(int fd, uint64_t file_size, const InputOptions& options);

// Streaming reader with a 256 KiB buffer. Returns owned records.
class CsvReader {
 public:
  static constexpr size_t kBufferSize = 256 * 1024;

  CsvReader(int fd, char delimiter);
  CsvReader(CsvReader&&) = default;
  CsvReader& operator=(CsvReader&&) = default;

  // The next record; nullopt at the end of the input (and forever after).
  // Errors: OutOfMemory, FileTooBig (a record longer than the record limit
  // of io/record_limit.h, noticed before much more than one buffer past the
  // limit is held) and the error names of failed reads (the failure is
  // sticky: later calls report it again).
  Result<std::optional<Record>> readRecord();

 private:
  static constexpr int kEndOfInput = -1;

  // The next byte (0..255) or kEndOfInput; a failed read also gives
  // kEndOfInput and records the error.
  int fetch();
  // Gives back the byte the last fetch returned.
  void unread() { --pos_; }
  Result<std::optional<Record>> readRecordUnguarded();
  // Bytes of the current record read so far, less its `terminator` bytes.
  uint64_t recordBytes(size_t terminator) const;

  size_t pos_ = 0;
  size_t filled_ = 0;
  uint64_t before_buffer_ = 0;  // stream bytes before the buffer's first
  uint64_t record_start_ = 0;   // stream offset of the current record
  int fd_;
  char delimiter_;
  std::unique_ptr<char[]> buffer_;
  bool end_of_input_ = false;
  Error read_error_ = Error::None;
};

}  // namespace narwe
