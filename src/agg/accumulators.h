// The running state of the aggregates of one group, and its update, merge and
// final text.
//
// A statement's aggregates are described once by an AccumLayout (one
// AccumSpec per aggregate, in select-list order, hidden HAVING aggregates
// after them). The layout gives every aggregate a slot in the per-feature
// arrays its kind needs -- value counts, exact sums, moment sums, extrema,
// median lists, distinct sets, concatenation lists -- and a GroupAccum
// allocates only the arrays of the features the layout uses, sized to the
// aggregates using each: a feature no aggregate needs costs a group one null
// pointer.
//
// Promises:
// - Results do not depend on the order in which rows reach a group or on how
//   a group's rows were split into accumulators and merged: sums and averages
//   are computed from exact sums (accumulators_exact.h), variances from exact
//   sums of values and squares, medians by selection over all kept values,
//   group_concat in file order from chunk-tagged pieces.
// - Numbers are read with readNumber and printed with the shared printers of
//   common/numbers.h (round wrappers with applyRoundKey).
// - Every mutating call returns OutOfMemory when an allocation fails and
//   leaves the accumulator valid and destructible.
//
// Not synchronised: a thread updates only accumulators it owns or guards.
// ShardedDistinctSet is the one concurrent structure (one lock per shard).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agg/accumulators_exact.h"
#include "agg/accumulators_median.h"
#include "agg/accumulators_texts.h"
#include "agg/aggregation.h"
#include "common/error.h"

namespace narwe {

// What the accumulators need to know about one aggregate.
struct AccumSpec {
  AggKind kind = AggKind::count;
  // The result is the group's row count: count(*) and the CASE form of count.
  bool counts_rows = false;
  std::string separator = ",";         // group_concat only
  std::optional<uint8_t> round_digits;  // a round(..., n) wrapper around the aggregate
};

// Where each aggregate keeps its state. Built once per statement; read-only
// afterwards, so any number of threads may share it.
class AccumLayout {
 public:
  static Result<AccumLayout> forSpecs(std::span<const AccumSpec> specs);

  size_t size() const { return specs_.size(); }
  const AccumSpec& agg(size_t i) const { return specs_[i]; }

 private:
  friend class GroupAccum;
  std::vector<AccumSpec> specs_;
  std::vector<uint32_t> slot_;  // per aggregate: its index in its feature's array
  uint32_t counts_ = 0;         // count(col), and the value count of sum/avg/variance
  uint32_t sums_ = 0;           // sum, avg
  uint32_t moments_ = 0;        // the variance family
  uint32_t extrema_ = 0;        // min, max
  uint32_t medians_ = 0;
  uint32_t distinct_ = 0;
  uint32_t concats_ = 0;
};

// group_concat texts in file order. Texts are appended in one buffer, grouped
// in pieces tagged with the chunk they came from; pieces are joined in chunk
// order, and texts of one chunk keep their arrival order (one chunk is read
// by one thread, front to back).
class ConcatList {
 public:
  void add(std::string_view text, std::string_view separator, uint64_t chunk);
  // Appends copies of other's pieces (their chunk tags decide the order).
  void merge(const ConcatList& other);
  // Appends the texts joined by `separator`; nothing when no text was added.
  void finish(std::string_view separator, std::string& out) const;
  bool empty() const { return pieces_.empty(); }

 private:
  struct Piece {
    uint64_t chunk;
    uint64_t end;  // offset in text_ one past the piece
  };
  std::string text_;
  std::vector<Piece> pieces_;
};

// Sum of values and of their squares for the variance family.
struct Moments {
  exact::ExactSum values;
  exact::ExactSum squares{exact::ExactSum::kSquareBigShift};
};

class GroupAccum {
 public:
  static Result<GroupAccum> create(const AccumLayout& layout);

  // Counts one row that reached the group (WHERE passed).
  void addRow() { ++row_count_; }
  uint64_t rowCount() const { return row_count_; }

  // Applies aggregate `agg`'s rule to a field the row holds (the executor
  // skips aggregates whose column the row is too short to hold).
  // count: a non-empty text counts; count_distinct: the text joins the set
  // (the empty text too); group_concat: the text is appended, tagged with
  // `chunk`; the numeric kinds take the field when readNumber accepts it and
  // ignore it otherwise.
  Status addText(const AccumLayout& layout, size_t agg, std::string_view text, uint64_t chunk);
  // Applies a number that is already resolved (the CASE form of an
  // aggregate). No effect on count, count_distinct and group_concat.
  Status addNumber(const AccumLayout& layout, size_t agg, double value);

  // Folds `other` (same layout) into this accumulator; `other` is unchanged.
  Status merge(const AccumLayout& layout, const GroupAccum& other);

  // Appends the final text of aggregate `agg` to `out`. Medians select in
  // place, so this is called once per group at output time.
  Status finish(const AccumLayout& layout, size_t agg, std::string& out);

  // The distinct set of a count_distinct aggregate (for executors that move
  // it into a shared set).
  const DistinctTexts& distinctSet(const AccumLayout& layout, size_t agg) const;

 private:
  void addValue(const AccumLayout& layout, size_t agg, double value);

  uint64_t row_count_ = 0;
  std::unique_ptr<uint64_t[]> counts_;
  std::unique_ptr<exact::ExactSum[]> sums_;
  std::unique_ptr<Moments[]> moments_;
  std::unique_ptr<double[]> extrema_;  // NaN until the first number
  std::unique_ptr<MedianValues[]> medians_;
  std::unique_ptr<DistinctTexts[]> distinct_;
  std::unique_ptr<ConcatList[]> concats_;
};

// A number as an aggregate result: shortest plain decimal, or under a round
// wrapper its decimal text rounded half away from zero to exactly
// min(digits, 6) fraction digits (0 digits: an integer), as round keys are.
// A rounded text longer than a round key may be stays unrounded.
void appendAggNumber(double value, std::optional<uint8_t> round_digits, std::string& out);

// A set of texts that many threads fill at once: 64 shards, each with its
// own lock, picked by the text's hash. Each add holds exactly one shard lock.
class ShardedDistinctSet {
 public:
  static constexpr size_t kShardCount = 64;

  // Thread-safe.
  Status add(std::string_view text);
  // Adds every text of a thread's own set. Thread-safe.
  Status absorb(const DistinctTexts& texts);
  // Call only when no thread adds any more.
  uint64_t size() const;
  // Views of every text, in no particular order (valid while the set lives).
  // Call only when no thread adds any more.
  Status collect(std::vector<std::string_view>& out) const;

 private:
  struct alignas(64) Shard {
    std::mutex lock;
    DistinctTexts texts;
  };
  Shard shards_[kShardCount];
};

}  // namespace narwe
