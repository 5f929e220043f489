// Select items: alias splitting, round wrappers, DATE_PART rewriting and
// the tree each item is parsed into.
#include "sql/select_item.h"

#include <algorithm>
#include <array>
#include <new>

#include "common/numbers.h"
#include "common/text.h"
#include "sql/parser.h"

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

// The STRFTIME format of a DATE_PART unit; empty for the units DATE_PART
// does not take (week, and any unknown text).
std::string_view datePartFormat(DateUnit unit) {
  switch (unit) {
    case DateUnit::year: return "%Y";
    case DateUnit::month: return "%m";
    case DateUnit::day: return "%d";
    case DateUnit::hour: return "%H";
    case DateUnit::minute: return "%M";
    case DateUnit::second: return "%S";
    case DateUnit::week:
    case DateUnit::unknown: return {};
  }
  return {};
}

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
  const std::string_view format = datePartFormat(dateUnitFromText(unit));
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

bool isIdentifier(std::string_view text) {
  if (text.empty() || !(isAsciiLetter(text[0]) || text[0] == '_')) return false;
  for (char c : text) {
    if (!isWordByte(c)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Statement-shape flags

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

// Whether an item's expression (alias removed) needs scalar evaluation.
bool expressionNeedsScalar(std::string_view expr) {
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


// A digit count: an unsigned integer of at most 255.
std::optional<uint8_t> parseDigitCount(std::string_view text) {
  Result<uint64_t> value = parseUint64(text);
  if (!value.ok() || *value > UINT8_MAX) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

constexpr std::string_view kRoundCall = "round(";
// Shortest text that can hold round(x,1).
constexpr size_t kRoundWrapperMinSize = 9;

// Nodes nest at most this deep; deeper arguments stay unparsed text. One
// level more than the deepest chain of nested calls evaluated per row (256),
// so the call at that depth still has its argument nodes.
constexpr int kMaxTreeDepth = 257;

constexpr std::string_view kCastKeyword = " as ";      // blank run, "as", blank run
constexpr std::string_view kExtractKeyword = " from ";  // blank run, "from", blank run

constexpr std::string_view kDistinctPrefix = "distinct ";
constexpr std::string_view kWhenPattern = " when ";
constexpr std::string_view kThenPattern = " then ";
constexpr std::string_view kThenWord = " then";
constexpr std::string_view kElsePattern = " else ";
constexpr std::string_view kEndWord = "end";
constexpr std::string_view kIsNotNullPattern = " is not null";
constexpr std::string_view kIsNullPattern = " is null";

// The comparison operators of a CASE condition over an aggregate, tried in
// this order at every position (two-byte operators first).
struct ConditionOperator {
  std::string_view text;
  Operator op;
};
constexpr std::array<ConditionOperator, 7> kCaseConditionOperators = {{
    {"!=", Operator::ne},
    {"<>", Operator::ne},
    {">=", Operator::ge},
    {"<=", Operator::le},
    {"=", Operator::eq},
    {">", Operator::gt},
    {"<", Operator::lt},
}};

// A CASE is an aggregate when its condition (the text before the first
// THEN) calls an aggregate: a table name at a word start directly followed
// by "(".
bool caseConditionCallsAggregate(std::string_view text) {
  std::optional<TextSpan> then = findPatternOutsideQuotes(text, 0, kThenPattern, false);
  if (!then) return false;
  std::string_view condition = text.substr(0, then->start);
  for (size_t pos = 0; pos < condition.size(); ++pos) {
    if (pos > 0 && isWordByte(condition[pos - 1])) continue;
    std::string_view rest = condition.substr(pos);
    for (std::string_view name : aggregateNames()) {
      if (rest.size() > name.size() && rest[name.size()] == '(' &&
          startsWithIgnoreCase(rest, name)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::optional<CaseParts> splitCase(std::string_view t) {
  constexpr size_t kCaseWord = 4;
  const size_t cond_start = matchPattern(t, kCaseWord, kWhenPattern);
  if (cond_start == kNoPos) return std::nullopt;
  const std::optional<TextSpan> then_hit = findPatternOutsideQuotes(t, cond_start, kThenPattern, false);
  if (!then_hit) return std::nullopt;
  const size_t then_word_end = matchPattern(t, then_hit->start, kThenWord);
  const std::optional<TextSpan> else_hit =
      findPatternOutsideQuotes(t, then_word_end, kElsePattern, false);
  if (!else_hit) return std::nullopt;
  std::string_view tail = t.substr(else_hit->end);
  if (!endsWithIgnoreCase(tail, kEndWord)) return std::nullopt;
  if (tail.size() > kEndWord.size()) {
    const char before = tail[tail.size() - kEndWord.size() - 1];
    if (!isBlank(static_cast<unsigned char>(before)) && before != '\'') return std::nullopt;
  }
  CaseParts parts;
  size_t a = cond_start, b = then_hit->start;
  trimSpan(t, a, b);
  parts.condition = {a, b};
  a = then_word_end, b = else_hit->start;
  trimSpan(t, a, b);
  parts.then_value = {a, b};
  a = else_hit->end, b = t.size() - kEndWord.size();
  trimSpan(t, a, b);
  parts.else_value = {a, b};
  return parts;
}

namespace {

TextSpan shifted(TextSpan span, size_t by) { return {span.start + by, span.end + by}; }

class TreeBuilder {
 public:
  explicit TreeBuilder(std::string_view text) : text_(text) {}

  ExprNode build(size_t start, size_t end, int depth) const;

 private:
  bool buildAggregate(std::string_view t, size_t offset, ExprNode& node) const;
  void buildCase(std::string_view t, size_t offset, int depth, ExprNode& node) const;
  void buildCallArguments(size_t args_start, size_t args_end, int depth, ExprNode& node) const;

  std::string_view text_;
};

ExprNode TreeBuilder::build(size_t start, size_t end, int depth) const {
  trimSpan(text_, start, end);
  ExprNode node;
  node.span = {start, end};
  const std::string_view t = text_.substr(start, end - start);
  node.has_top_level_comma = firstTopLevelComma(t) != npos;

  const size_t paren = t.find('(');
  if (paren != npos) {
    node.has_parenthesis = true;
    size_t name_start = 0, name_end = paren;
    trimSpan(t, name_start, name_end);
    node.head_name = shifted({name_start, name_end}, start);
    const std::string_view name = t.substr(name_start, name_end - name_start);
    node.head_aggregate = aggregateFromName(name);
    node.head_function = functionFromName(name);
  }
  if (depth >= kMaxTreeDepth) return node;

  // A null test is read first: "CASE WHEN x IS NULL ..." is one too. The
  // first IS NOT NULL, or without one the first IS NULL, must end the text:
  // "a IS NOT NULL AND b IS NULL" is not a null test.
  for (const auto& [pattern, is_not] : {std::pair{kIsNotNullPattern, true}, std::pair{kIsNullPattern, false}}) {
    const std::optional<TextSpan> hit = findPatternOutsideQuotes(t, 0, pattern, false);
    if (!hit) continue;
    if (!trimLeft(t.substr(hit->end)).empty()) break;
    node.kind = NodeKind::null_test;
    node.is_not = is_not;
    node.children.push_back(build(start, start + hit->start, depth + 1));
    return node;
  }
  if (t.size() > kCaseKeyword.size() && startsWithIgnoreCase(t, kCaseKeyword)) {
    buildCase(t, start, depth, node);
    return node;
  }
  if (buildAggregate(t, start, node)) return node;
  if (paren != npos) {
    // The ")" closing the first "(" must end the text: "f(a) * g(b)" is
    // an expression over calls, not a call of f.
    const bool whole_call =
        t.back() == ')' &&
        scanOutsideQuotes(t, paren, [&](size_t i, size_t level) { return t[i] == ')' && level == 1; }) ==
            t.size() - 1;
    if (node.head_function && whole_call) {
      node.kind = NodeKind::call;
      node.function = node.head_function;
      size_t args_start = paren + 1, args_end = t.size() - 1;
      trimSpan(t, args_start, args_end);
      node.arguments = shifted({args_start, args_end}, start);
      buildCallArguments(start + args_start, start + args_end, depth, node);
    }
    return node;  // an unknown call, or more than a call ("sum(a) + 1")
  }
  if (t == "*") {
    node.kind = NodeKind::star;
  } else if ((t.size() >= 2 && isQuoteByte(t.front()) && t.back() == t.front()) || parseFloat(t)) {
    node.kind = NodeKind::literal;
  } else if (!t.empty()) {
    node.kind = NodeKind::column;
  }
  return node;
}

// The argument nodes of a call whose arguments span [args_start, args_end)
// of the item text.
void TreeBuilder::buildCallArguments(size_t args_start, size_t args_end, int depth,
                                     ExprNode& node) const {
  const std::string_view args = text_.substr(args_start, args_end - args_start);
  if (args.empty()) return;
  const bool is_cast = node.function == FunctionId::cast;
  if (is_cast || node.function == FunctionId::extract) {
    const std::optional<TextSpan> keyword =
        findPatternOutsideQuotes(args, 0, is_cast ? kCastKeyword : kExtractKeyword, false);
    if (keyword) {
      node.keyword_arguments = true;
      node.children.push_back(build(args_start, args_start + keyword->start, depth + 1));
      node.children.push_back(build(args_start + keyword->end, args_end, depth + 1));
      return;
    }
  }
  for (const std::string_view piece : splitTopLevelCommas(args)) {
    const size_t piece_start = static_cast<size_t>(piece.data() - text_.data());
    node.children.push_back(build(piece_start, piece_start + piece.size(), depth + 1));
  }
}

// name(argument): the name before the first "(", the argument up to the
// last ")", which only blanks may follow.
bool TreeBuilder::buildAggregate(std::string_view t, size_t offset, ExprNode& node) const {
  const size_t open = t.find('(');
  const size_t close = t.rfind(')');
  if (open == npos || close == npos || close < open || !trimBlanks(t.substr(close + 1)).empty()) {
    return false;
  }
  const std::optional<AggKind> named = aggregateFromName(trimRight(t.substr(0, open)));
  if (!named) return false;
  AggregateCall call;
  call.kind = *named;
  size_t inner_start = open + 1, inner_end = close;
  trimSpan(t, inner_start, inner_end);
  std::string_view inner = t.substr(inner_start, inner_end - inner_start);
  TextSpan argument{inner_start, inner_end};
  if (call.kind == AggKind::count && inner.size() >= kDistinctPrefix.size() &&
      startsWithIgnoreCase(inner, kDistinctPrefix)) {
    call.kind = AggKind::count_distinct;
    call.distinct = true;
    size_t a = inner_start + kDistinctPrefix.size(), b = inner_end;
    trimSpan(t, a, b);
    argument = {a, b};
  }
  if (call.kind == AggKind::group_concat) {
    call.separator = ",";
    const size_t comma = firstTopLevelComma(inner);
    if (comma != npos) {
      size_t a = inner_start, b = inner_start + comma;
      trimSpan(t, a, b);
      argument = {a, b};
      std::string_view separator = trimBlanks(inner.substr(comma + 1));
      if (separator.size() >= 2 && separator.front() == '\'' && separator.back() == '\'') {
        separator = separator.substr(1, separator.size() - 2);
      }
      call.separator = std::string(separator);
      call.has_separator = true;
    }
  }
  const std::string_view argument_text = t.substr(argument.start, argument.end - argument.start);
  call.star = argument_text == "*";
  call.argument = shifted(argument, offset);

  // sum(CASE WHEN condition THEN a ELSE b END) and the like.
  const bool case_kind = call.kind == AggKind::sum || call.kind == AggKind::avg ||
                         call.kind == AggKind::min || call.kind == AggKind::max ||
                         call.kind == AggKind::count;
  if (case_kind && inner.size() > kDistinctPrefix.size() && startsWithIgnoreCase(inner, kCaseKeyword)) {
    if (const std::optional<CaseParts> parts = splitCase(inner)) {
      CaseArgument case_argument;
      case_argument.condition = shifted(parts->condition, offset + inner_start);
      case_argument.then_value = shifted(parts->then_value, offset + inner_start);
      case_argument.else_value = shifted(parts->else_value, offset + inner_start);
      const std::string_view condition =
          inner.substr(parts->condition.start, parts->condition.end - parts->condition.start);
      Result<Expression> parsed = parseExpression(condition);
      if (parsed.ok()) {
        case_argument.parsed_condition = std::make_shared<const Expression>(std::move(*parsed));
      } else {
        case_argument.condition_error = parsed.error();
      }
      call.case_argument = std::move(case_argument);
    }
  }
  node.kind = NodeKind::aggregate;
  node.aggregate = std::move(call);
  return true;
}

void TreeBuilder::buildCase(std::string_view t, size_t offset, int depth, ExprNode& node) const {
  const std::optional<CaseParts> parts = splitCase(t);
  if (!parts || !isBlank(static_cast<unsigned char>(t[kCaseKeyword.size()]))) return;
  node.kind = NodeKind::case_when;
  CaseBranch branch{shifted(parts->condition, offset), shifted(parts->then_value, offset), {}, {}, {}};
  node.else_value = shifted(parts->else_value, offset);
  node.children.push_back(build(branch.value.start, branch.value.end, depth + 1));
  node.children.push_back(build(node.else_value.start, node.else_value.end, depth + 1));

  // The condition's first comparison operator at depth 0. A left side that
  // is an aggregate call is kept in `condition_aggregate`.
  const std::string_view condition =
      t.substr(parts->condition.start, parts->condition.end - parts->condition.start);
  size_t depth_now = 0;
  for (size_t i = 0; i < condition.size() && !branch.comparison; ++i) {
    const char c = condition[i];
    if (c == '(') ++depth_now;
    if (c == ')' && depth_now > 0) --depth_now;
    if (depth_now != 0) continue;
    for (const ConditionOperator& op : kCaseConditionOperators) {
      if (condition.substr(i, op.text.size()) != op.text) continue;
      const size_t left_end = branch.condition.start + i;
      size_t a = branch.condition.start, b = left_end;
      trimSpan(text_, a, b);
      branch.left = {a, b};
      a = left_end + op.text.size(), b = branch.condition.end;
      trimSpan(text_, a, b);
      branch.right = {a, b};
      branch.comparison = op.op;
      ExprNode left = build(branch.condition.start, left_end, depth + 1);
      if (left.kind == NodeKind::aggregate) {
        node.condition_aggregate = std::make_unique<ExprNode>(std::move(left));
        node.condition_operator = std::string(op.text);
        node.condition_value = branch.right;
      }
      break;
    }
  }
  node.branches.push_back(branch);
}

}  // namespace

ExprNode::ExprNode(const ExprNode& other)
    : kind(other.kind),
      span(other.span),
      function(other.function),
      arguments(other.arguments),
      children(other.children),
      keyword_arguments(other.keyword_arguments),
      has_top_level_comma(other.has_top_level_comma),
      aggregate(other.aggregate),
      is_not(other.is_not),
      branches(other.branches),
      else_value(other.else_value),
      condition_aggregate(other.condition_aggregate
                              ? std::make_unique<ExprNode>(*other.condition_aggregate)
                              : nullptr),
      condition_operator(other.condition_operator),
      condition_value(other.condition_value),
      head_aggregate(other.head_aggregate),
      head_function(other.head_function),
      head_name(other.head_name),
      has_parenthesis(other.has_parenthesis) {}

ExprNode& ExprNode::operator=(const ExprNode& other) {
  if (this != &other) *this = ExprNode(other);
  return *this;
}

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


std::optional<RoundWrapper> parseRoundWrapper(std::string_view text) {
  std::string_view t = trimBlanks(text);
  if (t.size() < kRoundWrapperMinSize || !startsWithIgnoreCase(t, kRoundCall) || t.back() != ')') {
    return std::nullopt;
  }
  std::string_view args = t.substr(kRoundCall.size(), t.size() - kRoundCall.size() - 1);
  size_t comma = args.rfind(',');
  if (comma == npos) return std::nullopt;
  std::optional<uint8_t> digits = parseDigitCount(trimBlanks(args.substr(comma + 1)));
  if (!digits) return std::nullopt;
  return RoundWrapper{trimBlanks(args.substr(0, comma)), *digits};
}

Result<SelectItem> parseSelectItem(std::string_view text) {
  try {
    SelectItem item;
    item.text = std::string(text);
    const std::string_view all = item.text;
    const AliasSplit split = splitAlias(all);
    const std::string_view expression = trimBlanks(split.expression);
    auto spanOf = [&](std::string_view part) {
      const size_t at = static_cast<size_t>(part.data() - all.data());
      return TextSpan{at, at + part.size()};
    };
    item.expression = spanOf(expression);
    if (split.alias) item.alias = spanOf(*split.alias);
    item.needs_scalar = expressionNeedsScalar(expression);

    std::string_view inner = expression;
    if (parseRoundWrapper(expression)) {
      const size_t open = kRoundCall.size() - 1;
      item.round_wrapper_whole =
          scanOutsideQuotes(expression, open, [&](size_t i, size_t level) {
            return expression[i] == ')' && level == 1;
          }) == expression.size() - 1;
    }
    while (const std::optional<RoundWrapper> wrapper = parseRoundWrapper(inner)) {
      item.round_digits.push_back(wrapper->digits);
      inner = trimBlanks(wrapper->inner);
    }
    const TextSpan root = spanOf(inner);
    item.root = TreeBuilder(all).build(root.start, root.end, 0);
    if (inner.size() > kCaseKeyword.size() && startsWithIgnoreCase(inner, kCaseKeyword)) {
      item.is_aggregate = caseConditionCallsAggregate(inner);
    } else {
      item.is_aggregate = item.root.head_aggregate.has_value();
    }
    return item;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Result<std::vector<SelectItem>> parseSelectItems(const std::vector<std::string>& texts) {
  try {
    std::vector<SelectItem> items;
    items.reserve(texts.size());
    for (const std::string& text : texts) {
      NARWE_ASSIGN_OR_RETURN(SelectItem item, parseSelectItem(text));
      items.push_back(std::move(item));
    }
    return items;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

std::shared_ptr<const std::vector<SelectItem>> selectItemsOf(const Query& query) {
  if (query.select_items) return query.select_items;
  try {
    Result<std::vector<SelectItem>> items = parseSelectItems(query.columns);
    if (!items.ok()) return nullptr;
    return std::make_shared<const std::vector<SelectItem>>(std::move(*items));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Status buildItemTrees(Query& query) {
  try {
    NARWE_ASSIGN_OR_RETURN(std::vector<SelectItem> select, parseSelectItems(query.columns));
    query.select_items = std::make_shared<const std::vector<SelectItem>>(std::move(select));
    NARWE_ASSIGN_OR_RETURN(std::vector<SelectItem> group, parseSelectItems(query.group_by));
    query.group_items = std::make_shared<const std::vector<SelectItem>>(std::move(group));
    std::vector<std::string> keys;
    if (query.order_by) {
      keys.push_back(query.order_by->column);
      for (const OrderByKey& key : query.order_by->extra_keys) keys.push_back(key.column);
    }
    NARWE_ASSIGN_OR_RETURN(std::vector<SelectItem> order, parseSelectItems(keys));
    query.order_items = std::make_shared<const std::vector<SelectItem>>(std::move(order));
    return okStatus();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
