// RecordWriter: the only way result rows reach the output.
//
// Owns the two result formats byte for byte:
//   CSV   - header line (unless skipped), one line per row, each ending in a
//           bare LF. A field holding a comma, quote, CR or LF is enclosed in
//           quotes with inner quotes doubled (this set is fixed and does not
//           follow the delimiter); every other field, empty ones included,
//           is written verbatim.
//   JSON  - array layout: "[\n", objects separated by ",\n", then "\n]\n";
//           no rows gives "[]\n". Lines layout: one object per line.
//           Objects are {"key":value,...} in header order, no spaces; a value
//           is bare when isJsonNumber accepts it, else an escaped string; a
//           missing value is "" and surplus values are dropped.
//
// All output goes through a 1 MiB buffer that is written out only when it is
// full and more bytes arrive, or on flush(): at most one write call per MiB.
// Partial writes are retried until everything is written; a failing write
// returns its error name (BrokenPipe, NoSpaceLeft, ...) and the unwritten
// bytes stay buffered. Nothing is ever reported as success that did not
// reach the descriptor on flush.
//
// Calling order: init, writeHeader once (JSON may call it again to replace
// the keys), any number of writeRecord / writeRawLine, finish, flush, deinit
// (the destructor also deinitialises). The writer does not own or close the
// descriptor. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exec/run_options.h"
#include "common/error.h"

namespace narwe {

// Size of the output buffer of every writer.
constexpr size_t kWriterBufferSize = size_t{1} << 20;

class RecordWriter {
 public:
  enum class Kind : uint8_t { Csv = 0, Json = 1 };

  // A writer for `fd` in the options' output format (CSV uses the options'
  // delimiter). OutOfMemory when the buffer cannot be allocated.
  static Result<RecordWriter> init(int fd, const RunOptions& options);

  RecordWriter(RecordWriter&&) noexcept = default;
  RecordWriter& operator=(RecordWriter&&) noexcept = default;
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;
  ~RecordWriter() = default;

  // JSON: builds the key of every column (replacing earlier ones) and writes
  // nothing. CSV: writes the names as one record unless `skip` is set.
  Status writeHeader(std::span<const std::string_view> names, bool skip);
  Status writeHeader(std::span<const std::string> names, bool skip);

  // Writes one result row.
  Status writeRecord(std::span<const std::string_view> fields);
  Status writeRecord(std::span<const std::string> fields);

  // Writes one pre-formatted row: a CSV line without its LF, or one JSON
  // object text.
  Status writeRawLine(std::string_view line);

  // Writes the closing text of a JSON array ("[]\n" when nothing was written,
  // else "\n]\n"). CSV and JSON lines write nothing. Does not flush.
  Status finish();

  // Writes out every buffered byte and empties the buffer.
  Status flush();

  // Frees the JSON keys and the buffer; the writer is unusable afterwards.
  void deinit();

  Kind kind() const { return kind_; }
  size_t bufferedLength() const { return len_; }

 private:
  RecordWriter(int fd, Kind kind, OutputFormat layout, char delimiter,
               std::unique_ptr<char[]> buffer)
      : buf_(std::move(buffer)), fd_(fd), kind_(kind), layout_(layout), delimiter_(delimiter) {}

  // Appends bytes; false (with error_ set) when a full buffer cannot be
  // written out.
  bool put(const char* p, size_t n) {
    if (n <= kWriterBufferSize - len_) {
      if (n != 0) std::memcpy(buf_.get() + len_, p, n);
      len_ += n;
      return true;
    }
    return putSlow(p, n);
  }
  bool put(std::string_view s) { return put(s.data(), s.size()); }
  bool putByte(char c) {
    if (len_ < kWriterBufferSize) {
      buf_[len_++] = c;
      return true;
    }
    return putSlow(&c, 1);
  }
  bool putSlow(const char* p, size_t n);
  bool writeBuffered();
  Status failure() const { return error_; }

  bool putCsvField(std::string_view field);
  bool putJsonString(std::string_view value);
  bool putRecordOpening();

  template <typename Text>
  Status writeHeaderImpl(std::span<const Text> names, bool skip);
  template <typename Text>
  Status writeRecordImpl(std::span<const Text> fields);

  std::unique_ptr<char[]> buf_;
  size_t len_ = 0;
  int fd_ = -1;
  Kind kind_ = Kind::Csv;
  OutputFormat layout_ = OutputFormat::Csv;
  char delimiter_ = ',';
  bool first_record_ = true;
  Error error_ = Error::None;
  // JSON keys: every column's fragment ("\"name\":") back to back;
  // key_ends_[i] is where fragment i ends.
  std::string keys_;
  std::vector<size_t> key_ends_;
};

}  // namespace narwe
