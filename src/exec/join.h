// The hash join: inner equi-joins of the FROM file (the base table) with one
// or more further files, each on one column per side.
//
// Every joined file is read once, before the base file, into a build table:
// its rows (fields copied, short rows filled up with empty fields to the
// header's width) and, per key text, the rows holding it in file order. Keys
// compare byte for byte: case-sensitive, and the empty field is an ordinary
// key. A joined record with fewer fields than its key column needs is
// skipped. The base file is then streamed; each base record expands into one
// combined row (base columns first, then each joined table's, in statement
// order) per combination of partners, in the joined files' order. A base row
// without a partner in some table gives nothing.
//
// Names resolve through one name map of the combined header, in every clause
// and on every route: a qualified name (alias.column, or file-stem.column for
// a table without an alias) always means that table's column; a bare name
// means the column of the one table that has it, and a bare name found in
// several tables is AmbiguousColumnReference. A later join's left key may
// name a column of any table before it; its right key names a column of its
// own table (written the other way round, the two are swapped).
//
// The combined rows are a record source (exec/row_scan.h), so a join runs
// through the same row loop, filter, projection, ORDER BY, DISTINCT and
// OFFSET/LIMIT consumers as a scan of one file, and into the same
// aggregation consumers (executeJoinAggregate).
//
// Everything here is built once per query and read-only afterwards, so the
// parallel probe's workers share it. Running out of memory throws
// std::bad_alloc, which the query thread turns into OutOfMemory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/arena.h"
#include "common/error.h"
#include "common/name_index.h"
#include "common/text_hash.h"
#include "common/unique_fd.h"
#include "exec/executors.h"
#include "exec/row_plan.h"
#include "exec/row_scan.h"
#include "exec/run_options.h"
#include "io/bulk_csv.h"
#include "io/csv.h"
#include "sql/query.h"

namespace narwe {

// Base files at least this large are probed by several workers.
inline constexpr uint64_t kParallelJoinMinBytes = 8 * 1024 * 1024;

// Tuning of the join executor; tests lower the parallel threshold.
struct JoinSettings {
  uint64_t parallel_min_bytes = kParallelJoinMinBytes;
  uint64_t chunk_bytes = 0;  // 0: the chunk runner's own choice
};

// The join executor with explicit settings (executeJoin of executors.h uses
// the defaults). Without ORDER BY, DISTINCT, OFFSET and LIMIT, a base file of
// at least `parallel_min_bytes` is probed by the chunk runner's workers; the
// output is byte for byte the sequential probe's.
Status executeJoin(const Query& query, OutputSink& out, const RunOptions& options,
                   const JoinSettings& settings);

// A joined statement that groups or aggregates: its combined rows stream
// into the GROUP BY executor (a GROUP BY list) or the whole-table aggregate
// executor, on the chunk runner's workers for a base file of at least
// `parallel_min_bytes`. Names resolve as on the plain join.
Status executeJoinAggregate(const Query& query, OutputSink& out, const RunOptions& options);
Status executeJoinAggregate(const Query& query, OutputSink& out, const RunOptions& options,
                            const JoinSettings& settings);

// Header names of a file's first record: as read, or c1, c2, ... without a
// header.
std::vector<std::string> baseHeaderNames(std::span<const std::string> first, bool no_header_input);

// One joined file held in memory: its rows' fields back to back, and an
// open-addressing table from key to the first and last row holding it; rows
// of one key are chained in file order. A probe touches the slot array, the
// first partner's fields and its key bytes, nothing else.
class BuildTable {
 public:
  static constexpr uint32_t kNoRow = UINT32_MAX;

  // Copies a row of `width` fields (a shorter record is filled up with empty
  // fields, a longer one cut) and files it under its field `key_column`.
  // FileTooBig past 2^32 - 2 rows.
  Status add(std::span<const std::string_view> fields, size_t width, size_t key_column);
  // The first row with key `key`, or kNoRow.
  uint32_t find(std::string_view key) const;
  // The row after `row` with the same key, or kNoRow.
  uint32_t next(uint32_t row) const { return next_[row]; }
  // The fields of row `row`.
  std::span<const std::string_view> row(uint32_t row, size_t width) const {
    return std::span<const std::string_view>(fields_).subspan(size_t{row} * width, width);
  }

 private:
  struct Slot {
    uint64_t hash = 0;
    uint32_t first = kNoRow;  // kNoRow: an empty slot
    uint32_t last = kNoRow;
  };
  std::string_view keyOf(uint32_t row) const { return fields_[size_t{row} * width_ + key_column_]; }
  void grow();

  Arena bytes_{64 * 1024};
  std::vector<std::string_view> fields_;
  std::vector<uint32_t> next_;
  std::vector<Slot> slots_;  // a power of two in size, at most half full
  size_t keys_ = 0;
  size_t width_ = 0;
  size_t key_column_ = 0;
};

// One JOIN clause, resolved.
struct JoinStep {
  size_t left_key = 0;  // combined index of the left key column
  size_t start = 0;     // combined index of the table's first column
  size_t width = 0;     // the table's header width
  BuildTable table;
};

// The joined tables and the combined header.
struct JoinPlan {
  size_t base_width = 0;
  std::vector<JoinStep> steps;
  // Combined header: every table's names in table order; the name index
  // holds the unambiguous bare names and every qualified name.
  std::vector<std::string> names;
  NameIndex index;
  TextSet ambiguous;  // names offered by more than one table

