// Header, projection and WHERE plans of a row scan.
#include "exec/scan_plan.h"

#include "common/numbers.h"
#include "common/text.h"
#include "scalar/rewrite.h"
#include "sql/predicate.h"

namespace narwe {
namespace {

Error unknownColumnError(std::string_view text) {
  return text.find_first_of("*/") != std::string_view::npos
             ? Error::ArithmeticExpressionsNotSupported
             : Error::ColumnNotFound;
}

}  // namespace

void buildScanHeader(std::span<const std::string> first_record, bool no_header_input,
                     ScanHeader& header) {
  header.names.clear();
  if (no_header_input) {
    for (size_t i = 0; i < first_record.size(); ++i) {
      header.names.push_back("c" + std::to_string(i + 1));
    }
  } else {
    header.names.assign(first_record.begin(), first_record.end());
  }
  header.lowered.clear();
  for (const std::string& name : header.names) header.lowered.push_back(lowerTrimmedName(name));
  header.lowered_views.assign(header.lowered.begin(), header.lowered.end());
  header.name_views.assign(header.names.begin(), header.names.end());
  header.index = buildNameIndex(header.name_views);
}

void Projection::project(std::span<const std::string_view> fields, Arena& scratch,
                         std::vector<std::string_view>& values) const {
  values.resize(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) {
    const OutputColSpec& column = columns[i];
    if (column.kind == OutputColSpec::Kind::column) {
      values[i] = column.column < fields.size() ? fields[column.column] : std::string_view();
    } else {
      values[i] = eval(column.scalar, fields.data(), fields.size(), scratch);
    }
  }
}

Result<Projection> buildProjection(const Query& query, const ScanHeader& header) {
  Projection projection;
  if (query.select_all) {
    for (size_t i = 0; i < header.names.size(); ++i) {
      projection.columns.push_back(OutputColSpec::ofColumn(i));
      projection.names.emplace_back(trimHeaderName(header.names[i]));
      projection.plain_sources.emplace_back(i);
    }
    return projection;
  }
  for (const std::string& item : query.columns) {
    AliasSplit split = splitAlias(item);
    NARWE_ASSIGN_OR_RETURN(std::optional<ScalarSpec> scalar,
                           tryParseScalar(split.expression, header.index));
    if (scalar) {
      projection.columns.push_back(OutputColSpec::ofScalar(std::move(*scalar)));
      projection.names.emplace_back(split.alias ? *split.alias : split.expression);
      projection.plain_sources.emplace_back(std::nullopt);
      continue;
    }
    const size_t* position = findColumn(header.index, asciiLower(split.expression));
    if (position == nullptr) return unknownColumnError(split.expression);
    projection.columns.push_back(OutputColSpec::ofColumn(*position));
    projection.names.emplace_back(split.alias ? *split.alias
                                              : trimHeaderName(header.names[*position]));
    projection.plain_sources.emplace_back(*position);
  }
  return projection;
}

Result<RowFilter> RowFilter::build(const Query& query, const ScanHeader& header, bool strict) {
  RowFilter filter;
  filter.strict_ = strict;
  filter.headers_ = header.lowered_views;
  if (!query.where) return filter;
  filter.expr_ = query.where.get();
  NARWE_TRY(validateWhereExprColumns(*filter.expr_, header.lowered_views));
  if (const auto* comparison = std::get_if<Comparison>(&filter.expr_->node)) {
    long position = findHeader(header.lowered_views, comparison->column);
    if (position < 0) return unknownColumnError(comparison->column);
    filter.single_ = comparison;
    filter.single_index_ = static_cast<size_t>(position);
    // The comparisons that read the field as a number (and so can meet a
    // field that is not one): a numeric literal with an ordering or equality
    // operator or BETWEEN, outside IN lists and modulo forms.
    Operator op = comparison->op;
    bool ordering = op == Operator::eq || op == Operator::ne || op == Operator::gt ||
                    op == Operator::ge || op == Operator::lt || op == Operator::le ||
                    op == Operator::between;
    filter.single_numeric_ = comparison->number.has_value() && ordering &&
                             !comparison->in_values && !comparison->in_set &&
                             !comparison->modulus;
  }
  return filter;
}

bool RowFilter::keep(std::span<const std::string_view> fields, Error& error) const {
  if (expr_ == nullptr) return true;
  if (single_ != nullptr) {
    if (single_index_ >= fields.size()) return false;
    std::string_view field = fields[single_index_];
    if (strict_ && single_numeric_ && !readNumber(field)) {
      error = Error::StrictModeNonNumericValue;
      return false;
    }
    // The fast path only skips the column lookup: the answer is always the
    // one compareValues gives for the field.
    return compareValues(*single_, field);
  }
  return evaluateDirect(*expr_, fields, headers_);
}

}  // namespace narwe
