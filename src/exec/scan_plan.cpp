// Header, projection and WHERE plans of a row scan.
#include "exec/scan_plan.h"

#include "common/numbers.h"
#include "common/text.h"
#include "sql/select_item.h"

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
  projection.items = selectItemsOf(query);
  if (!projection.items) return Error::OutOfMemory;
  for (const SelectItem& item : *projection.items) {
    const std::string_view expression = item.view(item.expression);
    const std::optional<std::string_view> alias =
        item.alias ? std::optional(item.view(*item.alias)) : std::nullopt;
    // A plain name is a column; everything else may be a scalar expression.
    std::optional<ScalarSpec> scalar;
    if (item.root.kind != NodeKind::column || !item.round_digits.empty()) {
      NARWE_ASSIGN_OR_RETURN(scalar, buildScalar(item, header.index));
    }
    if (scalar) {
      projection.columns.push_back(OutputColSpec::ofScalar(std::move(*scalar)));
      projection.names.emplace_back(alias ? *alias : expression);
      projection.plain_sources.emplace_back(std::nullopt);
      continue;
    }
    const size_t* position = findColumn(header.index, asciiLower(expression));
    if (position == nullptr) return unknownColumnError(expression);
    projection.columns.push_back(OutputColSpec::ofColumn(*position));
    projection.names.emplace_back(alias ? *alias : trimHeaderName(header.names[*position]));
    projection.plain_sources.emplace_back(*position);
  }
  return projection;
}

Result<RowFilter> RowFilter::build(const Query& query, const ScanHeader& header, bool strict) {
  RowFilter filter;
  if (!query.where) return filter;
  NARWE_ASSIGN_OR_RETURN(BoundPredicate predicate,
                         BoundPredicate::bind(*query.where, header.index, strict));
  filter.predicate_.emplace(std::move(predicate));
  return filter;
}

}  // namespace narwe
