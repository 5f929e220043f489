// Splitting one record's bytes into fields, with quote pairs unescaped.
#include "io/field_splitter.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "io/block_classifier.h"
#include "io/field_split.h"

namespace narwe {
namespace {

constexpr char kQuote = '"';

// True when two quotes stand side by side somewhere in `text`.
bool containsQuotePair(std::string_view text) {
  using C = blocks::ActiveClassifier;
  const char* p = text.data();
  const size_t n = text.size();
  uint64_t carry = 0;  // the previous block ended with a quote
  for (size_t i = 0; i < n; i += blocks::kBlockSize) {
    const size_t chunk = n - i < blocks::kBlockSize ? n - i : blocks::kBlockSize;
    const uint64_t q = chunk == blocks::kBlockSize ? C::match(p + i, kQuote)
                                                   : blocks::matchPartial<C>(p + i, chunk, kQuote);
    if (q & ((q << 1) | carry)) return true;
    carry = q >> 63;
  }
  return false;
}

bool fieldContainsQuotePair(std::string_view text) {
  size_t from = 0;
  while (from < text.size()) {
    const void* hit = std::memchr(text.data() + from, kQuote, text.size() - from);
    if (hit == nullptr) return false;
    const size_t q = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (q + 1 < text.size() && text[q + 1] == kQuote) return true;
    from = q + 1;
  }
  return false;
}

}  // namespace

FieldSplitter::FieldSplitter()
    : fields_(std::make_unique<std::array<std::string_view, kRecordFieldCapacity>>()) {}

Result<std::span<const std::string_view>> FieldSplitter::split(std::string_view line) {
  scratch_.reset();
  std::string_view* table = fields_->data();
  NARWE_ASSIGN_OR_RETURN(const size_t count,
                         split::splitFields<blocks::ActiveClassifier>(line, table,
                                                                      kRecordFieldCapacity,
                                                                      delimiter_));
  if (containsQuotePair(line)) {
    try {
      for (size_t f = 0; f < count; ++f) {
        const std::string_view field = table[f];
        if (!fieldContainsQuotePair(field)) continue;
        char* out = scratch_.allocate(field.size());
        size_t len = 0;
        for (size_t i = 0; i < field.size(); ++i) {
          out[len++] = field[i];
          if (field[i] == kQuote && i + 1 < field.size() && field[i + 1] == kQuote) ++i;
        }
        table[f] = std::string_view(out, len);
      }
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
  }
  return std::span<const std::string_view>(table, count);
}

Result<Record> FieldSplitter::splitOwned(std::string_view line) {
  NARWE_ASSIGN_OR_RETURN(const std::span<const std::string_view> fields, split(line));
  try {
    return Record(fields.begin(), fields.end());
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
