// Recognition of scalar SELECT terms: null tests, CASE expressions and the
// function calls, turned into a ScalarSpec once per term.
#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>

#include "scalar/scalar.h"
#include "scalar/scalar_util.h"
#include "sql/names.h"
#include "sql/parser_text.h"
#include "sql/select_item.h"

namespace narwe {

using namespace scalar_detail;

namespace {

// Bytes of a CAST type that are compared (the rest is ignored).
constexpr size_t kMaxCastType = 32;

constexpr size_t kNpos = std::string_view::npos;

// Names up to this length use a stack buffer for lower-casing.
constexpr size_t kNameStackBuffer = 256;
// Deepest chain of nested string functions; deeper chains are rejected
// rather than risking the stack (parsing and evaluation both recurse).
constexpr int kMaxNestingDepth = 256;

using ParseResult = Result<std::optional<ScalarSpec>>;

std::optional<ScalarSpec> notScalar() { return std::nullopt; }

// Strict integer reading for call arguments: optional sign, digits, and
// underscores accepted between two digits. Parsed by the shared integer
// parsers after the underscores are dropped. Any number of leading zeros is
// allowed, so the text has no length limit.
template <typename T>
std::optional<T> parseArgInt(std::string_view text) {
  const std::optional<std::string> buf = dropDigitSeparators(text);
  if (!buf) return std::nullopt;
  std::string_view digits(*buf);
  if constexpr (std::is_same_v<T, int32_t>) {
    auto r = parseInt32(digits);
    if (!r.ok()) return std::nullopt;
    return *r;
  } else {
    auto r = parseUint64(digits);
    if (!r.ok() || *r > std::numeric_limits<T>::max()) return std::nullopt;
    return static_cast<T>(*r);
  }
}

// The function ids of the name table (sql/names.h).
using Func = FunctionId;

std::optional<Func> lookupFunction(std::string_view name) { return functionFromName(name); }

// Resolves a column or fails with ColumnNotFound.
Result<size_t> requireCol(std::string_view name, const NameIndex& index) {
  NARWE_ASSIGN_OR_RETURN(auto col, resolveCol(name, index));
  if (!col) return Error::ColumnNotFound;
  return *col;
}

ScalarSpec singleColumn(ScalarKind kind, size_t col) {
  ScalarSpec s;
  s.kind = kind;
  s.col = col;
  return s;
}

// Splits at the first comma outside quoted literals and parentheses (the
// shared comma rule): (before, after); nullopt when there is none.
std::optional<std::pair<std::string_view, std::string_view>> splitFirstComma(std::string_view s) {
  const size_t c = firstTopLevelComma(s);
  if (c == kNpos) return std::nullopt;
  return std::pair{s.substr(0, c), s.substr(c + 1)};
}

// The ")" that closes the "(" at `open`, counted outside single-quoted
// literals; kNpos when it is never closed.
size_t closingParen(std::string_view t, size_t open) {
  return scanOutsideQuotes(t, open,
                           [&](size_t i, size_t depth) { return t[i] == ')' && depth == 1; });
}

// The literal of a piece that is exactly one quoted text; nullopt otherwise.
std::optional<std::string_view> literalOf(std::string_view piece) {
  std::string_view p = trimBlanks(piece);
  if (!isQuoted(p)) return std::nullopt;
  return quotedInner(p);
}

ParseResult parseTerm(std::string_view term, const NameIndex& index, int depth);

ParseResult parseStringFunction(Func f, std::string_view args, const NameIndex& index,
                                int depth) {
  static constexpr ScalarKind kKinds[] = {ScalarKind::upper, ScalarKind::lower, ScalarKind::trim,
                                          ScalarKind::reverse, ScalarKind::length};
  static constexpr NestedOp kOps[] = {NestedOp::upper, NestedOp::lower, NestedOp::trim,
                                      NestedOp::reverse, NestedOp::length};
  size_t which = static_cast<size_t>(f) - static_cast<size_t>(Func::upper);
  if (args.find('(') == kNpos) {
    NARWE_ASSIGN_OR_RETURN(size_t col, requireCol(args, index));
    return std::optional(singleColumn(kKinds[which], col));
  }
  if (depth >= kMaxNestingDepth) return Error::NestedFunctionNotSupported;
  NARWE_ASSIGN_OR_RETURN(auto inner, parseTerm(args, index, depth + 1));
  if (!inner) return Error::ColumnNotFound;
  ScalarSpec s;
  s.kind = ScalarKind::nested;
  s.nested_op = kOps[which];
  try {
    s.inner = std::make_shared<const ScalarSpec>(std::move(*inner));
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
  return std::optional(std::move(s));
}

ParseResult parseSubstr(std::string_view args, const NameIndex& index) {
  auto parts = splitFirstComma(args);
  if (!parts) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::substr;
  std::string_view rest = parts->second;
  std::string_view start_text = rest;
  std::string_view count_text;
  bool has_count = false;
  if (auto sc = splitFirstComma(rest)) {
    start_text = sc->first;
    count_text = sc->second;
    has_count = true;
  }
  auto start = parseArgInt<int32_t>(trimBlanks(start_text));
  if (!start) return notScalar();
  s.start = *start;
  if (has_count) {
    auto count = parseArgInt<int32_t>(trimBlanks(count_text));
    if (!count) return notScalar();
    s.count = *count;
  }
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(parts->first, index));
  return std::optional(std::move(s));
}

ParseResult parsePad(bool left, std::string_view args, const NameIndex& index) {
  auto parts = splitFirstComma(args);
  if (!parts) return notScalar();
  ScalarSpec s;
  s.kind = left ? ScalarKind::lpad : ScalarKind::rpad;
  std::string_view rest = trimBlanks(parts->second);
  std::string_view width_text = rest;
  s.pad = " ";
  if (auto wp = splitFirstComma(rest)) {
    width_text = trimBlanks(wp->first);
    std::string_view pad = trimBlanks(wp->second);
    if (!isQuoted(pad)) return notScalar();
    s.pad = quotedInner(pad);
  }
  auto width = parseArgInt<uint64_t>(width_text);
  if (!width) return notScalar();
  s.width = *width;
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(parts->first, index));
  return std::optional(std::move(s));
}

// "col, 'text', rest" of replace and split_part: the column text, a
// non-empty text that is exactly one quoted literal, and the trimmed rest
// after the next comma outside quotes. Anything else around the literal
// makes the call unrecognised rather than being dropped.
struct ColumnLiteralRest {
  std::string_view column;
  std::string_view literal;
  std::string_view rest;
};
std::optional<ColumnLiteralRest> splitColumnLiteralRest(std::string_view args) {
  auto parts = splitFirstComma(args);
  if (!parts) return std::nullopt;
  auto texts = splitFirstComma(parts->second);
  if (!texts) return std::nullopt;
  auto literal = literalOf(texts->first);
  if (!literal || literal->empty()) return std::nullopt;
  return ColumnLiteralRest{parts->first, *literal, trimBlanks(texts->second)};
}

// replace(col, 'from', 'to'): 'to' is exactly one quoted literal too.
ParseResult parseReplace(std::string_view args, const NameIndex& index) {
  auto split = splitColumnLiteralRest(args);
  if (!split) return notScalar();
  auto to = literalOf(split->rest);
  if (!to) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::replace;
  s.from = split->literal;
  s.to = *to;
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(split->column, index));
  return std::optional(std::move(s));
}

