// Exact sums: Shewchuk expansions, their correct rounding, and the average and
// variances computed from them.
#include "agg/accumulators_exact.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace narwe::exact {
namespace {

// Values from here on are kept scaled (see ExactSum).
constexpr double kBigThreshold = 0x1p960;
// Squares of values from here on are formed scaled, so they cannot overflow.
constexpr double kSquareBigThreshold = 0x1p480;
// Sums whose largest partial lies beyond 2^kScaleExponent are averaged in
// scaled form, so the double-double quotient has room on both sides.
constexpr int kScaleExponent = 900;

struct Pair {
  double hi;
  double lo;
};

// a * b as an unevaluated sum: the rounded product and its exact error.
Pair twoProduct(double a, double b) {
  const double p = a * b;
  return {p, std::fma(a, b, -p)};
}

// (hi + lo) / m in double-double. q * m - hi is exact with FMA, so the
// remainder carries the quotient's rounding error into the low part.
Pair divide(Pair x, double m) {
  const double q = x.hi / m;
  const double r = std::fma(-q, m, x.hi) + x.lo;
  const double c = r / m;
  const double hi = q + c;
  return {hi, c - (hi - q)};
}

// The nearest double to the list's value and the nearest double to the rest.
Pair pairOf(const PartialList& list) {
  const double hi = list.rounded();
  PartialList rest = list;
  rest.add(-hi);
  return {hi, rest.rounded()};
}

int floorHalf(int e) { return e >= 0 ? e / 2 : -((-e + 1) / 2); }

}  // namespace

// ---- PartialList ----------------------------------------------------------

PartialList::PartialList(const PartialList& other) { *this = other; }

PartialList& PartialList::operator=(const PartialList& other) {
  if (this == &other) return *this;
  size_ = 0;
  reserve(other.size_);
  std::memcpy(data(), other.data(), other.size_ * sizeof(double));
  size_ = other.size_;
  return *this;
}

PartialList::PartialList(PartialList&& other) noexcept { *this = std::move(other); }

PartialList& PartialList::operator=(PartialList&& other) noexcept {
  if (this == &other) return *this;
  delete[] heap_;
  heap_ = other.heap_;
  capacity_ = other.capacity_;
  size_ = other.size_;
  if (heap_ == nullptr) std::memcpy(inline_, other.inline_, sizeof inline_);
  other.heap_ = nullptr;
  other.capacity_ = kInline;
  other.size_ = 0;
  return *this;
}

PartialList::~PartialList() { delete[] heap_; }

void PartialList::reserve(uint32_t capacity) {
  if (capacity <= capacity_) return;
  const uint32_t grown = std::max(capacity, capacity_ * 2);
  double* block = new double[grown];
  std::memcpy(block, data(), size_ * sizeof(double));
  delete[] heap_;
  heap_ = block;
  capacity_ = grown;
}

void PartialList::push(double x) {
  if (size_ == capacity_) reserve(size_ + 1);
  data()[size_++] = x;
}

void PartialList::add(double x) {
  // Knuth's two-sum leaves hi + lo == x + y exactly for any order of
  // magnitudes; the partials stay non-overlapping and increasing.
  double* p = data();
  uint32_t kept = 0;
  for (uint32_t j = 0; j < size_; ++j) {
    const double y = p[j];
    const double hi = x + y;
    const double b = hi - x;
    const double lo = (x - (hi - b)) + (y - b);
    if (lo != 0) p[kept++] = lo;
    x = hi;
  }
  size_ = kept;
  if (x != 0) push(x);
}

double PartialList::rounded() const {
  // Add from the top until a rounding error appears; if what lies below has
  // the same sign as that error, the sum is just past the half-way point and
  // the rounding goes the other way (round-half-even corrected for the rest).
  const double* p = data();
  size_t n = size_;
  if (n == 0) return 0.0;
  double hi = p[--n];
  double lo = 0;
  while (n > 0) {
    const double x = hi;
    const double y = p[--n];
    hi = x + y;
    const double yr = hi - x;
    lo = y - yr;
    if (lo != 0) break;
  }
  if (n > 0 && ((lo < 0 && p[n - 1] < 0) || (lo > 0 && p[n - 1] > 0))) {
    const double y = lo * 2;
    const double x = hi + y;
    const double yr = x - hi;
    if (y == yr) hi = x;
  }
  return hi;
}

// ---- ExactSum -------------------------------------------------------------

void ExactSum::add(double x) {
  if (!std::isfinite(x)) {
    specials_ |= std::isnan(x) ? kNaN : (x > 0 ? kPosInf : kNegInf);
    return;
  }
  if (std::fabs(x) >= kBigThreshold) {
    bigList().add(std::ldexp(x, -big_shift_));  // exact: the result is a normal number
  } else {
    small_.add(x);
  }
}

