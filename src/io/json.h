// JSON text building blocks shared by the result writer and by executors that
// pre-format rows themselves.
//
// Owns the one escaping rule for JSON strings (quote, backslash, LF, CR and
// tab get their short escapes; every other byte below 0x20 becomes \u00XX
// with upper-case hex; every byte from 0x20 up, including 0x7F and UTF-8
// sequences, is copied unchanged) and the rule that decides whether a value
// is written as a bare number. All functions are pure and thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.h"

namespace narwe {

// Longest escape sequence one input byte can turn into ("\u001F").
constexpr size_t kJsonEscapeMax = 6;

// Capacity reserved for a key fragment before the name is appended.
constexpr size_t kJsonKeyFragmentCapacity = 128;

// Eight-byte word tests. Each is non-zero exactly when some byte of the
// word matches (the exact bit set says nothing about which byte).
namespace byte_words {
constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;
constexpr size_t kWordBytes = 8;
constexpr uint64_t hasZeroByte(uint64_t word) { return (word - kOnes) & ~word & kHighBits; }
constexpr uint64_t hasByte(uint64_t word, unsigned char c) { return hasZeroByte(word ^ (kOnes * c)); }
// Some byte is below `limit` (limit <= 128).
constexpr uint64_t hasByteBelow(uint64_t word, uint8_t limit) {
  return (word - kOnes * limit) & ~word & kHighBits;
}
}  // namespace byte_words

// True for the bytes that are written escaped in a JSON string.
constexpr bool jsonNeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// Non-zero when some byte of the eight-byte word needs escaping.
constexpr uint64_t jsonEscapeMask(uint64_t word) {
  using namespace byte_words;
  return hasByteBelow(word, 0x20) | hasByte(word, '"') | hasByte(word, '\\');
}

// Number of leading bytes of [p, p + n) that are copied unchanged.
size_t jsonPlainRunLength(const char* p, size_t n);

// Writes the escape sequence of byte `c` (one that jsonPlainRunLength stops
// at) into `out` and returns its length (2 or 6).
size_t jsonEscapeByte(unsigned char c, char out[kJsonEscapeMax]);

// Calls sink(const char*, size_t) for the escaped form of `text`: runs of
// unchanged bytes in one call, each escape sequence in another. The sink
// returns bool; false stops the walk and is returned.
template <typename Sink>
bool forEachJsonEscapedPiece(std::string_view text, Sink&& sink) {
  const char* p = text.data();
  size_t n = text.size();
  while (n > 0) {
    size_t run = jsonPlainRunLength(p, n);
    if (run > 0) {
      if (!sink(p, run)) return false;
      p += run;
      n -= run;
      if (n == 0) break;
    }
    char esc[kJsonEscapeMax];
    size_t len = jsonEscapeByte(static_cast<unsigned char>(*p), esc);
    if (!sink(static_cast<const char*>(esc), len)) return false;
    ++p;
    --n;
  }
  return true;
}

// True exactly when the whole text is a JSON number: optional '-', then "0"
// or a non-zero digit followed by digits, an optional '.' with at least one
// digit, an optional e/E with optional sign and at least one digit. Such
// values are written bare; every other value is written as a string.
bool isJsonNumber(std::string_view text);

// Appends the escaped form of `text` (without surrounding quotes) to `out`.
// OutOfMemory when the list cannot grow.
Status appendJsonEscapedToList(std::string& out, std::string_view text);

// A key fragment: quote, escaped name, quote, colon ("\"name\":"), built once
// per column so each JSON row writes each key with a single copy.
Result<std::string> allocJsonKeyFragment(std::string_view name);

}  // namespace narwe