// split_part(col, 'delimiter', n) with n >= 1.
ParseResult parseSplitPart(std::string_view args, const NameIndex& index) {
  auto split = splitColumnLiteralRest(args);
  if (!split) return notScalar();
  auto piece = parseArgInt<uint64_t>(split->rest);
  if (!piece || *piece == 0) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::split_part;
  s.delim = split->literal;
  s.index = *piece;
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(split->column, index));
  return std::optional(std::move(s));
}

// Splits an argument list at top-level commas outside quoted runs; pieces
// trimmed, empty pieces skipped. Calls `take(piece)` for each until it fails.
template <typename Take>
Status forEachQuotedArg(std::string_view args, Take&& take) {
  for (const std::string_view piece : splitTopLevelCommas(args)) {
    if (piece.empty()) continue;
    NARWE_TRY(take(piece));
  }
  return okStatus();
}

ParseResult parseVariadic(ScalarKind kind, std::string_view args, const NameIndex& index) {
  ScalarSpec s;
  s.kind = kind;
  const bool numbers_allowed = kind != ScalarKind::concat;
  Status st = forEachQuotedArg(args, [&](std::string_view piece) -> Status {
    if (s.arg_count == kMaxScalarArgs) return Error::TooManyArgs;
    ScalarArg& arg = s.args[s.arg_count];
    if (isQuoted(piece)) {
      arg.is_literal = true;
      arg.text = quotedInner(piece);
    } else {
      NARWE_ASSIGN_OR_RETURN(auto col, resolveCol(piece, index));
      if (col) {
        arg.col = *col;
      } else if (numbers_allowed && parseFloat(piece)) {
        arg.is_literal = true;
        arg.text = piece;
      } else {
        return Error::ColumnNotFound;
      }
    }
    ++s.arg_count;
    return okStatus();
  });
  if (!st.ok()) return st.error();
  const size_t min_args = kind == ScalarKind::concat ? 1 : 2;
  if (s.arg_count < min_args) return notScalar();
  return std::optional(std::move(s));
}

