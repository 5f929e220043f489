// The lexical rules every scanner of statement text shares.
//
// The statement is read directly as text rather than as tokens, so this
// module is where the rules of the text live, once: what a quoted run is,
// where parentheses nest, how keywords match (ASCII-case-insensitively, any
// run of whitespace, bytes 9-13 and 32, standing for the space between
// words), and where a list splits at commas. The statement parser, the
// condition parser, the scalar and aggregate recognisers and the rewriting
// routines all scan through these functions, so they agree on every text.
//
// Quoted runs: a "'" opens a run that ends at the next "'"; an unterminated
// run hides the rest of the text. A '"' opens a run that ends at the next
// '"'; a '"' with no partner is an ordinary byte. Nothing inside a run is
// matched: a "(" or a "," or a keyword in quotes is data.
//
// Keyword patterns are written lower-case with two special bytes:
//   ' '  one or more whitespace bytes
//   '~'  zero or more whitespace bytes
// Every other pattern byte matches itself (letters in either case).
//
// Internal to src/sql and the modules above it; pure functions, thread-safe,
// no allocation except where a std::string or vector is returned.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/numbers.h"
#include "common/text.h"

namespace narwe {

constexpr size_t kNoPos = std::string_view::npos;

// A half-open byte range [start, end) inside a text.
struct TextSpan {
  size_t start = 0;
  size_t end = 0;
};

// Bytes that may form a name: ASCII letters, digits, '_' and every byte of a
// multi-byte UTF-8 sequence.
constexpr bool isNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}

// Trims [start, end) of `text` in place.
void trimSpan(std::string_view text, size_t& start, size_t& end);

// Matches `pattern` (see the header comment) at `pos`; returns the position
// just after the match, or kNoPos.
size_t matchPattern(std::string_view text, size_t pos, std::string_view pattern);

// The quoted run that opens at `open`: the position of its closing quote;
// kNoPos for an unterminated single-quoted run (it hides the rest); `open`
// itself when text[open] opens no run (not a quote, or a lone '"').
inline size_t quotedRunEnd(std::string_view text, size_t open) {
  const char q = text[open];
  if (q != '\'' && q != '"') return open;
  const size_t close = text.find(q, open + 1);
  if (close == kNoPos) return q == '\'' ? kNoPos : open;
  return close;
}

inline bool isQuoteByte(char c) { return c == '\'' || c == '"'; }

// Calls visit(i, depth) for each byte position i >= from that lies outside
// quoted runs (the quote bytes themselves are not visited); depth is the
// parenthesis depth before byte i, counted from `from` and never below 0.
// Returns the first i for which visit returns true, or kNoPos.
template <typename Visit>
size_t scanOutsideQuotes(std::string_view text, size_t from, Visit&& visit) {
  size_t depth = 0;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (isQuoteByte(c)) {
      const size_t close = quotedRunEnd(text, i);
      if (close == kNoPos) return kNoPos;  // an unterminated run hides the rest
      i = close;
      continue;
    }
    if (visit(i, depth)) return i;
    if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    }
  }
  return kNoPos;
}

// Position of the first comma outside quoted runs at parenthesis depth 0,
// or kNoPos.
size_t firstTopLevelComma(std::string_view text);

// Splits at commas outside quoted runs and at parenthesis depth 0. Pieces are
// trimmed views into `text`; empty pieces are kept (callers decide whether an
// empty piece is an error or nothing). A text without a comma is one piece.
std::vector<std::string_view> splitTopLevelCommas(std::string_view text);

enum class Boundary : unsigned char {
  kNone,   // anywhere
  kBlank,  // preceded by whitespace (or the start) and followed by whitespace (or the end)
};

// One scan that records, for each of `pattern_count` patterns, its first
// match at or after `from` (outside quoted runs; with `top_level_only` only
// at parenthesis depth 0) in first_hits[k]. Stops once every pattern is found.
void findEachPatternOutsideQuotes(std::string_view text, size_t from, const std::string_view* patterns,
                                  size_t pattern_count, bool top_level_only, Boundary boundary,
                                  std::optional<TextSpan>* first_hits);

// First match of `pattern` at or after `from` outside single-quoted runs;
// with `top_level_only`, only at parenthesis depth 0 (counted from `from`).
std::optional<TextSpan> findPatternOutsideQuotes(std::string_view text, size_t from,
                                                 std::string_view pattern, bool top_level_only,
                                                 Boundary boundary = Boundary::kNone);

// An integer written with "_" between digits ("1_000"): the text without
// those underscores; nullopt when an underscore stands anywhere else. The
// caller parses the result with the integer parsers of common/numbers.h.
std::optional<std::string> dropDigitSeparators(std::string_view text);

// The right-hand literal rule: a text starting with a single or double quote
// must be longer than one byte and end with the same quote
// (UnterminatedQuotedValue otherwise); the pair is removed, anything inside
// is kept. Other texts are returned unchanged.
Result<std::string_view> unquoteLiteral(std::string_view text);

// Removes one pair of matching surrounding quotes (both ' or both ") from a
// text of at least two bytes; otherwise returns it unchanged.
std::string_view stripQuotePair(std::string_view text);

// The literal as a number when the whole text is a float. A literal reading
// as NaN counts as text: NaN equals nothing, so a numeric comparison with it
// could never match the field it names.
std::optional<double> literalNumber(std::string_view text);

}  // namespace narwe
