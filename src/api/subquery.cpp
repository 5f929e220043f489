// Running IN (SELECT ...) sub-queries and binding their results.
#include "api/subquery.h"

#include <memory>
#include <utility>
#include <vector>

#include "api/memfile.h"
#include "api/runner.h"
#include "common/unique_fd.h"
#include "io/bulk_csv.h"
#include "sql/parser.h"

namespace narwe {
namespace {

bool holdsSubquery(const Expression& expr) {
  std::vector<const Expression*> pending{&expr};
  while (!pending.empty()) {
    const Expression* e = pending.back();
    pending.pop_back();
    if (const auto* comparison = std::get_if<Comparison>(&e->node)) {
      if (comparison->subquery) return true;
    } else if (const auto* logical = std::get_if<Logical>(&e->node)) {
      pending.push_back(logical->left.get());
      pending.push_back(logical->right.get());
    } else if (const auto* negation = std::get_if<Not>(&e->node)) {
      pending.push_back(negation->child.get());
    }
  }
  return false;
}

// The values of the one output column of `text` run as a statement.
Result<std::shared_ptr<const TextSet>> runSubquery(const std::string& text, int depth) {
  if (depth > kMaxSubqueryNesting) return Error::SubqueriesNotSupported;
  NARWE_ASSIGN_OR_RETURN(Query parsed, parse(text));
  // Standard input is the outer statement's to read, and can be read once.
  if (isStdinPath(parsed.file)) return Error::InvalidQuery;
  for (const JoinClause& join : parsed.joins) {
    if (isStdinPath(join.file)) return Error::InvalidQuery;
  }
  NARWE_ASSIGN_OR_RETURN(Query inner, resolveSubqueries(parsed, depth));

  NARWE_ASSIGN_OR_RETURN(int result_fd, createMemoryBackedFile(kSubqueryResultName));
  UniqueFd result(result_fd);
  NARWE_TRY(executeQuery(inner, result.get(), runOptionsFor(OutputFormat::Csv), -1));

  // The writer quotes every value that needs it, so reading its output back
  // record by record gives each value's bytes exactly.
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(result.get()));
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> header, reader.readRecord());
  if (!header || header->size() != 1) return Error::InvalidExpression;
  auto values = std::make_shared<TextSet>();
  for (;;) {
    NARWE_ASSIGN_OR_RETURN(std::optional<Record> record, reader.readRecord());
    if (!record) break;
    values->insert(record->empty() ? std::string() : std::move(record->front()));
  }
  return std::shared_ptr<const TextSet>(std::move(values));
}

// A copy of `expr` whose sub-query comparisons carry their results.
Result<std::unique_ptr<Expression>> bindNode(const Expression& expr, int depth) {
  if (const auto* comparison = std::get_if<Comparison>(&expr.node)) {
    Comparison copy = *comparison;
    if (copy.subquery) {
      NARWE_ASSIGN_OR_RETURN(copy.in_set, runSubquery(*copy.subquery, depth + 1));
      copy.subquery.reset();
    }
    return std::make_unique<Expression>(std::move(copy));
  }
  if (const auto* function = std::get_if<FunctionComparison>(&expr.node)) {
    return std::make_unique<Expression>(FunctionComparison(*function));
  }
  if (const auto* logical = std::get_if<Logical>(&expr.node)) {
    Logical copy;
    copy.is_or = logical->is_or;
    NARWE_ASSIGN_OR_RETURN(copy.left, bindNode(*logical->left, depth));
    NARWE_ASSIGN_OR_RETURN(copy.right, bindNode(*logical->right, depth));
    return std::make_unique<Expression>(std::move(copy));
  }
  Not copy;
  NARWE_ASSIGN_OR_RETURN(copy.child, bindNode(*std::get<Not>(expr.node).child, depth));
  return std::make_unique<Expression>(std::move(copy));
}

Status bindCondition(std::shared_ptr<const Expression>& condition, int depth) {
  if (!condition || !holdsSubquery(*condition)) return okStatus();
  NARWE_ASSIGN_OR_RETURN(std::unique_ptr<Expression> bound, bindNode(*condition, depth));
  condition = std::move(bound);
  return okStatus();
}

}  // namespace

bool hasSubqueries(const Query& query) {
  return (query.where && holdsSubquery(*query.where)) ||
         (query.having && holdsSubquery(*query.having));
}

Result<Query> resolveSubqueries(const Query& query, int depth) {
  Query resolved = query;
  NARWE_TRY(bindCondition(resolved.where, depth));
  NARWE_TRY(bindCondition(resolved.having, depth));
  return resolved;
}

}  // namespace narwe
