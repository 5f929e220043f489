// Accumulator layout, update, merge and final texts.
#include "agg/accumulators.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <new>

#include "common/numbers.h"
#include "scalar/rewrite.h"  // applyRoundKey

namespace narwe {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Kinds that take numbers and count how many they took.
bool isSumKind(AggKind k) { return k == AggKind::sum || k == AggKind::avg; }
bool isVarianceKind(AggKind k) {
  return k == AggKind::var_pop || k == AggKind::stddev_pop || k == AggKind::var_samp ||
         k == AggKind::stddev_samp;
}
bool isNumericKind(AggKind k) {
  return isSumKind(k) || isVarianceKind(k) || k == AggKind::min || k == AggKind::max ||
         k == AggKind::median;
}

void appendInt(uint64_t value, std::string& out) {
  char text[kNumberTextMax];
  out.append(text, formatInt(static_cast<int64_t>(value), text));
}

template <class T>
std::unique_ptr<T[]> arrayOf(uint32_t n) {
  return n == 0 ? nullptr : std::make_unique<T[]>(n);
}

}  // namespace

// ---- layout ---------------------------------------------------------------

Result<AccumLayout> AccumLayout::forSpecs(std::span<const AccumSpec> specs) {
  try {
    AccumLayout layout;
    layout.specs_.assign(specs.begin(), specs.end());
    layout.slot_.resize(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
      const AggKind kind = specs[i].kind;
      uint32_t* feature = nullptr;
      switch (kind) {
        case AggKind::count:
          if (specs[i].counts_rows) continue;  // the row count is kept anyway
          feature = &layout.counts_;
          break;
        case AggKind::count_distinct:
          feature = &layout.distinct_;
          break;
        case AggKind::sum:
        case AggKind::avg:
          feature = &layout.sums_;
          break;
        case AggKind::min:
        case AggKind::max:
          feature = &layout.extrema_;
          break;
        case AggKind::median:
          feature = &layout.medians_;
          break;
        case AggKind::var_pop:
        case AggKind::stddev_pop:
        case AggKind::var_samp:
        case AggKind::stddev_samp:
          feature = &layout.moments_;
          break;
        case AggKind::group_concat:
          feature = &layout.concats_;
          break;
      }
      layout.slot_[i] = (*feature)++;
    }
    return layout;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

// ---- group_concat ---------------------------------------------------------

void ConcatList::add(std::string_view text, std::string_view separator, uint64_t chunk) {
  // Drop what a failed earlier append may have left past the last piece.
  text_.resize(pieces_.empty() ? 0 : pieces_.back().end);
  if (!pieces_.empty() && pieces_.back().chunk == chunk) {
    text_.append(separator);
    text_.append(text);
    pieces_.back().end = text_.size();
    return;
  }
  text_.append(text);
  pieces_.push_back(Piece{chunk, text_.size()});
}

void ConcatList::merge(const ConcatList& other) {
  text_.resize(pieces_.empty() ? 0 : pieces_.back().end);
  const size_t base = text_.size();
  text_.append(other.text_, 0, other.pieces_.empty() ? 0 : other.pieces_.back().end);
  pieces_.reserve(pieces_.size() + other.pieces_.size());
  for (const Piece& piece : other.pieces_) pieces_.push_back(Piece{piece.chunk, base + piece.end});
}

void ConcatList::finish(std::string_view separator, std::string& out) const {
  if (pieces_.empty()) return;
  std::vector<uint32_t> order(pieces_.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  // Pieces of one chunk keep their order; pieces of different chunks are
  // put in file order.
  std::stable_sort(order.begin(), order.end(),
                   [this](uint32_t a, uint32_t b) { return pieces_[a].chunk < pieces_[b].chunk; });
  for (size_t k = 0; k < order.size(); ++k) {
    const uint32_t i = order[k];
    const size_t begin = i == 0 ? 0 : pieces_[i - 1].end;
    if (k > 0) out.append(separator);
    out.append(text_, begin, pieces_[i].end - begin);
  }
}

// ---- numbers --------------------------------------------------------------

void appendAggNumber(double value, std::optional<uint8_t> round_digits, std::string& out) {
  char text[kNumberTextMax];
  const size_t length = formatShortest(value, text);
  if (!round_digits) {
    out.append(text, length);
    return;
  }
  char rounded[kRoundKeyBufferSize];
  out.append(applyRoundKey(*round_digits, true, std::string_view(text, length), rounded));
}

// ---- GroupAccum -----------------------------------------------------------

Result<GroupAccum> GroupAccum::create(const AccumLayout& layout) {
  try {
    GroupAccum accum;
    // Value counts: count(col) slots, then one per sum and one per moment.
    const uint32_t counts = layout.counts_ + layout.sums_ + layout.moments_;
    if (counts != 0) accum.counts_ = std::make_unique<uint64_t[]>(counts);
    accum.sums_ = arrayOf<exact::ExactSum>(layout.sums_);
    accum.moments_ = arrayOf<Moments>(layout.moments_);
    if (layout.extrema_ != 0) {
      accum.extrema_ = std::make_unique<double[]>(layout.extrema_);
      std::fill_n(accum.extrema_.get(), layout.extrema_, kNaN);
    }
    accum.medians_ = arrayOf<MedianValues>(layout.medians_);
    accum.distinct_ = arrayOf<DistinctTexts>(layout.distinct_);
    accum.concats_ = arrayOf<ConcatList>(layout.concats_);
    return accum;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

namespace {
// Index of the value count of aggregate i in GroupAccum::counts_.
uint32_t countSlot(const AccumSpec& agg, uint32_t slot, uint32_t counts, uint32_t sums) {
  if (agg.kind == AggKind::count) return slot;
  if (isSumKind(agg.kind)) return counts + slot;
  return counts + sums + slot;  // variance family
}
}  // namespace

void GroupAccum::addValue(const AccumLayout& layout, size_t agg, double value) {
  const AccumSpec& s = layout.specs_[agg];
  const uint32_t slot = layout.slot_[agg];
  switch (s.kind) {
    case AggKind::sum:
    case AggKind::avg:
      sums_[slot].add(value);
      ++counts_[countSlot(s, slot, layout.counts_, layout.sums_)];
      break;
    case AggKind::var_pop:
    case AggKind::stddev_pop:
    case AggKind::var_samp:
    case AggKind::stddev_samp:
      moments_[slot].values.add(value);
      moments_[slot].squares.addSquare(value);
      ++counts_[countSlot(s, slot, layout.counts_, layout.sums_)];
      break;
    case AggKind::min:
    case AggKind::max: {
      // A NaN never replaces a value; the stored NaN means "no value yet".
      double& stored = extrema_[slot];
      if (std::isnan(value)) break;
      const bool better = s.kind == AggKind::min ? value < stored : value > stored;
      if (std::isnan(stored) || better) stored = value;
      break;
    }
    case AggKind::median:
      medians_[slot].push(value);
      break;
    case AggKind::count:
    case AggKind::count_distinct:
    case AggKind::group_concat:
      break;
  }
}

Status GroupAccum::addText(const AccumLayout& layout, size_t agg, std::string_view text,
                           uint64_t chunk) {
  const AccumSpec& s = layout.specs_[agg];
  const uint32_t slot = layout.slot_[agg];
  try {
    switch (s.kind) {
      case AggKind::count:
        if (!s.counts_rows && !text.empty()) ++counts_[slot];
        return okStatus();
      case AggKind::count_distinct: {
        distinct_[slot].insert(text);
        return okStatus();
      }
      case AggKind::group_concat:
        concats_[slot].add(text, s.separator, chunk);
        return okStatus();
      default:
        break;
    }
    if (std::optional<double> value = readNumber(text)) addValue(layout, agg, *value);
    return okStatus();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status GroupAccum::addNumber(const AccumLayout& layout, size_t agg, double value) {
  if (!isNumericKind(layout.specs_[agg].kind)) return okStatus();
  try {
    addValue(layout, agg, value);
    return okStatus();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status GroupAccum::merge(const AccumLayout& layout, const GroupAccum& other) {
  try {
    row_count_ += other.row_count_;
    const uint32_t counts = layout.counts_ + layout.sums_ + layout.moments_;
    for (uint32_t i = 0; i < counts; ++i) counts_[i] += other.counts_[i];
    for (uint32_t i = 0; i < layout.sums_; ++i) sums_[i].merge(other.sums_[i]);
    for (uint32_t i = 0; i < layout.moments_; ++i) {
      moments_[i].values.merge(other.moments_[i].values);
      moments_[i].squares.merge(other.moments_[i].squares);
    }
    for (size_t agg = 0; agg < layout.size(); ++agg) {
      const AccumSpec& s = layout.specs_[agg];
      const uint32_t slot = layout.slot_[agg];
      switch (s.kind) {
        case AggKind::min:
        case AggKind::max:
          if (!std::isnan(other.extrema_[slot])) addValue(layout, agg, other.extrema_[slot]);
          break;
        case AggKind::median:
          medians_[slot].append(other.medians_[slot]);
          break;
        case AggKind::count_distinct: {
          DistinctTexts& mine = distinct_[slot];
          other.distinct_[slot].forEach([&mine](std::string_view text) { mine.insert(text); });
          break;
        }
        case AggKind::group_concat:
          concats_[slot].merge(other.concats_[slot]);
          break;
        default:
          break;
      }
    }
    return okStatus();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status GroupAccum::finish(const AccumLayout& layout, size_t agg, std::string& out) {
  const AccumSpec& s = layout.specs_[agg];
  const uint32_t slot = layout.slot_[agg];
  try {
    switch (s.kind) {
      case AggKind::count:
        appendInt(s.counts_rows ? row_count_ : counts_[slot], out);
        break;
      case AggKind::count_distinct:
        appendInt(distinct_[slot].size(), out);
        break;
      case AggKind::sum:
      case AggKind::avg: {
        const uint64_t n = counts_[countSlot(s, slot, layout.counts_, layout.sums_)];
        if (n == 0) break;
        const double value = s.kind == AggKind::sum ? sums_[slot].rounded() : sums_[slot].average(n);
        appendAggNumber(value, s.round_digits, out);
        break;
      }
      case AggKind::min:
      case AggKind::max:
        if (!std::isnan(extrema_[slot])) appendAggNumber(extrema_[slot], s.round_digits, out);
        break;
      case AggKind::median:
        medians_[slot].appendMedian(s.round_digits, out);
        break;
      case AggKind::var_pop:
      case AggKind::stddev_pop:
      case AggKind::var_samp:
      case AggKind::stddev_samp: {
        const uint64_t n = counts_[countSlot(s, slot, layout.counts_, layout.sums_)];
        const bool sample = s.kind == AggKind::var_samp || s.kind == AggKind::stddev_samp;
        const bool root = s.kind == AggKind::stddev_pop || s.kind == AggKind::stddev_samp;
        if (sample && n <= 1) break;  // no sample variance of one value
        if (n == 0) {
          out.push_back('0');
          break;
        }
        const double value = exact::variance(moments_[slot].values, moments_[slot].squares, n,
                                             sample ? n - 1 : n, root);
        appendAggNumber(value, s.round_digits, out);
        break;
      }
      case AggKind::group_concat:
        concats_[slot].finish(s.separator, out);
        break;
    }
    return okStatus();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

const DistinctTexts& GroupAccum::distinctSet(const AccumLayout& layout, size_t agg) const {
  return distinct_[layout.slot_[agg]];
}

// ---- ShardedDistinctSet ---------------------------------------------------

Status ShardedDistinctSet::add(std::string_view text) {
  const uint64_t hash = DistinctTexts::hashOf(text);
  // The top bits pick the shard; the set inside indexes by the low bits.
  static_assert(kShardCount == 64, "six hash bits pick the shard");
  Shard& shard = shards_[hash >> 58];
  try {
    std::lock_guard<std::mutex> guard(shard.lock);
    shard.texts.insertHashed(text, hash);
    return okStatus();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status ShardedDistinctSet::absorb(const DistinctTexts& texts) {
  Status status;
  texts.forEach([&](std::string_view text) {
    if (status.ok()) status = add(text);
  });
  return status;
}

uint64_t ShardedDistinctSet::size() const {
  uint64_t total = 0;
  for (const Shard& shard : shards_) total += shard.texts.size();
  return total;
}

Status ShardedDistinctSet::collect(std::vector<std::string_view>& out) const {
  try {
    out.reserve(out.size() + size());
    for (const Shard& shard : shards_) {
      shard.texts.forEach([&out](std::string_view text) { out.push_back(text); });
    }
    return okStatus();
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
