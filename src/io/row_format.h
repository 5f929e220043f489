// RowFormat: the one formatter of result rows, for CSV and JSON output.
//
// Every row that reaches the output is formatted here, whether the writer
// formats it as it arrives or an executor formats it ahead of time (sorted
// rows, rows a worker formats into its own buffer):
//   CSV   - the values joined by the delimiter. A value holding a comma, a
//           quote, a CR, an LF or the delimiter is enclosed in quotes with
//           inner quotes doubled; every other value, empty ones included, is
//           written verbatim.
//   JSON  - {"key":value,...} in header order, no spaces; a value is bare
//           when isJsonNumber accepts it, else an escaped string; a missing
//           value is "" and surplus values are dropped.
// A formatted row carries no line ending and no separator: the "row line"
// functions below add what the layout puts around a row, so that lines
// formatted ahead of time and rows the writer formats itself come out the
// same.
//
// A RowFormat is read-only after `create` and may be shared by threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "io/json.h"

namespace narwe {

enum class OutputFormat : uint8_t {
  Csv = 0,
  JsonArray = 1,
  JsonLines = 2,
};

class RowFormat {
 public:
  RowFormat() = default;

  // The format of rows with the columns `names` (JSON keys are built once
  // here). OutOfMemory when the keys cannot be allocated.
  static Result<RowFormat> create(OutputFormat format, char delimiter,
                                  std::span<const std::string_view> names);
  static Result<RowFormat> create(OutputFormat format, char delimiter,
                                  std::span<const std::string> names);

  OutputFormat format() const { return format_; }
  bool json() const { return format_ != OutputFormat::Csv; }
  char delimiter() const { return delimiter_; }

  // An upper bound of the bytes writeRow writes for these values.
  template <typename Text>
  size_t worstCaseBytes(std::span<const Text> values) const;

  // Writes the formatted row at `out`, which has room for worstCaseBytes;
  // returns the end.
  template <typename Text>
  char* writeRow(char* out, std::span<const Text> values) const;

  // Appends the formatted row to `out`. OutOfMemory when it cannot grow.
  template <typename Text>
  Status appendRow(std::string& out, std::span<const Text> values) const;

  // Appends a row the way the writer emits it after the first row: CSV and
  // JSON lines add an LF after it, the JSON array puts ",\n" before it. The
  // writer drops the leading ",\n" of the first row it writes (see
  // RecordWriter::writeRowLines).
  template <typename Text>
  Status appendRowLine(std::string& out, std::span<const Text> values) const;

  // The bytes appendRowLine puts before and after a row.
  std::string_view lineOpening() const {
    return format_ == OutputFormat::JsonArray ? std::string_view(",\n", 2) : std::string_view();
  }
  std::string_view lineEnding() const {
    return format_ == OutputFormat::JsonArray ? std::string_view() : std::string_view("\n", 1);
  }

