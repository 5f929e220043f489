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

// Field capacities used by the callers: data rows, header rows, join rows.
constexpr size_t kRecordFieldCapacity = 256;
constexpr size_t kHeaderFieldCapacity = 4096;
constexpr size_t kJoinFieldCapacity = 512;

// Writes at most `capacity` fields of `line` into `table` and returns how
// many (at least 1). More than `capacity` fields give TooManyColumns.
Result<size_t> parseCSVFieldsStatic(std::string_view line, std::string_view* table,
                                    size_t capacity, char delimiter);

}  // namespace narwe
