// ArenaBuffer: a growable byte buffer in which executors build pre-formatted
// output lines (CSV lines, JSON objects) before handing them to the writer.
//
// Growth doubles the capacity (or takes exactly what is needed when that is
// more), resizing in place when the allocator can and moving otherwise. A
// view returned by `append` stays valid until the next append that grows the
// buffer; keep offsets, not views, across appends. Not thread-safe: each
// thread owns its buffers.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/error.h"

namespace narwe {

class ArenaBuffer {
 public:
  ArenaBuffer() = default;
  ArenaBuffer(const ArenaBuffer&) = delete;
  ArenaBuffer& operator=(const ArenaBuffer&) = delete;
  ArenaBuffer(ArenaBuffer&& other) noexcept;
  ArenaBuffer& operator=(ArenaBuffer&& other) noexcept;
  ~ArenaBuffer() { deinit(); }

  // Copies `bytes` to the end and returns where they now lie. OutOfMemory
  // (buffer unchanged) when the buffer cannot grow.
  Result<std::string_view> append(std::string_view bytes);

  // Appends one byte; OutOfMemory when the buffer cannot grow.
  Status appendByte(char c);

  // Makes room for `extra` more bytes without changing the contents.
  Status reserve(size_t extra);

  // Forgets the contents; keeps the capacity.
  void clear() { len_ = 0; }

  // Releases the memory; the buffer is empty afterwards and can be reused.
  void deinit();

  const char* data() const { return data_; }
  size_t size() const { return len_; }
  size_t capacity() const { return cap_; }
  std::string_view view() const { return {data_, len_}; }

 private:
  Status grow(size_t extra);

  char* data_ = nullptr;
  size_t cap_ = 0;
  size_t len_ = 0;
};

// Appends a quote, the JSON-escaped `text` and a quote.
Status appendJsonStringToArena(ArenaBuffer& buffer, std::string_view text);

}  // namespace narwe
