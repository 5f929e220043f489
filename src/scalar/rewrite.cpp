// Select-list and clause text rewriting: DATE_PART rewriting, alias
// splitting, scalar-select detection and table-alias removal.
#include "scalar/rewrite.h"

#include <algorithm>
#include <array>
#include <new>

#include "common/numbers.h"
#include "common/text.h"
#include "sql/names.h"
#include "sql/parser_text.h"

namespace narwe {

namespace {

constexpr size_t npos = std::string_view::npos;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Position of the quote closing the quoted run that opens at `open` (the
// shared quoting rule), npos when the run is unterminated, `open` itself
// when the byte opens no run.
size_t closingQuote(std::string_view text, size_t open) { return quotedRunEnd(text, open); }

// ---------------------------------------------------------------------------
// DATE_PART rewriting

constexpr std::string_view kDatePartCall = "date_part(";

struct DatePartUnit {
  std::string_view unit;
  std::string_view format;
};

constexpr std::array<DatePartUnit, 6> kDatePartUnits = {{
    {"year", "%Y"},
    {"month", "%m"},
    {"day", "%d"},
    {"hour", "%H"},
    {"minute", "%M"},
    {"second", "%S"},
}};

// Finds "date_part(" outside quoted literals: a literal that merely
// mentions the function must reach the output as written.
size_t findDatePartCall(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (isQuoteByte(text[i])) {
      i = closingQuote(text, i);
      if (i == npos) return npos;
      continue;
    }
    if (startsWithIgnoreCase(text.substr(i), kDatePartCall)) return i;
  }
  return npos;
}

// First ")" at or after `from` outside quoted literals.
size_t findCallEnd(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    if (isQuoteByte(text[i])) {
      i = closingQuote(text, i);
      if (i == npos) return npos;
      continue;
    }
    if (text[i] == ')') return i;
  }
  return npos;
}

// The rewritten text, or nullopt when the text has no rewritable call.
std::optional<std::string> rewriteFirstDatePart(std::string_view text) {
  size_t call = findDatePartCall(text);
  if (call == npos) return std::nullopt;
  size_t args_begin = call + kDatePartCall.size();
  size_t call_end = findCallEnd(text, args_begin);
  if (call_end == npos) return std::nullopt;

  std::string_view args = text.substr(args_begin, call_end - args_begin);
  size_t open = args.find('\'');
  if (open == npos) return std::nullopt;
  size_t close = args.find('\'', open + 1);
  if (close == npos) return std::nullopt;
  size_t comma = args.find(',', close + 1);
  if (comma == npos) return std::nullopt;

  std::string_view unit = trimBlanks(args.substr(open + 1, close - open - 1));
  std::string_view format;
  for (const DatePartUnit& entry : kDatePartUnits) {
    if (equalsIgnoreCase(unit, entry.unit)) {
      format = entry.format;
      break;
    }
  }
  if (format.empty()) return std::nullopt;
  std::string_view column = trimBlanks(args.substr(comma + 1));
  std::string_view before = text.substr(0, call);
  std::string_view after = text.substr(call_end + 1);

  std::string out;
  out.reserve(before.size() + format.size() + column.size() + after.size() + 16);
  out.append(before);
  out.append("STRFTIME('");
  out.append(format);
  out.append("', ");
  out.append(column);
  out.push_back(')');
  out.append(after);
  return out;
}

// ---------------------------------------------------------------------------
// Alias splitting

bool isIdentifier(std::string_view text) {
  if (text.empty() || !(isAsciiLetter(text[0]) || text[0] == '_')) return false;
  for (char c : text) {
    if (!isWordByte(c)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Scalar-select detection

// Calls that the aggregate executors handle themselves: aggregates (also
// the name count_distinct, which no table knows) and the round wrapper.
bool isNonScalarCallName(std::string_view name) {
  return aggregateFromName(name) || equalsIgnoreCase(name, "count_distinct") ||
         functionFromName(name) == FunctionId::round;
}

constexpr std::string_view kCaseKeyword = "case";

// "CASE" followed by any blank opens a CASE expression; statements written
// over several lines put a line feed there rather than a space.
bool startsWithCaseKeyword(std::string_view expr) {
  return expr.size() > kCaseKeyword.size() && startsWithIgnoreCase(expr, kCaseKeyword) &&
         isBlank(static_cast<unsigned char>(expr[kCaseKeyword.size()]));
}

bool itemNeedsScalar(std::string_view item) {
  std::string_view expr = trimBlanks(splitAlias(item).expression);
  if (startsWithCaseKeyword(expr)) return true;
  // Blank runs between the words, as the null-test parser accepts them.
  if (findPatternOutsideQuotes(expr, 0, " is null", false) ||
      findPatternOutsideQuotes(expr, 0, " is not null", false)) {
    return true;
  }
  size_t paren = expr.find('(');
  if (paren == npos) return false;  // a plain column
  std::string_view name = trimBlanks(expr.substr(0, paren));
  if (name.empty() || startsWithIgnoreCase(name, kCaseKeyword)) return false;
  return !isNonScalarCallName(name);
}

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

Status rewriteDateParts(std::vector<std::string>& items) {
  try {
    for (std::string& item : items) {
      std::optional<std::string> rewritten = rewriteFirstDatePart(item);
      if (rewritten) item = std::move(*rewritten);
    }
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
  return okStatus();
}

AliasSplit splitAlias(std::string_view item) {
  // Any run of blanks separates words, so "name\nAS n" splits like "name AS n".
  constexpr std::string_view kAsKeyword = " as ";  // blank run, "as", blank run
  auto is_blank = [](char c) { return isBlank(static_cast<unsigned char>(c)); };
  size_t depth = 0;
  size_t as_pos = npos;
  size_t as_end = npos;
  size_t space_pos = npos;
  for (size_t i = 0; i < item.size(); ++i) {
    char c = item[i];
    if (isQuoteByte(c)) {
      i = closingQuote(item, i);
      if (i == npos) break;  // an unterminated literal runs to the end
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (depth == 0 && is_blank(c)) {
      // The last blank of a run: the word after it is the alias candidate.
      if (i + 1 < item.size() && !is_blank(item[i + 1])) space_pos = i;
      // AS is tried only where a run begins, so a long run is walked once.
      if (i == 0 || !is_blank(item[i - 1])) {
        size_t end = matchPattern(item, i, kAsKeyword);
        if (end != kNoPos) {
          as_pos = i;
          as_end = end;
        }
      }
    }
  }

  if (as_pos != npos) {
    std::string_view alias = trimBlanks(item.substr(as_end));
    if (!alias.empty() && std::none_of(alias.begin(), alias.end(), is_blank) &&
        alias.find('(') == npos) {
      return {trimBlanks(item.substr(0, as_pos)), alias};
    }
  }
  if (space_pos != npos) {
    std::string_view alias = trimBlanks(item.substr(space_pos + 1));
    std::string_view expr = trimBlanks(item.substr(0, space_pos));
    if (!expr.empty() && isIdentifier(alias) && !isExpressionWord(alias)) return {expr, alias};
  }
  return {item, std::nullopt};
}

bool hasScalarSelectFunctions(const Query& query) {
  if (query.select_all) return false;
  for (const std::string& item : query.columns) {
    if (itemNeedsScalar(item)) return true;
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
