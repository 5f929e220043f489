// Name index construction.
#include "common/name_index.h"

#include "common/text.h"

namespace narwe {

std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string lowerTrimmedName(std::string_view name) { return asciiLower(trimHeaderName(name)); }

NameIndex buildNameIndex(const std::vector<std::string_view>& headers) {
  NameIndex index;
  index.reserve(headers.size());
  for (size_t position = 0; position < headers.size(); ++position) {
    index.emplace(lowerTrimmedName(headers[position]), position);  // first wins
  }
  return index;
}

}  // namespace narwe