ParseResult parseMod(std::string_view args, const NameIndex& index) {
  auto parts = splitFirstComma(args);
  if (!parts) return notScalar();
  auto divisor = parseFloat(trimBlanks(parts->second));
  if (!divisor) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::mod;
  s.divisor = *divisor;
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(parts->first, index));
  return std::optional(std::move(s));
}

ParseResult parseRound(std::string_view args, const NameIndex& index) {
  ScalarSpec s;
  s.kind = ScalarKind::round;
  std::string_view col_text = args;
  if (auto parts = splitFirstComma(args)) {
    auto digits = parseArgInt<uint8_t>(trimBlanks(parts->second));
    if (!digits) return notScalar();
    s.digits = *digits;
    col_text = parts->first;
  }
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(col_text, index));
  return std::optional(std::move(s));
}

ParseResult parseCoalesce(std::string_view args, const NameIndex& index) {
  ScalarSpec s;
  s.kind = ScalarKind::coalesce;
  // A quoted fallback may hold commas, as concat's literals may.
  for (const std::string_view piece : splitTopLevelCommas(args)) {
    if (isQuoted(piece)) {
      s.fallback = quotedInner(piece);
    } else if (parseFloat(piece)) {
      s.fallback = piece;
    } else {
      if (s.col_count == kMaxScalarArgs) return Error::TooManyArgs;
      NARWE_ASSIGN_OR_RETURN(s.cols[s.col_count], requireCol(piece, index));
      ++s.col_count;
    }
  }
  if (s.col_count == 0) return notScalar();
  return std::optional(std::move(s));
}

// Bytes a type name can hold: "varchar(20)", "double precision",
// "numeric(10, 2)". Anything else (an operator, a quote) means the text after
// AS is more than a type, as in "int * 2", and the term is not a cast.
bool isTypeTextByte(char c) {
  return isWordByte(c) || isBlank(static_cast<unsigned char>(c)) || c == '(' || c == ')' || c == ',';
}

