// Aggregate recognition.
#include "agg/aggregation.h"

#include <array>

#include "common/numbers.h"
#include "common/text.h"
#include "scalar/rewrite.h"
#include "sql/parser_text.h"

namespace narwe {

namespace {

constexpr size_t npos = std::string_view::npos;

constexpr std::string_view kCaseKeyword = "case";
constexpr std::string_view kThenKeyword = " then ";

bool isAggregateName(std::string_view name) { return aggregateFromName(name).has_value(); }

// A CASE is an aggregate when its condition (the text before the first
// THEN) calls an aggregate: a table name at a word start directly followed
// by "(".
bool caseConditionCallsAggregate(std::string_view text) {
  // THEN between blank runs and outside literals, as the CASE parser reads it.
  std::optional<TextSpan> then = findPatternOutsideQuotes(text, 0, kThenKeyword, false);
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

bool isAggregateExpr(std::string_view item) {
  // The alias goes first so that "round(avg(x), 2) AS a" still shows its
  // round wrapper.
  std::string_view text = trimBlanks(splitAlias(item).expression);
  while (std::optional<RoundWrapper> wrapper = parseRoundWrapper(text)) {
    text = trimBlanks(wrapper->inner);
  }

  if (text.size() > kCaseKeyword.size() && startsWithIgnoreCase(text, kCaseKeyword)) {
    return caseConditionCallsAggregate(text);
  }
  size_t paren = text.find('(');
  if (paren == npos) return false;
  // No closing parenthesis is required: "sum(a) + 1" counts as an aggregate.
  return isAggregateName(trimBlanks(text.substr(0, paren)));
}

}  // namespace narwe
