// Classification of select terms for the aggregating executors.
//
// Reads the parsed tree of each select item (sql/select_item.h) once, before
// any row, and turns it into what the executors compute per row and print
// per group:
//   - AggSpec: one aggregate to compute (its accumulator settings, the input
//     column of its argument, the CASE it evaluates per row);
//   - ColKind: what fills one output column (a copied column, a group-key
//     part, an aggregate's final text, a scalar over a key part, or a CASE
//     over an aggregate's final text).
// Names are looked up once in the header's name index; errors are named:
// ColumnNotFound, ArithmeticExpressionsNotSupported (an unknown name holding
// "*" or "/"), the CASE condition's parse error, the scalar parser's errors.
//
// Everything built here is read-only afterwards and may be shared by worker
// threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agg/accumulators.h"
#include "common/error.h"
#include "common/name_index.h"
#include "scalar/bound_predicate.h"
#include "scalar/scalar.h"
#include "sql/select_item.h"

namespace narwe {

// sum(CASE WHEN condition THEN a ELSE b END): the condition bound to the
// header, and the two values.
struct CaseAggPlan {
  std::shared_ptr<const BoundPredicate> condition;
  CaseWhenValue then_value;
  CaseWhenValue else_value;
};

struct AggSpec {
  AccumSpec accum;
  std::optional<size_t> column;          // argument column; absent for "*"
  std::optional<CaseAggPlan> case_agg;  // the argument is a CASE
};

enum class ColKindTag : uint8_t { column, group_key, agg, scalar, case_agg_condition };

struct ColKind {
  ColKindTag tag = ColKindTag::column;
  size_t index = 0;  // input column, key part or AggSpec, by tag
  // scalar and case_agg_condition: the expression, and the text it views.
  std::shared_ptr<const ScalarSpec> scalar;
  std::shared_ptr<const std::string> scalar_text;
};

// An aggregate term's ColKind, its AggSpec appended to `specs`. nullopt when
// the item is not an aggregate form (a plain column, a scalar, or text such
// as "sum(a) + 1" that only looks like one; the caller then treats it as a
// name). `header` holds the lowered header names.
Result<std::optional<ColKind>> classifyAggregateTerm(const SelectItem& item,
                                                     const NameIndex& header,
                                                     std::vector<AggSpec>& specs);

// The error for a name that matched nothing: ArithmeticExpressionsNotSupported
// when it holds "*" or "/", else ColumnNotFound.
Error unknownNameError(std::string_view name);

// The output name of an item: its alias; else its expression as written
// (round wrapper included) for aggregates and CASE forms.
std::string termName(const SelectItem& item);

// The accumulator layout of the AggSpecs, in order.
Result<AccumLayout> layoutFor(std::span<const AggSpec> specs);

// Applies one row that reached `accum` to every AggSpec: the row count,
// then each one's rule (CASE values resolved per row; a field missing from a
// short record is the empty text). `chunk` orders group_concat texts.
Status applyRow(std::span<const AggSpec> specs, const AccumLayout& layout, GroupAccum& accum,
                std::span<const std::string_view> fields, uint64_t chunk);

}  // namespace narwe