std::optional<ScalarKind> castKind(std::string_view type_text) {
  if (!std::all_of(type_text.begin(), type_text.end(), isTypeTextByte)) return std::nullopt;
  char buf[kMaxCastType];
  size_t n = std::min(type_text.size(), kMaxCastType);
  for (size_t i = 0; i < n; ++i) buf[i] = asciiLowerChar(type_text[i]);
  std::string_view t(buf, n);
  auto starts = [&](std::string_view p) { return t.substr(0, p.size()) == p; };
  if (starts("int") || t == "bigint" || t == "smallint" || t == "tinyint") {
    return ScalarKind::cast_int;
  }
  for (std::string_view p : {"float", "double", "real", "numeric", "decimal"}) {
    if (starts(p)) return ScalarKind::cast_float;
  }
  for (std::string_view p : {"text", "varchar", "char", "string", "nvar"}) {
    if (starts(p)) return ScalarKind::cast_text;
  }
  return std::nullopt;
}

ParseResult parseCast(std::string_view args, const NameIndex& index) {
  // "AS" between runs of blanks, so a cast may be written over several lines.
  auto as = findPatternOutsideQuotes(args, 0, " as ", false);
  if (!as) return notScalar();
  auto kind = castKind(trimBlanks(args.substr(as->end)));
  if (!kind) return notScalar();
  NARWE_ASSIGN_OR_RETURN(size_t col, requireCol(args.substr(0, as->start), index));
  return std::optional(singleColumn(*kind, col));
}

// Splits at every top-level comma (the shared comma rule) into at most `N`
// trimmed pieces (later ones are ignored); returns how many pieces the text
// has, capped at N.
template <size_t N>
size_t splitPieces(std::string_view s, std::array<std::string_view, N>& out) {
  size_t n = 0;
  for (const std::string_view piece : splitTopLevelCommas(s)) {
    if (n == N) break;
    out[n++] = piece;
  }
  return n;
}

ParseResult parseDateDiff(std::string_view args, const NameIndex& index) {
  std::array<std::string_view, 3> p;
  if (splitPieces(args, p) < 3) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::datediff;
  s.unit = unquoteOnce(p[0]);
  s.date_unit = dateUnitFromText(s.unit);
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(p[1], index));
  NARWE_ASSIGN_OR_RETURN(s.col_b, requireCol(p[2], index));
  return std::optional(std::move(s));
}

ParseResult parseDateAdd(std::string_view args, const NameIndex& index) {
  std::array<std::string_view, 3> p;
  if (splitPieces(args, p) < 3) return notScalar();
  auto amount = parseArgInt<int32_t>(p[1]);
  if (!amount) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::dateadd;
  s.unit = unquoteOnce(p[0]);
  s.date_unit = dateUnitFromText(s.unit);
  s.amount = *amount;
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(p[2], index));
  return std::optional(std::move(s));
}

// A bare word: the only shape an EXTRACT unit has.
bool isUnitWord(std::string_view unit) {
  return !unit.empty() && std::all_of(unit.begin(), unit.end(), isWordByte);
}

ParseResult parseExtract(std::string_view args, const NameIndex& index) {
  auto from = findPatternOutsideQuotes(args, 0, " from ", false);
  if (!from) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::extract;
  s.unit = trimBlanks(args.substr(0, from->start));
  // A quoted or composite unit would read as an unknown unit and yield 0 on
  // every row; such a term is not recognised instead.
  if (!isUnitWord(s.unit)) return notScalar();
  s.date_unit = dateUnitFromText(s.unit);
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(args.substr(from->end), index));
  return std::optional(std::move(s));
}

ParseResult parseStrftime(std::string_view args, const NameIndex& index) {
  auto parts = splitFirstComma(args);
  if (!parts) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::strftime;
  s.fmt = unquoteOnce(trimBlanks(parts->first));
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(parts->second, index));
  return std::optional(std::move(s));
}

