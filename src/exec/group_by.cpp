// The GROUP BY executor (also DISTINCT answered as grouping): plans, the
// group stores fed by the aggregate scan, and the output of the groups.
//
// Stores: each worker keeps its own unlocked table (GroupTable) from group key to
// accumulator. In a parallel scan a worker whose table reaches the local group
// limit sends rows of groups it has not seen to a shared store of
// partitions, each with its own lock (a worker holds one lock at a time).
// After the scan every worker table is folded into the partitions. Results
// cannot depend on which store a row reached: the accumulators merge
// exactly, and group_concat texts carry their chunk.
//
// Group key: one part per GROUP BY item. With one part the key is the value
// itself; with several, each value is preceded by its length, so no two
// different part lists share a key. Groups come out ordered by their part
// values, compared part by part as unsigned bytes (a shorter value first on a
// common prefix).
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "exec/aggregate_plan.h"
#include "exec/aggregate_scan.h"
#include "exec/executors.h"
#include "exec/fast_sort.h"
#include "io/record_writer.h"

namespace narwe {
namespace {

// Partitions of the shared store: at least this many, or one per worker.
constexpr size_t kMinPartitions = 64;

uint64_t hashKey(std::string_view key) { return std::hash<std::string_view>{}(key); }

// Groups keyed by their key bytes: open addressing over 16-byte slots (the
// key's hash and the group's index), keys packed in one buffer, accumulators
// in one array, so a lookup touches one slot, one key and the accumulator.
// Not synchronised.
class GroupTable {
 public:
  size_t size() const { return accums_.size(); }
  std::string_view key(size_t group) const {
    const uint64_t begin = group == 0 ? 0 : key_ends_[group - 1];
    return std::string_view(keys_).substr(begin, key_ends_[group] - begin);
  }
  uint64_t hash(size_t group) const { return hashes_[group]; }
  GroupAccum& accum(size_t group) { return accums_[group]; }

  // The group of `key`, or nullptr.
  GroupAccum* find(std::string_view key, uint64_t hash) {
    if (slots_.empty()) return nullptr;
    const Slot& slot = slots_[probe(key, hash)];
    return slot.group == 0 ? nullptr : &accums_[slot.group - 1];
  }

  // Adds a group that is not in the table. May throw std::bad_alloc.
  GroupAccum& insert(std::string_view key, uint64_t hash, GroupAccum&& accum) {
    if ((accums_.size() + 1) * 2 > slots_.size()) grow();
    const size_t at = probe(key, hash);
    keys_.append(key);
    key_ends_.push_back(keys_.size());
    hashes_.push_back(hash);
    accums_.push_back(std::move(accum));
    slots_[at] = Slot{hash, accums_.size()};
    return accums_.back();
  }

 private:
  struct Slot {
    uint64_t hash = 0;
    uint64_t group = 0;  // index + 1; 0 = free
  };

  // The slot holding `key`, or the free slot where it would go.
  size_t probe(std::string_view key, uint64_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.group == 0) return i;
      if (slot.hash == hash && this->key(slot.group - 1) == key) return i;
    }
  }
  void grow() {
    std::vector<Slot> bigger(slots_.empty() ? 64 : slots_.size() * 2);
    const size_t mask = bigger.size() - 1;
    for (const Slot& slot : slots_) {
      if (slot.group == 0) continue;
      size_t i = slot.hash & mask;
      while (bigger[i].group != 0) i = (i + 1) & mask;
      bigger[i] = slot;
    }
    slots_ = std::move(bigger);
  }

  std::vector<Slot> slots_;  // a power of two, at most half full
  std::string keys_;
  std::vector<uint64_t> key_ends_;
  std::vector<uint64_t> hashes_;
  std::vector<GroupAccum> accums_;
};

void appendKeyPart(std::string& key, std::string_view value, bool single) {
  if (!single) {
    const uint32_t length = static_cast<uint32_t>(value.size());
    char prefix[sizeof(length)];
    std::memcpy(prefix, &length, sizeof(length));
    key.append(prefix, sizeof(prefix));
  }
  key.append(value);
}

// The part values of a key made by appendKeyPart.
void decodeKey(std::string_view key, size_t parts, std::vector<std::string_view>& out) {
  out.clear();
  if (parts == 1) {
    out.push_back(key);
    return;
  }
  size_t pos = 0;
  for (size_t p = 0; p < parts; ++p) {
    uint32_t length = 0;
    std::memcpy(&length, key.data() + pos, sizeof(length));
    pos += sizeof(length);
    out.push_back(key.substr(pos, length));
    pos += length;
  }
}

int compareKeys(std::string_view a, std::string_view b, size_t parts) {
  if (parts <= 1) return compareBytes(a, b);
  size_t pa = 0, pb = 0;
  for (size_t p = 0; p < parts; ++p) {
    uint32_t la = 0, lb = 0;
    std::memcpy(&la, a.data() + pa, sizeof(la));
    std::memcpy(&lb, b.data() + pb, sizeof(lb));
    pa += sizeof(la);
    pb += sizeof(lb);
    const int c = compareBytes(a.substr(pa, la), b.substr(pb, lb));
    if (c != 0) return c;
    pa += la;
    pb += lb;
  }
  return 0;
}

