// Field splitting of one record on the block masks.
#include "io/simd.h"

#include "io/field_split.h"

namespace narwe {

Result<size_t> parseCSVFieldsStatic(std::string_view line, std::string_view* table,
                                    size_t capacity, char delimiter) {
  return split::splitFields<blocks::ActiveClassifier>(line, table, capacity, delimiter);
}

}  // namespace narwe
