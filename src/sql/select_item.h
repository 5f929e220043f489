// Select items, GROUP BY items and ORDER BY keys parsed once into small
// typed trees.
//
// Each item is read once, when the statement is parsed: its alias is
// split off, ROUND(..., n) wrappers are peeled, and the expression becomes
// an ExprNode tree (column, literal, star, scalar call with its FunctionId,
// aggregate call, CASE, null test). Routing and the aggregate classification
// read the tree and the flags computed with it instead of scanning the text
// again; later stages never need a second splitter.
//
// The tree follows the dialect as it stands: an aggregate call is read as
// the aggregate recogniser always read it (the name before the first "(",
// the argument up to the last ")", COUNT(DISTINCT x), a group_concat
// separator after the first comma), and the two CASE forms that combine an
// aggregate with a condition are kept whole (the condition of
// sum(CASE WHEN ... END) is parsed by the WHERE parser, once, here).
// The node kind `arithmetic` and the `branches` list of case_when leave room
// for arithmetic and multi-branch CASE, which the parser does not build yet.
//
// Every node holds spans into the item's own text, so a SelectItem (and a
// Query holding it) can be copied freely. Thread-safe once built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "sql/names.h"
#include "sql/parser_text.h"
#include "sql/query.h"

namespace narwe {

// ---- text-level helpers the tree is built with ----------------------------

// An item split into its expression and optional alias; both view `item`.
struct AliasSplit {
  std::string_view expression;
  std::optional<std::string_view> alias;
};

// Splits off an alias written as "expr AS alias" or "expr alias" (depth 0,
// outside quoted runs). A trailing reserved word ("desc", "end", ...) is not
// an alias. Without an alias the expression is the whole item.
AliasSplit splitAlias(std::string_view item);

// round(inner, digits): `inner` views the argument text.
struct RoundWrapper {
  std::string_view inner;
  uint8_t digits = 0;
};

// Recognises round(expr, n) with n a u8; round(x) without digits and any
// other text give nullopt.
std::optional<RoundWrapper> parseRoundWrapper(std::string_view text);

// Rewrites the first DATE_PART('unit', expr) call of each text into
// STRFTIME('%fmt', expr) for the units year, month, day, hour, minute and
// second (any case). Texts without a recognisable call are left unchanged.
// On failure elements already rewritten stay rewritten.
Status rewriteDateParts(std::vector<std::string>& items);

// The parts of "CASE WHEN c THEN a ELSE b END", spans relative to the text:
// the keywords stand between blank runs and outside quoted runs (a CASE may
// span lines; a literal holding " ELSE " is data); END is a word of its own.
// ELSE is searched after the word THEN, so "THEN ELSE" leaves an empty THEN
// value. The text must start with "case"; nullopt for any other shape.
struct CaseParts {
  TextSpan condition;
  TextSpan then_value;
  TextSpan else_value;
};
std::optional<CaseParts> splitCase(std::string_view text);

// ---- the tree ---------------------------------------------------------------

enum class NodeKind : uint8_t {
  column,      // a name
  literal,     // a quoted text or a number
  star,        // "*"
  call,        // a scalar function call: `function`, `arguments`
  aggregate,   // an aggregate call: `aggregate`
  case_when,   // CASE WHEN condition THEN value ELSE value END: `branches`,
               // children = the branch values then the ELSE value
  null_test,   // operand IS [NOT] NULL: the operand is children[0]
  arithmetic,  // reserved: an arithmetic expression (not built yet)
  unparsed,    // a text of no recognised shape, left to its consumer
};

// The CASE of sum(CASE WHEN condition THEN a ELSE b END).
struct CaseArgument {
  TextSpan condition;
  TextSpan then_value;
  TextSpan else_value;
  // The condition parsed by the WHERE parser; absent when it failed to
  // parse, in which case `condition_error` names the failure.
  std::shared_ptr<const Expression> parsed_condition;
  Error condition_error = Error::None;
};

struct AggregateCall {
  AggKind kind = AggKind::count;
  bool star = false;      // the argument is exactly "*"
  bool distinct = false;  // COUNT(DISTINCT x)
  TextSpan argument;      // trimmed; after DISTINCT, before a separator
  std::string separator;  // group_concat: "," unless given (quotes removed)
  bool has_separator = false;
  std::optional<CaseArgument> case_argument;  // sum/avg/min/max/count of a CASE
};

// One WHEN condition THEN value branch of a CASE. A condition of the form
// `left operator right` is split at its first comparison operator outside
// parentheses (two-byte operators preferred at equal positions); without
// one, `comparison` is empty and `left` / `right` are unset.
struct CaseBranch {
  TextSpan condition;
  TextSpan value;
  std::optional<Operator> comparison;
  TextSpan left;   // trimmed
  TextSpan right;  // trimmed
};

struct ExprNode {
  NodeKind kind = NodeKind::unparsed;
  TextSpan span;  // the node's text, trimmed