using GroupRef = std::pair<std::string_view, GroupAccum*>;

class GroupRows final : public AggRowConsumer {
 public:
  GroupRows(const AggregatePlan& plan, size_t local_limit) : plan_(plan), local_limit_(local_limit) {}

  Status init(unsigned workers) {
    try {
      workers_.resize(workers);
      // The shared store serves parallel scans only.
      if (workers > 1) partitions_ = std::vector<Partition>(std::max<size_t>(kMinPartitions, workers));
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
    parallel_ = workers > 1;
    return okStatus();
  }

  Status row(std::span<const std::string_view> fields, uint64_t chunk, unsigned worker) override {
    Worker& w = workers_[worker];
    try {
      w.key.clear();
      const bool single = plan_.keys.size() == 1;
      for (const KeyPart& part : plan_.keys) {
        appendKeyPart(w.key, keyPartValue(part, fields, w.buf), single);
      }
      const uint64_t hash = hashKey(w.key);
      if (GroupAccum* found = w.local.find(w.key, hash)) return apply(*found, fields, chunk);
      if (!parallel_ || w.local.size() < local_limit_) {
        NARWE_ASSIGN_OR_RETURN(GroupAccum accum, GroupAccum::create(*plan_.layout));
        return apply(w.local.insert(w.key, hash, std::move(accum)), fields, chunk);
      }
      Partition& partition = partitions_[partitionOf(hash)];
      std::lock_guard<std::mutex> hold(partition.lock);
      GroupAccum* shared = partition.groups.find(w.key, hash);
      if (shared == nullptr) {
        NARWE_ASSIGN_OR_RETURN(GroupAccum accum, GroupAccum::create(*plan_.layout));
        shared = &partition.groups.insert(w.key, hash, std::move(accum));
      }
      return apply(*shared, fields, chunk);
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
  }

  // Folds every worker's groups into the partitions (after the scan), and
  // gives every group ordered by key.
  Result<std::vector<GroupRef>> mergedGroups() {
    try {
      std::vector<GroupRef> groups;
      if (workers_.size() == 1) {
        // One worker: its table holds every group as it is.
        GroupTable& table = workers_[0].local;
        groups.reserve(table.size());
        for (size_t g = 0; g < table.size(); ++g) groups.emplace_back(table.key(g), &table.accum(g));
      } else {
        for (Worker& w : workers_) {
          for (size_t g = 0; g < w.local.size(); ++g) {
            const uint64_t hash = w.local.hash(g);
            GroupTable& target = partitions_[partitionOf(hash)].groups;
            if (GroupAccum* present = target.find(w.local.key(g), hash)) {
              NARWE_TRY(present->merge(*plan_.layout, w.local.accum(g)));
            } else {
              target.insert(w.local.key(g), hash, std::move(w.local.accum(g)));
            }
          }
          w.local = GroupTable();
        }
        size_t total = 0;
        for (const Partition& p : partitions_) total += p.groups.size();
        groups.reserve(total);
        for (Partition& p : partitions_) {
          for (size_t g = 0; g < p.groups.size(); ++g) {
            groups.emplace_back(p.groups.key(g), &p.groups.accum(g));
          }
        }
      }
      const size_t parts = plan_.keys.size();
      std::sort(groups.begin(), groups.end(), [parts](const GroupRef& a, const GroupRef& b) {
        return compareKeys(a.first, b.first, parts) < 0;
      });
      return groups;
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
  }

 private:
  struct Worker {
    GroupTable local;
    std::string key;
    char buf[kKeyPartBufferSize];
  };
  struct Partition {
    std::mutex lock;
    GroupTable groups;
  };

  Status apply(GroupAccum& accum, std::span<const std::string_view> fields, uint64_t chunk) {
    return applyRow(plan_.specs, *plan_.layout, accum, fields, chunk);
  }
  // The upper bits pick the partition; the table inside uses the lower ones.
  size_t partitionOf(uint64_t hash) const { return (hash >> 32) % partitions_.size(); }

  const AggregatePlan& plan_;
  size_t local_limit_;
  bool parallel_ = false;
  std::vector<Worker> workers_;
  std::vector<Partition> partitions_;
};

// An ORDER BY key resolved to a position in the extended row (output values,
// then key values).
struct GroupOrderKey {
  size_t position = 0;
  bool descending = false;
};

Result<std::vector<GroupOrderKey>> resolveGroupOrder(const Query& query,
                                                     const AggregatePlan& plan) {
  std::vector<GroupOrderKey> keys;
  if (!query.order_by) return keys;
  std::vector<OrderByKey> terms;
  terms.push_back(OrderByKey{query.order_by->column, query.order_by->descending});
  terms.insert(terms.end(), query.order_by->extra_keys.begin(), query.order_by->extra_keys.end());
  const size_t outputs = plan.columns.size();
  for (const OrderByKey& term : terms) {
    const std::string_view text = trimBlanks(term.column);
    std::optional<size_t> position;
    Result<uint64_t> n = parseUint64(text);
    if (n.ok() && *n >= 1 && *n <= outputs) position = *n - 1;
    for (size_t i = 0; !position && i < outputs; ++i) {
      if (equalsIgnoreCase(trimBlanks(plan.names[i]), text)) position = i;
    }
    if (!position && !query.select_all && query.select_items) {
      const auto& items = *query.select_items;
      for (size_t i = 0; i < items.size() && i < outputs; ++i) {
        if (equalsIgnoreCase(items[i].view(items[i].expression), text)) {
          position = i;
          break;
        }
      }
    }
    for (size_t k = 0; !position && k < plan.keys.size(); ++k) {
      if (equalsIgnoreCase(plan.keys[k].written, text) || plan.keys[k].text == asciiLower(text)) {
        position = outputs + k;
      }
    }
    if (!position) return Error::OrderByColumnNotFound;
    keys.push_back(GroupOrderKey{*position, term.descending});
  }
  return keys;
}

// Rows kept for ORDER BY: each the output values then the key values.
class OrderedRows {
 public:
  void add(std::span<const std::string_view> outputs, std::span<const std::string_view> keys) {
    rows_.emplace_back();
    rows_.back().assign(outputs.begin(), outputs.end());
    rows_.back().insert(rows_.back().end(), keys.begin(), keys.end());
  }

  Status write(const std::vector<GroupOrderKey>& keys, size_t outputs, const Query& query,
               RecordWriter& writer) {
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    stableSort(std::span<size_t>(order), [&](size_t a, size_t b) {
      for (const GroupOrderKey& key : keys) {
        const int c = compareKeyTexts(rows_[a][key.position], rows_[b][key.position]);
        if (c != 0) return key.descending ? c > 0 : c < 0;
      }
      return false;
    });
    const size_t begin = std::min<size_t>(static_cast<size_t>(query.offset), order.size());
    size_t end = order.size();
    if (query.limit >= 0) end = std::min(end, begin + static_cast<size_t>(query.limit));
    std::vector<std::string_view> values;
    for (size_t i = begin; i < end; ++i) {
      const auto& row = rows_[order[i]];
      values.assign(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(outputs));
      NARWE_TRY(writer.writeRecord(std::span<const std::string_view>(values)));
    }
    return okStatus();
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

// DISTINCT over output rows: whole rows, each value preceded by its length.
class SeenRows {
 public:
  bool insert(std::span<const std::string_view> values) {
    key_.clear();
    for (std::string_view v : values) appendKeyPart(key_, v, false);
    return seen_.insert(key_).second;
  }

 private:
  std::string key_;
  std::unordered_set<std::string> seen_;
};

}  // namespace

Status aggregateGroups(const Query& query, AggRowSource& source, OutputSink& out,
                       const RunOptions& options, const AggScanSettings& settings) {
  AggregatePlan plan;
  NARWE_TRY(buildGroupPlan(query, source.header(), options.strict, plan));
  NARWE_ASSIGN_OR_RETURN(std::vector<GroupOrderKey> order, resolveGroupOrder(query, plan));
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer,
                         RecordWriter::init(out, options.format, options.delimiter));
  NARWE_TRY(writer.writeHeader(std::span<const std::string>(plan.names), options.omit_header));

  GroupRows rows(plan, settings.local_group_limit);
  NARWE_TRY(rows.init(source.workers()));
  NARWE_TRY(source.scan(plan.where, rows));
  NARWE_ASSIGN_OR_RETURN(auto groups, rows.mergedGroups());

  std::vector<std::string> finals(plan.specs.size());
  std::vector<std::string_view> key_values;
  std::vector<std::string_view> values;
  Arena scratch;
  SeenRows seen;
  OrderedRows ordered;
  uint64_t skipped = 0;
  uint64_t written = 0;
  const uint64_t limit = query.limit < 0 ? UINT64_MAX : static_cast<uint64_t>(query.limit);
  for (auto& [key, accum] : groups) {
    if (order.empty() && written >= limit) break;
    for (size_t i = 0; i < finals.size(); ++i) {
      finals[i].clear();
      NARWE_TRY(accum->finish(*plan.layout, i, finals[i]));
    }
    decodeKey(key, plan.keys.size(), key_values);
    scratch.reset();
    if (!finalRow(plan, key_values, finals, scratch, values)) continue;
    if (query.distinct && !seen.insert(values)) continue;
    if (!order.empty()) {
      ordered.add(values, key_values);
      continue;
    }
    if (skipped < static_cast<uint64_t>(query.offset)) {
      ++skipped;
      continue;
    }
    NARWE_TRY(writer.writeRecord(std::span<const std::string_view>(values)));
    ++written;
  }
  if (!order.empty()) NARWE_TRY(ordered.write(order, plan.columns.size(), query, writer));
  NARWE_TRY(writer.finish());
  return writer.flush();
}

}  // namespace narwe
