// Splitting one CSV record held in memory into borrowed field slices.
// Internal; the public entry point is parseCSVFieldsStatic (io/simd.h). The
// classifier is a template parameter so tests can run the vector and the
// scalar classifier over the same inputs.
//
// Rules: fields are cut at the delimiter. A field whose first byte is a quote
// is the raw bytes between that quote and the first single closing quote
// (quote pairs stay doubled: the caller unescapes); the bytes after the
// closing quote up to the next delimiter are dropped; without a closing quote
// the field runs to the end of the record. Any other field runs to the next
// delimiter, quotes included. An empty record is one empty field; a trailing
// delimiter gives a final empty field.
//
// A record's bytes come without their line ending, so a CR outside quoted
// sections is a lone CR: a line ending the readers do not take. The record is
// refused with InvalidInput rather than read with the CR as data, which would
// merge two lines into one record. That verdict wins over TooManyColumns, so
// it does not depend on where in the record the CR stands.
#pragma once

#include <cstring>
#include <string_view>

#include "common/error.h"
#include "io/block_classifier.h"
#include "io/record_scan.h"

namespace narwe::split {

// Index of the first `c` in p[from, n), or n.
inline size_t findByteOrEnd(const char* p, size_t from, size_t n, char c) {
  if (from >= n) return n;
  const void* hit = std::memchr(p + from, static_cast<unsigned char>(c), n - from);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - p) : n;
}

// Reads the quoted field whose opening quote is at p[k]. Sets `field` to the
// raw bytes between the quotes (pairs stay doubled) and returns the index
// of the delimiter that ends the field, or n.
inline size_t readQuotedField(const char* p, size_t n, size_t k, char delim,
                              std::string_view& field) {
  size_t j = k + 1;
  for (;;) {
    const size_t q = findByteOrEnd(p, j, n, blocks::kQuote);
    if (q >= n) {
      field = std::string_view(p + k + 1, n - k - 1);  // unterminated: runs to the end
      return n;
    }
    if (q + 1 < n && p[q + 1] == blocks::kQuote) {
      j = q + 2;  // a pair: data, keep looking
      continue;
    }
    field = std::string_view(p + k + 1, q - k - 1);
    return findByteOrEnd(p, q + 1, n, delim);  // bytes after the closing quote are dropped
  }
}

// True when `line` (a record's bytes without their line ending) holds a CR
// outside quoted sections.
inline bool hasLoneCr(std::string_view line, char delim) {
  if (std::memchr(line.data(), '\r', line.size()) == nullptr) return false;
  scan::ScanState state = scan::ScanState::RecordStart;
  for (const char c : line) {
    (void)scan::stepByte(state, c, delim);
    if (c == '\r' && state != scan::ScanState::InQuotes) return true;
  }
  return false;
}

// TooManyColumns, unless the record also holds a lone CR.
inline Error tooManyColumns(std::string_view line, char delim) {
  return hasLoneCr(line, delim) ? Error::InvalidInput : Error::TooManyColumns;
}

// Splits `line` into at most `capacity` fields written to `table`; returns
// the field count (at least 1), TooManyColumns, or InvalidInput (a lone CR).
//
// The line is classified in 64-byte blocks; delimiters and quotes are taken
// in order from the masks. A quote at the first byte of a field starts a
// quoted field, read by readQuotedField; the scan then goes on in blocks from
// the delimiter after it. A quote anywhere else is data and is ignored.
template <class C>
inline Result<size_t> splitFields(std::string_view line, std::string_view* table,
                                  size_t capacity, char delim) {
  const char* p = line.data();
  const size_t n = line.size();
  size_t count = 0;
  size_t field_begin = 0;
  size_t pos = 0;  // start of the next block to classify
  while (pos < n) {
    const size_t chunk = n - pos < blocks::kBlockSize ? n - pos : blocks::kBlockSize;
    const blocks::BlockMasks m = chunk == blocks::kBlockSize
                                     ? C::classify(p + pos, delim)
                                     : blocks::classifyPartial<C>(p + pos, chunk, delim);
    uint64_t delims = m.delim & ~m.quote;
    uint64_t quotes = m.quote;
    // CRs of this block outside quoted fields: all of them unless a quoted
    // field opens in the block, then those before its opening quote.
    uint64_t crs = m.cr;
    size_t next_pos = pos + chunk;
    while (delims != 0 || quotes != 0) {
      const unsigned d = delims != 0 ? blocks::lowestBit(delims) : 64;
      const unsigned q = quotes != 0 ? blocks::lowestBit(quotes) : 64;
      if (q < d) {
        quotes &= quotes - 1;
        if (pos + q != field_begin) continue;  // mid-field quote: data
        crs &= blocks::lowBits(q);
        if (crs != 0) return Error::InvalidInput;
        if (count == capacity) return tooManyColumns(line, delim);
        std::string_view& field = table[count];
        const size_t end = readQuotedField(p, n, field_begin, delim, field);
        ++count;
        // The bytes dropped after the closing quote are outside quotes too.
        const size_t tail = static_cast<size_t>(field.data() + field.size() - p) + 1;
        if (tail < end && std::memchr(p + tail, '\r', end - tail) != nullptr) {
          return Error::InvalidInput;
        }
        if (end >= n) return count;
        field_begin = end + 1;
        next_pos = end + 1;
        break;
      }
      delims &= delims - 1;
      const size_t at = pos + d;
      if (count == capacity) return tooManyColumns(line, delim);
      table[count++] = std::string_view(p + field_begin, at - field_begin);
      field_begin = at + 1;
    }
    if (crs != 0) return Error::InvalidInput;
    pos = next_pos;
  }
  if (count == capacity) return tooManyColumns(line, delim);
  table[count++] = std::string_view(p + field_begin, n - field_begin);
  return count;
}

}  // namespace narwe::split
