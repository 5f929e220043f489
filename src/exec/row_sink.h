// The output stage of a row scan: DISTINCT, ORDER BY, OFFSET and LIMIT, and
// writing through the RecordWriter.
//
// Rows arrive projected (one value per output column) in input order. Without
// ORDER BY they are written at once and the sink tells the caller when LIMIT
// is reached, so the rest of the input is never read. With ORDER BY every kept
// row is formatted into a sort store (its key text, its output line and, for
// several keys, a line of key fields), and `finish` sorts and writes the
// requested window.
//
// DISTINCT compares whole rows: two rows are duplicates only when every value
// is equal, however long the values are.
//
// One sink per query, on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "exec/run_options.h"
#include "common/arena.h"
#include "common/error.h"
#include "exec/fast_sort.h"
#include "exec/scan_plan.h"
#include "exec/sort_keys.h"
#include "io/record_writer.h"
#include "sql/query.h"

namespace narwe {

// Rows written between two flushes of the writer when periodic flushing is on.
constexpr uint64_t kFlushEveryRows = 32768;

// Initial size of the ORDER BY sort store.
constexpr size_t kSortStoreInitialBytes = 16 * 1024 * 1024;

class RowSink {
 public:
  // Resolves each ORDER BY key against the projection (by position, output
  // name or input column) and then against the header names, which sort by
  // the record field itself. OrderByColumnNotFound when a key names nothing.
  // `periodic_flush` flushes the writer every kFlushEveryRows rows.
  static Result<RowSink> create(const Query& query, const Projection& projection,
                                const ScanHeader& header, RecordWriter& writer,
                                const RunOptions& options, bool periodic_flush);

  RowSink(RowSink&&) = default;

  // Offers one row: its output values and the record's fields (for an ORDER
  // BY key that is not an output column). Returns false when no further row
  // can change the result (LIMIT reached without ORDER BY), so the caller
  // stops reading.
  Result<bool> offer(std::span<const std::string_view> values,
                     std::span<const std::string_view> fields);

  // Sorts and writes collected rows (ORDER BY), closes the output format and
  // flushes the writer.
  Status finish();

 private:
  // Where a key's text comes from: an output value, or a field of the input
  // record (a column that is not selected).
  struct KeySource {
    size_t column = 0;
    bool from_record = false;
  };

  struct PendingRow {
    size_t key_offset, key_length;
    size_t line_offset, line_length;
    size_t keys_offset, keys_length;  // key-field line (several keys only)
  };

  RowSink(RecordWriter& writer) : writer_(&writer) {}

  // True when the row was seen before (DISTINCT).
  bool seenBefore(std::span<const std::string_view> values);
  std::string_view keyText(const KeySource& source, std::span<const std::string_view> values,
                           std::span<const std::string_view> fields) const;
  Status collect(std::span<const std::string_view> values,
                 std::span<const std::string_view> fields);
  void offerTopK(std::span<const std::string_view> values, std::string_view key);
  void appendOutputLine(std::string& out, std::span<const std::string_view> values) const;
  Status writeSorted();

  RecordWriter* writer_;
  const std::vector<std::string>* names_ = nullptr;
  int64_t limit_ = -1;
  uint64_t offset_ = 0;
  uint64_t skipped_ = 0;
  uint64_t written_ = 0;
  bool distinct_ = false;
  bool periodic_flush_ = false;
  bool json_ = false;
  char delimiter_ = ',';

  // DISTINCT: length-prefixed row keys, kept in an arena for the query.
  Arena seen_arena_;
  std::unordered_set<std::string_view> seen_;
  std::string key_scratch_;

  // ORDER BY
  bool ordered_ = false;
  std::vector<KeySource> key_sources_;          // one per key, in key order
  // Key i of key_sources_ is field i of a row's key line (several keys).
  std::vector<ResolvedOrderKey> keys_;
  std::vector<std::string_view> key_values_;     // one row's key texts
  std::string store_;
  std::vector<PendingRow> rows_;
  std::vector<std::string> json_keys_;          // "\"name\":" per output column

  // ORDER BY with one key and a small LIMIT: rows are ranked as they arrive
  // and only those that can still make the cut are formatted and kept.
  std::optional<TopKHeap> top_;
  Arena top_arena_;         // key and line bytes of rows the heap took
  std::string line_scratch_;
};

}  // namespace narwe
