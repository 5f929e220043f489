// Recognition of scalar SELECT terms: null tests, CASE expressions and the
// function calls, turned into a ScalarSpec once per term from the term's
// parsed tree (sql/select_item.h): the function id, one child per argument,
// the CASE branch split at its operator. Leaves are decoded here (a column
// name resolved, a literal unquoted, an integer read); no text is split.
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

// A bare word: the only shape an EXTRACT unit has.
bool isUnitWord(std::string_view unit) {
  return !unit.empty() && std::all_of(unit.begin(), unit.end(), isWordByte);
}

// Builds the ScalarSpec of one expression tree. Every span is read from
// `text_`, the text the tree was built over, which the result's views keep
// pointing to.
class SpecBuilder {
 public:
  SpecBuilder(std::string_view text, const NameIndex& index) : text_(text), index_(index) {}

  ParseResult item(const SelectItem& item);
  ParseResult term(const ExprNode& node, int depth);

 private:
  std::string_view view(TextSpan span) const { return text_.substr(span.start, span.end - span.start); }
  std::string_view view(const ExprNode& node) const { return view(node.span); }
  // The argument text from child `i` to the end of the argument list, as in
  // "2, 3" of substr(a, 2, 3) for i = 1.
  std::string_view argumentsFrom(const ExprNode& call, size_t i) const {
    return view(TextSpan{call.children[i].span.start, call.arguments.end});
  }
  // Whether the arguments hold a "(" anywhere, quoted or not.
  static bool argumentsHaveParenthesis(const ExprNode& call) {
    return std::any_of(call.children.begin(), call.children.end(),
                       [](const ExprNode& c) { return c.has_parenthesis; });
  }
  Result<size_t> column(std::string_view name) const { return requireCol(name, index_); }
  Result<size_t> column(const ExprNode& node) const { return column(view(node)); }

  ParseResult call(const ExprNode& node, int depth);
  ParseResult stringFunction(FunctionId f, const ExprNode& node, int depth);
  ParseResult substr(const ExprNode& node);
  ParseResult pad(bool left, const ExprNode& node);
  ParseResult replaceOrSplit(bool replace, const ExprNode& node);
  ParseResult variadic(ScalarKind kind, const ExprNode& node);
  ParseResult mod(const ExprNode& node);
  ParseResult round(const ExprNode& node);
  ParseResult coalesce(const ExprNode& node);
  ParseResult cast(const ExprNode& node);
  ParseResult dateDiffOrAdd(bool add, const ExprNode& node);
  ParseResult extract(const ExprNode& node);
  ParseResult strftime(const ExprNode& node);
  ParseResult caseWhen(const ExprNode& node);

  std::string_view text_;
  const NameIndex& index_;
};

// An item's expression: ROUND(x, n) around a column rounds it; an inner
// expression of several comma-separated parts, or a round whose parenthesis
// closes early, is no round call, and a rounded call is not a column.
ParseResult SpecBuilder::item(const SelectItem& item) {
  const ExprNode& root = item.root;
  const std::vector<uint8_t>& round_digits = item.round_digits;
  if (round_digits.empty()) return term(root, 0);
  if (!item.round_wrapper_whole) return notScalar();
  if (round_digits.size() > 1) return Error::ColumnNotFound;  // the argument is a round call
  if (root.has_top_level_comma) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::round;
  s.digits = round_digits.front();
  NARWE_ASSIGN_OR_RETURN(s.col, column(root));
  return std::optional(std::move(s));
}

ParseResult SpecBuilder::term(const ExprNode& node, int depth) {
  switch (node.kind) {
    case NodeKind::null_test: {
      ScalarSpec s;
      s.kind = ScalarKind::null_test;
      s.is_not = node.is_not;
      NARWE_ASSIGN_OR_RETURN(s.col, column(node.children.front()));
      return std::optional(std::move(s));
    }
    case NodeKind::case_when: return caseWhen(node);
    case NodeKind::call: return call(node, depth);
    default: return notScalar();
  }
}

