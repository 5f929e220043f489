// Keyword matching, list splitting and literal helpers shared by every
// scanner of statement text.
#include "sql/parser_text.h"

#include <array>
#include <cmath>
#include <cstring>

namespace narwe {

namespace {

constexpr char kBlankRun = ' ';          // one or more whitespace bytes
constexpr char kOptionalBlankRun = '~';  // zero or more whitespace bytes

}  // namespace

void trimSpan(std::string_view text, size_t& start, size_t& end) {
  while (start < end && isBlank(static_cast<unsigned char>(text[start]))) ++start;
  while (end > start && isBlank(static_cast<unsigned char>(text[end - 1]))) --end;
}

size_t matchPattern(std::string_view text, size_t pos, std::string_view pattern) {
  size_t i = pos;
  for (const char p : pattern) {
    if (p == kBlankRun || p == kOptionalBlankRun) {
      const size_t run_start = i;
      while (i < text.size() && isBlank(static_cast<unsigned char>(text[i]))) ++i;
      if (p == kBlankRun && i == run_start) return kNoPos;
      continue;
    }
    if (i >= text.size() || lowerAscii(text[i]) != p) return kNoPos;
    ++i;
  }
  return i;
}

void findEachPatternOutsideQuotes(std::string_view text, size_t from, const std::string_view* patterns,
                                  size_t pattern_count, bool top_level_only, Boundary boundary,
                                  std::optional<TextSpan>* first_hits) {
  // Bytes where the scan must stop and look: quotes and parentheses (state)
  // and the bytes a match can start with. Everything else is skipped in a
  // tight loop, which keeps the clause searches over a long statement cheap.
  std::array<bool, 256> stop{};
  stop[static_cast<unsigned char>('\'')] = true;
  stop[static_cast<unsigned char>('"')] = true;
  stop[static_cast<unsigned char>('(')] = true;
  stop[static_cast<unsigned char>(')')] = true;
  size_t missing = 0;
  for (size_t k = 0; k < pattern_count; ++k) {
    first_hits[k].reset();
    if (patterns[k].empty()) continue;
    ++missing;
    const char first = patterns[k].front();
    if (first == kBlankRun || first == kOptionalBlankRun) {
      for (int c = 0; c < 256; ++c) stop[c] = stop[c] || isBlank(static_cast<unsigned char>(c));
    } else {
      stop[static_cast<unsigned char>(first)] = true;
      if (first >= 'a' && first <= 'z') stop[static_cast<unsigned char>(first - 32)] = true;
    }
  }

  const char* data = text.data();
  const size_t n = text.size();
  size_t depth = 0;
  for (size_t i = from; i < n && missing > 0; ++i) {
    while (i < n && !stop[static_cast<unsigned char>(data[i])]) ++i;
    if (i >= n) break;
    const char c = data[i];
    if (isQuoteByte(c)) {
      const size_t close = quotedRunEnd(text, i);
      if (close == kNoPos) break;  // an unterminated run hides the rest
      if (close != i) {
        i = close;
        continue;
      }
    }
    const bool may_match = !(top_level_only && depth != 0);
    if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    }
    if (!may_match) continue;
    const bool blank = isBlank(static_cast<unsigned char>(c));
    // A pattern that starts with a whitespace run is tried only where the run
    // begins: a match inside the run would match from its start too, and
    // retrying at every byte of a long run would cost its length squared.
    const bool run_start = blank && !(i > from && isBlank(static_cast<unsigned char>(data[i - 1])));
    // The byte after the run, checked before a full match is tried.
    size_t after_run = i;
    if (run_start) {
      while (after_run < n && isBlank(static_cast<unsigned char>(data[after_run]))) ++after_run;
    }
    const char next = after_run < n ? lowerAscii(data[after_run]) : '\0';
    if (boundary == Boundary::kBlank && i > 0 && !isBlank(static_cast<unsigned char>(data[i - 1]))) continue;
    for (size_t k = 0; k < pattern_count; ++k) {
      if (first_hits[k] || patterns[k].empty()) continue;
      const char first = patterns[k].front();
      if (first == kBlankRun) {
        if (!run_start) continue;
        const char second = patterns[k].size() > 1 ? patterns[k][1] : kBlankRun;
        if (second != kBlankRun && second != kOptionalBlankRun && second != next) continue;
      } else if (first == kOptionalBlankRun) {
        if (blank && !run_start) continue;
      } else if (lowerAscii(c) != first) {
        continue;
      }
      const size_t match_end = matchPattern(text, i, patterns[k]);
      if (match_end == kNoPos) continue;
      if (boundary == Boundary::kBlank && match_end < n &&
          !isBlank(static_cast<unsigned char>(data[match_end]))) {
        continue;
      }
      first_hits[k] = TextSpan{i, match_end};
      --missing;
    }
  }
}

std::optional<TextSpan> findPatternOutsideQuotes(std::string_view text, size_t from,
                                                 std::string_view pattern, bool top_level_only,
                                                 Boundary boundary) {
  std::optional<TextSpan> hit;
  findEachPatternOutsideQuotes(text, from, &pattern, 1, top_level_only, boundary, &hit);
  return hit;
}

size_t firstTopLevelComma(std::string_view text) {
  return scanOutsideQuotes(text, 0, [&](size_t i, size_t depth) { return depth == 0 && text[i] == ','; });
}

std::vector<std::string_view> splitTopLevelCommas(std::string_view text) {
  std::vector<std::string_view> pieces;
  size_t piece_start = 0;
  scanOutsideQuotes(text, 0, [&](size_t i, size_t depth) {
    if (text[i] == ',' && depth == 0) {
      pieces.push_back(trimBlanks(text.substr(piece_start, i - piece_start)));
      piece_start = i + 1;
    }
    return false;
  });
  pieces.push_back(trimBlanks(text.substr(piece_start)));
  return pieces;
}

std::optional<std::string> dropDigitSeparators(std::string_view text) {
  auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  std::string digits;
  digits.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '_') {
      const bool between_digits = i > 0 && is_digit(text[i - 1]) && i + 1 < text.size() && is_digit(text[i + 1]);
      if (!between_digits) return std::nullopt;
      continue;
    }
    digits.push_back(c);
  }
  return digits;
}

Result<std::string_view> unquoteLiteral(std::string_view text) {
  if (text.empty()) return text;
  const char q = text.front();
  if (q != '\'' && q != '"') return text;
  if (text.size() < 2 || text.back() != q) return Error::UnterminatedQuotedValue;
  return text.substr(1, text.size() - 2);
}

std::string_view stripQuotePair(std::string_view text) {
  if (text.size() >= 2 && text.front() == text.back() && (text.front() == '\'' || text.front() == '"')) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

std::optional<double> literalNumber(std::string_view text) {
  std::optional<double> number = parseFloat(text);
  if (number && std::isnan(*number)) return std::nullopt;
  return number;
}

}  // namespace narwe
