// Open-addressing text set with packed copies.
#include "agg/accumulators_texts.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

namespace narwe {
namespace {

constexpr size_t kFirstCapacity = 8;
constexpr size_t kLargestBlock = 1024 * 1024;
// Where the empty text points: a slot's null pointer means "free".
constexpr char kEmptyText[1] = {0};

uint32_t tagOf(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

}  // namespace

uint64_t DistinctTexts::hashOf(std::string_view text) {
  return std::hash<std::string_view>{}(text);
}

size_t DistinctTexts::find(std::string_view text, uint64_t hash) const {
  if (capacity_ == 0) return 0;
  const size_t mask = capacity_ - 1;
  const uint32_t tag = tagOf(hash);
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.data == nullptr) return i;
    // The empty text may come without storage (a null view): never compared.
    if (slot.tag == tag && slot.length == text.size() &&
        (text.empty() || std::memcmp(slot.data, text.data(), text.size()) == 0)) {
      return i;
    }
  }
}

bool DistinctTexts::contains(std::string_view text) const {
  if (capacity_ == 0) return false;
  return slots_[find(text, hashOf(text))].data != nullptr;
}

bool DistinctTexts::insertHashed(std::string_view text, uint64_t hash) {
  if (text.size() > UINT32_MAX) throw std::bad_alloc();
  // At most three quarters full, so probes stay short and one slot is free.
  if ((size_ + 1) * 4 > capacity_ * 3) grow();
  const size_t i = find(text, hash);
  if (slots_[i].data != nullptr) return false;
  const char* copy = store(text);
  slots_[i] = Slot{copy, static_cast<uint32_t>(text.size()), tagOf(hash)};
  ++size_;
  return true;
}

void DistinctTexts::grow() {
  const size_t capacity = capacity_ == 0 ? kFirstCapacity : capacity_ * 2;
  std::unique_ptr<Slot[]> slots(new Slot[capacity]);
  const size_t mask = capacity - 1;
  for (size_t k = 0; k < capacity_; ++k) {
    const Slot& old = slots_[k];
    if (old.data == nullptr) continue;
    size_t i = hashOf(std::string_view(old.data, old.length)) & mask;
    while (slots[i].data != nullptr) i = (i + 1) & mask;
    slots[i] = old;
  }
  slots_ = std::move(slots);
  capacity_ = capacity;
}

const char* DistinctTexts::store(std::string_view text) {
  if (text.empty()) return kEmptyText;
  if (left_ < text.size()) {
    const size_t size = std::max(next_block_, text.size());
    blocks_.reserve(blocks_.size() + 1);
    blocks_.emplace_back(new char[size]);
    cursor_ = blocks_.back().get();
    left_ = size;
    next_block_ = std::min(next_block_ * 2, kLargestBlock);
  }
  char* copy = cursor_;
  std::memcpy(copy, text.data(), text.size());
  cursor_ += text.size();
  left_ -= text.size();
  return copy;
}

}  // namespace narwe
