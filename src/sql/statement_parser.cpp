// SELECT statement parsing: clause location, FROM / JOIN, lists, ORDER BY,
// LIMIT and OFFSET. Conditions go to parseExpression.
//
// Every scan here moves forward through the text; the few searches that are
// repeated per JOIN (the next clause keyword) are cached, so a statement with
// many joins or a megabyte of text stays linear.
#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include "common/name_index.h"
#include "sql/names.h"
#include "sql/parser.h"
#include "sql/select_item.h"

namespace narwe {

namespace {

// Keyword patterns; notation in parser_text.h.
constexpr std::string_view kSelectWord = "select";
constexpr std::string_view kFromPattern = "from";
constexpr std::string_view kDistinctWord = "distinct";
constexpr std::string_view kAsWord = "as";
constexpr std::string_view kInWord = "in";
constexpr std::string_view kSubqueryPattern = "(~select";
constexpr std::string_view kInnerWord = "inner";
constexpr std::string_view kJoinWord = "join";
constexpr std::string_view kJoinPattern = " join ";
constexpr std::string_view kOnPattern = " on ";
constexpr std::string_view kDescPattern = " desc";
constexpr std::string_view kAscPattern = " asc";
constexpr std::array<std::string_view, 3> kSetOperationPatterns = {" union ", " intersect ", " except "};
constexpr std::array<std::string_view, 6> kUnsupportedJoinPatterns = {
    "left join", "right join", "outer join", "full join", "full outer join", "cross join"};

enum Clause : size_t { kWhere, kGroupBy, kHaving, kOrderBy, kLimit, kOffset, kClauseCount };
constexpr std::array<std::string_view, kClauseCount> kClausePatterns = {"where",    "group by", "having",
                                                                        "order by", "limit",    "offset"};

using ClauseSet = unsigned;
constexpr ClauseSet bit(Clause c) { return 1u << c; }
constexpr ClauseSet kAllClauses = (1u << kClauseCount) - 1;
// Where each clause body ends: at the nearest later keyword of this set.
constexpr std::array<ClauseSet, kClauseCount> kClauseEnds = {
    bit(kGroupBy) | bit(kHaving) | bit(kOrderBy) | bit(kLimit) | bit(kOffset),  // WHERE
    bit(kHaving) | bit(kOrderBy) | bit(kLimit) | bit(kOffset),                  // GROUP BY
    bit(kOrderBy) | bit(kLimit) | bit(kOffset),                                 // HAVING
    bit(kLimit) | bit(kOffset),                                                 // ORDER BY
    bit(kOffset),                                                               // LIMIT
    bit(kLimit),                                                                // OFFSET
};

bool isBlankByte(char c) { return isBlank(static_cast<unsigned char>(c)); }

// A byte that can start a column name after "alias.".
bool isNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u >= 0x80;
}

bool startsWithWordThenBlank(std::string_view text, std::string_view word) {
  if (text.size() < word.size() || !equalsIgnoreCase(text.substr(0, word.size()), word)) return false;
  return text.size() == word.size() || isBlankByte(text[word.size()]);
}

// Finds clause keywords, remembering where each was last found so that the
// searches repeated per JOIN and per clause do not rescan the text. One scan
// refreshes all keywords at once.
class ClauseFinder {
 public:
  explicit ClauseFinder(std::string_view text) : text_(text) {}

  // First occurrence of clause `c` at or after `from`.
  std::optional<TextSpan> next(Clause c, size_t from) {
    const bool cached = searched_ && searched_from_ <= from && (!hits_[c] || hits_[c]->start >= from);
    if (!cached) {
      findEachPatternOutsideQuotes(text_, from, kClausePatterns.data(), kClauseCount, true, Boundary::kBlank,
                                   hits_.data());
      searched_ = true;
      searched_from_ = from;
    }
    return hits_[c];
  }

  // Start of the nearest keyword of `set` at or after `from` (text end if none).
  size_t nearest(ClauseSet set, size_t from) {
    size_t end = text_.size();
    for (size_t c = 0; c < kClauseCount; ++c) {
      if ((set & bit(static_cast<Clause>(c))) == 0) continue;
      if (const std::optional<TextSpan> hit = next(static_cast<Clause>(c), from)) end = std::min(end, hit->start);
    }
    return end;
  }

