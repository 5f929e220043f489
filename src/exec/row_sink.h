// The consumers of a row scan: what happens to each row that passed WHERE
// and was projected. Every consumer has one shape:
//
//   sink(row)       take one row in input order; false when no later row can
//                   change the result, so the caller stops reading;
//   combine(later)  take over a consumer of the same kind that saw the rows
//                   right after this one's (the next chunk of the input), as
//                   if this consumer had seen them itself;
//   finish(writer)  write the result rows through the writer (the caller
//                   then closes the output with writer.finish and flush).
//
// So a scan split into chunks, one consumer per chunk, combined in chunk
// order, answers exactly what one consumer over the whole input answers.
//
//  * StreamConsumer (no ORDER BY): DISTINCT, OFFSET and LIMIT. Direct mode
//    writes each row at once; buffered mode formats rows into its own
//    buffer (a worker's part of the result) and can be combined.
//  * SortConsumer (ORDER BY): DISTINCT, then every kept row is formatted
//    once and its keys decoded once (number and text); finish sorts and
//    writes the OFFSET/LIMIT window. With one key, a small LIMIT and no
//    DISTINCT, rows are ranked as they arrive and only those that can still
//    make the cut are kept.
//
// Rows are formatted with the writer's RowFormat, so sorted rows and
// streamed rows come out byte for byte alike. DISTINCT compares whole rows:
// two rows are duplicates only when every value is equal. A consumer
// belongs to one thread; running out of memory throws std::bad_alloc, which
// the thread's entry turns into OutOfMemory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/arena.h"
#include "common/error.h"
#include "exec/fast_sort.h"
#include "exec/row_plan.h"
#include "io/record_writer.h"
#include "io/row_format.h"

namespace narwe {

// Rows written between two flushes of the writer when periodic flushing is on.
constexpr uint64_t kFlushEveryRows = 32768;

// Initial size of the ORDER BY sort store.
constexpr size_t kSortStoreInitialBytes = 16 * 1024 * 1024;

// One row offered to a consumer.
struct ScanRow {
  std::span<const std::string_view> values;  // one per output column
  std::span<const std::string_view> fields;  // the input record
};

// The rows seen so far, for DISTINCT. A row's key is its values, each
// preceded by its length, so no two different rows share a key whatever
// bytes they hold.
class DistinctSet {
 public:
  // The row's key (stable for the set's life) when the row is new, else
  // nullopt.
  std::optional<std::string_view> insert(std::span<const std::string_view> values);
  bool contains(std::string_view key) const { return seen_.find(key) != seen_.end(); }
  // Adds a key (of another set) and returns this set's copy of it.
  std::string_view adopt(std::string_view key);
  // Adds every key of `other`.
  void absorb(const DistinctSet& other);

 private:
  Arena arena_;
  std::unordered_set<std::string_view> seen_;
  std::string scratch_;
};

class StreamConsumer {
 public:
  // Writes rows to `writer` as they come; `periodic_flush` flushes it every
  // kFlushEveryRows rows. Not combinable.
  static StreamConsumer direct(const RowScanPlan& plan, RecordWriter& writer,
                               bool periodic_flush);
  // Keeps rows formatted with `format` until finish; combinable.
  static StreamConsumer buffered(const RowScanPlan& plan, const RowFormat& format);

  Result<bool> sink(const ScanRow& row);
  Status combine(StreamConsumer&& later);
  Status finish(RecordWriter& writer);

  // Buffered mode: true once every row the result can hold is kept, so no
  // later row (and no later consumer) can change it.
  bool full() const { return rows_ >= plan_->windowEnd(); }

 private:
  explicit StreamConsumer(const RowScanPlan& plan)
      : plan_(&plan), track_rows_(plan.distinct || plan.limit >= 0 || plan.offset > 0) {}
  // Keeps one formatted row line (buffered mode).
  void keepLine(std::string_view line, std::optional<std::string_view> key);
  std::string_view line(size_t row) const;

  const RowScanPlan* plan_;
  RecordWriter* writer_ = nullptr;  // direct mode
  const RowFormat* format_ = nullptr;  // buffered mode
  bool periodic_flush_ = false;
  uint64_t skipped_ = 0;
  uint64_t written_ = 0;
  DistinctSet distinct_;
  // Buffered mode: row lines back to back; ends_[i] is where row i ends.
  // Without DISTINCT, OFFSET and LIMIT every row is written, and rows are
  // only counted (track_rows_ false).
  bool track_rows_;
  uint64_t rows_ = 0;
  std::string lines_;
  std::vector<size_t> ends_;
  std::vector<std::string_view> keys_;  // DISTINCT key per kept row
};

class SortConsumer {
 public:
  // `store_bytes`: the sort store reserved up front (a consumer of one chunk
  // of a larger input starts small).
  static Result<SortConsumer> create(const RowScanPlan& plan, const RowFormat& format,
                                     size_t store_bytes = kSortStoreInitialBytes);

  Result<bool> sink(const ScanRow& row);
  Status combine(SortConsumer&& later);
  Status finish(RecordWriter& writer);

 private:
  // A key decoded once: its number (NaN when it is not one) and its text in
  // the store.
  struct DecodedKey {
    double value;
    size_t offset, length;
  };
  struct StoredRow {
    size_t line_offset, line_length;
    std::string_view distinct_key;  // DISTINCT only
  };

  SortConsumer(const RowScanPlan& plan, const RowFormat& format)
      : plan_(&plan), format_(&format) {}

  std::string_view keyText(const OrderKeyPlan& key, const ScanRow& row) const;
  std::string_view stored(size_t offset, size_t length) const {
    return std::string_view(store_.data() + offset, length);
  }
  // Appends a row to the store: its formatted line, then each key's text.
  void storeRow(std::string_view line, std::span<const std::string_view> key_texts,
                std::optional<std::string_view> distinct_key);
  void offerTopK(const ScanRow& row, std::string_view key);
  Status writeWindow(RecordWriter& writer, std::span<const std::string_view> sorted_lines);

  const RowScanPlan* plan_;
  const RowFormat* format_;
  DistinctSet distinct_;
  std::string line_scratch_;
  std::vector<std::string_view> key_scratch_;

  // Store mode: every kept row, keys of row i at keys_[i * key count].
  std::string store_;
  std::vector<StoredRow> rows_;
  std::vector<DecodedKey> keys_;

  // Heap mode: only the rows that can still make the cut.
  std::optional<TopKHeap> top_;
  Arena top_arena_;  // key and line bytes of rows the heap took
};

}  // namespace narwe
