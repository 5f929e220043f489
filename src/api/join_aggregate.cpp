// Join first, aggregate the materialized join second.
#include "api/join_aggregate.h"

#include <utility>

#include "api/memfile.h"
#include "common/name_index.h"
#include "common/unique_fd.h"
#include "exec/executors.h"
#include "io/csv.h"
#include "io/file_source.h"
#include "scalar/rewrite.h"

namespace narwe {
namespace {

// Lower-cased header names of one input file.
Result<TextSet> headerNames(const std::string& path, const RunOptions& options) {
  NARWE_ASSIGN_OR_RETURN(UniqueFd file, openReadOnly(path));
  NARWE_ASSIGN_OR_RETURN(uint64_t size, sizeAtOpen(file.get()));
  NARWE_ASSIGN_OR_RETURN(FileHeader header, readFileHeader(file.get(), size, options));
  TextSet names;
  for (const auto& name : header.names) names.insert(lowerTrimmedName(name));
  return names;
}

// Names that occur in more than one of the statement's tables.
Result<TextSet> namesInSeveralTables(const Query& query, const RunOptions& options) {
  std::vector<const std::string*> files{&query.file};
  for (const auto& join : query.joins) files.push_back(&join.file);
  TextSet seen;
  TextSet ambiguous;
  for (const std::string* file : files) {
    NARWE_ASSIGN_OR_RETURN(TextSet names, headerNames(*file, options));
    for (const auto& name : names) {
      if (!seen.insert(name).second) ambiguous.insert(name);
    }
  }
  return ambiguous;
}

// The table aliases in statement order; unnamed tables have none to strip.
std::vector<std::string> tableAliases(const Query& query) {
  std::vector<std::string> aliases;
  if (!query.joins.front().left_alias.empty()) aliases.push_back(query.joins.front().left_alias);
  for (const auto& join : query.joins) {
    if (!join.alias.empty()) aliases.push_back(join.alias);
  }
  return aliases;
}

Status dealiasList(std::vector<std::string>& texts, const std::vector<std::string>& aliases,
                   const TextSet& ambiguous) {
  for (auto& text : texts) {
    NARWE_ASSIGN_OR_RETURN(text, dealiasText(text, aliases, ambiguous));
  }
  return okStatus();
}

Result<std::unique_ptr<Expression>> dealiasNode(const Expression& expr,
                                                const std::vector<std::string>& aliases,
                                                const TextSet& ambiguous) {
  if (const auto* cmp = std::get_if<Comparison>(&expr.node)) {
    Comparison copy = *cmp;
    NARWE_ASSIGN_OR_RETURN(copy.column, dealiasText(cmp->column, aliases, ambiguous));
    return std::make_unique<Expression>(std::move(copy));
  }
  if (const auto* fn = std::get_if<FunctionComparison>(&expr.node)) {
    FunctionComparison copy = *fn;
    NARWE_ASSIGN_OR_RETURN(copy.column, dealiasText(fn->column, aliases, ambiguous));
    if (fn->column2) {
      NARWE_ASSIGN_OR_RETURN(copy.column2, dealiasText(*fn->column2, aliases, ambiguous));
    }
    return std::make_unique<Expression>(std::move(copy));
  }
  if (const auto* logical = std::get_if<Logical>(&expr.node)) {
    Logical copy;
    copy.is_or = logical->is_or;
    NARWE_ASSIGN_OR_RETURN(copy.left, dealiasNode(*logical->left, aliases, ambiguous));
    NARWE_ASSIGN_OR_RETURN(copy.right, dealiasNode(*logical->right, aliases, ambiguous));
    return std::make_unique<Expression>(std::move(copy));
  }
  const auto& negation = std::get<Not>(expr.node);
  Not copy;
  NARWE_ASSIGN_OR_RETURN(copy.child, dealiasNode(*negation.child, aliases, ambiguous));
  return std::make_unique<Expression>(std::move(copy));
}

}  // namespace

Result<std::shared_ptr<const Expression>> dealiasExpression(
    const Expression& expr, const std::vector<std::string>& aliases, const TextSet& ambiguous) {
  NARWE_ASSIGN_OR_RETURN(std::unique_ptr<Expression> copy, dealiasNode(expr, aliases, ambiguous));
  return std::shared_ptr<const Expression>(std::move(copy));
}

Query joinOnlyQuery(const Query& query) {
  Query join;
  join.file = query.file;
  join.joins = query.joins;
  join.where = query.where;
  join.select_all = true;
  join.limit = -1;
  join.offset = 0;
  join.distinct = false;
  return join;
}

Status runJoinAggregate(const Query& query, OutputSink& out, const RunOptions& options) {
  if (query.joins.empty()) return Error::InvalidInput;

  // Dealias before anything is written, so an ambiguous reference costs no
  // join.
  NARWE_ASSIGN_OR_RETURN(TextSet ambiguous, namesInSeveralTables(query, options));
  const std::vector<std::string> aliases = tableAliases(query);
  Query aggregate = query;
  NARWE_TRY(dealiasList(aggregate.columns, aliases, ambiguous));
  NARWE_TRY(dealiasList(aggregate.group_by, aliases, ambiguous));
  if (query.having) {
    NARWE_ASSIGN_OR_RETURN(aggregate.having, dealiasExpression(*query.having, aliases, ambiguous));
  }
  // ORDER BY keys name the same columns as the select list, so they lose
  // their qualifiers too (otherwise "ORDER BY t.name" could never match).
  if (aggregate.order_by) {
    NARWE_ASSIGN_OR_RETURN(aggregate.order_by->column,
                           dealiasText(aggregate.order_by->column, aliases, ambiguous));
    for (auto& key : aggregate.order_by->extra_keys) {
      NARWE_ASSIGN_OR_RETURN(key.column, dealiasText(key.column, aliases, ambiguous));
    }
  }

  NARWE_ASSIGN_OR_RETURN(FileWithPath created, createTemporaryFileWithPath(kJoinAggregateName));
  TemporaryFile joined(std::move(created));

  RunOptions join_options = options;
  join_options.omit_header = false;
  join_options.format = OutputFormat::Csv;
  FdSink joined_sink(joined.fd());
  NARWE_TRY(executeJoin(joinOnlyQuery(query), joined_sink, join_options));

  aggregate.file = joined.path();
  aggregate.joins.clear();
  aggregate.where.reset();  // the join applied it
  if (aggregate.group_by.empty()) {
    return executeScalarAgg(aggregate, PreopenedInput{}, out, options);
  }
  return executeGroupBy(aggregate, PreopenedInput{}, out, options);
}

}  // namespace narwe