 private:
  std::string_view text_;
  std::array<std::optional<TextSpan>, kClauseCount> hits_{};
  bool searched_ = false;
  size_t searched_from_ = 0;
};

std::optional<TextSpan> detectJoinKeywordFrom(std::string_view text, size_t from) {
  const std::optional<TextSpan> hit = findPatternOutsideQuotes(text, from, kJoinPattern, true);
  if (!hit) return std::nullopt;
  size_t word = hit->start;
  while (isBlankByte(text[word])) ++word;
  const TextSpan join{word, word + kJoinWord.size()};
  // The word before decides whether this is the JOIN of an INNER JOIN.
  if (hit->start >= kInnerWord.size()) {
    const size_t inner = hit->start - kInnerWord.size();
    if ((inner == 0 || isBlankByte(text[inner - 1])) &&
        equalsIgnoreCase(text.substr(inner, kInnerWord.size()), kInnerWord)) {
      return TextSpan{inner, join.end};
    }
  }
  return join;
}

// Set operations and sub-queries other than IN (SELECT ...).
Status rejectUnsupportedForms(std::string_view statement) {
  std::array<std::optional<TextSpan>, kSetOperationPatterns.size()> set_operations;
  findEachPatternOutsideQuotes(statement, 0, kSetOperationPatterns.data(), kSetOperationPatterns.size(), false,
                               Boundary::kNone, set_operations.data());
  for (const std::optional<TextSpan>& hit : set_operations) {
    if (hit) return Error::UnsupportedSetOperation;
  }
  size_t from = 0;
  while (const std::optional<TextSpan> hit = findPatternOutsideQuotes(statement, from, kSubqueryPattern, false)) {
    from = hit->end;
    // "(selected = 1)" names a column; only the word SELECT opens a query.
    if (hit->end < statement.size() && isNameByte(static_cast<unsigned char>(statement[hit->end]))) continue;
    size_t k = hit->start;
    while (k > 0 && isBlankByte(statement[k - 1])) --k;
    const size_t word_end = k;
    while (k > 0 && isNameByte(static_cast<unsigned char>(statement[k - 1]))) --k;
    if (!equalsIgnoreCase(statement.substr(k, word_end - k), kInWord)) return Error::SubqueriesNotSupported;
  }
  return okStatus();
}

// First occurrence of the word SELECT (any case) that is not part of a
// longer name; text before it is ignored.
size_t findSelectWord(std::string_view text) {
  for (size_t i = 0; i + kSelectWord.size() <= text.size(); ++i) {
    if (lowerAscii(text[i]) != kSelectWord[0]) continue;
    if (!equalsIgnoreCase(text.substr(i, kSelectWord.size()), kSelectWord)) continue;
    const size_t end = i + kSelectWord.size();
    const bool word_start = i == 0 || !isNameByte(static_cast<unsigned char>(text[i - 1]));
    const bool word_end = end == text.size() || !isNameByte(static_cast<unsigned char>(text[end]));
    if (word_start && word_end) return i;
  }
  return kNoPos;
}

// A LIMIT or OFFSET value: a 32-bit decimal integer with an optional sign;
// "_" may separate digits.
Result<int32_t> parseCount(std::string_view body, Error negative_error) {
  const std::optional<std::string> digits = dropDigitSeparators(body);
  if (!digits) return Error::InvalidCharacter;
  NARWE_ASSIGN_OR_RETURN(const int32_t value, parseInt32(*digits));
  if (value < 0) return negative_error;
  return value;
}

// First top-level `pattern` (leading whitespace run + word) that ends the
// text or is followed by whitespace.
std::optional<TextSpan> findDirection(std::string_view term, std::string_view pattern) {
  size_t end = kNoPos;
  const size_t hit = scanOutsideQuotes(term, 0, [&](size_t i, size_t depth) {
    if (depth != 0 || !isBlankByte(term[i]) || (i > 0 && isBlankByte(term[i - 1]))) return false;
    end = matchPattern(term, i, pattern);
    return end != kNoPos && (end == term.size() || isBlankByte(term[end]));
  });
  if (hit == kNoPos) return std::nullopt;
  return TextSpan{hit, end};
}

Result<OrderBy> parseOrderBy(std::string_view body) {
  OrderBy order_by;
  bool first = true;
  // Terms are split like the select list so that a key such as
  // "substr(name, 1, 2)" stays whole. An empty term (ORDER BY a,, b) is a
  // malformed list, as an empty ORDER BY is.
  const std::vector<std::string> terms = splitCommaTerms(body);
  size_t commas = 0;
  scanOutsideQuotes(body, 0, [&](size_t i, size_t depth) {
    if (body[i] == ',' && depth == 0) ++commas;
    return false;
  });
  if (terms.size() != commas + 1) return Error::InvalidQuery;
  for (const std::string& term : terms) {
    OrderByKey key;
    std::string_view key_text = term;
    if (const std::optional<TextSpan> desc = findDirection(term, kDescPattern)) {
      key_text = std::string_view(term).substr(0, desc->start);
      key.descending = true;
    } else if (const std::optional<TextSpan> asc = findDirection(term, kAscPattern)) {
      key_text = std::string_view(term).substr(0, asc->start);
    }
    key.column = asciiLower(trimBlanks(key_text));
    if (first) {
      order_by.column = std::move(key.column);
      order_by.descending = key.descending;
      first = false;
    } else {
      order_by.extra_keys.push_back(std::move(key));
    }
  }
  if (first) return Error::InvalidQuery;  // ORDER BY without a key
  order_by.extra_keys.shrink_to_fit();
  return order_by;
}

// The "a = b" of a JOIN ... ON.
Status splitJoinCondition(std::string_view condition, JoinClause& join) {
  if (condition.empty()) return Error::InvalidJoinSyntax;
  size_t eq = kNoPos;
  if (condition[0] == '=') {
    eq = 0;
  } else {
    for (size_t i = 1; i < condition.size(); ++i) {
      const char before = condition[i - 1];
      if (condition[i] == '=' && before != '!' && before != '<' && before != '>') {
        eq = i;
        break;
      }
    }
  }
  if (eq == kNoPos) return Error::InvalidJoinSyntax;
  join.left_column = asciiLower(trimBlanks(condition.substr(0, eq)));
  join.right_column = asciiLower(trimBlanks(condition.substr(eq + 1)));
  return okStatus();
}

// FROM item, JOIN clauses and ON conditions of a statement with JOIN. Leaves
// in `clause_text` the text after the last ON condition.
Status parseJoins(std::string_view from_body, TextSpan first_join, Query& query, std::string_view& clause_text) {
  NARWE_ASSIGN_OR_RETURN(FileAndAlias from, extractFileAndAlias(from_body.substr(0, first_join.start)));
  query.file = std::move(from.path);
  std::string left_alias = std::move(from.alias);
  ClauseFinder clauses(from_body);
  TextSpan keyword = first_join;
  for (;;) {
    size_t pos = keyword.end;
    while (pos < from_body.size() && isBlankByte(from_body[pos])) ++pos;
    const std::optional<TextSpan> next_join = detectJoinKeywordFrom(from_body, pos);
    // A quoted path that never closes hides the rest of the text from the ON
    // search; it is a malformed path, as in FROM.
    if (pos < from_body.size() && (from_body[pos] == '\'' || from_body[pos] == '"') &&
        from_body.find(from_body[pos], pos + 1) == kNoPos) {
      return Error::InvalidQuery;
    }
    const std::optional<TextSpan> on = findPatternOutsideQuotes(from_body, pos, kOnPattern, true);
    // An ON beyond the next JOIN belongs to that JOIN: this one has none.
    if (!on || (next_join && next_join->start < on->start)) return Error::InvalidJoinSyntax;
    NARWE_ASSIGN_OR_RETURN(FileAndAlias joined, extractFileAndAlias(from_body.substr(pos, on->start - pos)));

    const size_t condition_start = on->end;
    size_t condition_end = from_body.size();
    bool another_join = false;
    if (next_join) {
      condition_end = next_join->start;
      another_join = true;
    }
    const size_t clause_start = clauses.nearest(kAllClauses, condition_start);
    if (clause_start < condition_end) {
      condition_end = clause_start;
      another_join = false;
    }

    JoinClause join;
    NARWE_TRY(splitJoinCondition(trimBlanks(from_body.substr(condition_start, condition_end - condition_start)),
                                 join));
    join.file = std::move(joined.path);
    join.left_alias = std::move(left_alias);
    join.alias = std::move(joined.alias);
    left_alias = join.alias;
    query.joins.push_back(std::move(join));
    if (!another_join) {
      clause_text = from_body.substr(condition_end);
      break;
    }
    keyword = *next_join;
  }
  query.joins.shrink_to_fit();
  return okStatus();
}

// WHERE, GROUP BY, HAVING, ORDER BY, LIMIT and OFFSET of the clause text.
Status parseClauses(std::string_view text, Query& query) {
  ClauseFinder finder(text);
  std::array<std::optional<TextSpan>, kClauseCount> found;
  for (size_t c = 0; c < kClauseCount; ++c) found[c] = finder.next(static_cast<Clause>(c), 0);
  std::array<std::string_view, kClauseCount> bodies;
  for (size_t c = 0; c < kClauseCount; ++c) {
    if (!found[c]) continue;
    const size_t start = found[c]->end;
    const size_t end = finder.nearest(kClauseEnds[c], start);
    bodies[c] = trimBlanks(text.substr(start, end - start));
  }

  if (found[kWhere]) {
    NARWE_ASSIGN_OR_RETURN(Expression where, parseExpression(bodies[kWhere]));
    query.where = std::make_shared<const Expression>(std::move(where));
  }
  if (found[kGroupBy]) {
    query.group_by = splitCommaTerms(bodies[kGroupBy]);
    if (query.group_by.empty()) return Error::InvalidQuery;
  }
  if (found[kHaving]) {
    NARWE_ASSIGN_OR_RETURN(Expression having, parseExpression(bodies[kHaving]));
    query.having = std::make_shared<const Expression>(std::move(having));
  }
  if (found[kOrderBy]) {
    NARWE_ASSIGN_OR_RETURN(OrderBy order_by, parseOrderBy(bodies[kOrderBy]));
    query.order_by = std::move(order_by);
  }
  if (found[kLimit]) {
    NARWE_ASSIGN_OR_RETURN(query.limit, parseCount(bodies[kLimit], Error::NegativeLimitNotAllowed));
  }
  if (found[kOffset]) {
    NARWE_ASSIGN_OR_RETURN(query.offset, parseCount(bodies[kOffset], Error::NegativeOffsetNotAllowed));
  }
  return okStatus();
}

Result<Query> parseStatement(std::string_view statement) {
  statement = trimBlanks(statement);
  // A statement terminator is not part of the last clause.
  while (!statement.empty() && statement.back() == ';') {
    statement = trimBlanks(statement.substr(0, statement.size() - 1));
  }

  NARWE_TRY(rejectUnsupportedForms(statement));

  const size_t select = findSelectWord(statement);
  if (select == kNoPos) return Error::InvalidQuery;
  const size_t select_end = select + kSelectWord.size();
  if (select_end >= statement.size()) return Error::InvalidQuery;
  const std::optional<TextSpan> from =
      findPatternOutsideQuotes(statement, select_end, kFromPattern, true, Boundary::kBlank);
  if (!from) return Error::InvalidQuery;

  Query query;
  std::string_view select_body = trimBlanks(statement.substr(select_end, from->start - select_end));
  if (startsWithWordThenBlank(select_body, kDistinctWord)) {
    query.distinct = true;
    select_body = trimBlanks(select_body.substr(kDistinctWord.size()));
  }
  if (select_body == "*") {
    query.select_all = true;
  } else {
    query.columns = splitCommaTerms(select_body);
    if (query.columns.empty()) return Error::InvalidQuery;  // nothing selected
  }

  const std::string_view from_body = statement.substr(from->end);
  std::array<std::optional<TextSpan>, kUnsupportedJoinPatterns.size()> unsupported_joins;
  findEachPatternOutsideQuotes(from_body, 0, kUnsupportedJoinPatterns.data(), kUnsupportedJoinPatterns.size(), false,
                               Boundary::kNone, unsupported_joins.data());
  for (const std::optional<TextSpan>& hit : unsupported_joins) {
    if (hit) return Error::UnsupportedJoinType;
  }

  std::string stripped;  // the clause text with the FROM alias removed
  std::string_view clause_text;
  if (const std::optional<TextSpan> join = detectJoinKeyword(from_body)) {
    NARWE_TRY(parseJoins(from_body, *join, query, clause_text));
  } else {
    ClauseFinder finder(from_body);
    const size_t item_end = finder.nearest(kAllClauses, 0);
    NARWE_ASSIGN_OR_RETURN(FileAndAlias item, extractFileAndAlias(from_body.substr(0, item_end)));
    query.file = std::string(trimQuotes(item.path));
    clause_text = from_body;
    if (!item.alias.empty()) {
      // A qualified name reads as the bare name everywhere.
      for (std::string& column : query.columns) column = stripSingleAlias(column, item.alias);
      stripped = stripSingleAlias(from_body, item.alias);
      clause_text = stripped;
    }
  }
  NARWE_TRY(parseClauses(clause_text, query));
  // DATE_PART calls read as the STRFTIME calls they are, everywhere after.
  NARWE_TRY(rewriteDateParts(query.columns));
  NARWE_TRY(rewriteDateParts(query.group_by));
  NARWE_TRY(buildItemTrees(query));
  return query;
}

}  // namespace