  // call: the function and the trimmed text between the parentheses, plus
  // one child per top-level argument (split by the shared comma rule). CAST
  // and EXTRACT separate their two arguments by a keyword instead: when the
  // first " AS " (cast) or " FROM " (extract) outside quotes is found, the
  // children are the texts before and after it and `keyword_arguments` is
  // set. A call node is built only when the ")" closing the first "(" ends
  // the text ("f(a) * g(b)" is more than a call and stays unparsed).
  std::optional<FunctionId> function;
  TextSpan arguments;
  std::vector<ExprNode> children;  // call arguments; null_test: the operand
  bool keyword_arguments = false;
  // The text holds a comma outside quoted runs and parentheses (a list, not
  // one expression).
  bool has_top_level_comma = false;

  AggregateCall aggregate;  // kind aggregate
  bool is_not = false;      // null_test: IS NOT NULL

  // case_when: the WHEN branches (the parser builds exactly one today) and
  // the ELSE value. A first condition of the form aggregate-call operator
  // value keeps that call in `condition_aggregate`.
  std::vector<CaseBranch> branches;
  TextSpan else_value;
  std::unique_ptr<ExprNode> condition_aggregate;
  std::string condition_operator;  // "!=", "<>", ">=", "<=", "=", ">", "<"
  TextSpan condition_value;

  // The call that opens the text: what the name before the first "(" (if
  // any) selects, whether or not the rest is a well-formed call, as in
  // "sum(a) + 1".
  std::optional<AggKind> head_aggregate;
  std::optional<FunctionId> head_function;
  TextSpan head_name;
  bool has_parenthesis = false;

  ExprNode() = default;
  ExprNode(const ExprNode& other);
  ExprNode& operator=(const ExprNode& other);
  ExprNode(ExprNode&&) noexcept = default;
  ExprNode& operator=(ExprNode&&) noexcept = default;
};

struct SelectItem {
  std::string text;  // the item as written
  TextSpan expression;  // the item without its alias, trimmed
  std::optional<TextSpan> alias;
  // ROUND(..., n) wrappers around the expression, outermost first; `root`
  // is the expression inside them.
  std::vector<uint8_t> round_digits;
  // With wrappers: whether the ")" closing the outermost wrapper's "(" ends
  // the expression (not so in unbalanced text such as "round(a)), 2)").
  bool round_wrapper_whole = false;
  ExprNode root;

  // The statement shape the router reads: an aggregate call (possibly inside
  // round wrappers, or "sum(a) + 1"), or a CASE whose condition calls one;
  // and whether the item needs scalar evaluation (a CASE, a null test, or a
  // call that is neither an aggregate nor round).
  bool is_aggregate = false;
  bool needs_scalar = false;

  std::string_view view(TextSpan span) const {
    return std::string_view(text).substr(span.start, span.end - span.start);
  }
};

// Builds the tree of one item. Fails only with OutOfMemory.
Result<SelectItem> parseSelectItem(std::string_view text);

// The items of a list, in order.
Result<std::vector<SelectItem>> parseSelectItems(const std::vector<std::string>& texts);

// query.select_items, or, for a query assembled without the parser, trees
// built from its columns now (null when out of memory).
std::shared_ptr<const std::vector<SelectItem>> selectItemsOf(const Query& query);

// (Re)builds query.select_items, group_items and order_items from the texts
// of columns, group_by and order_by. Fails only with OutOfMemory.
Status buildItemTrees(Query& query);

}  // namespace narwe
