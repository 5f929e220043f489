// ORDER BY term resolution.
#include "exec/sort_keys.h"

#include "common/numbers.h"
#include "common/text.h"

namespace narwe {
namespace {

// An unsigned decimal integer made of digits only (no sign); empty on
// anything else or on overflow.
std::optional<uint64_t> parsePosition(std::string_view term) {
  if (term.empty() || term[0] < '0' || term[0] > '9') return std::nullopt;
  Result<uint64_t> value = parseUint64(term);
  if (!value.ok()) return std::nullopt;
  return *value;
}

template <typename Name>
std::optional<size_t> resolveImpl(std::string_view term, std::span<const Name> output_names,
                                  std::span<const std::optional<size_t>> plain_sources,
                                  std::span<const std::string_view> header_names) {
  if (std::optional<uint64_t> n = parsePosition(term); n && *n >= 1 && *n - 1 < output_names.size()) {
    return static_cast<size_t>(*n - 1);
  }
  for (size_t i = 0; i < output_names.size(); ++i) {
    if (equalsIgnoreCase(std::string_view(output_names[i]), term)) return i;
  }
  for (size_t i = 0; i < plain_sources.size(); ++i) {
    const std::optional<size_t>& source = plain_sources[i];
    if (!source || *source >= header_names.size()) continue;
    if (equalsIgnoreCase(trimHeaderName(header_names[*source]), term)) return i;
  }
  return std::nullopt;
}

}  // namespace

Result<std::optional<size_t>> resolveOrderByIdx(std::string_view term,
                                                std::span<const std::string_view> output_names,
                                                std::span<const std::optional<size_t>> plain_sources,
                                                std::span<const std::string_view> header_names) {
  return resolveImpl(term, output_names, plain_sources, header_names);
}

Result<std::optional<size_t>> resolveOrderByIdx(std::string_view term,
                                                std::span<const std::string> output_names,
                                                std::span<const std::optional<size_t>> plain_sources,
                                                std::span<const std::string_view> header_names) {
  return resolveImpl(term, output_names, plain_sources, header_names);
}

}  // namespace narwe