Result<Query> parse(std::string_view statement) {
  try {
    return parseStatement(statement);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

std::vector<std::string> splitCommaTerms(std::string_view text) {
  std::vector<std::string> terms;
  for (const std::string_view piece : splitTopLevelCommas(text)) {
    if (!piece.empty()) terms.emplace_back(piece);
  }
  terms.shrink_to_fit();
  return terms;
}

Result<FileAndAlias> extractFileAndAlias(std::string_view text) {
  text = trimBlanks(text);
  std::string_view path;
  std::string_view rest;
  if (!text.empty() && (text[0] == '\'' || text[0] == '"')) {
    // A quoted path runs to the matching quote and may hold spaces.
    const size_t close = text.find(text[0], 1);
    if (close == kNoPos) return Error::InvalidQuery;
    path = text.substr(1, close - 1);
    rest = text.substr(close + 1);
  } else {
    size_t end = 0;
    while (end < text.size() && !isBlankByte(text[end])) ++end;
    path = text.substr(0, end);
    rest = text.substr(end);
  }
  if (path.empty()) return Error::InvalidQuery;
  rest = trimBlanks(rest);
  if (rest.size() > kAsWord.size() && equalsIgnoreCase(rest.substr(0, kAsWord.size()), kAsWord) &&
      isBlankByte(rest[kAsWord.size()])) {
    rest = trimBlanks(rest.substr(kAsWord.size()));
  }
  // The alias must be one name; anything else (a misspelt clause keyword,
  // a second table) would otherwise be dropped without a word.
  for (const char c : rest) {
    if (!isNameByte(static_cast<unsigned char>(c))) return Error::InvalidQuery;
  }
  // A lone keyword there is a clause left unfinished (FROM f ORDER, FROM f
  // JOIN), not an alias.
  if (isClauseWord(rest)) return Error::InvalidQuery;
  FileAndAlias result;
  result.path = std::string(path);
  result.alias = asciiLower(rest);
  return result;
}

std::string_view trimQuotes(std::string_view text) { return stripQuotePair(text); }

std::optional<TextSpan> detectJoinKeyword(std::string_view text) { return detectJoinKeywordFrom(text, 0); }

Result<std::string> stripQualifiers(std::string_view text, std::span<const std::string> aliases,
                                    const TextSet* ambiguous) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (isQuoteByte(c) && quotedRunEnd(text, i) != i) {
      // Literals (and quoted paths) are data, not names: copied as they stand.
      const size_t close = quotedRunEnd(text, i);
      const size_t stop = close == kNoPos ? text.size() : close + 1;
      out.append(text.substr(i, stop - i));
      i = stop;
      continue;
    }
    size_t name_start = kNoPos;
    if (i == 0 || !isNameByte(static_cast<unsigned char>(text[i - 1]))) {
      for (const std::string& alias : aliases) {
        const size_t dot = i + alias.size();
        if (!alias.empty() && dot + 1 < text.size() && text[dot] == '.' && isNameStart(text[dot + 1]) &&
            equalsIgnoreCase(text.substr(i, alias.size()), alias)) {
          name_start = dot + 1;
          break;
        }
      }
    }
    if (name_start == kNoPos) {
      out.push_back(c);
      ++i;
      continue;
    }
    if (ambiguous != nullptr) {
      size_t name_end = name_start;
      while (name_end < text.size() && isNameByte(static_cast<unsigned char>(text[name_end]))) ++name_end;
      if (ambiguous->contains(asciiLower(text.substr(name_start, name_end - name_start)))) {
        return Error::AmbiguousColumnReference;
      }
    }
    i = name_start;
  }
  return out;
}

std::string stripSingleAlias(std::string_view text, std::string_view alias) {
  const std::string aliases[] = {std::string(alias)};
  // Without an ambiguity set the copy cannot fail.
  return std::move(stripQualifiers(text, aliases, nullptr).value());
}

}  // namespace narwe
