// Reading the joined files into build tables, and the combined header's
// name map.
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "common/unique_fd.h"
#include "exec/join.h"
#include "exec/record_sources.h"
#include "io/bulk_csv.h"
#include "io/file_source.h"
#include "sql/select_item.h"

namespace narwe {
namespace {

// The names a table answers to besides its bare column names: its alias, or
// for a table without one the file name up to its last dot ("sales" for
// "data/sales.csv").
std::string tableQualifier(std::string_view alias, std::string_view file) {
  if (!alias.empty()) return std::string(alias);
  const size_t slash = file.rfind('/');
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  const size_t dot = file.rfind('.');
  if (dot != std::string_view::npos && dot > 0) file = file.substr(0, dot);
  return asciiLower(file);
}

// The names of one table (bare and qualified, lowered) with their column;
// when a table repeats a name its first column keeps it.
NameIndex tableIndex(std::span<const std::string> names, const std::string& qualifier) {
  NameIndex index;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string name = lowerTrimmedName(names[i]);
    index.emplace(name, i);
    if (!qualifier.empty()) index.emplace(qualifier + "." + name, i);
  }
  return index;
}

// Adds a table's names to the combined map: a name a second table offers
// too becomes ambiguous and leaves the index.
void registerTable(const NameIndex& table, size_t start, JoinPlan& plan) {
  for (const auto& [name, column] : table) {
    if (plan.ambiguous.contains(name)) continue;
    if (plan.index.contains(name)) {
      plan.index.erase(name);
      plan.ambiguous.insert(name);
      continue;
    }
    plan.index.emplace(name, start + column);
  }
}

enum class Lookup { found, missing, ambiguous };

Lookup lookUp(const JoinPlan& plan, const std::string& name, size_t& column) {
  if (plan.ambiguous.contains(name)) return Lookup::ambiguous;
  const size_t* found = findColumn(plan.index, name);
  if (found == nullptr) return Lookup::missing;
  column = *found;
  return Lookup::found;
}

// Reads one joined file and resolves its ON condition against the tables
// registered so far.
Status addJoinedTable(const JoinClause& join, const RunOptions& options, JoinPlan& plan) {
  NARWE_ASSIGN_OR_RETURN(UniqueFd file, openReadOnly(join.file));
  NARWE_ASSIGN_OR_RETURN(uint64_t size, sizeAtOpen(file.get()));
  NARWE_ASSIGN_OR_RETURN(BulkCsvReader reader, BulkCsvReader::init(file.get(), size));
  reader.setDelimiter(options.delimiter);
  NARWE_ASSIGN_OR_RETURN(std::optional<Record> first, reader.readRecord());
  if (!first) return Error::EmptyFile;
  const std::vector<std::string> names = baseHeaderNames(*first, options.no_header_input);
  const NameIndex own = tableIndex(names, tableQualifier(join.alias, join.file));

  JoinStep& step = plan.steps.emplace_back();
  step.start = plan.names.size();
  step.width = names.size();
  // The left key names an earlier table's column, the right key this
  // table's; written the other way round, the two are swapped.
  size_t left = 0;
  const Lookup left_found = lookUp(plan, join.left_column, left);
  const size_t* right = findColumn(own, join.right_column);
  if (left_found == Lookup::missing && right == nullptr) {
    const size_t* swapped_right = findColumn(own, join.left_column);
    if (swapped_right != nullptr && lookUp(plan, join.right_column, left) == Lookup::found) {
      right = swapped_right;
      step.left_key = left;
    } else {
      return Error::JoinColumnNotFound;
    }
  } else {
    if (left_found == Lookup::ambiguous) return Error::AmbiguousColumnReference;
    if (left_found == Lookup::missing || right == nullptr) return Error::JoinColumnNotFound;
    step.left_key = left;
  }
  const size_t right_key = *right;

  if (options.no_header_input && first->size() > right_key) {
    const std::vector<std::string_view> fields(first->begin(), first->end());
    NARWE_TRY(step.table.add(fields, step.width, right_key));
  }
  BulkRecordSource records(reader);
  for (;;) {
    NARWE_ASSIGN_OR_RETURN(std::optional<RecordSlices> record, records.next());
    if (!record) break;
    // A record too short to hold the key has no key to join on.
    if (record->size() <= right_key) continue;
    NARWE_TRY(step.table.add(*record, step.width, right_key));
  }
  registerTable(own, step.start, plan);
  plan.names.insert(plan.names.end(), names.begin(), names.end());
  return okStatus();
}

// Whether an item's tree names a bare name of `names`.
bool nodeNames(const SelectItem& item, const ExprNode& node, const TextSet& names) {
  if (node.kind == NodeKind::column && names.contains(lowerTrimmedName(item.view(node.span)))) {
    return true;
  }
  if (node.kind == NodeKind::aggregate &&
      names.contains(lowerTrimmedName(item.view(node.aggregate.argument)))) {
    return true;
  }
  for (const ExprNode& child : node.children) {
    if (nodeNames(item, child, names)) return true;
  }
  return false;
}

bool itemsName(const std::shared_ptr<const std::vector<SelectItem>>& items, const TextSet& names) {
  if (!items) return false;
  for (const SelectItem& item : *items) {
    if (nodeNames(item, item.root, names)) return true;
  }
  return false;
}

bool conditionNames(const Expression* expr, const TextSet& names) {
  std::vector<const Expression*> pending;
  if (expr) pending.push_back(expr);
  while (!pending.empty()) {
    const Expression* e = pending.back();
    pending.pop_back();
    if (const auto* comparison = std::get_if<Comparison>(&e->node)) {
      if (names.contains(comparison->column)) return true;
    } else if (const auto* function = std::get_if<FunctionComparison>(&e->node)) {
      if (names.contains(function->column)) return true;
      if (function->column2 && names.contains(*function->column2)) return true;
    } else if (const auto* logical = std::get_if<Logical>(&e->node)) {
      pending.push_back(logical->left.get());
      pending.push_back(logical->right.get());
    } else {
      pending.push_back(std::get<Not>(e->node).child.get());
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> baseHeaderNames(std::span<const std::string> first, bool no_header_input) {
  if (!no_header_input) return std::vector<std::string>(first.begin(), first.end());
  std::vector<std::string> names;
  for (size_t i = 0; i < first.size(); ++i) names.push_back("c" + std::to_string(i + 1));
  return names;
}

Status BuildTable::add(std::span<const std::string_view> fields, size_t width, size_t key_column) {
  width_ = width;
  key_column_ = key_column;
  const size_t row = width == 0 ? 0 : fields_.size() / width;
  if (row >= kNoRow - 1) return Error::FileTooBig;
  for (size_t i = 0; i < width; ++i) {
    fields_.push_back(i < fields.size() ? bytes_.copy(fields[i]) : std::string_view());
  }
  next_.push_back(kNoRow);
  if ((keys_ + 1) * 2 > slots_.size()) grow();
  const std::string_view key = keyOf(static_cast<uint32_t>(row));
  const uint64_t hash = TextHash{}(key);
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.first == kNoRow) {
      slot = Slot{hash, static_cast<uint32_t>(row), static_cast<uint32_t>(row)};
      ++keys_;
      return okStatus();
    }
    if (slot.hash == hash && keyOf(slot.first) == key) {
      next_[slot.last] = static_cast<uint32_t>(row);
      slot.last = static_cast<uint32_t>(row);
      return okStatus();
    }
  }
}

void BuildTable::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.first == kNoRow) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].first != kNoRow) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

