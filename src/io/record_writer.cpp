// CSV and JSON result writing through the 1 MiB output buffer.
#include "io/record_writer.h"

#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

#include "io/csv_field.h"
#include "io/json.h"

namespace narwe {
namespace {

using byte_words::hasByte;
using byte_words::kWordBytes;

// Non-zero when some byte of the word is a comma, quote, LF or CR.
constexpr uint64_t csvSpecialMask(uint64_t word) {
  return hasByte(word, ',') | hasByte(word, '"') | hasByte(word, '\n') | hasByte(word, '\r');
}

constexpr bool isCsvSpecial(char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; }

// True when a CSV field must be enclosed in quotes: it holds a comma, quote,
// LF or CR. Eight bytes at a time, then the tail byte by byte.
bool csvNeedsQuotes(std::string_view field) {
  const char* p = field.data();
  const size_t n = field.size();
  size_t i = 0;
  for (; i + kWordBytes <= n; i += kWordBytes) {
    uint64_t word;
    std::memcpy(&word, p + i, kWordBytes);
    if (csvSpecialMask(word) != 0) return true;
  }
  for (; i < n; ++i) {
    if (isCsvSpecial(p[i])) return true;
  }
  return false;
}

// The error name of a failed write. Two errno values mean something specific
// for write: EAGAIN is a non-blocking descriptor that cannot take more, and
// EBADF a descriptor not open for writing.
Error writeErrorFromErrno(int err) {
  if (err == EAGAIN || err == EWOULDBLOCK) return Error::WouldBlock;
  if (err == EBADF) return Error::NotOpenForWriting;
  return errorFromErrno(err);
}

// Worst-case output sizes, for deciding that a whole record fits in the
// room left so that it can be written without any per-piece check.
constexpr size_t kCsvQuotedGrowth = 2;  // every byte a quote, doubled
constexpr size_t kJsonEscapedGrowth = kJsonEscapeMax;

// Copies n bytes from src to dst (and nothing beyond) and returns the OR of
// mask() over words that together cover every copied byte. Short texts are
// covered by overlapping loads, so every tested byte is a byte of the text.
template <uint64_t (*Mask)(uint64_t)>
inline uint64_t copyAndScan(char* dst, const char* src, size_t n) {
  uint64_t hit = 0;
  if (n >= kWordBytes) {
    uint64_t word;
    size_t i = 0;
    for (; i + kWordBytes <= n; i += kWordBytes) {
      std::memcpy(&word, src + i, kWordBytes);
      std::memcpy(dst + i, &word, kWordBytes);
      hit |= Mask(word);
    }
    if (i < n) {
      std::memcpy(&word, src + n - kWordBytes, kWordBytes);
      std::memcpy(dst + n - kWordBytes, &word, kWordBytes);
      hit |= Mask(word);
    }
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, src, 4);
    std::memcpy(&tail, src + n - 4, 4);
    std::memcpy(dst, &head, 4);
    std::memcpy(dst + n - 4, &tail, 4);
    hit = Mask(head | (static_cast<uint64_t>(tail) << 32));
  } else if (n > 0) {
    const unsigned char b0 = static_cast<unsigned char>(src[0]);
    const unsigned char b1 = static_cast<unsigned char>(src[n / 2]);
    const unsigned char b2 = static_cast<unsigned char>(src[n - 1]);
    dst[0] = static_cast<char>(b0);
    dst[n / 2] = static_cast<char>(b1);
    dst[n - 1] = static_cast<char>(b2);
    uint64_t x = b0 | (uint64_t{b1} << 8) | (uint64_t{b2} << 16) | (uint64_t{b2} << 24);
    hit = Mask(x | (x << 32));
  }
  return hit;
}

// Writes a CSV field at out (room for 2n + 2 bytes assumed); returns the end.
inline char* writeCsvFieldFast(char* out, std::string_view field) {
  const size_t n = field.size();
  if (copyAndScan<csvSpecialMask>(out, field.data(), n) == 0) return out + n;
  *out++ = '"';
  for (char c : field) {
    *out++ = c;
    if (c == '"') *out++ = '"';
  }
  *out++ = '"';
  return out;
}

// Writes a quoted, escaped JSON string at out (room for 6n + 2 bytes
// assumed); returns the end.
inline char* writeJsonStringFast(char* out, std::string_view value) {
  const size_t n = value.size();
  *out++ = '"';
  if (copyAndScan<jsonEscapeMask>(out, value.data(), n) == 0) {
    out += n;
  } else {
    forEachJsonEscapedPiece(value, [&out](const char* p, size_t len) {
      std::memcpy(out, p, len);
      out += len;
      return true;
    });
  }
  *out++ = '"';
  return out;
}

// Cheap first test before isJsonNumber: most text values fail on their
// first byte.
inline bool mayBeJsonNumber(std::string_view v) {
  return !v.empty() && (v[0] == '-' || (v[0] >= '0' && v[0] <= '9'));
}

// Inline copy of a short piece (keys, numbers) without a library call.
inline char* copyPiece(char* out, const char* src, size_t n) {
  if (n > 16) {
    std::memcpy(out, src, n);
  } else if (n >= kWordBytes) {
    uint64_t head, tail;
    std::memcpy(&head, src, kWordBytes);
    std::memcpy(&tail, src + n - kWordBytes, kWordBytes);
    std::memcpy(out, &head, kWordBytes);
    std::memcpy(out + n - kWordBytes, &tail, kWordBytes);
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, src, 4);
    std::memcpy(&tail, src + n - 4, 4);
    std::memcpy(out, &head, 4);
    std::memcpy(out + n - 4, &tail, 4);
  } else if (n > 0) {
    out[0] = src[0];
    out[n / 2] = src[n / 2];
    out[n - 1] = src[n - 1];
  }
  return out + n;
}

}  // namespace