 private:
  OutputFormat format_ = OutputFormat::Csv;
  char delimiter_ = ',';
  // JSON keys: every column's fragment ("\"name\":") back to back;
  // key_ends_[i] is where fragment i ends.
  std::string keys_;
  std::vector<size_t> key_ends_;
};

// ---- formatting primitives, used by the templates below -------------------

namespace row_format_detail {

using byte_words::hasByte;
using byte_words::kWordBytes;

// Worst-case growth of a value: every byte a quote (CSV, doubled) or a
// control byte (JSON, \u00XX).
constexpr size_t kCsvQuotedGrowth = 2;
constexpr size_t kJsonEscapedGrowth = kJsonEscapeMax;

// Non-zero when some byte of the word makes a CSV field need quotes: a
// comma, quote, LF or CR. With another delimiter than the comma, that
// delimiter too (a separate mask, so comma-delimited output pays nothing).
struct CsvSpecialMask {
  uint64_t operator()(uint64_t word) const {
    return hasByte(word, ',') | hasByte(word, '"') | hasByte(word, '\n') | hasByte(word, '\r');
  }
};
struct CsvSpecialMaskWithDelimiter {
  char delimiter;
  uint64_t operator()(uint64_t word) const {
    return CsvSpecialMask{}(word) | hasByte(word, static_cast<unsigned char>(delimiter));
  }
};

struct JsonMask {
  uint64_t operator()(uint64_t word) const { return jsonEscapeMask(word); }
};

// Copies n bytes from src to dst (and nothing beyond) and returns the OR of
// mask() over words that together cover every copied byte. Short texts are
// covered by overlapping loads, so every tested byte is a byte of the text.
template <typename Mask>
inline uint64_t copyAndScan(char* dst, const char* src, size_t n, Mask mask) {
  uint64_t hit = 0;
  if (n >= kWordBytes) {
    uint64_t word;
    size_t i = 0;
    for (; i + kWordBytes <= n; i += kWordBytes) {
      std::memcpy(&word, src + i, kWordBytes);
      std::memcpy(dst + i, &word, kWordBytes);
      hit |= mask(word);
    }
    if (i < n) {
      std::memcpy(&word, src + n - kWordBytes, kWordBytes);
      std::memcpy(dst + n - kWordBytes, &word, kWordBytes);
      hit |= mask(word);
    }
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, src, 4);
    std::memcpy(&tail, src + n - 4, 4);
    std::memcpy(dst, &head, 4);
    std::memcpy(dst + n - 4, &tail, 4);
    hit = mask(head | (static_cast<uint64_t>(tail) << 32));
  } else if (n > 0) {
    const unsigned char b0 = static_cast<unsigned char>(src[0]);
    const unsigned char b1 = static_cast<unsigned char>(src[n / 2]);
    const unsigned char b2 = static_cast<unsigned char>(src[n - 1]);
    dst[0] = static_cast<char>(b0);
    dst[n / 2] = static_cast<char>(b1);
    dst[n - 1] = static_cast<char>(b2);
    uint64_t x = b0 | (uint64_t{b1} << 8) | (uint64_t{b2} << 16) | (uint64_t{b2} << 24);
    hit = mask(x | (x << 32));
  }
  return hit;
}

// Writes a CSV field at out (room for 2n + 2 bytes); returns the end.
template <typename Mask>
inline char* writeCsvField(char* out, std::string_view field, Mask mask) {
  const size_t n = field.size();
  if (copyAndScan(out, field.data(), n, mask) == 0) return out + n;
  *out++ = '"';
  for (char c : field) {
    *out++ = c;
    if (c == '"') *out++ = '"';
  }
  *out++ = '"';
  return out;
}

// Writes a quoted, escaped JSON string at out (room for 6n + 2 bytes);
// returns the end.
inline char* writeJsonString(char* out, std::string_view value) {
  const size_t n = value.size();
  *out++ = '"';
  if (copyAndScan(out, value.data(), n, JsonMask{}) == 0) {
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

// Writes a JSON value at out: bare when it is a JSON number, else a quoted,
// escaped string (room for 6n + 2 bytes); returns the end. Most text values
// fail the cheap first-byte test before isJsonNumber.
inline char* writeJsonValue(char* out, std::string_view value) {
  const bool may_be_number =
      !value.empty() && (value[0] == '-' || (value[0] >= '0' && value[0] <= '9'));
  if (may_be_number && isJsonNumber(value)) return copyPiece(out, value.data(), value.size());
  return writeJsonString(out, value);
}

}  // namespace row_format_detail

template <typename Text>
size_t RowFormat::worstCaseBytes(std::span<const Text> values) const {
  using namespace row_format_detail;
  if (!json()) {
    size_t worst = values.size() + 1;
    for (const auto& value : values) {
      worst += kCsvQuotedGrowth * (std::string_view(value).size() + 1);
    }
    return worst;
  }
  const size_t columns = key_ends_.size();
  const size_t present = values.size() < columns ? values.size() : columns;
  // Braces, commas, keys, empty strings for missing values, and values at
  // their largest.
  size_t worst = 2 + keys_.size() + 3 * columns;
  for (size_t i = 0; i < present; ++i) {
    worst += kJsonEscapedGrowth * std::string_view(values[i]).size();
  }
  return worst;
}

template <typename Text>
char* RowFormat::writeRow(char* out, std::span<const Text> values) const {
  using namespace row_format_detail;
  if (!json()) {
    auto write_fields = [&](auto mask) {
      for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) *out++ = delimiter_;
        out = writeCsvField(out, std::string_view(values[i]), mask);
      }
      return out;
    };
    if (delimiter_ == ',') return write_fields(CsvSpecialMask{});
    return write_fields(CsvSpecialMaskWithDelimiter{delimiter_});
  }
  const size_t columns = key_ends_.size();
  const size_t present = values.size() < columns ? values.size() : columns;
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
    out = writeJsonValue(out, std::string_view(values[i]));
  }
  *out++ = '}';
  return out;
}

// Grows `out` by `extra` bytes for a caller that writes them in place.
// OutOfMemory when it cannot.
Result<char*> growForRow(std::string& out, size_t extra);

template <typename Text>
Status RowFormat::appendRow(std::string& out, std::span<const Text> values) const {
  const size_t start = out.size();
  NARWE_ASSIGN_OR_RETURN(char* at, growForRow(out, worstCaseBytes(values)));
  char* end = writeRow(at, values);
  out.resize(start + static_cast<size_t>(end - at));
  return okStatus();
}

template <typename Text>
Status RowFormat::appendRowLine(std::string& out, std::span<const Text> values) const {
  const std::string_view opening = lineOpening();
  const std::string_view ending = lineEnding();
  const size_t start = out.size();
  NARWE_ASSIGN_OR_RETURN(char* at, growForRow(out, opening.size() + worstCaseBytes(values) +
                                                       ending.size()));
  char* end = row_format_detail::copyPiece(at, opening.data(), opening.size());
  end = writeRow(end, values);
  end = row_format_detail::copyPiece(end, ending.data(), ending.size());
  out.resize(start + static_cast<size_t>(end - at));
  return okStatus();
}

}  // namespace narwe
