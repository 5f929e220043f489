// Exact sums of doubles for the summing and variance aggregates.
//
// An ExactSum holds the exact real sum of every double added to it, as a
// short list of non-overlapping partials ordered by magnitude (each addition
// is an error-free transformation, the method of math.fsum). Because nothing
// is rounded while values arrive, the state's value does not depend on the
// order of the values or on how partial sums were split and merged, and every
// result computed from it (the rounded sum, the average, the variances) is
// the same bytes whatever the worker count or route.
//
// Magnitudes: values at or above 2^960 are kept in a second list scaled by a
// power of two, so no sum of fewer than 2^63 finite values overflows while it
// is being formed; infinities and NaN are remembered as flags. Results that
// do not fit a double become infinities only at the very end.
//
// Not synchronised: one thread updates an ExactSum at a time. Copying or
// merging may throw std::bad_alloc (the callers in accumulators.cpp turn it
// into OutOfMemory); the object stays valid and destructible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace narwe::exact {

// A growable list of doubles with a few inline slots, so the common sum (two
// or three partials) needs no heap block.
class PartialList {
 public:
  PartialList() = default;
  PartialList(const PartialList& other);
  PartialList& operator=(const PartialList& other);
  PartialList(PartialList&& other) noexcept;
  PartialList& operator=(PartialList&& other) noexcept;
  ~PartialList();

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const double* data() const { return heap_ != nullptr ? heap_ : inline_; }
  double* data() { return heap_ != nullptr ? heap_ : inline_; }
  double back() const { return data()[size_ - 1]; }

  // Adds x exactly (Shewchuk's grow-expansion with zero elimination).
  void add(double x);
  // The nearest double to the exact sum of the partials (ties to even).
  double rounded() const;

 private:
  static constexpr uint32_t kInline = 3;
  void push(double x);
  void reserve(uint32_t capacity);

  double inline_[kInline] = {};
  double* heap_ = nullptr;
  uint32_t size_ = 0;
  uint32_t capacity_ = kInline;
};

// A double-double: hi is the nearest double to the value, lo the nearest
// double to the rest; the value is (hi + lo) * 2^scale.
struct ScaledPair {
  double hi = 0;
  double lo = 0;
  int scale = 0;
};

class ExactSum {
 public:
  // Values of magnitude 2^big_shift and above go to the scaled list.
  explicit ExactSum(int big_shift = kDefaultBigShift) : big_shift_(big_shift) {}

  void add(double x);
  // Adds x*x exactly (the product and its rounding error, split by FMA).
  void addSquare(double x);
  void merge(const ExactSum& other);

  bool hasSpecial() const { return specials_ != 0; }
  // The correctly rounded sum (infinite when it does not fit; NaN when the
  // values held NaN or both infinities).
  double rounded() const;
  // The correctly rounded sum divided by `count` (> 0), with the quotient
  // formed in double-double from the exact sum so it is correct to well
  // under one unit in the last place and needs no intermediate that could
  // overflow.
  double average(uint64_t count) const;

  // The exact value times 2^-shift as non-overlapping partials.
  PartialList scaledBy(int shift) const;
  // Exponent of the largest partial (ilogb), or nothing when the sum is 0.
  bool topExponent(int& exponent) const;

  static constexpr int kDefaultBigShift = 960;
  // Squares are summed with their own shift: the square of any finite
  // double, scaled by it, stays finite.
  static constexpr int kSquareBigShift = 1200;

 private:
  static constexpr uint8_t kPosInf = 1;
  static constexpr uint8_t kNegInf = 2;
  static constexpr uint8_t kNaN = 4;
  double specialValue() const;
  PartialList& bigList();

  PartialList small_;                 // values below 2^960, as they are
  std::unique_ptr<PartialList> big_;  // larger values times 2^-big_shift; rare, so not inline
  int16_t big_shift_;
  uint8_t specials_ = 0;
};

// Population or sample variance from the exact sum of the values `sum`, the
// exact sum of their squares `squares` (filled with addSquare) and the count
// n: (n * squares - sum^2) / (n * divisor), where divisor is n or n - 1 (> 0).
// The numerator is formed exactly from the partials and rounded once; the
// divisions run in double-double. With `root` the square root is taken in
// double-double before the final rounding. Never negative; NaN when a value
// was infinite or NaN.
double variance(const ExactSum& sum, const ExactSum& squares, uint64_t n, uint64_t divisor,
                bool root);

}  // namespace narwe::exact
