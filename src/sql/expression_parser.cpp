// WHERE / HAVING condition parsing.
//
// The condition is read top-down on the text itself: peel an enclosing pair
// of parentheses, a leading NOT, split at the first top-level OR, then at the
// first top-level AND that does not close a BETWEEN, and finally recognise one
// comparison form by scanning for operator keywords. AND and OR stand between
// whitespace, or touch a parenthesis: "a = 1 AND(b = 2)", "(a = 1)OR b = 2".
//
// Cost: the parenthesis pairs of the whole condition are indexed once
// (quote-aware), so every top-level scan jumps over a parenthesised group in
// O(log n) instead of walking it, and checking "(...) encloses everything" is
// a lookup. The chain of right-hand sides (after OR, AND and NOT) is walked
// in a loop rather than by recursion; only left operands recurse, and they
// recurse at most a few levels per parenthesis level, which
// kMaxConditionNesting bounds. Long OR/AND chains and megabyte conditions are
// therefore linear (up to the logarithm) and never exhaust the stack.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/name_index.h"
#include "sql/parser.h"

namespace narwe {

namespace {

using ExprPtr = std::unique_ptr<Expression>;

// The logical connectives, matched by connectiveEnd rather than as patterns.
constexpr std::string_view kOrWord = "or";
constexpr std::string_view kAndWord = "and";
// Keyword patterns; notation in parser_text.h.
constexpr std::string_view kBetweenPattern = " between ";
constexpr std::string_view kIsNotNullPattern = " is not null";
constexpr std::string_view kIsNullPattern = " is null";
constexpr std::string_view kNotInPattern = " not in~(";
constexpr std::string_view kIlikePattern = " ilike ";
constexpr std::string_view kLikePattern = " like ";
constexpr std::string_view kInPattern = " in~(";
constexpr std::string_view kModuloPattern = " % ";
constexpr std::string_view kExtractFromPattern = " from ";
constexpr std::string_view kNotWord = "not";
constexpr std::string_view kSelectWord = "select";

// A leading NOT needs the word, a separator and at least one more byte.
constexpr size_t kMinNotConditionLength = 5;
// Date-function names are short; a longer "name" is an ordinary column text.
constexpr size_t kMaxDateFunctionNameLength = 16;
// DATEDIFF and DATEADD take exactly (unit, a, b).
constexpr size_t kDateFunctionArgCount = 3;

bool isBlankByte(char c) { return isBlank(static_cast<unsigned char>(c)); }

// Folded byte after the whitespace run starting at `pos` ('\0' at the end):
// a cheap test before a keyword pattern " word..." is matched in full.
char byteAfterRun(std::string_view text, size_t pos) {
  while (pos < text.size() && isBlankByte(text[pos])) ++pos;
  return pos < text.size() ? lowerAscii(text[pos]) : '\0';
}

bool isOperatorByte(char c) { return c == '!' || c == '<' || c == '=' || c == '>'; }

// The comparison operators: = != <> < > <= >=.
std::optional<Operator> comparisonOperator(std::string_view token) {
  if (token == "<>") return Operator::ne;
  const std::optional<Operator> op = operatorFromString(token);
  if (!op || *op == Operator::like || *op == Operator::ilike) return std::nullopt;
  return op;
}

// Length of the operator token starting at `pos`, or 0 when no comparison
// operator starts there. The token is the whole run of operator bytes, so
// "==" or "=>" reads as one (invalid) token instead of "=" followed by a
// literal starting with "=" or ">".
size_t operatorTokenLength(std::string_view text, size_t pos) {
  const char c = text[pos];
  const bool starts = c == '<' || c == '=' || c == '>' ||
                      (c == '!' && pos + 1 < text.size() && text[pos + 1] == '=');
  if (!starts) return 0;
  size_t end = pos;
  while (end < text.size() && isOperatorByte(text[end])) ++end;
  return end - pos;
}

// "x NOT LIKE p" and "x NOT BETWEEN a AND b": when the left side ends with the
// word NOT after a name, drops it and reports the negation.
std::string_view takeTrailingNot(std::string_view left, bool& negated) {
  negated = false;
  const size_t n = left.size();
  if (n < kNotWord.size() + 2) return left;
  if (!equalsIgnoreCase(left.substr(n - kNotWord.size()), kNotWord)) return left;
  if (!isBlankByte(left[n - kNotWord.size() - 1])) return left;
  const std::string_view name = trimBlanks(left.substr(0, n - kNotWord.size() - 1));
  if (name.empty()) return left;
  negated = true;
  return name;
}

bool startsWithWord(std::string_view text, std::string_view word) {
  if (text.size() < word.size() || !equalsIgnoreCase(text.substr(0, word.size()), word)) return false;
  return text.size() == word.size() || !isNameByte(static_cast<unsigned char>(text[word.size()]));
}

ExprPtr wrapComparison(Comparison&& comparison, bool negated) {
  auto node = std::make_unique<Expression>(std::move(comparison));
  if (!negated) return node;
  return std::make_unique<Expression>(Not{std::move(node)});
}

class ConditionParser {
 public:
  explicit ConditionParser(std::string_view text) : text_(text) { indexParentheses(); }

