// DISTINCT, ORDER BY, OFFSET and LIMIT of a row scan.
#include "exec/row_sink.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "exec/fast_sort.h"
#include "io/csv_field.h"
#include "io/json.h"

namespace narwe {
namespace {

void appendCsvValue(std::string& out, std::string_view value, char delimiter) {
  if (!csvFieldNeedsQuotes(value, delimiter)) {
    out.append(value);
    return;
  }
  appendCsvQuoted(value, [&out](std::string_view piece) {
    out.append(piece);
    return true;
  });
}

}  // namespace

Result<RowSink> RowSink::create(const Query& query, const Projection& projection,
                                const ScanHeader& header, RecordWriter& writer,
                                const RunOptions& options, bool periodic_flush) {
  RowSink sink(writer);
  sink.names_ = &projection.names;
  sink.limit_ = query.limit;
  sink.offset_ = query.offset < 0 ? 0 : static_cast<uint64_t>(query.offset);
  sink.distinct_ = query.distinct;
  sink.periodic_flush_ = periodic_flush;
  sink.json_ = options.format != OutputFormat::Csv;
  sink.delimiter_ = options.delimiter;
  if (!query.order_by) return sink;

  sink.ordered_ = true;
  const OrderBy& order = *query.order_by;
  auto resolve = [&](const std::string& term, bool descending) -> Status {
    NARWE_ASSIGN_OR_RETURN(std::optional<size_t> position,
                           resolveOrderByIdx(term, projection.names, projection.plain_sources,
                                             header.name_views));
    KeySource source;
    if (position) {
      source.column = *position;
    } else {
      // Not an output column: a column of the input, read from the record.
      const auto& lowered = header.lowered_views;
      auto found = std::find(lowered.begin(), lowered.end(), std::string_view(term));
      if (found == lowered.end()) return Error::OrderByColumnNotFound;
      source.column = static_cast<size_t>(found - lowered.begin());
      source.from_record = true;
    }
    sink.keys_.push_back({sink.key_sources_.size(), descending});
    sink.key_sources_.push_back(source);
    return okStatus();
  };
  NARWE_TRY(resolve(order.column, order.descending));
  for (const OrderByKey& extra : order.extra_keys) NARWE_TRY(resolve(extra.column, extra.descending));
  sink.key_values_.resize(sink.key_sources_.size());
  if (sink.json_) {
    for (const std::string& name : projection.names) {
      NARWE_ASSIGN_OR_RETURN(std::string fragment, allocJsonKeyFragment(name));
      sink.json_keys_.push_back(std::move(fragment));
    }
  }
  if (sink.keys_.size() == 1 && sink.limit_ >= 0) {
    const uint64_t k = sink.offset_ + static_cast<uint64_t>(sink.limit_);
    if (k <= kTopKMaxK) {
      NARWE_ASSIGN_OR_RETURN(TopKHeap heap, TopKHeap::create(k, sink.keys_[0].descending));
      sink.top_.emplace(std::move(heap));
      return sink;
    }
  }
  sink.store_.reserve(kSortStoreInitialBytes);
  return sink;
}

bool RowSink::seenBefore(std::span<const std::string_view> values) {
  // Each value is preceded by its length, so no two different rows share a
  // key whatever bytes the values hold.
  key_scratch_.clear();
  for (std::string_view value : values) {
    uint64_t length = value.size();
    key_scratch_.append(reinterpret_cast<const char*>(&length), sizeof length);
    key_scratch_.append(value);
  }
  if (seen_.find(key_scratch_) != seen_.end()) return true;
  seen_.insert(seen_arena_.copy(key_scratch_));
  return false;
}

Result<bool> RowSink::offer(std::span<const std::string_view> values,
                            std::span<const std::string_view> fields) {
  if (distinct_ && seenBefore(values)) return true;
  if (ordered_) {
    NARWE_TRY(collect(values, fields));
    return true;
  }
  if (limit_ == 0) return false;
  if (skipped_ < offset_) {
    ++skipped_;
    return true;
  }
  NARWE_TRY(writer_->writeRecord(values));
  ++written_;
  if (periodic_flush_ && written_ % kFlushEveryRows == 0) NARWE_TRY(writer_->flush());
  return limit_ < 0 || written_ < static_cast<uint64_t>(limit_);
}

void RowSink::appendOutputLine(std::string& out, std::span<const std::string_view> values) const {
  if (!json_) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (i > 0) out.push_back(delimiter_);
      appendCsvValue(out, values[i], delimiter_);
    }
    return;
  }
  // Sorted JSON rows are pre-formatted with every value as a JSON string.
  out.push_back('{');
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out.push_back(',');
    out.append(json_keys_[i]);
    out.push_back('"');
    // The store is a std::string: running out of memory throws and ends the
    // query with OutOfMemory, never a row cut short.
    if (!appendJsonEscapedToList(out, values[i]).ok()) throw std::bad_alloc();
    out.push_back('"');
  }
  out.push_back('}');
}

