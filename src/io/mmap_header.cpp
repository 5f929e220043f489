// The header row of a file's bytes in memory and where its data starts.
#include <new>
#include <stdexcept>
#include <string>

#include "io/csv.h"
#include "io/field_splitter.h"

namespace narwe {
namespace {

// Points `header.names` at copies of `names` held in `header.owned_text`.
void ownNames(MmapHeader& header, const std::vector<std::string_view>& names) {
  size_t total = 0;
  for (const std::string_view name : names) total += name.size();
  header.owned_text.reserve(total);  // no reallocation below: views stay valid
  for (const std::string_view name : names) {
    header.owned_text.insert(header.owned_text.end(), name.begin(), name.end());
  }
  header.names.reserve(names.size());
  size_t offset = 0;
  for (const std::string_view name : names) {
    header.names.emplace_back(header.owned_text.data() + offset, name.size());
    offset += name.size();
  }
  header.owns_names = true;
}

Result<MmapHeader> resolveUnguarded(std::string_view mapped, const InputOptions& options) {
  const size_t begin = byteOrderMarkSize(mapped);
  if (begin >= mapped.size()) return Error::NoHeader;
  // The header row ends where the file reader's first record ends.
  const std::optional<size_t> lf =
      findRecordEnd(mapped.data(), mapped.size(), begin, options.delimiter);
  const size_t end = lf ? *lf : mapped.size();
  const std::string_view row = stripRecordCr(mapped.substr(begin, end - begin));

  FieldSplitter splitter;
  splitter.setDelimiter(options.delimiter);
  NARWE_ASSIGN_OR_RETURN(const std::span<const std::string_view> fields, splitter.split(row));
  MmapHeader header;
  if (!options.no_header_input) {
    ownNames(header, std::vector<std::string_view>(fields.begin(), fields.end()));
    header.data_start = lf ? *lf + 1 : mapped.size();
    return header;
  }
  // Header-less: generated names c1..cN.
  std::vector<std::string> generated;
  generated.reserve(fields.size());
  for (size_t i = 1; i <= fields.size(); ++i) generated.push_back("c" + std::to_string(i));
  ownNames(header, std::vector<std::string_view>(generated.begin(), generated.end()));
  header.data_start = 0;
  return header;
}

}  // namespace

Result<MmapHeader> resolveMmapHeader(std::string_view mapped, const InputOptions& options) {
  try {
    return resolveUnguarded(mapped, options);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