void ExactSum::addSquare(double x) {
  if (!std::isfinite(x)) {
    add(x * x);
    return;
  }
  if (std::fabs(x) >= kSquareBigThreshold) {
    // (x * 2^-(shift/2))^2 = x^2 * 2^-shift, formed without overflow.
    const double y = std::ldexp(x, -big_shift_ / 2);
    const Pair sq = twoProduct(y, y);
    PartialList& big = bigList();
    big.add(sq.hi);
    if (sq.lo != 0) big.add(sq.lo);
    return;
  }
  // Below 2^480 the square is finite; its error term is exact unless the
  // square is too small to matter to any variance a double can show.
  const Pair sq = twoProduct(x, x);
  small_.add(sq.hi);
  if (sq.lo != 0) small_.add(sq.lo);
}

PartialList& ExactSum::bigList() {
  if (big_ == nullptr) big_ = std::make_unique<PartialList>();
  return *big_;
}

void ExactSum::merge(const ExactSum& other) {
  specials_ |= other.specials_;
  for (size_t i = 0; i < other.small_.size(); ++i) small_.add(other.small_.data()[i]);
  if (other.big_ == nullptr) return;
  PartialList& big = bigList();
  for (size_t i = 0; i < other.big_->size(); ++i) big.add(other.big_->data()[i]);
}

double ExactSum::specialValue() const {
  if ((specials_ & kNaN) != 0 || specials_ == (kPosInf | kNegInf)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return (specials_ & kPosInf) != 0 ? std::numeric_limits<double>::infinity()
                                    : -std::numeric_limits<double>::infinity();
}

bool ExactSum::topExponent(int& exponent) const {
  bool found = false;
  if (!small_.empty()) {
    exponent = std::ilogb(small_.back());
    found = true;
  }
  if (big_ != nullptr && !big_->empty()) {
    const int e = std::ilogb(big_->back()) + big_shift_;
    exponent = found ? std::max(exponent, e) : e;
    found = true;
  }
  return found;
}

PartialList ExactSum::scaledBy(int shift) const {
  PartialList out;
  for (size_t i = 0; i < small_.size(); ++i) out.add(std::ldexp(small_.data()[i], -shift));
  if (big_ == nullptr) return out;
  for (size_t i = 0; i < big_->size(); ++i) {
    out.add(std::ldexp(big_->data()[i], big_shift_ - shift));
  }
  return out;
}

double ExactSum::rounded() const {
  if (specials_ != 0) return specialValue();
  if (big_ == nullptr || big_->empty()) return small_.rounded();
  int top = 0;
  (void)topExponent(top);
  // Scaling by a power of two keeps the rounding position, so rounding the
  // scaled value and scaling back is the correctly rounded sum (or infinity).
  return std::ldexp(scaledBy(top).rounded(), top);
}

double ExactSum::average(uint64_t count) const {
  if (specials_ != 0) return specialValue();
  int top = 0;
  if (!topExponent(top)) return 0.0;
  const int shift = top > kScaleExponent ? top : 0;
  const Pair total = shift != 0 ? pairOf(scaledBy(shift)) : pairOf(small_);
  const Pair quotient = divide(total, static_cast<double>(count));
  return std::ldexp(quotient.hi, shift);
}

double variance(const ExactSum& sum, const ExactSum& squares, uint64_t n, uint64_t divisor,
                bool root) {
  if (sum.hasSpecial() || squares.hasSpecial()) return std::numeric_limits<double>::quiet_NaN();
  int top = 0;
  if (!squares.topExponent(top)) return 0.0;
  // Scale so that the squares sum to about 1 and the sum to about sqrt(n):
  // every product below is then finite and exact.
  const int k = floorHalf(top);
  const PartialList s = sum.scaledBy(k);
  const PartialList q = squares.scaledBy(2 * k);
  const double count = static_cast<double>(n);

  // n * sum(x^2) - (sum x)^2, exactly.
  PartialList numerator;
  const auto addPair = [&numerator](Pair v) {
    numerator.add(v.hi);
    if (v.lo != 0) numerator.add(v.lo);
  };
  for (size_t i = 0; i < q.size(); ++i) addPair(twoProduct(q.data()[i], count));
  for (size_t i = 0; i < s.size(); ++i) {
    const double si = s.data()[i];
    addPair(twoProduct(-si, si));
    for (size_t j = i + 1; j < s.size(); ++j) addPair(twoProduct(-2 * si, s.data()[j]));
  }
  Pair v = pairOf(numerator);
  if (!(v.hi > 0)) return 0.0;
  v = divide(divide(v, count), static_cast<double>(divisor));
  if (!root) return std::ldexp(v.hi, 2 * k);
  const double r = std::sqrt(v.hi);
  const double correction = (std::fma(-r, r, v.hi) + v.lo) / (2 * r);
  return std::ldexp(r + correction, k);
}

}  // namespace narwe::exact