  // Parses text_[start, end) that sits inside `nesting` peeled parentheses.
  Result<ExprPtr> parseRange(size_t start, size_t end, size_t nesting);

 private:
  struct ParenPair {
    size_t open;
    size_t close;  // kNoPos when never closed
  };

  enum class SpineKind : unsigned char { kNot, kOr, kAnd };
  struct SpineStep {
    SpineKind kind;
    ExprPtr left;  // empty for kNot
  };

  enum class Form : unsigned char { kIsNotNull, kIsNull, kNotIn, kIlike, kLike, kIn, kModulo, kCompare };

  void indexParentheses();
  size_t closeOf(size_t open) const;

  template <typename Visit>
  size_t scanTop(size_t start, size_t end, Visit&& visit) const;
  std::optional<TextSpan> findTop(size_t start, size_t end, std::string_view pattern) const;
  size_t connectiveEnd(size_t pos, size_t start, size_t end, std::string_view word) const;
  std::optional<TextSpan> findTopConnective(size_t start, size_t end, std::string_view word) const;
  std::optional<TextSpan> findTopAnd(size_t start, size_t end) const;
  std::string_view peeledBound(size_t start, size_t end) const;

  size_t notPrefixEnd(size_t start, size_t end) const;
  std::string_view slice(size_t start, size_t end) const { return text_.substr(start, end - start); }
  std::string_view trimmedSlice(size_t start, size_t end) const {
    trimSpan(text_, start, end);
    return slice(start, end);
  }

  [[gnu::noinline]] Result<ExprPtr> parseLeaf(size_t start, size_t end) const;
  Result<ExprPtr> parseBetween(size_t start, size_t end, TextSpan between) const;
  Result<ExprPtr> parseIn(size_t start, size_t end, TextSpan match, bool negated) const;
  Result<ExprPtr> parseFunctionComparison(size_t end, size_t paren, FunctionId function, size_t op_pos,
                                          size_t op_len) const;
  Result<std::vector<std::string_view>> splitArguments(size_t start, size_t end) const;