Result<RecordWriter> RecordWriter::init(int fd, const RunOptions& options) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kWriterBufferSize]);
  if (!buffer) return Error::OutOfMemory;
  switch (options.format) {
    case OutputFormat::JsonArray:
    case OutputFormat::JsonLines:
      return RecordWriter(fd, Kind::Json, options.format, options.delimiter, std::move(buffer));
    case OutputFormat::Csv:
      break;
  }
  return RecordWriter(fd, Kind::Csv, OutputFormat::Csv, options.delimiter, std::move(buffer));
}

void RecordWriter::deinit() {
  keys_ = std::string();
  key_ends_ = std::vector<size_t>();
  buf_.reset();
  len_ = 0;
}

// Writes every buffered byte, retrying partial writes and interrupted calls.
// On failure the bytes not yet written move to the front of the buffer, so
// the buffer never holds bytes that already reached the descriptor.
bool RecordWriter::writeBuffered() {
  size_t done = 0;
  while (done < len_) {
    ssize_t n = ::write(fd_, buf_.get() + done, len_ - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // A write that makes no progress would loop forever; report it.
    error_ = n < 0 ? writeErrorFromErrno(errno) : Error::WriteFailed;
    if (done > 0) {
      std::memmove(buf_.get(), buf_.get() + done, len_ - done);
      len_ -= done;
    }
    return false;
  }
  len_ = 0;
  return true;
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

// Piece by piece, checking the buffer for every piece: used when a record
// might not fit in the room left (about once per MiB of output).
bool RecordWriter::putCsvField(std::string_view field) {
  if (!csvNeedsQuotes(field)) return put(field);
  return appendCsvQuoted(field, [this](std::string_view piece) { return put(piece); });
}

bool RecordWriter::putJsonString(std::string_view value) {
  if (!putByte('"')) return false;
  bool ok = forEachJsonEscapedPiece(value, [this](const char* p, size_t len) {
    if (len > kWriterBufferSize - len_) return putSlow(p, len);
    std::memcpy(buf_.get() + len_, p, len);
    len_ += len;
    return true;
  });
  return ok && putByte('"');
}

// The text before an object or raw line: "[\n" / ",\n" in the array layout,
// nothing in the lines layout. Clears the first-record flag.
bool RecordWriter::putRecordOpening() {
  bool first = first_record_;
  first_record_ = false;
  if (layout_ != OutputFormat::JsonArray) return true;
  return first ? put("[\n", 2) : put(",\n", 2);
}

template <typename Text>
Status RecordWriter::writeHeaderImpl(std::span<const Text> names, bool skip) {
  if (kind_ == Kind::Csv) {
    if (skip) return okStatus();
    return writeRecordImpl(names);
  }
  keys_.clear();
  key_ends_.clear();
  Error error = Error::None;
  try {
    key_ends_.reserve(names.size());
    for (const auto& name : names) {
      Result<std::string> fragment = allocJsonKeyFragment(std::string_view(name));
      if (!fragment.ok()) {
        error = fragment.error();
        break;
      }
      keys_ += *fragment;
      key_ends_.push_back(keys_.size());
    }
  } catch (const std::bad_alloc&) {
    error = Error::OutOfMemory;
  } catch (const std::length_error&) {
    error = Error::OutOfMemory;
  }
  if (error != Error::None) {
    // Leave no half-built key list behind.
    keys_ = std::string();
    key_ends_ = std::vector<size_t>();
    return error;
  }
  return okStatus();
}

template <typename Text>
Status RecordWriter::writeRecordImpl(std::span<const Text> fields) {
  const size_t room = kWriterBufferSize - len_;
  if (kind_ == Kind::Csv) {
    // Fast path: the record fits even if every byte had to be doubled.
    size_t worst = fields.size() + 1;
    for (const auto& f : fields) worst += kCsvQuotedGrowth * (std::string_view(f).size() + 1);
    if (worst <= room) {
      char* const start = buf_.get() + len_;
      char* out = start;
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) *out++ = delimiter_;
        out = writeCsvFieldFast(out, std::string_view(fields[i]));
      }
      *out++ = '\n';
      len_ += static_cast<size_t>(out - start);
      return okStatus();
    }
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0 && !putByte(delimiter_)) return failure();
      if (!putCsvField(std::string_view(fields[i]))) return failure();
    }
    if (!putByte('\n')) return failure();
    return okStatus();
  }

  const size_t columns = key_ends_.size();
  const size_t present = fields.size() < columns ? fields.size() : columns;
  // Opening, braces, commas, line feed, keys, and values at their largest.
  size_t worst = 8 + keys_.size() + 3 * columns;
  for (size_t i = 0; i < present; ++i) {
    worst += kJsonEscapedGrowth * std::string_view(fields[i]).size();
  }
  if (worst <= room) {
    char* const start = buf_.get() + len_;
    char* out = start;
    if (layout_ == OutputFormat::JsonArray) {
      *out++ = first_record_ ? '[' : ',';
      *out++ = '\n';
    }
    first_record_ = false;
    *out++ = '{';
    size_t key_start = 0;
    for (size_t i = 0; i < columns; ++i) {
      if (i > 0) *out++ = ',';
      out = copyPiece(out, keys_.data() + key_start, key_ends_[i] - key_start);
      key_start = key_ends_[i];
      if (i >= present) {
        *out++ = '"';
        *out++ = '"';
        continue;
      }
      std::string_view value(fields[i]);
      if (mayBeJsonNumber(value) && isJsonNumber(value)) {
        out = copyPiece(out, value.data(), value.size());
      } else {
        out = writeJsonStringFast(out, value);
      }
    }
    *out++ = '}';
    if (layout_ == OutputFormat::JsonLines) *out++ = '\n';
    len_ += static_cast<size_t>(out - start);
    return okStatus();
  }

  if (!putRecordOpening() || !putByte('{')) return failure();
  size_t key_start = 0;
  for (size_t i = 0; i < columns; ++i) {
    if (i > 0 && !putByte(',')) return failure();
    if (!put(keys_.data() + key_start, key_ends_[i] - key_start)) return failure();
    key_start = key_ends_[i];
    if (i >= present) {
      if (!put("\"\"", 2)) return failure();
      continue;
    }
    std::string_view value(fields[i]);
    bool ok = isJsonNumber(value) ? put(value) : putJsonString(value);
    if (!ok) return failure();
  }
  if (!putByte('}')) return failure();
  if (layout_ == OutputFormat::JsonLines && !putByte('\n')) return failure();
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
  if (kind_ == Kind::Csv) {
    if (!put(line) || !putByte('\n')) return failure();
    return okStatus();
  }
  if (!putRecordOpening() || !put(line)) return failure();
  if (layout_ == OutputFormat::JsonLines && !putByte('\n')) return failure();
  return okStatus();
}

Status RecordWriter::finish() {
  if (kind_ != Kind::Json || layout_ != OutputFormat::JsonArray) return okStatus();
  bool ok = first_record_ ? put("[]\n", 3) : put("\n]\n", 3);
  if (!ok) return failure();
  return okStatus();
}

}  // namespace narwe
