// A bump allocator for scratch memory that lives as long as one row, one
// batch or one query.
//
// `reset()` forgets every allocation but keeps the largest block, so a per-row
// arena stops allocating from the heap after the first few rows. Not
// thread-safe: each thread owns its arenas.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace narwe {

class Arena {
 public:
  explicit Arena(size_t first_block = 4096) : next_block_size_(first_block) {}
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  Arena(Arena&&) = default;
  Arena& operator=(Arena&&) = default;

  // Returns `size` bytes aligned to 8. May throw std::bad_alloc (caught at
  // the thread entry and reported as OutOfMemory).
  char* allocate(size_t size) {
    size = (size + 7) & ~size_t{7};
    if (blocks_.empty() || used_ + size > blocks_[current_].size) grow(size);
    char* p = blocks_[current_].data.get() + used_;
    used_ += size;
    return p;
  }

  // Copies `text` into the arena and returns the copy.
  std::string_view copy(std::string_view text) {
    if (text.empty()) return {};
    char* p = allocate(text.size());
    std::memcpy(p, text.data(), text.size());
    return {p, text.size()};
  }

  // Forgets all allocations; keeps the blocks for reuse.
  void reset() {
    current_ = 0;
    used_ = 0;
  }

  // Bytes held from the heap (for tests and memory accounting).
  size_t capacity() const {
    size_t total = 0;
    for (const auto& b : blocks_) total += b.size;
    return total;
  }

 private:
  struct Block {
    std::unique_ptr<char[]> data;
    size_t size;
  };

  void grow(size_t need) {
    // Reuse a later block kept from before the last reset when it fits.
    while (!blocks_.empty() && current_ + 1 < blocks_.size()) {
      ++current_;
      used_ = 0;
      if (blocks_[current_].size >= need) return;
    }
    size_t size = next_block_size_;
    while (size < need) size *= 2;
    blocks_.push_back(Block{std::unique_ptr<char[]>(new char[size]), size});
    // Only a block that was really allocated raises the next block's size, so
    // one failed huge request does not inflate every later one.
    next_block_size_ = size * 2;
    current_ = blocks_.size() - 1;
    used_ = 0;
  }

  std::vector<Block> blocks_;
  size_t current_ = 0;
  size_t used_ = 0;
  size_t next_block_size_;
};

}  // namespace narwe