ParseResult parseCall(std::string_view t, const NameIndex& index, int depth) {
  size_t open = t.find('(');
  if (open == kNpos || t.back() != ')') return notScalar();
  auto func = lookupFunction(trimBlanks(t.substr(0, open)));
  if (!func) return notScalar();
  // The call must be the whole term: its argument list is closed by the final
  // ")". Otherwise the term is an expression over calls ("f(a) * g(b)"), and
  // taking the text between the first "(" and the last ")" as arguments would
  // compute something else.
  if (closingParen(t, open) != t.size() - 1) return notScalar();
  std::string_view args = trimBlanks(t.substr(open + 1, t.size() - 1 - (open + 1)));
  switch (*func) {
    case Func::upper:
    case Func::lower:
    case Func::trim:
    case Func::reverse:
    case Func::length:
      return parseStringFunction(*func, args, index, depth);
    case Func::abs:
    case Func::sign:
    case Func::ceil:
    case Func::floor: {
      if (args.find('(') != kNpos) return Error::NestedFunctionNotSupported;
      NARWE_ASSIGN_OR_RETURN(size_t col, requireCol(args, index));
      static constexpr ScalarKind kKinds[] = {ScalarKind::abs, ScalarKind::sign, ScalarKind::ceil,
                                              ScalarKind::floor};
      return std::optional(
          singleColumn(kKinds[static_cast<size_t>(*func) - static_cast<size_t>(Func::abs)], col));
    }
    case Func::substr: return parseSubstr(args, index);
    case Func::lpad: return parsePad(true, args, index);
    case Func::rpad: return parsePad(false, args, index);
    case Func::replace: return parseReplace(args, index);
    case Func::split_part: return parseSplitPart(args, index);
    case Func::greatest: return parseVariadic(ScalarKind::greatest, args, index);
    case Func::least: return parseVariadic(ScalarKind::least, args, index);
    case Func::concat: return parseVariadic(ScalarKind::concat, args, index);
    case Func::mod: return parseMod(args, index);
    case Func::round: return parseRound(args, index);
    case Func::coalesce: return parseCoalesce(args, index);
    case Func::cast: return parseCast(args, index);
    case Func::datediff: return parseDateDiff(args, index);
    case Func::dateadd: return parseDateAdd(args, index);
    case Func::extract: return parseExtract(args, index);
    case Func::strftime: return parseStrftime(args, index);
  }
  return notScalar();
}

// The comparison operators of a CASE condition; at equal positions the
// earlier entry wins, so ">=" is preferred over ">".
struct CaseOperator {
  std::string_view text;
  Operator op;
};
constexpr std::array kCaseOperators = {
    CaseOperator{"!=", Operator::ne}, CaseOperator{"<>", Operator::ne},
    CaseOperator{">=", Operator::ge}, CaseOperator{"<=", Operator::le},
    CaseOperator{"=", Operator::eq},  CaseOperator{">", Operator::gt},
    CaseOperator{"<", Operator::lt},
};

// CASE WHEN col op value THEN x ELSE y END. The keywords stand between runs
// of blanks (a CASE may span lines) and are looked for outside quoted
// literals, so a literal holding " ELSE " is data. There is one WHEN branch:
// a second one lands inside the THEN value, which then is neither a literal,
// a number nor a column, and the term fails instead of yielding a wrong text.
ParseResult parseCase(std::string_view t, const NameIndex& index) {
  // The CASE parts by the shared rule (sql/select_item.h): CASE and WHEN
  // are separate words, the keywords stand outside quoted literals, END is
  // a word of its own, and "THEN ELSE" leaves an empty THEN value (which
  // then fails as a column) rather than no ELSE.
  const std::optional<CaseParts> parts = splitCase(t);
  if (!parts) return notScalar();
  auto part = [&](TextSpan span) { return t.substr(span.start, span.end - span.start); };
  const std::string_view condition = part(parts->condition);
  const std::string_view then_text = part(parts->then_value);
  const std::string_view else_text = part(parts->else_value);

  size_t op_pos = kNpos;
  const CaseOperator* op = nullptr;
  for (const auto& candidate : kCaseOperators) {
    size_t p = condition.find(candidate.text);
    if (p != kNpos && (op_pos == kNpos || p < op_pos)) {
      op_pos = p;
      op = &candidate;
    }
  }
  if (op == nullptr) return notScalar();

  ScalarSpec s;
  s.kind = ScalarKind::case_when;
  s.cmp_op = op->op;
  NARWE_ASSIGN_OR_RETURN(s.col, requireCol(condition.substr(0, op_pos), index));
  std::string_view value = trimBlanks(condition.substr(op_pos + op->text.size()));
  if (isQuoted(value)) {
    s.cmp_text = quotedInner(value);
    s.cmp_text_number = literalNumber(s.cmp_text);
  } else if (auto number = parseFloat(value)) {
    s.cmp_is_number = true;
    s.cmp_number = *number;
  } else {
    return notScalar();
  }
  NARWE_ASSIGN_OR_RETURN(s.then_value, parseCaseValue(then_text, index));
  NARWE_ASSIGN_OR_RETURN(s.else_value, parseCaseValue(else_text, index));
  return std::optional(std::move(s));
}

