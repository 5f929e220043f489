// DISTINCT, ORDER BY, OFFSET and LIMIT of a row scan.
#include "exec/row_sink.h"

#include <algorithm>
#include <new>

namespace narwe {
namespace {

// Rows [offset, end) of `count` rows, clamped.
struct Window {
  size_t begin, end;
};
Window windowOf(const RowScanPlan& plan, size_t count) {
  const uint64_t begin = std::min<uint64_t>(plan.offset, count);
  const uint64_t end = std::min<uint64_t>(plan.windowEnd(), count);
  return {static_cast<size_t>(begin), static_cast<size_t>(std::max(begin, end))};
}

// The formatters report OutOfMemory as a value; consumers grow with the
// standard containers, which throw, so both end the same way.
void throwIfFailed(const Status& status) {
  if (!status.ok()) throw std::bad_alloc();
}

}  // namespace

// ---- DistinctSet ------------------------------------------------------------

std::optional<std::string_view> DistinctSet::insert(std::span<const std::string_view> values) {
  scratch_.clear();
  for (std::string_view value : values) {
    uint64_t length = value.size();
    scratch_.append(reinterpret_cast<const char*>(&length), sizeof length);
    scratch_.append(value);
  }
  if (contains(scratch_)) return std::nullopt;
  std::string_view key = arena_.copy(scratch_);
  seen_.insert(key);
  return key;
}

std::string_view DistinctSet::adopt(std::string_view key) {
  auto found = seen_.find(key);
  if (found != seen_.end()) return *found;
  std::string_view copy = arena_.copy(key);
  seen_.insert(copy);
  return copy;
}

void DistinctSet::absorb(const DistinctSet& other) {
  for (std::string_view key : other.seen_) adopt(key);
}

// ---- StreamConsumer ---------------------------------------------------------

StreamConsumer StreamConsumer::direct(const RowScanPlan& plan, RecordWriter& writer,
                                      bool periodic_flush) {
  StreamConsumer consumer(plan);
  consumer.writer_ = &writer;
  consumer.periodic_flush_ = periodic_flush;
  return consumer;
}

StreamConsumer StreamConsumer::buffered(const RowScanPlan& plan, const RowFormat& format) {
  StreamConsumer consumer(plan);
  consumer.format_ = &format;
  return consumer;
}

std::string_view StreamConsumer::line(size_t row) const {
  const size_t begin = row == 0 ? 0 : ends_[row - 1];
  return std::string_view(lines_).substr(begin, ends_[row] - begin);
}

void StreamConsumer::keepLine(std::string_view line, std::optional<std::string_view> key) {
  lines_.append(line);
  ends_.push_back(lines_.size());
  keys_.push_back(key.value_or(std::string_view()));
  ++rows_;
}

Result<bool> StreamConsumer::sink(const ScanRow& row) {
  std::optional<std::string_view> key;
  if (plan_->distinct) {
    key = distinct_.insert(row.values);
    if (!key) return true;
  }
  if (writer_ != nullptr) {
    if (plan_->limit == 0) return false;
    if (skipped_ < plan_->offset) {
      ++skipped_;
      return true;
    }
    NARWE_TRY(writer_->writeRecord(row.values));
    ++written_;
    if (periodic_flush_ && written_ % kFlushEveryRows == 0) NARWE_TRY(writer_->flush());
    return plan_->limit < 0 || written_ < static_cast<uint64_t>(plan_->limit);
  }
  // Buffered: OFFSET is applied at the end, when the rows of the chunks
  // before are known; rows past the window can never be written. With
  // DISTINCT reading goes on, since rows of this chunk that an earlier chunk
  // also holds drop out when the chunks are combined.
  if (!track_rows_) {
    throwIfFailed(format_->appendRowLine(lines_, row.values));
    ++rows_;
    return true;
  }
  const uint64_t window_end = plan_->windowEnd();
  if (ends_.size() < window_end) {
    throwIfFailed(format_->appendRowLine(lines_, row.values));
    ends_.push_back(lines_.size());
    keys_.push_back(key.value_or(std::string_view()));
    ++rows_;
  }
  return plan_->distinct || ends_.size() < window_end;
}

Status StreamConsumer::combine(StreamConsumer&& later) {
  if (writer_ != nullptr || later.writer_ != nullptr) return Error::Unsupported;
  if (!track_rows_) {
    lines_.append(later.lines_);
    rows_ += later.rows_;
    return okStatus();
  }
  const uint64_t window_end = plan_->windowEnd();
  for (size_t row = 0; row < later.ends_.size() && ends_.size() < window_end; ++row) {
    std::optional<std::string_view> key;
    if (plan_->distinct) {
      if (distinct_.contains(later.keys_[row])) continue;
      key = distinct_.adopt(later.keys_[row]);
    }
    keepLine(later.line(row), key);
  }
  if (plan_->distinct) distinct_.absorb(later.distinct_);
  return okStatus();
}

Status StreamConsumer::finish(RecordWriter& writer) {
  if (writer_ != nullptr) return okStatus();
  if (!track_rows_) return writer.writeRowLines(lines_);
  if (ends_.empty()) return okStatus();
  const Window window = windowOf(*plan_, ends_.size());
  if (window.begin == window.end) return okStatus();
  const size_t begin = window.begin == 0 ? 0 : ends_[window.begin - 1];
  return writer.writeRowLines(std::string_view(lines_).substr(begin, ends_[window.end - 1] - begin));
}

// ---- SortConsumer -----------------------------------------------------------

Result<SortConsumer> SortConsumer::create(const RowScanPlan& plan, const RowFormat& format,
                                          size_t store_bytes) {
  SortConsumer consumer(plan, format);
  consumer.key_scratch_.resize(plan.order.size());
  // With DISTINCT every distinct row is kept anyway; the heap would save
  // little and could not tell later chunks which rows it dropped.
  if (plan.order.size() == 1 && plan.limit >= 0 && !plan.distinct) {
    const uint64_t k = plan.windowEnd();
    if (k <= kTopKMaxK) {
      NARWE_ASSIGN_OR_RETURN(TopKHeap heap, TopKHeap::create(k, plan.order[0].descending));
      consumer.top_.emplace(std::move(heap));
      return consumer;
    }
  }
  consumer.store_.reserve(store_bytes);
  return consumer;
}

std::string_view SortConsumer::keyText(const OrderKeyPlan& key, const ScanRow& row) const {
  const auto& source = key.from_record ? row.fields : row.values;
  return key.column < source.size() ? source[key.column] : std::string_view();
}

void SortConsumer::offerTopK(const ScanRow& row, std::string_view key) {
  SortEntry probe = makeSortEntry(key, {});
  if (!top_->wouldKeep(probe)) return;
  // The heap keeps pointers: the key and the line go into memory that does
  // not move for the rest of the query.
  line_scratch_.clear();
  throwIfFailed(format_->appendRow(line_scratch_, row.values));
  std::string_view stored_key = top_arena_.copy(key);
  std::string_view stored_line = top_arena_.copy(line_scratch_);
  probe.key_ptr = stored_key.data();
  probe.line_ptr = stored_line.data();
  probe.line_len = stored_line.size();
  top_->insert(probe);
}

void SortConsumer::storeRow(std::string_view line, std::span<const std::string_view> key_texts,
                            std::optional<std::string_view> distinct_key) {
  StoredRow stored_row{store_.size(), line.size(), distinct_key.value_or(std::string_view())};
  store_.append(line);
  for (std::string_view text : key_texts) {
    keys_.push_back({sortKeyNumber(text), store_.size(), text.size()});
    store_.append(text);
  }
  rows_.push_back(stored_row);
}

Result<bool> SortConsumer::sink(const ScanRow& row) {
  std::optional<std::string_view> distinct_key;
  if (plan_->distinct) {
    distinct_key = distinct_.insert(row.values);
    if (!distinct_key) return true;
  }
  if (top_) {
    offerTopK(row, keyText(plan_->order[0], row));
    return true;
  }
  for (size_t i = 0; i < plan_->order.size(); ++i) key_scratch_[i] = keyText(plan_->order[i], row);
  line_scratch_.clear();
  throwIfFailed(format_->appendRow(line_scratch_, row.values));
  storeRow(line_scratch_, key_scratch_, distinct_key);
  return true;
}

Status SortConsumer::combine(SortConsumer&& later) {
  if (top_) {
    std::vector<SortEntry> kept(later.top_->count());
    later.top_->drainSorted(kept.data());
    for (SortEntry entry : kept) {
      if (!top_->wouldKeep(entry)) continue;
      std::string_view stored_key = top_arena_.copy(entry.key());
      std::string_view stored_line = top_arena_.copy(entry.line());
      entry.key_ptr = stored_key.data();
      entry.line_ptr = stored_line.data();
      top_->insert(entry);
    }
    return okStatus();
  }
  const size_t key_count = plan_->order.size();
  for (size_t row = 0; row < later.rows_.size(); ++row) {
    const StoredRow& stored_row = later.rows_[row];
    std::optional<std::string_view> distinct_key;
    if (plan_->distinct) {
      if (distinct_.contains(stored_row.distinct_key)) continue;
      distinct_key = distinct_.adopt(stored_row.distinct_key);
    }
    // The keys were decoded when the later consumer took the row; only
    // their texts move.
    StoredRow moved{store_.size(), stored_row.line_length, distinct_key.value_or(std::string_view())};
    store_.append(later.stored(stored_row.line_offset, stored_row.line_length));
    for (size_t i = 0; i < key_count; ++i) {
      DecodedKey key = later.keys_[row * key_count + i];
      std::string_view text = later.stored(key.offset, key.length);
      key.offset = store_.size();
      store_.append(text);
      keys_.push_back(key);
    }
    rows_.push_back(moved);
  }
  if (plan_->distinct) distinct_.absorb(later.distinct_);
  return okStatus();
}

Status SortConsumer::writeWindow(RecordWriter& writer,
                                 std::span<const std::string_view> sorted_lines) {
  const Window window = windowOf(*plan_, sorted_lines.size());
  for (size_t i = window.begin; i < window.end; ++i) NARWE_TRY(writer.writeRawLine(sorted_lines[i]));
  return okStatus();
}

Status SortConsumer::finish(RecordWriter& writer) {
  std::vector<std::string_view> lines;
  if (top_) {
    std::vector<SortEntry> best(top_->count());
    top_->drainSorted(best.data());
    lines.reserve(best.size());
    for (const SortEntry& entry : best) lines.push_back(entry.line());
    return writeWindow(writer, lines);
  }
  const size_t key_count = plan_->order.size();
  if (key_count == 1) {
    // One key: fixed-size entries with their 64-bit prefixes, so the top-K,
    // radix and merge paths of sortEntries apply.
    std::vector<SortEntry> entries;
    entries.reserve(rows_.size());
    for (size_t row = 0; row < rows_.size(); ++row) {
      const DecodedKey& key = keys_[row];
      SortEntry entry;
      entry.value = key.value;
      entry.key_ptr = store_.data() + key.offset;
      entry.key_len = key.length;
      entry.prefix = sortPrefix(key.value, entry.key());
      entry.line_ptr = store_.data() + rows_[row].line_offset;
      entry.line_len = rows_[row].line_length;
      entries.push_back(entry);
    }
    std::optional<uint64_t> k;
    if (plan_->limit >= 0) k = plan_->windowEnd();
    NARWE_ASSIGN_OR_RETURN(std::span<SortEntry> sorted,
                           sortEntries(entries, plan_->order[0].descending, k));
    lines.reserve(sorted.size());
    for (const SortEntry& entry : sorted) lines.push_back(entry.line());
    return writeWindow(writer, lines);
  }
  // Several keys: a stable sort of row numbers on the decoded keys, the
  // first key that does not tie deciding with its own direction.
  std::vector<size_t> order(rows_.size());
  for (size_t row = 0; row < order.size(); ++row) order[row] = row;
  const auto& keys = plan_->order;
  stableSort(order.data(), order.size(), [&](size_t a, size_t b) {
    const DecodedKey* a_keys = &keys_[a * key_count];
    const DecodedKey* b_keys = &keys_[b * key_count];
    for (size_t i = 0; i < key_count; ++i) {
      int c = compareKeys(a_keys[i].value, stored(a_keys[i].offset, a_keys[i].length),
                          b_keys[i].value, stored(b_keys[i].offset, b_keys[i].length));
      if (c != 0) return keys[i].descending ? c > 0 : c < 0;
    }
    return false;
  });
  lines.reserve(order.size());
  for (size_t row : order) lines.push_back(stored(rows_[row].line_offset, rows_[row].line_length));
  return writeWindow(writer, lines);
}

}  // namespace narwe
