// Key, output and HAVING plans of the aggregating executors.
#include "exec/aggregate_plan.h"

#include <new>
#include <utility>
#include <variant>

#include "common/numbers.h"
#include "common/text.h"
#include "scalar/datetime.h"
#include "scalar/rewrite.h"

namespace narwe {
namespace {

bool isDecimal(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// strftime, substr and round keys; nullopt for any other shape.
Result<std::optional<KeyPart>> shapedKey(std::string_view text, const NameIndex& index) {
  KeyPart part;
  NARWE_ASSIGN_OR_RETURN(std::optional<StrftimeGroupKey> date, parseStrftimeRaw(text, index));
  if (date) {
    part.kind = KeyPart::Kind::strftime;
    part.column = date->column;
    part.format = std::move(date->format);
    return std::optional<KeyPart>(std::move(part));
  }
  NARWE_ASSIGN_OR_RETURN(std::optional<SubstrGroupKey> sub, parseSubstrRaw(text, index));
  if (sub) {
    part.kind = KeyPart::Kind::substr;
    part.column = sub->column;
    part.start0 = sub->start0;
    part.length = sub->count;
    return std::optional<KeyPart>(std::move(part));
  }
  NARWE_ASSIGN_OR_RETURN(std::optional<RoundGroupKey> round, parseRoundGroupRaw(text, index));
  if (round) {
    part.kind = KeyPart::Kind::round;
    part.column = round->column;
    part.digits = round->digits;
    part.has_digits = round->has_digits;
    return std::optional<KeyPart>(std::move(part));
  }
  return std::optional<KeyPart>();
}

Result<std::optional<KeyPart>> keyOfExpression(std::string_view text, const NameIndex& index) {
  NARWE_ASSIGN_OR_RETURN(std::optional<KeyPart> shaped, shapedKey(text, index));
  if (shaped) return shaped;
  if (const size_t* column = findColumn(index, lowerTrimmedName(text))) {
    KeyPart part;
    part.column = *column;
    return std::optional<KeyPart>(std::move(part));
  }
  return std::optional<KeyPart>();
}

// One GROUP BY item: GROUP BY n names select item n; a shaped key; a header
// name; the alias of a select item (then that item's expression).
Result<KeyPart> keyPartOf(std::string_view written, const std::vector<SelectItem>& items,
                          const NameIndex& index) {
  std::string_view text = trimBlanks(written);
  if (isDecimal(text)) {
    Result<uint64_t> n = parseUint64(text);
    if (n.ok() && *n >= 1 && *n <= items.size()) {
      const SelectItem& item = items[*n - 1];
      text = item.view(item.expression);
    }
  }
  NARWE_ASSIGN_OR_RETURN(std::optional<KeyPart> part, keyOfExpression(text, index));
  if (!part) {
    for (const SelectItem& item : items) {
      if (!item.alias || !equalsIgnoreCase(item.view(*item.alias), text)) continue;
      text = item.view(item.expression);
      NARWE_ASSIGN_OR_RETURN(part, keyOfExpression(text, index));
      break;
    }
  }
  if (!part) return unknownNameError(text);
  part->text = asciiLower(trimBlanks(text));
  part->written = std::string(trimBlanks(written));
  return std::move(*part);
}

std::string headerName(const ScanHeader& header, size_t column) {
  return std::string(trimBlanks(header.names[column]));
}

// The comparisons of a HAVING tree, depth first, left before right.
void collectComparisons(const Expression& expr, std::vector<const Comparison*>& out) {
  if (const auto* c = std::get_if<Comparison>(&expr.node)) {
    out.push_back(c);
  } else if (const auto* logical = std::get_if<Logical>(&expr.node)) {
    collectComparisons(*logical->left, out);
    collectComparisons(*logical->right, out);
  } else if (const auto* negation = std::get_if<Not>(&expr.node)) {
    collectComparisons(*negation->child, out);
  }
}

bool comparesTwoAggregates(const Comparison& c) {
  if (c.number || c.value.empty()) return false;
  const char first = c.value.front();
  const bool starts_name = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') ||
                           first == '_';
  return starts_name && c.value.find('(') != std::string::npos;
}

// HAVING: the names of the final row's values, the hidden aggregates HAVING
// needs, and the condition bound to those names. The final row is the output
// values, then the hidden aggregates' texts, then the key values.
Status planHaving(const Query& query, const ScanHeader& header, AggregatePlan& plan) {
  if (!query.having) return okStatus();
  NameIndex names;
  const size_t outputs = plan.columns.size();
  for (size_t i = 0; i < outputs; ++i) names.emplace(lowerTrimmedName(plan.names[i]), i);
  if (!query.select_all && query.select_items) {
    const auto& items = *query.select_items;
    for (size_t i = 0; i < items.size() && i < outputs; ++i) {
      names.emplace(lowerTrimmedName(items[i].view(items[i].expression)), i);
    }
  }
  std::vector<const Comparison*> comparisons;
  collectComparisons(*query.having, comparisons);
  std::vector<size_t> hidden;
  for (const Comparison* c : comparisons) {
    if (comparesTwoAggregates(*c)) return Error::UnsupportedHavingComparesTwoAggregates;
    if (findColumn(names, c->column) != nullptr) continue;
    NARWE_ASSIGN_OR_RETURN(SelectItem item, parseSelectItem(c->column));
    if (!item.is_aggregate) continue;
    NARWE_ASSIGN_OR_RETURN(std::optional<ColKind> kind,
                           classifyAggregateTerm(item, header.index, plan.specs));
    if (!kind || kind->tag != ColKindTag::agg) return unknownNameError(c->column);
    names.emplace(c->column, outputs + (plan.specs.size() - 1 - plan.output_specs));
  }
  const size_t key_base = outputs + (plan.specs.size() - plan.output_specs);
  for (size_t k = 0; k < plan.keys.size(); ++k) {
    names.emplace(plan.keys[k].text, key_base + k);
    names.emplace(asciiLower(plan.keys[k].written), key_base + k);
  }
  NARWE_ASSIGN_OR_RETURN(BoundPredicate bound, BoundPredicate::bind(*query.having, names, false));
  plan.having.emplace(std::move(bound));
  return okStatus();
}

Status finishPlan(const Query& query, const ScanHeader& header, bool strict,
                  AggregatePlan& plan) {
  plan.output_specs = plan.specs.size();
  NARWE_TRY(planHaving(query, header, plan));
  NARWE_ASSIGN_OR_RETURN(AccumLayout layout, layoutFor(plan.specs));
  plan.layout.emplace(std::move(layout));
  NARWE_ASSIGN_OR_RETURN(plan.where, RowFilter::build(query, header, strict));
  return okStatus();
}

// A non-aggregate select item of a grouped statement.
Result<ColKind> groupedTerm(const SelectItem& item, const ScanHeader& header,
                            const std::vector<KeyPart>& keys, std::string& name) {
  const std::string_view expression = item.view(item.expression);
  ColKind kind;
  if (const size_t* column = findColumn(header.index, lowerTrimmedName(expression))) {
    name = item.alias ? std::string(item.view(*item.alias)) : headerName(header, *column);
    // A column is output as the value of the first plain key part on it.
    kind.tag = ColKindTag::column;
    kind.index = *column;
    for (size_t k = 0; k < keys.size(); ++k) {
      if (keys[k].kind == KeyPart::Kind::plain && keys[k].column == *column) {
        kind.tag = ColKindTag::group_key;
        kind.index = k;
        break;
      }
    }
    return kind;
  }
  name = termName(item);
  for (size_t k = 0; k < keys.size(); ++k) {
    if (equalsIgnoreCase(keys[k].written, expression) || equalsIgnoreCase(keys[k].text, expression)) {
      kind.tag = ColKindTag::group_key;
      kind.index = k;
      return kind;
    }
  }
  auto text = std::make_shared<std::string>(expression);
  NARWE_ASSIGN_OR_RETURN(std::optional<ScalarSpec> scalar, tryParseScalar(*text, header.index));
  if (!scalar) return unknownNameError(expression);
  kind.tag = ColKindTag::scalar;
  kind.index = keys.size();  // no key part on its column: the empty text
  for (size_t k = 0; k < keys.size(); ++k) {
    if (keys[k].column == scalar->col) {
      kind.index = k;
      break;
    }
  }
  kind.scalar = std::make_shared<const ScalarSpec>(std::move(*scalar));
  kind.scalar_text = std::move(text);
  return kind;
}

}  // namespace

std::string_view keyPartValue(const KeyPart& part, std::span<const std::string_view> fields,
                              char* buf) {
  const std::string_view field = part.column < fields.size() ? fields[part.column] : std::string_view("");
  switch (part.kind) {
    case KeyPart::Kind::plain:
      return field;
    case KeyPart::Kind::strftime:
      return applyStrftime(part.format, field, buf);
    case KeyPart::Kind::substr: {
      if (part.start0 >= field.size()) return std::string_view("");
      const std::string_view rest = field.substr(part.start0);
      return part.length ? rest.substr(0, *part.length) : rest;
    }
    case KeyPart::Kind::round:
      return applyRoundKey(part.digits, part.has_digits, field, buf);
  }
  return field;
}

Status buildGroupPlan(const Query& query, const ScanHeader& header, bool strict,
                      AggregatePlan& plan) {
  try {
    static const std::vector<SelectItem> kNoItems;
    const std::vector<SelectItem>& items =
        query.select_items && !query.select_all ? *query.select_items : kNoItems;
    for (const std::string& written : query.group_by) {
      NARWE_ASSIGN_OR_RETURN(KeyPart part, keyPartOf(written, items, header.index));
      plan.keys.push_back(std::move(part));
    }
    if (query.select_all) {
      for (size_t k = 0; k < plan.keys.size(); ++k) {
        const KeyPart& part = plan.keys[k];
        ColKind kind;
        kind.tag = ColKindTag::group_key;
        kind.index = k;
        plan.columns.push_back(kind);
        plan.names.push_back(part.kind == KeyPart::Kind::plain ? headerName(header, part.column)
                                                               : part.written);
      }
    } else {
      for (const SelectItem& item : items) {
        NARWE_ASSIGN_OR_RETURN(std::optional<ColKind> aggregate,
                               classifyAggregateTerm(item, header.index, plan.specs));
        if (aggregate) {
          plan.columns.push_back(std::move(*aggregate));
          plan.names.push_back(termName(item));
          continue;
        }
        std::string name;
        NARWE_ASSIGN_OR_RETURN(ColKind kind, groupedTerm(item, header, plan.keys, name));
        plan.columns.push_back(std::move(kind));
        plan.names.push_back(std::move(name));
      }
    }
    return finishPlan(query, header, strict, plan);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status buildTablePlan(const Query& query, const ScanHeader& header, bool strict,
                      AggregatePlan& plan) {
  try {
    if (query.select_items) {
      for (const SelectItem& item : *query.select_items) {
        NARWE_ASSIGN_OR_RETURN(std::optional<ColKind> aggregate,
                               classifyAggregateTerm(item, header.index, plan.specs));
        if (!aggregate) return unknownNameError(item.view(item.expression));
        plan.columns.push_back(std::move(*aggregate));
        plan.names.push_back(termName(item));
      }
    }
    return finishPlan(query, header, strict, plan);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

bool finalRow(const AggregatePlan& plan, std::span<const std::string_view> key_values,
              std::span<const std::string> finals, Arena& scratch,
              std::vector<std::string_view>& out) {
  out.clear();
  for (const ColKind& kind : plan.columns) {
    switch (kind.tag) {
      case ColKindTag::column:
        out.emplace_back();
        break;
      case ColKindTag::group_key:
        out.push_back(key_values[kind.index]);
        break;
      case ColKindTag::agg:
        out.emplace_back(finals[kind.index]);
        break;
      case ColKindTag::scalar:
        out.push_back(kind.index < key_values.size()
                          ? evalScalarOnSingleValue(*kind.scalar, key_values[kind.index], scratch)
                          : std::string_view());
        break;
      case ColKindTag::case_agg_condition:
        out.push_back(evalScalarOnSingleValue(*kind.scalar, finals[kind.index], scratch));
        break;
    }
  }
  if (!plan.having) return true;
  const size_t outputs = out.size();
  for (size_t i = plan.output_specs; i < finals.size(); ++i) out.emplace_back(finals[i]);
  out.insert(out.end(), key_values.begin(), key_values.end());
  Error ignored = Error::None;
  const bool keep = plan.having->matches(out, ignored);
  out.resize(outputs);
  return keep;
}

}  // namespace narwe