// "col IS [NOT] NULL" (blank runs between the words). The keyword must end
// the term: "a IS NOT NULL AND b IS NULL" is not a null test of a, and
// neither is a CASE whose condition is one.
ParseResult parseNullTest(std::string_view t, const NameIndex& index) {
  for (auto [keyword, is_not] : {std::pair{std::string_view(" is not null"), true},
                                 std::pair{std::string_view(" is null"), false}}) {
    auto hit = findPatternOutsideQuotes(t, 0, keyword, false);
    if (!hit) continue;
    if (!trimLeft(t.substr(hit->end)).empty()) return notScalar();
    ScalarSpec s;
    s.kind = ScalarKind::null_test;
    s.is_not = is_not;
    NARWE_ASSIGN_OR_RETURN(s.col, requireCol(t.substr(0, hit->start), index));
    return std::optional(std::move(s));
  }
  return notScalar();
}

ParseResult parseTerm(std::string_view term, const NameIndex& index, int depth) {
  std::string_view t = trimBlanks(term);
  NARWE_ASSIGN_OR_RETURN(auto null_test, parseNullTest(t, index));
  if (null_test) return null_test;
  if (startsWithIgnoreCase(t, "case")) return parseCase(t, index);
  return parseCall(t, index, depth);
}

}  // namespace

Result<std::optional<size_t>> resolveCol(std::string_view name, const NameIndex& index) {
  std::string_view n = trimBlanks(name);
  if (n.find('(') != kNpos) return std::optional<size_t>();
  char stack_buf[kNameStackBuffer];
  std::string heap_buf;
  char* lowered = stack_buf;
  if (n.size() > kNameStackBuffer) {
    try {
      heap_buf.resize(n.size());
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
    lowered = heap_buf.data();
  }
  for (size_t i = 0; i < n.size(); ++i) lowered[i] = asciiLowerChar(n[i]);
  const size_t* col = findColumn(index, std::string_view(lowered, n.size()));
  if (col == nullptr) return std::optional<size_t>();
  return std::optional<size_t>(*col);
}

Result<CaseValue> parseCaseValue(std::string_view text, const NameIndex& index) {
  std::string_view t = trimBlanks(text);
  CaseValue v;
  if (isQuoted(t)) {
    v.kind = CaseValueKind::text;
    v.text = quotedInner(t);
    return v;
  }
  if (auto number = parseFloat(t)) {
    v.kind = CaseValueKind::number;
    v.number = *number;
    return v;
  }
  NARWE_ASSIGN_OR_RETURN(v.col, requireCol(t, index));
  v.kind = CaseValueKind::column;
  return v;
}

Result<std::optional<ScalarSpec>> tryParseScalar(std::string_view term, const NameIndex& index) {
  try {
    return parseTerm(term, index, 0);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
