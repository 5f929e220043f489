// Building a row format (the JSON keys) and growing row buffers.
#include "io/row_format.h"

#include <new>
#include <stdexcept>

namespace narwe {
Result<RowFormat> RowFormat::create(OutputFormat format, char delimiter,
                                    std::span<const std::string_view> names) {
  RowFormat row_format;
  row_format.format_ = format;
  row_format.delimiter_ = delimiter;
  if (!row_format.json()) return row_format;
  try {
    row_format.key_ends_.reserve(names.size());
    for (std::string_view name : names) {
      NARWE_ASSIGN_OR_RETURN(std::string fragment, allocJsonKeyFragment(name));
      row_format.keys_ += fragment;
      row_format.key_ends_.push_back(row_format.keys_.size());
    }
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
  return row_format;
}

Result<RowFormat> RowFormat::create(OutputFormat format, char delimiter,
                                    std::span<const std::string> names) {
  std::vector<std::string_view> views;
  try {
    views.assign(names.begin(), names.end());
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
  return create(format, delimiter, std::span<const std::string_view>(views));
}

Result<char*> growForRow(std::string& out, size_t extra) {
  const size_t start = out.size();
  try {
    out.resize(start + extra);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  } catch (const std::length_error&) {
    return Error::OutOfMemory;
  }
  return out.data() + start;
}

}  // namespace narwe
