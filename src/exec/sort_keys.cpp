// ORDER BY term resolution and the several-key line comparator.
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

std::string_view extractLineField(std::string_view line, uint64_t column, char delimiter) {
  const size_t n = line.size();
  size_t pos = 0;
  for (uint64_t col = 0;; ++col) {
    std::string_view value;
    size_t next;
    if (pos < n && line[pos] == '"') {
      size_t i = pos + 1;
      while (i < n) {
        if (line[i] != '"') {
          ++i;
        } else if (i + 1 < n && line[i + 1] == '"') {
          i += 2;
        } else {
          break;
        }
      }
      // An unterminated quote runs to the end of the line.
      size_t end = i < n ? i : n;
      value = line.substr(pos + 1, end - (pos + 1));
      next = i < n ? i + 1 : n;
    } else {
      size_t end = line.find(delimiter, pos);
      if (end == std::string_view::npos) end = n;
      value = line.substr(pos, end - pos);
      next = end;
    }
    if (col == column) return value;
    if (next >= n || line[next] != delimiter) return {};
    pos = next + 1;
  }
}

bool MultiKeyCtx::lessThan(std::string_view a, std::string_view b) const {
  for (const ResolvedOrderKey& key : keys) {
    int c = compareKeyTexts(extractLineField(a, key.column, delimiter),
                            extractLineField(b, key.column, delimiter));
    if (c != 0) return key.descending ? c > 0 : c < 0;
  }
  return false;
}

MultiKeyCtx MultiKeyCtx::forKeyLines() const {
  MultiKeyCtx ctx;
  ctx.delimiter = delimiter;
  ctx.keys.reserve(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) ctx.keys.push_back({i, keys[i].descending});
  return ctx;
}

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
