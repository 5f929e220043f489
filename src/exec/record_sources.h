// Record sources for the row loop (row_scan.h): adapters that give the
// readers of io one shape, `next()` -> the next record as field slices or
// nullopt at the end. A positioned-read reader of one byte range of a file
// (a parallel worker's chunk) plugs in the same way.
//
// A source belongs to one thread and borrows its reader.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "exec/row_scan.h"
#include "io/bulk_csv.h"
#include "io/csv.h"

namespace narwe {

// The buffered file reader: slices borrowed from its buffer.
class BulkRecordSource {
 public:
  explicit BulkRecordSource(BulkCsvReader& reader) : reader_(&reader) {}
  Result<std::optional<RecordSlices>> next() { return reader_->readRecordSlices(); }

 private:
  BulkCsvReader* reader_;
};

// The streaming reader (standard input): each record is owned and kept
// until the next call.
class StreamRecordSource {
 public:
  explicit StreamRecordSource(CsvReader& reader) : reader_(&reader) {}
  Result<std::optional<RecordSlices>> next() {
    NARWE_ASSIGN_OR_RETURN(std::optional<Record> record, reader_->readRecord());
    if (!record) return std::optional<RecordSlices>();
    current_ = std::move(*record);
    slices_.assign(current_.begin(), current_.end());
    return std::optional<RecordSlices>(slices_);
  }

 private:
  CsvReader* reader_;
  Record current_;
  std::vector<std::string_view> slices_;
};

// Records already in memory (tests, and rows handed from one stage to
// another).
class VectorRecordSource {
 public:
  explicit VectorRecordSource(std::span<const std::vector<std::string_view>> records)
      : records_(records) {}
  Result<std::optional<RecordSlices>> next() {
    if (next_ >= records_.size()) return std::optional<RecordSlices>();
    return std::optional<RecordSlices>(records_[next_++]);
  }

 private:
  std::span<const std::vector<std::string_view>> records_;
  size_t next_ = 0;
};

static_assert(RecordSource<BulkRecordSource>);
static_assert(RecordSource<StreamRecordSource>);
static_assert(RecordSource<VectorRecordSource>);

}  // namespace narwe
