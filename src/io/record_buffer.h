// The read buffer both CSV readers keep, and the one loop that finds whole
// records in it: records are cut from the buffer in place, and one record
// longer than the buffer makes it grow.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "common/error.h"

namespace narwe {

struct RecordBuffer {
  // Reads up to `room` bytes of the reader's input into `dst`; 0 at its end.
  using ReadFn = Result<size_t> (*)(void* input, char* dst, size_t room);

  std::unique_ptr<char[]> data;
  size_t capacity = 0;
  size_t filled = 0;  // bytes of `data` read so far
  size_t cursor = 0;  // first byte not yet returned in a record
  bool end_of_input = false;

  // Reads more input after the filled bytes; sets end_of_input on 0 bytes.
  Status fill(ReadFn read, void* input);

  // The bytes of the next record (line ending and a final CR removed), or
  // nullopt at the end of the input. The scan resumes where it stopped after
  // each refill, carrying its state, so a record spanning many refills is
  // scanned once. Errors: FileTooBig (a record longer than the record limit
  // of io/record_limit.h), InvalidInput (a record that outgrows the buffer
  // holds a CR alone outside quotes: input whose lines end in CR alone is one
  // endless record, refused rather than read whole), OutOfMemory, and those
  // of `read`.
  Result<std::optional<std::string_view>> nextRecord(char delimiter, ReadFn read, void* input);

 private:
  // Moves the unreturned bytes to the front; when they fill the whole buffer
  // it doubles, up to `limit` + 1 bytes.
  Status makeRoom(char delimiter, size_t limit);
};

}  // namespace narwe
