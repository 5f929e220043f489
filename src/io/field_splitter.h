// The one reading of a record's bytes into fields, shared by every reader.
//
// Every reader of this module -- the buffered file reader, the streaming
// reader of standard input, the header readers -- finds a record's bytes with
// the scanner of io/record_scan.h, drops one CR before the record-ending LF
// (stripRecordCr in io/csv.h) and hands the bytes to a `FieldSplitter`, so the
// same bytes give the same fields, or the same error, on every route:
//  - fields are cut at the delimiter; a quote opens a quoted field only as a
//    field's first byte, and the field is the bytes up to the closing quote
//    (delimiters, CR and LF inside are data); bytes after the closing quote
//    up to the next delimiter are dropped; an unterminated quoted field runs
//    to the end of the record;
//  - every field holding a quote pair, quoted or not, gets each pair read as
//    one quote; any other quote is data;
//  - an empty record is one empty field; a trailing delimiter gives a final
//    empty field;
//  - at most kRecordFieldCapacity (256) fields: more is TooManyColumns;
//  - a CR outside quoted fields (a lone CR, which is no line ending here) is
//    InvalidInput, whatever else the record holds.
//
// It also names the start-of-input rule: a UTF-8 byte-order mark before the
// first record is skipped by every reader.
//
// One splitter belongs to one thread.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/arena.h"
#include "common/error.h"
#include "io/simd.h"

namespace narwe {

// An owned record: one string per field, in order.
using Record = std::vector<std::string>;

// The UTF-8 byte-order mark.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The length of the byte-order mark that `head` (an input's first bytes)
// starts with: 3 or 0.
inline size_t byteOrderMarkSize(std::string_view head) {
  return head.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

class FieldSplitter {
 public:
  FieldSplitter();
  FieldSplitter(FieldSplitter&&) = default;
  FieldSplitter& operator=(FieldSplitter&&) = default;

  void setDelimiter(char delimiter) { delimiter_ = delimiter; }
  char delimiter() const { return delimiter_; }

  // The fields of one record's bytes (without the line ending) as slices
  // into `line` or into the splitter's scratch (unescaped fields), valid
  // until the next call. No heap allocation for records without quote
  // pairs. Errors: TooManyColumns, InvalidInput, OutOfMemory.
  Result<std::span<const std::string_view>> split(std::string_view line);

  // The same fields, owned.
  Result<Record> splitOwned(std::string_view line);

 private:
  std::unique_ptr<std::array<std::string_view, kRecordFieldCapacity>> fields_;
  Arena scratch_;
  char delimiter_ = ',';
};

}  // namespace narwe
