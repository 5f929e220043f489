// RecordWriter: the only way result rows reach the output.
//
// Owns the layout of a whole result around the rows that RowFormat
// (row_format.h) formats:
//   CSV   - header line (unless skipped), one line per row, each ending in a
//           bare LF.
//   JSON  - array layout: "[\n", objects separated by ",\n", then "\n]\n";
//           no rows gives "[]\n". Lines layout: one object per line.
//
// All output goes through a 1 MiB buffer that is handed to the OutputSink
// only when it is full and more bytes arrive, or on flush(): at most one
// sink write per MiB. A failing sink write returns its error name
// (BrokenPipe, NoSpaceLeft, ...) and the bytes the sink did not take stay
// buffered. Nothing is ever reported as success that did not reach the sink
// on flush.
//
// Calling order: init, writeHeader once (JSON may call it again to replace
// the keys), any number of writeRecord / writeRawLine / writeRowLines,
// finish, flush, deinit (the destructor also deinitialises). The writer does
// not own the sink. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "io/output_sink.h"
#include "io/row_format.h"

namespace narwe {

// Size of the output buffer of every writer.
constexpr size_t kWriterBufferSize = size_t{1} << 20;

class RecordWriter {
 public:
  enum class Kind : uint8_t { Csv = 0, Json = 1 };

  // A writer into `sink` in `format` (CSV uses `delimiter`). OutOfMemory
  // when the buffer cannot be allocated.
  static Result<RecordWriter> init(OutputSink& sink, OutputFormat format, char delimiter);

  RecordWriter(RecordWriter&&) noexcept = default;
  RecordWriter& operator=(RecordWriter&&) noexcept = default;
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;
  ~RecordWriter() = default;

  // Builds the row format of these columns (JSON: one key per column,
  // replacing earlier ones) and, for CSV, writes the names as one record
  // unless `skip` is set.
  Status writeHeader(std::span<const std::string_view> names, bool skip);
  Status writeHeader(std::span<const std::string> names, bool skip);

  // The row format writeHeader built; rows formatted ahead of time with it
  // come out exactly as writeRecord would write them.
  const RowFormat& rowFormat() const { return format_; }

  // Writes one result row.
  Status writeRecord(std::span<const std::string_view> fields);
  Status writeRecord(std::span<const std::string> fields);

  // Writes one pre-formatted row: a CSV line without its LF, or one JSON
  // object text.
  Status writeRawLine(std::string_view line);

  // Writes rows made by RowFormat::appendRowLine, in order, as writeRecord
  // would have written them one by one.
  Status writeRowLines(std::string_view lines);

  // Writes the closing text of a JSON array ("[]\n" when nothing was written,
  // else "\n]\n"). CSV and JSON lines write nothing. Does not flush.
  Status finish();

  // Hands every buffered byte to the sink and empties the buffer.
  Status flush();

  // Frees the JSON keys and the buffer; the writer is unusable afterwards.
  void deinit();

  Kind kind() const { return format_.json() ? Kind::Json : Kind::Csv; }
  size_t bufferedLength() const { return len_; }

 private:
  RecordWriter(OutputSink& sink, OutputFormat layout, char delimiter,
               std::unique_ptr<char[]> buffer)
      : buf_(std::move(buffer)), sink_(&sink), layout_(layout), delimiter_(delimiter) {}

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

  // The text before a JSON object or raw line: "[\n" / ",\n" in the array
  // layout, nothing otherwise. Clears the first-record flag.
  bool putRecordOpening();
  // The text after a row: LF for CSV and JSON lines.
  bool putRecordEnding();

  template <typename Text>
  Status writeHeaderImpl(std::span<const Text> names, bool skip);
  template <typename Text>
  Status writeRecordImpl(std::span<const Text> fields);

  std::unique_ptr<char[]> buf_;
  size_t len_ = 0;
  OutputSink* sink_ = nullptr;
  OutputFormat layout_ = OutputFormat::Csv;
  char delimiter_ = ',';
  bool first_record_ = true;
  Error error_ = Error::None;
  RowFormat format_;
  std::string scratch_;  // a row too large for the room left in the buffer
};

}  // namespace narwe
