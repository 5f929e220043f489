// Scalar-select detection and table-alias removal.
#include "scalar/rewrite.h"

#include <new>

#include "sql/parser.h"
#include "sql/select_item.h"

namespace narwe {

bool hasScalarSelectFunctions(const Query& query) {
  if (query.select_all) return false;
  const std::shared_ptr<const std::vector<SelectItem>> items = selectItemsOf(query);
  if (!items) return false;
  for (const SelectItem& item : *items) {
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
