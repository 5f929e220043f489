// Scalar-select detection and table-alias removal.
#include "scalar/rewrite.h"

#include <new>

#include "sql/parser.h"
#include "sql/select_item.h"

namespace narwe {

bool hasScalarSelectFunctions(const Query& query) {
  if (query.select_all || !query.select_items) return false;
  for (const SelectItem& item : *query.select_items) {
    if (item.needs_scalar) return true;
  }
  return false;
}

Result<std::string> dealiasText(std::string_view text, const std::vector<std::string>& aliases,
                                const TextSet& ambiguous_names) {
  try {
    return stripQualifiers(text, aliases, &ambiguous_names);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

}  // namespace narwe
