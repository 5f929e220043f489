// In-memory splitting of one CSV record into borrowed field slices.
//
// parseCSVFieldsStatic cuts a record (its bytes without the line ending) at
// the delimiter, honouring quoted fields, without copying: every slice points
// into `line`. Quoted fields come back without their quotes but with quote
// pairs still doubled; callers that need the value unescape them. Bytes after
// a closing quote up to the next delimiter are dropped. An empty record is
// one empty field, a trailing delimiter adds a final empty field.
//
// Pure function; thread-safe.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/error.h"

namespace narwe {

// The most fields a record may have on every route, header included.
constexpr size_t kRecordFieldCapacity = 256;

// Writes at most `capacity` fields of `line` into `table` and returns how
// many (at least 1). More than `capacity` fields give TooManyColumns; a CR
// outside quoted fields (the line ending is not part of `line`) gives
// InvalidInput, whatever the field count.
Result<size_t> parseCSVFieldsStatic(std::string_view line, std::string_view* table,
                                    size_t capacity, char delimiter);

}  // namespace narwe
