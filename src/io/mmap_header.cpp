// The header row of a mapped file and where its data starts.
#include <cstring>
#include <new>
#include <string>

#include "io/csv.h"
#include "io/simd.h"

namespace narwe {
namespace {

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
constexpr size_t kByteOrderMarkSize = sizeof(kByteOrderMark);

Result<MmapHeader> resolveUnguarded(std::string_view mapped, const InputOptions& options) {
  if (mapped.empty()) return Error::NoHeader;
  size_t begin = 0;
  if (mapped.size() >= kByteOrderMarkSize &&
      std::memcmp(mapped.data(), kByteOrderMark, kByteOrderMarkSize) == 0) {
    begin = kByteOrderMarkSize;
  }
  // The header row ends at the first LF, quoted or not.
  const void* lf = std::memchr(mapped.data() + begin, '\n', mapped.size() - begin);
  if (lf == nullptr) return Error::NoHeader;
  const size_t lf_index = static_cast<size_t>(static_cast<const char*>(lf) - mapped.data());
  const std::string_view row = stripRecordCr(mapped.substr(begin, lf_index - begin));

  std::vector<std::string_view> table(kHeaderFieldCapacity);
  NARWE_ASSIGN_OR_RETURN(const size_t count,
                         parseCSVFieldsStatic(row, table.data(), kHeaderFieldCapacity,
                                              options.delimiter));
  MmapHeader header;
  if (!options.no_header_input) {
    table.resize(count);
    header.names = std::move(table);
    header.data_start = lf_index + 1;
    header.owns_names = false;
    return header;
  }
  // Header-less: generated names c1..cN, all in one owned buffer.
  size_t total = 0;
  for (size_t i = 1; i <= count; ++i) total += 1 + std::to_string(i).size();
  header.owned_text.reserve(total);
  std::vector<size_t> lengths;
  lengths.reserve(count);
  for (size_t i = 1; i <= count; ++i) {
    const std::string name = "c" + std::to_string(i);
    header.owned_text.insert(header.owned_text.end(), name.begin(), name.end());
    lengths.push_back(name.size());
  }
  header.names.reserve(count);
  size_t offset = 0;
  for (const size_t len : lengths) {
    header.names.emplace_back(header.owned_text.data() + offset, len);
    offset += len;
  }
  header.data_start = 0;
  header.owns_names = true;
  return header;
}

}  // namespace

Result<MmapHeader> resolveMmapHeader(std::string_view mapped, const InputOptions& options) {
  try {
    return resolveUnguarded(mapped, options);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
