// Quoting of one CSV output field, shared by the result writer and by the
// executors that pre-format rows: a quoted field is a quote, the bytes with
// every quote doubled, and a closing quote. Which fields need quotes is the
// caller's rule (the writer's fixed set, or the delimiter-aware test below).
#pragma once

#include <string_view>

namespace narwe {

// True when `value` holds the delimiter, a quote, CR or LF.
inline bool csvFieldNeedsQuotes(std::string_view value, char delimiter) {
  for (char c : value) {
    if (c == delimiter || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

// Writes the quoted form of `value` through append(std::string_view) -> bool:
// runs between quotes in one piece each. Returns false as soon as append does.
template <typename Append>
bool appendCsvQuoted(std::string_view value, Append&& append) {
  constexpr std::string_view kQuote("\"", 1);
  if (!append(kQuote)) return false;
  while (!value.empty()) {
    size_t q = value.find('"');
    if (q == std::string_view::npos) return append(value) && append(kQuote);
    if (!append(value.substr(0, q + 1)) || !append(kQuote)) return false;
    value.remove_prefix(q + 1);
  }
  return append(kQuote);
}

}  // namespace narwe
