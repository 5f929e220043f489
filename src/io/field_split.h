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
// merge two lines into one record. That verdict comes before any other, so it
// does not depend on where in the record the CR stands.
#pragma once

#include <cstring>
#include <string_view>

#include "common/error.h"
#include "io/block_classifier.h"

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
// outside quoted sections. Records without any CR, nearly all of them, cost
// one memchr.
inline bool hasLoneCr(std::string_view line, char delim) {
  const char* p = line.data();
  const size_t n = line.size();
  if (std::memchr(p, '\r', n) == nullptr) return false;
  size_t i = 0;
  for (;;) {
    if (i < n && p[i] == blocks::kQuote) {
      // A quoted section: skip to its closing quote (pairs are data).
      for (++i; i < n; ++i) {
        if (p[i] != blocks::kQuote) continue;
        if (i + 1 < n && p[i + 1] == blocks::kQuote) {
          ++i;
          continue;
        }
        ++i;
        break;
      }
    }
    for (; i < n && p[i] != delim; ++i) {
      if (p[i] == '\r') return true;
    }
    if (i >= n) return false;
    ++i;
  }
}

// Splits `line` into at most `capacity` fields written to `table`; returns
// the field count (at least 1), InvalidInput (a lone CR) or TooManyColumns.
//
// The line is classified in 64-byte blocks; delimiters and quotes are taken
// in order from the masks. A quote at the first byte of a field starts a
// quoted field, read by readQuotedField; the scan then goes on in blocks from
// the delimiter after it. A quote anywhere else is data and is ignored.
template <class C>
inline Result<size_t> splitFields(std::string_view line, std::string_view* table,
                                  size_t capacity, char delim) {
  if (hasLoneCr(line, delim)) return Error::InvalidInput;
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
    size_t next_pos = pos + chunk;
    while (delims != 0 || quotes != 0) {
      const unsigned d = delims != 0 ? blocks::lowestBit(delims) : 64;
      const unsigned q = quotes != 0 ? blocks::lowestBit(quotes) : 64;
      if (q < d) {
        quotes &= quotes - 1;
        if (pos + q != field_begin) continue;  // mid-field quote: data
        if (count == capacity) return Error::TooManyColumns;
        const size_t end = readQuotedField(p, n, field_begin, delim, table[count]);
        ++count;
        if (end >= n) return count;
        field_begin = end + 1;
        next_pos = end + 1;
        break;
      }
      delims &= delims - 1;
      const size_t at = pos + d;
      if (count == capacity) return Error::TooManyColumns;
      table[count++] = std::string_view(p + field_begin, at - field_begin);
      field_begin = at + 1;
    }
    pos = next_pos;
  }
  if (count == capacity) return Error::TooManyColumns;
  table[count++] = std::string_view(p + field_begin, n - field_begin);
  return count;
}

}  // namespace narwe::split