uint32_t BuildTable::find(std::string_view key) const {
  if (slots_.empty()) return kNoRow;
  const uint64_t hash = TextHash{}(key);
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.first == kNoRow) return kNoRow;
    if (slot.hash == hash && keyOf(slot.first) == key) return slot.first;
  }
}

Status buildJoinPlan(const Query& query, std::span<const std::string> base_names,
                     const RunOptions& options, JoinPlan& plan) {
  if (query.joins.empty()) return Error::InvalidQuery;
  const std::vector<std::string> names(base_names.begin(), base_names.end());
  plan.base_width = names.size();
  registerTable(tableIndex(names, tableQualifier(query.joins.front().left_alias, query.file)), 0, plan);
  plan.names = names;
  for (const JoinClause& join : query.joins) NARWE_TRY(addJoinedTable(join, options, plan));
  return okStatus();
}

bool namesAnyOf(const Query& query, const TextSet& names) {
  if (names.empty()) return false;
  if (conditionNames(query.where.get(), names) || conditionNames(query.having.get(), names)) {
    return true;
  }
  if (itemsName(query.select_items, names) || itemsName(query.group_items, names)) return true;
  if (query.order_by) {
    if (names.contains(query.order_by->column)) return true;
    for (const OrderByKey& key : query.order_by->extra_keys) {
      if (names.contains(key.column)) return true;
    }
  }
  return false;
}

void fillJoinedHeader(const JoinPlan& join, ScanHeader& header) {
  header.names = join.names;
  header.lowered.clear();
  for (const std::string& name : header.names) header.lowered.push_back(lowerTrimmedName(name));
  header.lowered_views.assign(header.lowered.begin(), header.lowered.end());
  header.name_views.assign(header.names.begin(), header.names.end());
  header.index = join.index;
}

Status explainNotFound(const Query& query, const JoinPlan& join, Status bound) {
  const bool not_found = !bound.ok() && (bound.error() == Error::ColumnNotFound ||
                                         bound.error() == Error::OrderByColumnNotFound);
  if (not_found && namesAnyOf(query, join.ambiguous)) return Error::AmbiguousColumnReference;
  return bound;
}

}  // namespace narwe