ParseResult SpecBuilder::stringFunction(FunctionId f, const ExprNode& node, int depth) {
  static constexpr ScalarKind kKinds[] = {ScalarKind::upper, ScalarKind::lower, ScalarKind::trim,
                                          ScalarKind::reverse, ScalarKind::length};
  static constexpr NestedOp kOps[] = {NestedOp::upper, NestedOp::lower, NestedOp::trim,
                                      NestedOp::reverse, NestedOp::length};
  const size_t which = static_cast<size_t>(f) - static_cast<size_t>(FunctionId::upper);
  if (!argumentsHaveParenthesis(node)) {
    NARWE_ASSIGN_OR_RETURN(size_t col, column(view(node.arguments)));
    return std::optional(singleColumn(kKinds[which], col));
  }
  if (depth >= kMaxNestingDepth) return Error::NestedFunctionNotSupported;
  // Several arguments are never one inner expression.
  if (node.children.size() != 1) return Error::ColumnNotFound;
  NARWE_ASSIGN_OR_RETURN(auto inner, term(node.children.front(), depth + 1));
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

// substr(col, start[, count]).
ParseResult SpecBuilder::substr(const ExprNode& node) {
  const size_t n = node.children.size();
  if (n < 2) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::substr;
  auto start = parseArgInt<int32_t>(view(node.children[1]));
  if (!start) return notScalar();
  s.start = *start;
  if (n > 2) {
    auto count = parseArgInt<int32_t>(argumentsFrom(node, 2));
    if (!count) return notScalar();
    s.count = *count;
  }
  NARWE_ASSIGN_OR_RETURN(s.col, column(node.children[0]));
  return std::optional(std::move(s));
}

// lpad/rpad(col, width[, 'pad']): the pad is exactly one quoted literal.
ParseResult SpecBuilder::pad(bool left, const ExprNode& node) {
  const size_t n = node.children.size();
  if (n < 2) return notScalar();
  ScalarSpec s;
  s.kind = left ? ScalarKind::lpad : ScalarKind::rpad;
  s.pad = " ";
  if (n > 2) {
    const std::string_view pad = argumentsFrom(node, 2);
    if (!isQuoted(pad)) return notScalar();
    s.pad = quotedInner(pad);
  }
  auto width = parseArgInt<uint64_t>(view(node.children[1]));
  if (!width) return notScalar();
  s.width = *width;
  NARWE_ASSIGN_OR_RETURN(s.col, column(node.children[0]));
  return std::optional(std::move(s));
}

// replace(col, 'from', 'to') and split_part(col, 'delimiter', n) with n >= 1:
// the second argument is a non-empty quoted literal, the third exactly one
// quoted literal (replace) or a positive integer (split_part). Anything
// around a literal makes the call unrecognised rather than being dropped.
ParseResult SpecBuilder::replaceOrSplit(bool replace, const ExprNode& node) {
  if (node.children.size() < 3) return notScalar();
  const std::string_view literal = view(node.children[1]);
  if (!isQuoted(literal) || quotedInner(literal).empty()) return notScalar();
  const std::string_view rest = argumentsFrom(node, 2);
  ScalarSpec s;
  if (replace) {
    if (!isQuoted(rest)) return notScalar();
    s.kind = ScalarKind::replace;
    s.from = quotedInner(literal);
    s.to = quotedInner(rest);
  } else {
    auto piece = parseArgInt<uint64_t>(rest);
    if (!piece || *piece == 0) return notScalar();
    s.kind = ScalarKind::split_part;
    s.delim = quotedInner(literal);
    s.index = *piece;
  }
  NARWE_ASSIGN_OR_RETURN(s.col, column(node.children[0]));
  return std::optional(std::move(s));
}

// greatest/least/concat: columns and quoted literals (numbers too, except
// for concat); empty arguments are skipped.
ParseResult SpecBuilder::variadic(ScalarKind kind, const ExprNode& node) {
  ScalarSpec s;
  s.kind = kind;
  const bool numbers_allowed = kind != ScalarKind::concat;
  for (const ExprNode& child : node.children) {
    const std::string_view piece = view(child);
    if (piece.empty()) continue;
    if (s.arg_count == kMaxScalarArgs) return Error::TooManyArgs;
    ScalarArg& arg = s.args[s.arg_count];
    if (isQuoted(piece)) {
      arg.is_literal = true;
      arg.text = quotedInner(piece);
    } else {
      NARWE_ASSIGN_OR_RETURN(auto col, resolveCol(piece, index_));
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
  }
  const size_t min_args = kind == ScalarKind::concat ? 1 : 2;
  if (s.arg_count < min_args) return notScalar();
  return std::optional(std::move(s));
}

// mod(col, divisor).
ParseResult SpecBuilder::mod(const ExprNode& node) {
  if (node.children.size() < 2) return notScalar();
  auto divisor = parseFloat(argumentsFrom(node, 1));
  if (!divisor) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::mod;
  s.divisor = *divisor;
  NARWE_ASSIGN_OR_RETURN(s.col, column(node.children[0]));
  return std::optional(std::move(s));
}

// round(col[, digits]) where no wrapper was recognised (no digits, or
// digits written with separators).
ParseResult SpecBuilder::round(const ExprNode& node) {
  ScalarSpec s;
  s.kind = ScalarKind::round;
  std::string_view col_text = view(node.arguments);
  if (node.children.size() > 1) {
    auto digits = parseArgInt<uint8_t>(argumentsFrom(node, 1));
    if (!digits) return notScalar();
    s.digits = *digits;
    col_text = view(node.children[0]);
  }
  NARWE_ASSIGN_OR_RETURN(s.col, column(col_text));
  return std::optional(std::move(s));
}

// coalesce(col, ..., fallback): a quoted or numeric argument is the fallback
// (a quoted one may hold commas); every other argument is a column.
ParseResult SpecBuilder::coalesce(const ExprNode& node) {
  if (node.children.empty()) return Error::ColumnNotFound;  // one empty argument
  ScalarSpec s;
  s.kind = ScalarKind::coalesce;
  for (const ExprNode& child : node.children) {
    const std::string_view piece = view(child);
    if (isQuoted(piece)) {
      s.fallback = quotedInner(piece);
    } else if (parseFloat(piece)) {
      s.fallback = piece;
    } else {
      if (s.col_count == kMaxScalarArgs) return Error::TooManyArgs;
      NARWE_ASSIGN_OR_RETURN(s.cols[s.col_count], column(piece));
      ++s.col_count;
    }
  }
  if (s.col_count == 0) return notScalar();
  return std::optional(std::move(s));
}

// cast(col AS type).
ParseResult SpecBuilder::cast(const ExprNode& node) {
  if (!node.keyword_arguments) return notScalar();
  auto kind = castKind(view(node.children[1]));
  if (!kind) return notScalar();
  NARWE_ASSIGN_OR_RETURN(size_t col, column(node.children[0]));
  return std::optional(singleColumn(*kind, col));
}

// datediff('unit', first, second) and dateadd('unit', amount, col); further
// arguments are ignored.
ParseResult SpecBuilder::dateDiffOrAdd(bool add, const ExprNode& node) {
  if (node.children.size() < 3) return notScalar();
  ScalarSpec s;
  if (add) {
    auto amount = parseArgInt<int32_t>(view(node.children[1]));
    if (!amount) return notScalar();
    s.amount = *amount;
  }
  s.kind = add ? ScalarKind::dateadd : ScalarKind::datediff;
  s.unit = unquoteOnce(view(node.children[0]));
  s.date_unit = dateUnitFromText(s.unit);
  if (add) {
    NARWE_ASSIGN_OR_RETURN(s.col, column(node.children[2]));
  } else {
    NARWE_ASSIGN_OR_RETURN(s.col, column(node.children[1]));
    NARWE_ASSIGN_OR_RETURN(s.col_b, column(node.children[2]));
  }
  return std::optional(std::move(s));
}

// extract(unit FROM col). A quoted or composite unit would read as an
// unknown unit and yield 0 on every row; such a term is not recognised.
ParseResult SpecBuilder::extract(const ExprNode& node) {
  if (!node.keyword_arguments) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::extract;
  s.unit = view(node.children[0]);
  if (!isUnitWord(s.unit)) return notScalar();
  s.date_unit = dateUnitFromText(s.unit);
  NARWE_ASSIGN_OR_RETURN(s.col, column(node.children[1]));
  return std::optional(std::move(s));
}

// strftime('format', col).
ParseResult SpecBuilder::strftime(const ExprNode& node) {
  if (node.children.size() < 2) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::strftime;
  s.fmt = unquoteOnce(view(node.children[0]));
  NARWE_ASSIGN_OR_RETURN(s.col, column(argumentsFrom(node, 1)));
  return std::optional(std::move(s));
}

ParseResult SpecBuilder::call(const ExprNode& node, int depth) {
  const FunctionId f = *node.function;
  switch (f) {
    case FunctionId::upper:
    case FunctionId::lower:
    case FunctionId::trim:
    case FunctionId::reverse:
    case FunctionId::length:
      return stringFunction(f, node, depth);
    case FunctionId::abs:
    case FunctionId::sign:
    case FunctionId::ceil:
    case FunctionId::floor: {
      if (argumentsHaveParenthesis(node)) return Error::NestedFunctionNotSupported;
      NARWE_ASSIGN_OR_RETURN(size_t col, column(view(node.arguments)));
      static constexpr ScalarKind kKinds[] = {ScalarKind::abs, ScalarKind::sign, ScalarKind::ceil,
                                              ScalarKind::floor};
      return std::optional(
          singleColumn(kKinds[static_cast<size_t>(f) - static_cast<size_t>(FunctionId::abs)], col));
    }
    case FunctionId::substr: return substr(node);
    case FunctionId::lpad: return pad(true, node);
    case FunctionId::rpad: return pad(false, node);
    case FunctionId::replace: return replaceOrSplit(true, node);
    case FunctionId::split_part: return replaceOrSplit(false, node);
    case FunctionId::greatest: return variadic(ScalarKind::greatest, node);
    case FunctionId::least: return variadic(ScalarKind::least, node);
    case FunctionId::concat: return variadic(ScalarKind::concat, node);
    case FunctionId::mod: return mod(node);
    case FunctionId::round: return round(node);
    case FunctionId::coalesce: return coalesce(node);
    case FunctionId::cast: return cast(node);
    case FunctionId::datediff: return dateDiffOrAdd(false, node);
    case FunctionId::dateadd: return dateDiffOrAdd(true, node);
    case FunctionId::extract: return extract(node);
    case FunctionId::strftime: return strftime(node);
  }
  return notScalar();
}

// CASE WHEN col op value THEN x ELSE y END with one WHEN branch. A second
// branch lands inside the THEN value, which then is neither a literal, a
// number nor a column, and the term fails instead of yielding a wrong text.
ParseResult SpecBuilder::caseWhen(const ExprNode& node) {
  const CaseBranch& branch = node.branches.front();
  if (!branch.comparison) return notScalar();
  ScalarSpec s;
  s.kind = ScalarKind::case_when;
  s.cmp_op = *branch.comparison;
  NARWE_ASSIGN_OR_RETURN(s.col, column(view(branch.left)));
  const std::string_view value = view(branch.right);
  if (isQuoted(value)) {
    s.cmp_text = quotedInner(value);
    s.cmp_text_number = literalNumber(s.cmp_text);
  } else if (auto number = parseFloat(value)) {
    s.cmp_is_number = true;
    s.cmp_number = *number;
  } else {
    return notScalar();
  }
  NARWE_ASSIGN_OR_RETURN(s.then_value, parseCaseValue(view(node.children[0]), index_));
  NARWE_ASSIGN_OR_RETURN(s.else_value, parseCaseValue(view(node.children[1]), index_));
  return std::optional(std::move(s));
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

Result<std::optional<ScalarSpec>> buildScalar(const SelectItem& item, const NameIndex& index) {
  try {
    return SpecBuilder(item.text, index).item(item);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Result<std::optional<ScalarSpec>> tryParseScalar(std::string_view term, const NameIndex& index) {
  NARWE_ASSIGN_OR_RETURN(SelectItem item, parseSelectItem(term));
  // A term followed by an alias is more than an expression.
  if (item.alias) return std::optional<ScalarSpec>();
  try {
    // The item holds a copy of `term`: its spans are read from `term` itself,
    // so the ScalarSpec views the caller's text.
    return SpecBuilder(term, index).item(item);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