  size_t width() const { return names.size(); }
};

// Opens and reads every joined file of `query` into `plan`, given the base
// file's header names. Errors: JoinColumnNotFound (a key column its side
// lacks), AmbiguousColumnReference (a bare key name several tables offer),
// EmptyFile (a joined file without a header), FileNotFound and the other
// open and read errors, TooManyColumns.
Status buildJoinPlan(const Query& query, std::span<const std::string> base_names,
                     const RunOptions& options, JoinPlan& plan);

// Whether the statement names (bare, in any clause) one of `names`.
bool namesAnyOf(const Query& query, const TextSet& names);

// Fills `header` with the combined header: the tables' names in order, and
// the join's name index.
void fillJoinedHeader(const JoinPlan& join, ScanHeader& header);

// `bound` (the result of binding the statement to the combined header),
// with AmbiguousColumnReference instead of a not-found error when the
// statement names a bare name that several tables offer.
Status explainNotFound(const Query& query, const JoinPlan& join, Status bound);

// Expands base records into combined rows.
class JoinExpander {
 public:
  explicit JoinExpander(const JoinPlan& plan);
  // Starts on a base record; false when it has no partner.
  bool start(std::span<const std::string_view> base);
  // Moves to the next combination of the current base record; false when
  // there is none.
  bool advance();
  // The current combined row, valid until the next start or advance.
  std::span<const std::string_view> row() const { return row_; }

 private:
  void place(size_t step);
  // Descends from `step` to the last join; false when no combination is left.
  bool settle(size_t step);
  // Moves the deepest level below `step` that has another partner; sets
  // `step` to the level after it. False when no level has one.
  bool bump(size_t& step);

  const JoinPlan* plan_;
  std::vector<std::string_view> row_;
  std::vector<uint32_t> partner_;  // per join, the row placed now
};

// The combined rows of a base-record source, as a record source itself.
template <RecordSource Base>
class JoinedRecordSource {
 public:
  JoinedRecordSource(const JoinPlan& plan, Base& base) : expander_(plan), base_(&base) {}

  // Begins with a record the caller holds (the first data row of
  // header-less input).
  void startWith(std::span<const std::string_view> base) {
    active_ = expander_.start(base);
    fresh_ = active_;
  }

  Result<std::optional<RecordSlices>> next() {
    if (active_ && fresh_) {
      fresh_ = false;
      return std::optional<RecordSlices>(expander_.row());
    }
    if (active_ && expander_.advance()) return std::optional<RecordSlices>(expander_.row());
    for (;;) {
      NARWE_ASSIGN_OR_RETURN(std::optional<RecordSlices> record, base_->next());
      if (!record) {
        active_ = false;
        return std::optional<RecordSlices>();
      }
      if (expander_.start(*record)) {
        active_ = true;
        return std::optional<RecordSlices>(expander_.row());
      }
    }
  }

 private:
  JoinExpander expander_;
  Base* base_;
  bool active_ = false;
  bool fresh_ = false;  // a row from startWith not yet given out
};

// The base file of a join open with its first record read, every joined
// file built, and the combined header.
struct JoinedInput {
  UniqueFd file;
  uint64_t size = 0;
  std::optional<BulkCsvReader> reader;  // past the first record
  Record first;  // the header, or the first base row without one
  JoinPlan join;
  ScanHeader header;

  JoinedInput() = default;
  JoinedInput(const JoinedInput&) = delete;
  JoinedInput& operator=(const JoinedInput&) = delete;
};

// Opens the base file and builds the join. Errors: those of opening and
// reading the base file, EmptyFile, and those of buildJoinPlan.
Status openJoinedInput(const Query& query, const RunOptions& options, JoinedInput& input);

// Workers a scan of the joined rows uses: 1 below the parallel threshold.
unsigned joinScanWorkers(const JoinedInput& input, const RunOptions& options,
                         const JoinSettings& settings);

// Receives one combined row, the chunk of the base file it came from and
// the worker it runs on (chunk 0 and worker 0 on one thread).
using JoinedRowFn = std::function<Status(RecordSlices fields, uint64_t chunk, unsigned worker)>;

// Calls `row` for every combined row that passes `filter`: on the calling
// thread, or with joinScanWorkers >= 2 on the chunk runner's workers (each
// chunk's rows in order, one thread per worker index). The first error in
// file order ends the scan (strict mode's StrictModeNonNumericValue, the
// reader's, `row`'s).
Status scanJoinedRows(JoinedInput& input, const RowFilter& filter, const RunOptions& options,
                      const JoinSettings& settings, const JoinedRowFn& row);

}  // namespace narwe
