// The values a median keeps, and the median's selection.
//
// Values are stored in blocks of kBlockValues: a group with few values holds
// one small vector, a group with millions holds full blocks plus the growing
// last one, so memory stays close to eight bytes per value instead of the
// up-to-threefold peak of one vector that doubles and copies. Selection runs
// in place over the blocks (std::nth_element: linear on average, never
// quadratic whatever the input order).
//
// Not synchronised. push and append may throw std::bad_alloc; the object
// stays valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace narwe {

class MedianValues {
 public:
  static constexpr size_t kBlockValues = 8192;

  void push(double value);
  void append(const MedianValues& other);
  size_t size() const { return full_.size() * kBlockValues + tail_.size(); }
  double& at(size_t i) {
    const size_t in_full = full_.size() * kBlockValues;
    return i < in_full ? full_[i / kBlockValues][i % kBlockValues] : tail_[i - in_full];
  }

  // Appends the median's text: the value of rank n/2 (0-based) for odd n,
  // the mean of the two middle values for even n; NaN orders after every
  // number. Nothing for no values. Reorders the values.
  void appendMedian(std::optional<uint8_t> round_digits, std::string& out);

 private:
  std::vector<std::vector<double>> full_;  // each exactly kBlockValues long
  std::vector<double> tail_;
};

}  // namespace narwe
