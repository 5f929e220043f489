// The read buffer both CSV readers keep: records are cut from it in place,
// and one record longer than the buffer makes it grow.
#pragma once

#include <cstddef>
#include <memory>

#include "common/error.h"

namespace narwe {

// Makes room for more input in `buffer` (`capacity` bytes, bytes
// [cursor, filled) not yet returned): the unreturned bytes move to the front;
// when they fill the whole buffer, one record is longer than it, and the
// buffer doubles, up to `limit` + 1 bytes. Errors: InvalidInput (that record
// holds a CR alone outside quotes: input whose lines end in CR alone is one
// endless record, refused here rather than read whole), FileTooBig (the
// buffer is already past `limit`), OutOfMemory.
Status makeRecordRoom(std::unique_ptr<char[]>& buffer, size_t& capacity, size_t& filled,
                      size_t& cursor, char delimiter, size_t limit);

}  // namespace narwe
