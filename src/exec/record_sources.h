// Record sources for the row loop (row_scan.h): adapters that give the
// readers of io one shape, `next()` -> the next record as field slices or
// nullopt at the end; the chunk source gives a parallel worker's chunk the
// same shape.
//
// A source belongs to one thread and borrows its reader.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "exec/chunk_runner.h"
#include "exec/row_scan.h"
#include "io/block_classifier.h"
#include "io/bulk_csv.h"
#include "io/csv.h"
#include "io/field_splitter.h"
#include "io/record_limit.h"
#include "io/record_scan.h"

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

// The records of one chunk of the chunk runner (whole records in memory),
// cut by the one record-end scanner and split by a FieldSplitter of the
// worker's, so they read exactly as the file reader reads them: the same
// record ends, CR rule, record limit and field splitting.
class ChunkRecordSource {
 public:
  ChunkRecordSource(const FileChunk& chunk, FieldSplitter& splitter)
      : data_(chunk.data), size_(chunk.size), splitter_(&splitter), limit_(maxRecordBytes()) {}

  Result<std::optional<RecordSlices>> next() {
    if (cursor_ >= size_) return std::optional<RecordSlices>();
    scan::ScanState state = scan::ScanState::RecordStart;
    const size_t lf = scan::scanForRecordEnd<blocks::ActiveClassifier>(
        data_, size_, cursor_, state, splitter_->delimiter());
    const size_t end = lf == scan::kNoRecordEnd ? size_ : lf;
    if (end - cursor_ > limit_) return Error::FileTooBig;
    const std::string_view bytes(data_ + cursor_, end - cursor_);
    cursor_ = end + 1;
    NARWE_ASSIGN_OR_RETURN(RecordSlices fields, splitter_->split(stripRecordCr(bytes)));
    return std::optional<RecordSlices>(fields);
  }

 private:
  const char* data_;
  size_t size_;
  size_t cursor_ = 0;
  FieldSplitter* splitter_;
  size_t limit_;
};

static_assert(RecordSource<BulkRecordSource>);
static_assert(RecordSource<StreamRecordSource>);
static_assert(RecordSource<ChunkRecordSource>);
static_assert(RecordSource<VectorRecordSource>);

}  // namespace narwe
