// CSV and JSON result writing through the 1 MiB output buffer.
#include "io/record_writer.h"

#include <new>

namespace narwe {

Result<RecordWriter> RecordWriter::init(OutputSink& sink, OutputFormat format, char delimiter) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kWriterBufferSize]);
  if (!buffer) return Error::OutOfMemory;
  RecordWriter writer(sink, format, delimiter, std::move(buffer));
  NARWE_ASSIGN_OR_RETURN(writer.format_,
                         RowFormat::create(format, delimiter, std::span<const std::string_view>()));
  return writer;
}

void RecordWriter::deinit() {
  format_ = RowFormat();
  scratch_ = std::string();
  buf_.reset();
  len_ = 0;
}

// Hands every buffered byte to the sink. On failure the bytes the sink did
// not take move to the front of the buffer, so the buffer never holds bytes
// that already reached the sink.
bool RecordWriter::writeBuffered() {
  size_t taken = 0;
  Status status = sink_->write(std::string_view(buf_.get(), len_), taken);
  if (status.ok()) {
    len_ = 0;
    return true;
  }
  error_ = status.error();
  if (taken > 0) {
    std::memmove(buf_.get(), buf_.get() + taken, len_ - taken);
    len_ -= taken;
  }
  return false;
}

bool RecordWriter::putSlow(const char* p, size_t n) {
  while (n > 0) {
    if (len_ == kWriterBufferSize && !writeBuffered()) return false;
    size_t room = kWriterBufferSize - len_;
    size_t chunk = n < room ? n : room;
    std::memcpy(buf_.get() + len_, p, chunk);
    len_ += chunk;
    p += chunk;
    n -= chunk;
  }
  return true;
}

Status RecordWriter::flush() {
  if (len_ == 0) return okStatus();
  if (!writeBuffered()) return error_;
  return okStatus();
}

bool RecordWriter::putRecordOpening() {
  bool first = first_record_;
  first_record_ = false;
  if (layout_ != OutputFormat::JsonArray) return true;
  return first ? put("[\n", 2) : put(",\n", 2);
}

bool RecordWriter::putRecordEnding() {
  return layout_ == OutputFormat::JsonArray || putByte('\n');
}

template <typename Text>
Status RecordWriter::writeHeaderImpl(std::span<const Text> names, bool skip) {
  NARWE_ASSIGN_OR_RETURN(format_, RowFormat::create(layout_, delimiter_, names));
  if (layout_ == OutputFormat::Csv && !skip) return writeRecordImpl(names);
  return okStatus();
}

template <typename Text>
Status RecordWriter::writeRecordImpl(std::span<const Text> fields) {
  // Opening, row, line ending.
  const size_t worst = 3 + format_.worstCaseBytes(fields);
  if (worst <= kWriterBufferSize - len_) {
    // Fast path: the row fits even at its largest, so it is formatted
    // straight into the buffer without any per-piece check.
    char* const start = buf_.get() + len_;
    char* out = start;
    if (layout_ == OutputFormat::JsonArray) {
      *out++ = first_record_ ? '[' : ',';
      *out++ = '\n';
    }
    first_record_ = false;
    out = format_.writeRow(out, fields);
    if (layout_ != OutputFormat::JsonArray) *out++ = '\n';
    len_ += static_cast<size_t>(out - start);
    return okStatus();
  }
  // About once per MiB of output (or for a row larger than the buffer):
  // format aside, then copy.
  scratch_.clear();
  NARWE_TRY(format_.appendRow(scratch_, fields));
  if (!putRecordOpening() || !put(scratch_) || !putRecordEnding()) return failure();
  return okStatus();
}

Status RecordWriter::writeHeader(std::span<const std::string_view> names, bool skip) {
  return writeHeaderImpl(names, skip);
}

Status RecordWriter::writeHeader(std::span<const std::string> names, bool skip) {
  return writeHeaderImpl(names, skip);
}

Status RecordWriter::writeRecord(std::span<const std::string_view> fields) {
  return writeRecordImpl(fields);
}

Status RecordWriter::writeRecord(std::span<const std::string> fields) {
  return writeRecordImpl(fields);
}

Status RecordWriter::writeRawLine(std::string_view line) {
  if (!putRecordOpening() || !put(line) || !putRecordEnding()) return failure();
  return okStatus();
}

Status RecordWriter::writeRowLines(std::string_view lines) {
  if (lines.empty()) return okStatus();
  if (first_record_ && layout_ == OutputFormat::JsonArray) {
    // The lines open every row with ",\n"; the first row of the array
    // opens it with "[\n" instead.
    const std::string_view opening = format_.lineOpening();
    if (!put("[\n", 2)) return failure();
    lines.remove_prefix(opening.size());
  }
  first_record_ = false;
  if (!put(lines)) return failure();
  return okStatus();
}

Status RecordWriter::finish() {
  if (layout_ != OutputFormat::JsonArray) return okStatus();
  bool ok = first_record_ ? put("[]\n", 3) : put("\n]\n", 3);
  if (!ok) return failure();
  return okStatus();
}

}  // namespace narwe
