// Name index construction.
#include "common/name_index.h"

namespace narwe {

std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string lowerTrimmedName(std::string_view name) {
  auto strip = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!name.empty() && strip(name.front())) name.remove_prefix(1);
  while (!name.empty() && strip(name.back())) name.remove_suffix(1);
  return asciiLower(name);
}

NameIndex buildNameIndex(const std::vector<std::string_view>& headers) {
  NameIndex index;
  index.reserve(headers.size());
  for (size_t position = 0; position < headers.size(); ++position) {
    index.emplace(lowerTrimmedName(headers[position]), position);  // first wins
  }
  return index;
}

}  // namespace narwe