std::string_view RowSink::keyText(const KeySource& source,
                                  std::span<const std::string_view> values,
                                  std::span<const std::string_view> fields) const {
  const auto& row = source.from_record ? fields : values;
  return source.column < row.size() ? row[source.column] : std::string_view();
}

void RowSink::offerTopK(std::span<const std::string_view> values, std::string_view key) {
  SortEntry probe = makeSortEntry(key, {});
  if (!top_->wouldKeep(probe)) return;
  // The heap keeps pointers: copy the key and the line into memory that does
  // not move for the rest of the query.
  line_scratch_.clear();
  appendOutputLine(line_scratch_, values);
  std::string_view stored_key = top_arena_.copy(key);
  std::string_view stored_line = top_arena_.copy(line_scratch_);
  probe.key_ptr = stored_key.data();
  probe.line_ptr = stored_line.data();
  probe.line_len = stored_line.size();
  top_->insert(probe);
}

Status RowSink::collect(std::span<const std::string_view> values,
                        std::span<const std::string_view> fields) {
  std::string_view key = keyText(key_sources_[0], values, fields);
  if (top_) {
    offerTopK(values, key);
    return okStatus();
  }
  PendingRow row{};
  row.key_offset = store_.size();
  row.key_length = key.size();
  store_.append(key);
  row.line_offset = store_.size();
  appendOutputLine(store_, values);
  row.line_length = store_.size() - row.line_offset;
  if (keys_.size() > 1) {
    // The key fields are kept in a delimited line of their own, so several
    // keys order rows the same way for CSV and JSON output.
    for (size_t i = 0; i < key_sources_.size(); ++i) {
      key_values_[i] = keyText(key_sources_[i], values, fields);
    }
    MultiKeyCtx ctx{keys_, delimiter_};
    row.keys_offset = store_.size();
    NARWE_TRY(ctx.appendKeyLine(key_values_, store_));
    row.keys_length = store_.size() - row.keys_offset;
  }
  rows_.push_back(row);
  return okStatus();
}

Status RowSink::writeSorted() {
  if (top_) {
    std::vector<SortEntry> best(top_->count());
    top_->drainSorted(best.data());
    for (uint64_t i = offset_; i < best.size(); ++i) {
      NARWE_TRY(writer_->writeRawLine(best[i].line()));
    }
    return okStatus();
  }
  const char* base = store_.data();
  const uint64_t count = rows_.size();
  uint64_t begin = offset_ < count ? offset_ : count;
  uint64_t end = count;
  if (limit_ >= 0 && begin + static_cast<uint64_t>(limit_) < end) {
    end = begin + static_cast<uint64_t>(limit_);
  }
  if (keys_.size() <= 1) {
    std::vector<SortEntry> entries;
    entries.reserve(rows_.size());
    for (const PendingRow& row : rows_) {
      entries.push_back(makeSortEntry({base + row.key_offset, row.key_length},
                                      {base + row.line_offset, row.line_length}));
    }
    std::optional<uint64_t> k;
    if (limit_ >= 0) k = offset_ + static_cast<uint64_t>(limit_);
    NARWE_ASSIGN_OR_RETURN(std::span<SortEntry> sorted,
                           sortEntries(entries, keys_.empty() ? false : keys_[0].descending, k));
    for (uint64_t i = begin; i < end && i < sorted.size(); ++i) {
      NARWE_TRY(writer_->writeRawLine(sorted[i].line()));
    }
    return okStatus();
  }
  MultiKeyCtx ctx = MultiKeyCtx{keys_, delimiter_}.forKeyLines();
  std::vector<const PendingRow*> order;
  order.reserve(rows_.size());
  for (const PendingRow& row : rows_) order.push_back(&row);
  stableSort(order.data(), order.size(), [&](const PendingRow* a, const PendingRow* b) {
    return ctx.lessThan({base + a->keys_offset, a->keys_length},
                        {base + b->keys_offset, b->keys_length});
  });
  for (uint64_t i = begin; i < end; ++i) {
    NARWE_TRY(writer_->writeRawLine({base + order[i]->line_offset, order[i]->line_length}));
  }
  return okStatus();
}

Status RowSink::finish() {
  if (ordered_) NARWE_TRY(writeSorted());
  NARWE_TRY(writer_->finish());
  return writer_->flush();
}

}  // namespace narwe