  std::string_view text_;
  std::vector<ParenPair> parens_;  // sorted by `open`
};

void ConditionParser::indexParentheses() {
  std::vector<size_t> open_stack;
  for (size_t i = 0; i < text_.size(); ++i) {
    const char c = text_[i];
    if (isQuoteByte(c)) {
      const size_t close = quotedRunEnd(text_, i);
      if (close == kNoPos) break;
      i = close;
    } else if (c == '(') {
      open_stack.push_back(parens_.size());
      parens_.push_back({i, kNoPos});
    } else if (c == ')' && !open_stack.empty()) {
      parens_[open_stack.back()].close = i;
      open_stack.pop_back();
    }
  }
}

size_t ConditionParser::closeOf(size_t open) const {
  auto it = std::lower_bound(parens_.begin(), parens_.end(), open,
                             [](const ParenPair& p, size_t pos) { return p.open < pos; });
  if (it == parens_.end() || it->open != open) return kNoPos;
  return it->close;
}

// Visits each position of [start, end) at depth 0 outside quoted runs.
// Parenthesised groups are skipped whole; an unclosed group or quoted run
// hides the rest of the range. A ")" with no "(" in the range is ignored.
template <typename Visit>
size_t ConditionParser::scanTop(size_t start, size_t end, Visit&& visit) const {
  const std::string_view bounded = text_.substr(0, end);
  for (size_t i = start; i < end; ++i) {
    const char c = text_[i];
    if (isQuoteByte(c)) {
      const size_t close = quotedRunEnd(bounded, i);
      if (close == kNoPos) return kNoPos;
      if (close != i) {
        i = close;
        continue;
      }
    }
    if (visit(i)) return i;
    if (c == '(') {
      const size_t close = closeOf(i);
      if (close == kNoPos || close >= end) return kNoPos;
      i = close;
    }
  }
  return kNoPos;
}

std::optional<TextSpan> ConditionParser::findTop(size_t start, size_t end, std::string_view pattern) const {
  const std::string_view bounded = text_.substr(0, end);
  const char first = pattern.front();
  size_t match_end = kNoPos;
  const size_t hit = scanTop(start, end, [&](size_t i) {
    if (first == ' ') {
      // Only where a whitespace run begins (see findPatternOutsideQuotes).
      if (!isBlankByte(text_[i]) || (i > start && isBlankByte(text_[i - 1]))) return false;
      if (byteAfterRun(bounded, i) != pattern[1]) return false;
    } else if (lowerAscii(text_[i]) != first) {
      return false;
    }
    match_end = matchPattern(bounded, i, pattern);
    return match_end != kNoPos;
  });
  if (hit == kNoPos) return std::nullopt;
  return TextSpan{hit, match_end};
}

// A connective (AND / OR) starting at `pos` inside [start, end): the word
// comes after a whitespace run that begins at `pos`, or directly at `pos`
// when the byte before is ")" as in "(a = 1)AND b = 2". After the word comes
// a whitespace run or a "(" that opens the right operand ("a = 1 AND(b = 2)").
// Returns where the right operand starts (after the run, or at the "("), or
// kNoPos. A name such as "band" or "order_id" never matches: the word must
// be preceded by whitespace or ")" and followed by whitespace or "(".
size_t ConditionParser::connectiveEnd(size_t pos, size_t start, size_t end, std::string_view word) const {
  size_t word_start = pos;
  if (isBlankByte(text_[pos])) {
    // Only where the run begins, so a long run is walked once.
    if (pos > start && isBlankByte(text_[pos - 1])) return kNoPos;
    while (word_start < end && isBlankByte(text_[word_start])) ++word_start;
  } else if (pos == start || text_[pos - 1] != ')') {
    return kNoPos;
  }
  if (end - word_start <= word.size()) return kNoPos;  // the word and at least one byte after it
  if (!equalsIgnoreCase(text_.substr(word_start, word.size()), word)) return kNoPos;
  size_t operand = word_start + word.size();
  if (text_[operand] == '(') return operand;
  if (!isBlankByte(text_[operand])) return kNoPos;
  while (operand < end && isBlankByte(text_[operand])) ++operand;
  return operand;
}

// The first top-level `word` connective in [start, end): the span runs from
// the keyword (or the whitespace before it) to the start of the right operand.
std::optional<TextSpan> ConditionParser::findTopConnective(size_t start, size_t end, std::string_view word) const {
  size_t operand = kNoPos;
  const size_t hit = scanTop(start, end, [&](size_t i) {
    operand = connectiveEnd(i, start, end, word);
    return operand != kNoPos;
  });
  if (hit == kNoPos) return std::nullopt;
  return TextSpan{hit, operand};
}

// The first top-level AND that does not close a BETWEEN: an AND is skipped
// when a BETWEEN occurs between the previous skipped AND (or the start) and it.
std::optional<TextSpan> ConditionParser::findTopAnd(size_t start, size_t end) const {
  const std::string_view bounded = text_.substr(0, end);
  bool open_between = false;
  size_t match_end = kNoPos;
  const size_t hit = scanTop(start, end, [&](size_t i) {
    if (isBlankByte(text_[i]) && !(i > start && isBlankByte(text_[i - 1])) &&
        byteAfterRun(bounded, i) == kBetweenPattern[1] && matchPattern(bounded, i, kBetweenPattern) != kNoPos) {
      open_between = true;
      return false;
    }
    const size_t and_end = connectiveEnd(i, start, end, kAndWord);
    if (and_end == kNoPos) return false;
    if (open_between) {
      open_between = false;
      return false;
    }
    match_end = and_end;
    return true;
  });
  if (hit == kNoPos) return std::nullopt;
  return TextSpan{hit, match_end};
}

// Position after a leading "NOT" followed by whitespace or "(", or kNoPos.
size_t ConditionParser::notPrefixEnd(size_t start, size_t end) const {
  if (end - start < kMinNotConditionLength) return kNoPos;
  if (!equalsIgnoreCase(text_.substr(start, kNotWord.size()), kNotWord)) return kNoPos;
  const char next = text_[start + kNotWord.size()];
  if (!isBlankByte(next) && next != '(') return kNoPos;
  return start + kNotWord.size();
}

Result<ExprPtr> ConditionParser::parseRange(size_t start, size_t end, size_t nesting) {
  // NOT, OR and AND steps met while walking right-hand sides; the tree is
  // assembled from them once the final operand is parsed.
  std::vector<SpineStep> spine;
  // Once a scan of the current text finds no top-level OR (or AND), none of
  // its right-hand parts has one either, until a parenthesis is peeled.
  bool no_or = false;
  bool no_and = false;
  ExprPtr node;
  for (;;) {
    trimSpan(text_, start, end);
    if (start == end) return Error::InvalidExpression;
    if (text_[start] == '(' && text_[end - 1] == ')' && closeOf(start) == end - 1) {
      if (++nesting > kMaxConditionNesting) return Error::InvalidExpression;
      ++start;
      --end;
      no_or = no_and = false;
      continue;
    }
    if (const size_t rest = notPrefixEnd(start, end); rest != kNoPos) {
      spine.push_back({SpineKind::kNot, nullptr});
      start = rest;
      continue;
    }
    if (!no_or) {
      if (const std::optional<TextSpan> hit = findTopConnective(start, end, kOrWord)) {
        NARWE_ASSIGN_OR_RETURN(ExprPtr left, parseRange(start, hit->start, nesting));
        spine.push_back({SpineKind::kOr, std::move(left)});
        start = hit->end;
        continue;
      }
      no_or = true;
    }
    if (!no_and) {
      if (const std::optional<TextSpan> hit = findTopAnd(start, end)) {
        NARWE_ASSIGN_OR_RETURN(ExprPtr left, parseRange(start, hit->start, nesting));
        spine.push_back({SpineKind::kAnd, std::move(left)});
        start = hit->end;
        continue;
      }
      no_and = true;
    }
    NARWE_ASSIGN_OR_RETURN(node, parseLeaf(start, end));
    break;
  }
  while (!spine.empty()) {
    SpineStep step = std::move(spine.back());
    spine.pop_back();
    if (step.kind == SpineKind::kNot) {
      node = std::make_unique<Expression>(Not{std::move(node)});
    } else {
      node = std::make_unique<Expression>(
          Logical{std::move(step.left), std::move(node), step.kind == SpineKind::kOr});
    }
  }
  return node;
}

// One comparison form in trimmed, non-empty text_[start, end).
Result<ExprPtr> ConditionParser::parseLeaf(size_t start, size_t end) const {
  if (const std::optional<TextSpan> between = findTop(start, end, kBetweenPattern)) {
    return parseBetween(start, end, *between);
  }

  struct Keyword {
    std::string_view pattern;
    Form form;
  };
  // At one position the earlier entry wins.
  static constexpr Keyword kKeywords[] = {
      {kIsNotNullPattern, Form::kIsNotNull}, {kIsNullPattern, Form::kIsNull}, {kNotInPattern, Form::kNotIn},
      {kIlikePattern, Form::kIlike},         {kLikePattern, Form::kLike},     {kInPattern, Form::kIn},
      {kModuloPattern, Form::kModulo},
  };

  const std::string_view bounded = text_.substr(0, end);
  // An IN keyword only counts when the text before it holds none of these
  // bytes: "a = 'x' IN (" or "f(a) IN (" are not membership tests.
  size_t first_non_name = kNoPos;
  bool first_non_name_known = false;
  auto inAllowed = [&](size_t pos) {
    if (!first_non_name_known) {
      first_non_name_known = true;
      for (size_t k = start; k < end; ++k) {
        const char c = text_[k];
        if (c == '!' || c == '"' || c == '\'' || c == '(' || c == '<' || c == '=' || c == '>') {
          first_non_name = k;
          break;
        }
      }
    }
    return first_non_name == kNoPos || first_non_name >= pos;
  };

  Form form = Form::kCompare;
  TextSpan match;
  const size_t hit = scanTop(start, end, [&](size_t i) {
    if (isBlankByte(text_[i])) {
      if (i > start && isBlankByte(text_[i - 1])) return false;
      const char next = byteAfterRun(bounded, i);
      for (const Keyword& keyword : kKeywords) {
        if (keyword.pattern[1] != next) continue;
        const size_t match_end = matchPattern(bounded, i, keyword.pattern);
        if (match_end == kNoPos) continue;
        if ((keyword.form == Form::kIn || keyword.form == Form::kNotIn) && !inAllowed(i)) continue;
        form = keyword.form;
        match = {i, match_end};
        return true;
      }
      return false;
    }
    const size_t op_len = operatorTokenLength(bounded, i);
    if (op_len == 0) return false;
    form = Form::kCompare;
    match = {i, i + op_len};
    return true;
  });
  if (hit == kNoPos) return Error::InvalidExpression;

  const std::string_view left = trimmedSlice(start, match.start);
  if (left.empty()) return Error::InvalidExpression;
  switch (form) {
    case Form::kIsNotNull:
    case Form::kIsNull: {
      // Anything after IS [NOT] NULL would be silently dropped otherwise.
      if (!trimmedSlice(match.end, end).empty()) return Error::InvalidExpression;
      Comparison comparison;
      comparison.column = asciiLower(left);
      comparison.op = form == Form::kIsNull ? Operator::is_null : Operator::is_not_null;
      return std::make_unique<Expression>(std::move(comparison));
    }
    case Form::kIlike:
    case Form::kLike: {
      bool negated = false;
      const std::string_view column = takeTrailingNot(left, negated);
      const std::string_view right = trimmedSlice(match.end, end);
      if (right.empty()) return Error::InvalidExpression;
      NARWE_ASSIGN_OR_RETURN(std::string_view pattern, unquoteLiteral(right));
      Comparison comparison;
      comparison.column = asciiLower(column);
      comparison.value = std::string(pattern);
      comparison.op = form == Form::kLike ? Operator::like : Operator::ilike;
      return wrapComparison(std::move(comparison), negated);
    }
    case Form::kNotIn:
    case Form::kIn:
      return parseIn(start, end, match, form == Form::kNotIn);
    case Form::kModulo: {
      NARWE_ASSIGN_OR_RETURN(Expression expression,
                             parseModComparison(slice(start, end), match.start - start));
      return std::make_unique<Expression>(std::move(expression));
    }
    case Form::kCompare:
      break;
  }

  // A date function compared with a number: EXTRACT(...), DATEDIFF(...),
  // DATEADD(...) on the left of the operator.
  const size_t left_start = static_cast<size_t>(left.data() - text_.data());
  const size_t paren = left.find('(');
  if (paren != kNoPos) {
    const std::string_view name = trimBlanks(left.substr(0, paren));
    const bool plain = !name.empty() && name.size() <= kMaxDateFunctionNameLength &&
                       std::none_of(name.begin(), name.end(), isBlankByte);
    const std::optional<FunctionId> function = plain ? functionFromName(name) : std::nullopt;
    if (function == FunctionId::extract || function == FunctionId::datediff ||
        function == FunctionId::dateadd) {
      return parseFunctionComparison(end, left_start + paren, *function, match.start,
                                     match.end - match.start);
    }
  }
  NARWE_ASSIGN_OR_RETURN(Expression expression,
                         parseComparison(slice(start, end), slice(match.start, match.end), match.start - start));
  return std::make_unique<Expression>(std::move(expression));
}

// A BETWEEN bound, trimmed, without parentheses that enclose all of it:
// "x BETWEEN (1) AND(5)" has the bounds 1 and 5, not the texts "(1)" and
// "(5)", which would make a numeric range that no field can fall into.
std::string_view ConditionParser::peeledBound(size_t start, size_t end) const {
  trimSpan(text_, start, end);
  while (end - start >= 2 && text_[start] == '(' && text_[end - 1] == ')' && closeOf(start) == end - 1) {
    ++start;
    --end;
    trimSpan(text_, start, end);
  }
  return slice(start, end);
}

Result<ExprPtr> ConditionParser::parseBetween(size_t start, size_t end, TextSpan between) const {
  bool negated = false;
  const std::string_view column = takeTrailingNot(trimmedSlice(start, between.start), negated);
  if (column.empty()) return Error::InvalidExpression;
  const std::optional<TextSpan> and_keyword = findTopConnective(between.end, end, kAndWord);
  if (!and_keyword) return Error::InvalidExpression;
  const std::string_view low_text = peeledBound(between.end, and_keyword->start);
  const std::string_view high_text = peeledBound(and_keyword->end, end);
  if (low_text.empty() || high_text.empty()) return Error::InvalidExpression;
  NARWE_ASSIGN_OR_RETURN(std::string_view low, unquoteLiteral(low_text));
  NARWE_ASSIGN_OR_RETURN(std::string_view high, unquoteLiteral(high_text));
  Comparison comparison;
  comparison.column = asciiLower(column);
  comparison.value = std::string(low);
  comparison.number = literalNumber(low);
  comparison.upper_value = std::string(high);
  comparison.upper_number = literalNumber(high);
  comparison.op = Operator::between;
  return wrapComparison(std::move(comparison), negated);
}

Result<ExprPtr> ConditionParser::parseIn(size_t start, size_t end, TextSpan match, bool negated) const {
  const std::string_view column = trimmedSlice(start, match.start);
  if (column.empty()) return Error::InvalidExpression;
  const size_t open = match.end - 1;  // the pattern ends with "("
  const size_t close = closeOf(open);
  if (close == kNoPos || close >= end) return Error::InvalidExpression;
  if (!trimmedSlice(close + 1, end).empty()) return Error::InvalidExpression;

  Comparison comparison;
  comparison.column = asciiLower(column);
  comparison.negated = negated;
  comparison.op = Operator::eq;
  const std::string_view inner = trimmedSlice(open + 1, close);
  if (startsWithWord(inner, kSelectWord)) {
    comparison.subquery = std::string(inner);
    return std::make_unique<Expression>(std::move(comparison));
  }
  if (inner.empty()) return Error::InvalidExpression;

  // The items split by the shared comma rule; each is one literal.
  std::vector<std::string> items;
  for (const std::string_view item : splitTopLevelCommas(slice(open + 1, close))) {
    if (item.empty()) return Error::InvalidExpression;
    NARWE_ASSIGN_OR_RETURN(std::string_view value, unquoteLiteral(item));
    items.emplace_back(value);
  }
  comparison.in_values = std::move(items);
  return std::make_unique<Expression>(std::move(comparison));
}

// Splits text_[start, end) by the shared comma rule; an empty argument is
// malformed.
Result<std::vector<std::string_view>> ConditionParser::splitArguments(size_t start, size_t end) const {
  std::vector<std::string_view> args = splitTopLevelCommas(slice(start, end));
  for (const std::string_view arg : args) {
    if (arg.empty()) return Error::InvalidExpression;
  }
  return args;
}

Result<ExprPtr> ConditionParser::parseFunctionComparison(size_t end, size_t paren, FunctionId function,
                                                         size_t op_pos, size_t op_len) const {
  const size_t close = closeOf(paren);
  if (close == kNoPos || close >= op_pos) return Error::InvalidExpression;
  // Nothing but whitespace may stand between the call and the operator.
  if (!trimmedSlice(close + 1, op_pos).empty()) return Error::InvalidExpression;
  const std::optional<Operator> op = comparisonOperator(slice(op_pos, op_pos + op_len));
  if (!op) return Error::InvalidOperator;

  FunctionComparison comparison;
  if (function == FunctionId::extract) {
    const std::optional<TextSpan> from = findTop(paren + 1, close, kExtractFromPattern);
    if (!from) return Error::InvalidExpression;
    const std::string_view part = trimmedSlice(paren + 1, from->start);
    const std::string_view column = trimmedSlice(from->end, close);
    if (part.empty() || column.empty()) return Error::InvalidExpression;
    comparison.part = std::string(part);
    comparison.column = asciiLower(column);
  } else {
    NARWE_ASSIGN_OR_RETURN(std::vector<std::string_view> args, splitArguments(paren + 1, close));
    if (args.size() != kDateFunctionArgCount) return Error::InvalidExpression;
    NARWE_ASSIGN_OR_RETURN(std::string_view part, unquoteLiteral(args[0]));
    comparison.part = std::string(part);
    if (function == FunctionId::datediff) {
      comparison.column = asciiLower(args[1]);
      comparison.column2 = asciiLower(args[2]);
    } else {
      // DATEADD(unit, amount, column) yields a date, not a number: comparing
      // it with one could only ever be false, so the condition is refused
      // rather than answered with no rows.
      return Error::InvalidExpression;
    }
  }

  const std::string_view right = trimmedSlice(op_pos + op_len, end);
  if (right.empty()) return Error::InvalidExpression;
  NARWE_ASSIGN_OR_RETURN(std::string_view literal, unquoteLiteral(right));
  const std::optional<double> number = literalNumber(literal);
  if (!number) return Error::InvalidExpression;
  comparison.function = function;
  comparison.number = *number;
  comparison.op = *op;
  return std::make_unique<Expression>(std::move(comparison));
}

// A condition whose parentheses do not pair up outside quoted text, or
// that ends in a bare AND / OR, is malformed. Read by the rules alone, the
// stray part would become a literal ("1 AND", "(1") and the condition would
// quietly compare against it. An unterminated quote is left to the literal
// rules, which name it.
Status checkWellFormed(std::string_view text) {
  size_t depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      const size_t close = text.find(c, i + 1);
      if (close == kNoPos) return okStatus();
      i = close;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth == 0) return Error::InvalidExpression;
      --depth;
    }
  }
  if (depth != 0) return Error::InvalidExpression;
  const std::string_view trimmed = trimBlanks(text);
  for (const std::string_view word : {kAndWord, kOrWord}) {
    if (trimmed.size() <= word.size()) continue;
    const size_t at = trimmed.size() - word.size();
    const char before = trimmed[at - 1];
    if (!equalsIgnoreCase(trimmed.substr(at), word) || !(isBlankByte(before) || before == ')')) {
      continue;
    }
    // "state = OR" compares with the text OR: a value right after an
    // operator, an opening parenthesis or a list comma is not a connective.
    const std::string_view rest = trimBlanks(trimmed.substr(0, at));
    if (!rest.empty() && std::string_view("=<>!(,").find(rest.back()) != std::string_view::npos) {
      continue;
    }
    return Error::InvalidExpression;
  }
  return okStatus();
}

}  // namespace

