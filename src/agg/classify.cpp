// Select-term classification and the per-row update of every aggregate.
#include "agg/classify.h"

#include <new>
#include <utility>
#include <variant>

#include "common/numbers.h"
#include "common/text.h"

namespace narwe {
namespace {

// The column the scalar form of CASE WHEN aggregate ... reads: the
// aggregate's final text.
constexpr std::string_view kAggregateValueName = "__agg0__";

std::optional<size_t> lookUp(const NameIndex& header, std::string_view name) {
  const std::string lowered = lowerTrimmedName(name);
  if (const size_t* column = findColumn(header, lowered)) return *column;
  return std::nullopt;
}

// A THEN/ELSE value of a CASE inside an aggregate: a number, else a column.
Result<CaseWhenValue> caseWhenValue(std::string_view text, const NameIndex& header) {
  CaseWhenValue value;
  const std::string_view trimmed = trimBlanks(text);
  if (std::optional<double> number = parseFloat(trimmed)) {
    value.number = *number;
    return value;
  }
  const std::optional<size_t> column = lookUp(header, trimmed);
  if (!column) return Error::ColumnNotFound;
  value.column = *column;
  value.is_column = true;
  return value;
}

// The CASE of sum(CASE WHEN ...): nullopt when the condition is not a single
// comparison (the term is then read as a plain call, whose argument names no
// column).
Result<std::optional<CaseAggPlan>> caseAggPlan(const SelectItem& item, const CaseArgument& arg,
                                               const NameIndex& header) {
  if (!arg.parsed_condition) return arg.condition_error;
  const auto* comparison = std::get_if<Comparison>(&arg.parsed_condition->node);
  if (comparison == nullptr) return std::optional<CaseAggPlan>();
  CaseAggPlan plan;
  NARWE_ASSIGN_OR_RETURN(plan.then_value, caseWhenValue(item.view(arg.then_value), header));
  NARWE_ASSIGN_OR_RETURN(plan.else_value, caseWhenValue(item.view(arg.else_value), header));
  NARWE_ASSIGN_OR_RETURN(BoundPredicate bound,
                         BoundPredicate::bind(*arg.parsed_condition, header, false));
  plan.condition = std::make_shared<const BoundPredicate>(std::move(bound));
  return std::optional<CaseAggPlan>(std::move(plan));
}

// The AggSpec of one aggregate call node.
Result<AggSpec> specOfCall(const SelectItem& item, const AggregateCall& call,
                           const NameIndex& header, std::optional<uint8_t> digits) {
  AggSpec spec;
  spec.accum.kind = call.kind;
  spec.accum.separator = call.separator.empty() && !call.has_separator ? "," : call.separator;
  spec.accum.round_digits = digits;
  if (call.case_argument) {
    NARWE_ASSIGN_OR_RETURN(std::optional<CaseAggPlan> plan,
                           caseAggPlan(item, *call.case_argument, header));
    if (plan) {
      spec.case_agg = std::move(plan);
      spec.accum.counts_rows = call.kind == AggKind::count;
      return spec;
    }
  }
  if (call.star) {
    spec.accum.counts_rows = call.kind == AggKind::count;
    return spec;
  }
  const std::string_view argument = item.view(call.argument);
  spec.column = lookUp(header, argument);
  if (!spec.column) return unknownNameError(argument);
  return spec;
}

}  // namespace

Error unknownNameError(std::string_view name) {
  return name.find_first_of("*/") != std::string_view::npos
             ? Error::ArithmeticExpressionsNotSupported
             : Error::ColumnNotFound;
}

std::string termName(const SelectItem& item) {
  if (item.alias) return std::string(item.view(*item.alias));
  return std::string(item.view(item.expression));
}

Result<std::optional<ColKind>> classifyAggregateTerm(const SelectItem& item,
                                                     const NameIndex& header,
                                                     std::vector<AggSpec>& specs) {
  // One round wrapper is taken as the aggregate's digit count.
  if (item.round_digits.size() > 1) return std::optional<ColKind>();
  const std::optional<uint8_t> digits =
      item.round_digits.empty() ? std::nullopt : std::optional<uint8_t>(item.round_digits[0]);
  const ExprNode& root = item.root;
  try {
    if (root.kind == NodeKind::aggregate) {
      NARWE_ASSIGN_OR_RETURN(AggSpec spec, specOfCall(item, root.aggregate, header, digits));
      ColKind kind;
      kind.tag = ColKindTag::agg;
      kind.index = specs.size();
      specs.push_back(std::move(spec));
      return std::optional<ColKind>(std::move(kind));
    }
    if (root.kind == NodeKind::case_when && root.condition_aggregate &&
        root.condition_aggregate->kind == NodeKind::aggregate && root.branches.size() == 1) {
      // CASE WHEN aggregate op value THEN a ELSE b END: the CASE runs on the
      // aggregate's final text, read through the one column "__agg0__".
      auto text = std::make_shared<std::string>();
      *text += "CASE WHEN ";
      *text += kAggregateValueName;
      *text += " " + root.condition_operator + " ";
      *text += item.view(root.condition_value);
      *text += " THEN ";
      *text += item.view(root.branches[0].value);
      *text += " ELSE ";
      *text += item.view(root.else_value);
      *text += " END";
      NameIndex value_index;
      value_index.emplace(std::string(kAggregateValueName), 0);
      NARWE_ASSIGN_OR_RETURN(std::optional<ScalarSpec> scalar, tryParseScalar(*text, value_index));
      if (!scalar) return std::optional<ColKind>();
      NARWE_ASSIGN_OR_RETURN(
          AggSpec spec, specOfCall(item, root.condition_aggregate->aggregate, header, std::nullopt));
      ColKind kind;
      kind.tag = ColKindTag::case_agg_condition;
      kind.index = specs.size();
      kind.scalar = std::make_shared<const ScalarSpec>(std::move(*scalar));
      kind.scalar_text = std::move(text);
      specs.push_back(std::move(spec));
      return std::optional<ColKind>(std::move(kind));
    }
    return std::optional<ColKind>();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Result<AccumLayout> layoutFor(std::span<const AggSpec> specs) {
  try {
    std::vector<AccumSpec> accum;
    accum.reserve(specs.size());
    for (const AggSpec& spec : specs) accum.push_back(spec.accum);
    return AccumLayout::forSpecs(accum);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status applyRow(std::span<const AggSpec> specs, const AccumLayout& layout, GroupAccum& accum,
                std::span<const std::string_view> fields, uint64_t chunk) {
  accum.addRow();
  for (size_t i = 0; i < specs.size(); ++i) {
    const AggSpec& spec = specs[i];
    if (spec.case_agg) {
      const CaseAggPlan& plan = *spec.case_agg;
      Error ignored = Error::None;
      const bool holds = plan.condition->matches(fields, ignored);
      const CaseWhenValue& value = holds ? plan.then_value : plan.else_value;
      NARWE_TRY(accum.addNumber(layout, i, value.resolve(fields.data(), fields.size())));
      continue;
    }
    if (!spec.column) continue;
    // A field missing from a short record is the empty text.
    const std::string_view text =
        *spec.column < fields.size() ? fields[*spec.column] : std::string_view("");
    NARWE_TRY(accum.addText(layout, i, text, chunk));
  }
  return okStatus();
}

}  // namespace narwe
