// ArenaBuffer growth and the JSON string append.
#include "io/arena_buffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "io/json.h"

namespace narwe {

ArenaBuffer::ArenaBuffer(ArenaBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      cap_(std::exchange(other.cap_, 0)),
      len_(std::exchange(other.len_, 0)) {}

ArenaBuffer& ArenaBuffer::operator=(ArenaBuffer&& other) noexcept {
  if (this != &other) {
    deinit();
    data_ = std::exchange(other.data_, nullptr);
    cap_ = std::exchange(other.cap_, 0);
    len_ = std::exchange(other.len_, 0);
  }
  return *this;
}

void ArenaBuffer::deinit() {
  std::free(data_);
  data_ = nullptr;
  cap_ = 0;
  len_ = 0;
}

Status ArenaBuffer::grow(size_t extra) {
  if (extra > std::numeric_limits<size_t>::max() - len_) return Error::OutOfMemory;
  const size_t needed = len_ + extra;
  size_t new_cap = needed;
  if (cap_ <= std::numeric_limits<size_t>::max() / 2 && cap_ * 2 > needed) new_cap = cap_ * 2;
  // realloc resizes in place when it can and otherwise moves the contents to
  // a new block and frees the old one.
  void* p = std::realloc(data_, new_cap);
  if (p == nullptr) return Error::OutOfMemory;
  data_ = static_cast<char*>(p);
  cap_ = new_cap;
  return okStatus();
}

Status ArenaBuffer::reserve(size_t extra) {
  if (extra <= cap_ - len_) return okStatus();
  return grow(extra);
}

Result<std::string_view> ArenaBuffer::append(std::string_view bytes) {
  if (bytes.empty()) return std::string_view(data_ == nullptr ? "" : data_ + len_, 0);
  if (bytes.size() > cap_ - len_) NARWE_TRY(grow(bytes.size()));
  char* dest = data_ + len_;
  std::memcpy(dest, bytes.data(), bytes.size());
  len_ += bytes.size();
  return std::string_view(dest, bytes.size());
}

Status ArenaBuffer::appendByte(char c) {
  if (len_ == cap_) NARWE_TRY(grow(1));
  data_[len_++] = c;
  return okStatus();
}

Status appendJsonStringToArena(ArenaBuffer& buffer, std::string_view text) {
  NARWE_TRY(buffer.appendByte('"'));
  Error failure = Error::None;
  forEachJsonEscapedPiece(text, [&](const char* p, size_t len) {
    auto r = buffer.append(std::string_view(p, len));
    if (!r.ok()) failure = r.error();
    return r.ok();
  });
  if (failure != Error::None) return failure;
  return buffer.appendByte('"');
}

}  // namespace narwe
