// Block storage of median values and selection over it.
#include "agg/accumulators_median.h"

#include <algorithm>
#include <cmath>
#include <compare>
#include <cstddef>
#include <iterator>

#include "agg/accumulators.h"  // appendAggNumber

namespace narwe {
namespace {

// A strict weak order on doubles with NaN after every number, so selection
// is well defined whatever the values.
bool lessNaNLast(double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

// Random access over the values of a MedianValues, for std::nth_element.
class ValueIter {
 public:
  using iterator_category = std::random_access_iterator_tag;
  using value_type = double;
  using difference_type = std::ptrdiff_t;
  using pointer = double*;
  using reference = double&;

  ValueIter() = default;
  ValueIter(MedianValues* values, difference_type i) : values_(values), i_(i) {}

  reference operator*() const { return values_->at(static_cast<size_t>(i_)); }
  reference operator[](difference_type n) const { return values_->at(static_cast<size_t>(i_ + n)); }
  ValueIter& operator++() { ++i_; return *this; }
  ValueIter operator++(int) { ValueIter t = *this; ++i_; return t; }
  ValueIter& operator--() { --i_; return *this; }
  ValueIter operator--(int) { ValueIter t = *this; --i_; return t; }
  ValueIter& operator+=(difference_type n) { i_ += n; return *this; }
  ValueIter& operator-=(difference_type n) { i_ -= n; return *this; }
  friend ValueIter operator+(ValueIter a, difference_type n) { return a += n; }
  friend ValueIter operator+(difference_type n, ValueIter a) { return a += n; }
  friend ValueIter operator-(ValueIter a, difference_type n) { return a -= n; }
  friend difference_type operator-(const ValueIter& a, const ValueIter& b) { return a.i_ - b.i_; }
  friend bool operator==(const ValueIter& a, const ValueIter& b) { return a.i_ == b.i_; }
  friend auto operator<=>(const ValueIter& a, const ValueIter& b) { return a.i_ <=> b.i_; }

 private:
  MedianValues* values_ = nullptr;
  difference_type i_ = 0;
};

template <class It>
double medianOf(It begin, It end) {
  const auto middle = (end - begin) / 2;
  std::nth_element(begin, begin + middle, end, lessNaNLast);
  const double upper = begin[middle];
  if ((end - begin) % 2 != 0) return upper;
  const double lower = *std::max_element(begin, begin + middle, lessNaNLast);
  const double sum = lower + upper;
  // Halving the rounded sum is exact unless the sum overflowed; then the
  // halves are added instead.
  return std::isinf(sum) && std::isfinite(lower) && std::isfinite(upper) ? lower / 2 + upper / 2
                                                                         : sum / 2;
}

}  // namespace

void MedianValues::push(double value) {
  if (tail_.size() == kBlockValues) {
    std::vector<double> next;
    next.reserve(kBlockValues);
    full_.push_back(std::move(tail_));
    tail_ = std::move(next);
  }
  tail_.push_back(value);
}

void MedianValues::append(const MedianValues& other) {
  for (const std::vector<double>& block : other.full_) {
    for (double v : block) push(v);
  }
  for (double v : other.tail_) push(v);
}

void MedianValues::appendMedian(std::optional<uint8_t> round_digits, std::string& out) {
  if (size() == 0) return;
  const double median = full_.empty()
                            ? medianOf(tail_.begin(), tail_.end())
                            : medianOf(ValueIter(this, 0),
                                       ValueIter(this, static_cast<std::ptrdiff_t>(size())));
  appendAggNumber(median, round_digits, out);
}

}  // namespace narwe