Result<Expression> parseExpression(std::string_view text) {
  try {
    NARWE_TRY(checkWellFormed(text));
    ConditionParser parser(text);
    NARWE_ASSIGN_OR_RETURN(ExprPtr root, parser.parseRange(0, text.size(), 0));
    return std::move(*root);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

namespace {

// A comparison of `column` with a literal right side (quotes already gone).
Comparison literalComparison(std::string_view column, std::string_view literal, Operator op) {
  Comparison comparison;
  comparison.column = asciiLower(column);
  comparison.value = std::string(literal);
  comparison.number = literalNumber(literal);
  comparison.op = op;
  return comparison;
}

}  // namespace

Result<Expression> parseComparison(std::string_view text, std::string_view op_token, size_t op_pos) {
  const std::optional<Operator> op = comparisonOperator(op_token);
  if (!op) return Error::InvalidOperator;
  if (op_pos > text.size() || op_token.size() > text.size() - op_pos) return Error::InvalidExpression;
  const std::string_view left = trimBlanks(text.substr(0, op_pos));
  const std::string_view right = trimBlanks(text.substr(op_pos + op_token.size()));
  if (left.empty() || right.empty()) return Error::InvalidExpression;
  NARWE_ASSIGN_OR_RETURN(std::string_view literal, unquoteLiteral(right));
  return Expression(literalComparison(left, literal, *op));
}

Result<Expression> parseModComparison(std::string_view text, size_t percent_pos) {
  if (percent_pos > text.size()) return Error::InvalidExpression;
  const size_t after = matchPattern(text, percent_pos, kModuloPattern);
  if (after == kNoPos) return Error::InvalidExpression;
  const std::string_view column = trimBlanks(text.substr(0, percent_pos));
  if (column.empty()) return Error::InvalidExpression;

  // The leftmost operator after the divisor, outside quoted literals.
  size_t op_len = 0;
  const size_t op_pos = scanOutsideQuotes(text, after, [&](size_t i, size_t) {
    op_len = operatorTokenLength(text, i);
    return op_len != 0;
  });
  if (op_pos == kNoPos) return Error::InvalidExpression;
  const std::optional<Operator> op = comparisonOperator(text.substr(op_pos, op_len));
  if (!op) return Error::InvalidOperator;

  const std::optional<double> divisor = literalNumber(trimBlanks(text.substr(after, op_pos - after)));
  if (!divisor) return Error::InvalidExpression;
  const std::string_view right = trimBlanks(text.substr(op_pos + op_len));
  if (right.empty()) return Error::InvalidExpression;
  NARWE_ASSIGN_OR_RETURN(std::string_view literal, unquoteLiteral(right));

  Comparison comparison = literalComparison(column, literal, *op);
  comparison.modulus = *divisor;
  return Expression(std::move(comparison));
}

}  // namespace narwe
