// JSON escaping and number detection.
#include "io/json.h"

#include <cstring>
#include <new>
#include <stdexcept>

namespace narwe {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

size_t jsonPlainRunLength(const char* p, size_t n) {
  size_t i = 0;
  // Eight bytes at a time while no byte needs escaping; values are usually
  // short, so the scalar tail below does most of the work for them.
  constexpr size_t kWordBytes = byte_words::kWordBytes;
  while (i + kWordBytes <= n) {
    uint64_t word;
    std::memcpy(&word, p + i, kWordBytes);
    if (jsonEscapeMask(word) != 0) break;
    i += kWordBytes;
  }
  while (i < n && !jsonNeedsEscape(static_cast<unsigned char>(p[i]))) ++i;
  return i;
}

size_t jsonEscapeByte(unsigned char c, char out[kJsonEscapeMax]) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out[0] = '\\';
  switch (c) {
    case '"': out[1] = '"'; return 2;
    case '\\': out[1] = '\\'; return 2;
    case '\n': out[1] = 'n'; return 2;
    case '\r': out[1] = 'r'; return 2;
    case '\t': out[1] = 't'; return 2;
    default: break;
  }
  out[1] = 'u';
  out[2] = '0';
  out[3] = '0';
  out[4] = kHex[(c >> 4) & 0xF];
  out[5] = kHex[c & 0xF];
  return 6;
}

bool isJsonNumber(std::string_view text) {
  const size_t n = text.size();
  size_t i = 0;
  if (i < n && text[i] == '-') ++i;
  if (i >= n) return false;
  if (text[i] == '0') {
    ++i;
  } else if (text[i] >= '1' && text[i] <= '9') {
    while (i < n && isDigit(text[i])) ++i;
  } else {
    return false;
  }
  if (i < n && text[i] == '.') {
    size_t start = ++i;
    while (i < n && isDigit(text[i])) ++i;
    if (i == start) return false;
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t start = i;
    while (i < n && isDigit(text[i])) ++i;
    if (i == start) return false;
  }
  return i == n;
}

Status appendJsonEscapedToList(std::string& out, std::string_view text) {
  try {
    forEachJsonEscapedPiece(text, [&](const char* p, size_t len) {
      out.append(p, len);
      return true;
    });
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
  return okStatus();
}

Result<std::string> allocJsonKeyFragment(std::string_view name) {
  try {
    std::string fragment;
    fragment.reserve(kJsonKeyFragmentCapacity);
    fragment.push_back('"');
    NARWE_TRY(appendJsonEscapedToList(fragment, name));
    fragment.append("\":", 2);
    fragment.shrink_to_fit();
    return fragment;
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
