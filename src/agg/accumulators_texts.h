// A compact set of texts for count(DISTINCT) and for distinct group keys.
//
// Open addressing over 16-byte slots (a pointer to the stored copy, its
// length and 32 bits of its hash) with the copies packed into byte blocks
// that grow from 64 bytes, so an empty or small set costs little (one per
// group) and a set of millions of texts costs about 21 bytes per text beyond
// the texts themselves, a third of a node-based hash set.
//
// Not synchronised (ShardedDistinctSet adds the locking). insert may throw
// std::bad_alloc; the set stays valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace narwe {

class DistinctTexts {
 public:
  static uint64_t hashOf(std::string_view text);

  // True when `text` was not yet in the set (a copy is stored).
  bool insert(std::string_view text) { return insertHashed(text, hashOf(text)); }
  // The same with the text's hashOf already computed.
  bool insertHashed(std::string_view text, uint64_t hash);
  bool contains(std::string_view text) const;
  size_t size() const { return size_; }

  // Calls visit(std::string_view) for every text, in no particular order.
  template <class Visit>
  void forEach(Visit&& visit) const {
    for (size_t i = 0; i < capacity_; ++i) {
      if (slots_[i].data != nullptr) visit(std::string_view(slots_[i].data, slots_[i].length));
    }
  }

 private:
  struct Slot {
    const char* data = nullptr;  // null: free; the empty text points at a static byte
    uint32_t length = 0;
    uint32_t tag = 0;            // the hash's upper half
  };
  size_t find(std::string_view text, uint64_t hash) const;  // slot index, or capacity_
  void grow();
  const char* store(std::string_view text);

  std::unique_ptr<Slot[]> slots_;
  size_t capacity_ = 0;  // a power of two, or 0
  size_t size_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* cursor_ = nullptr;
  size_t left_ = 0;
  size_t next_block_ = 64;
};

}  // namespace narwe
