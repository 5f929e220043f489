// Scalar-select detection and table-alias removal.
#include "scalar/rewrite.h"

#include <algorithm>
#include <array>
#include <new>

#include "common/numbers.h"
#include "common/text.h"
#include "sql/parser_text.h"
#include "sql/select_item.h"

namespace narwe {

namespace {

constexpr size_t npos = std::string_view::npos;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Position of the quote closing the quoted run that opens at `open` (the
// shared quoting rule), npos when the run is unterminated, `open` itself
// when the byte opens no run.
size_t closingQuote(std::string_view text, size_t open) { return quotedRunEnd(text, open); }

// When an alias of `aliases` followed by "." and a name start begins at
// `pos`, the position of that name; otherwise npos.
size_t qualifiedNameStart(std::string_view text, size_t pos,
                          const std::vector<std::string>& aliases) {
  std::string_view rest = text.substr(pos);
  for (const std::string& alias : aliases) {
    // An empty alias would turn every ".name" into "name".
    if (alias.empty() || !startsWithIgnoreCase(rest, alias)) continue;
    size_t dot = alias.size();
    if (dot + 1 < rest.size() && rest[dot] == '.' &&
        (rest[dot + 1] == '_' || isAsciiLetter(rest[dot + 1]))) {
      return pos + dot + 1;
    }
  }
  return npos;
}

}  // namespace

bool hasScalarSelectFunctions(const Query& query) {
  if (query.select_all || !query.select_items) return false;
  for (const SelectItem& item : *query.select_items) {
    if (item.needs_scalar) return true;
  }
  return false;
}

Result<std::string> dealiasText(std::string_view text, const std::vector<std::string>& aliases,
                                const TextSet& ambiguous_names) {
  try {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
      char c = text[i];
      if (isQuoteByte(c) && closingQuote(text, i) != i) {
        // A string literal is data: it is copied as written.
        size_t close = closingQuote(text, i);
        size_t end = close == npos ? text.size() : close + 1;
        out.append(text.substr(i, end - i));
        i = end;
        continue;
      }
      if (i == 0 || !isWordByte(text[i - 1])) {
        size_t name_start = qualifiedNameStart(text, i, aliases);
        if (name_start != npos) {
          size_t name_end = name_start;
          while (name_end < text.size() && isWordByte(text[name_end])) ++name_end;
          std::string_view name = text.substr(name_start, name_end - name_start);
          if (ambiguous_names.contains(asciiLower(name))) return Error::AmbiguousColumnReference;
          out.append(name);
          i = name_end;
          continue;
        }
      }
      out.push_back(c);
      ++i;
    }
    return out;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
