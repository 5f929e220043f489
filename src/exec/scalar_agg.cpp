// The whole-table aggregate executor: one accumulator per worker, merged in
// worker order after the scan (the merge is exact, so the order does not
// change the result), one output row. A lone count(*) without WHERE and
// HAVING only counts records.
#include <memory>
#include <new>
#include <vector>

#include "common/numbers.h"
#include "exec/aggregate_plan.h"
#include "exec/aggregate_scan.h"
#include "exec/executors.h"
#include "io/record_writer.h"

namespace narwe {
namespace {

class TableRows final : public AggRowConsumer {
 public:
  explicit TableRows(const AggregatePlan& plan) : plan_(plan) {}

  Status init(unsigned workers) {
    try {
      for (unsigned w = 0; w < workers; ++w) {
        NARWE_ASSIGN_OR_RETURN(GroupAccum accum, GroupAccum::create(*plan_.layout));
        accums_.push_back(std::move(accum));
      }
    } catch (const std::bad_alloc&) {
      return Error::OutOfMemory;
    }
    return okStatus();
  }

  Status row(std::span<const std::string_view> fields, uint64_t chunk, unsigned worker) override {
    return applyRow(plan_.specs, *plan_.layout, accums_[worker], fields, chunk);
  }

  // Every worker's accumulator folded into the first.
  Result<GroupAccum*> merged() {
    for (size_t w = 1; w < accums_.size(); ++w) {
      NARWE_TRY(accums_[0].merge(*plan_.layout, accums_[w]));
    }
    return &accums_[0];
  }

 private:
  const AggregatePlan& plan_;
  std::vector<GroupAccum> accums_;
};

// count(*) alone, without WHERE or HAVING: the record count answers it.
bool countsRecordsOnly(const Query& query, const AggregatePlan& plan) {
  if (query.where || query.having || plan.specs.size() != 1) return false;
  const AggSpec& spec = plan.specs[0];
  return spec.accum.kind == AggKind::count && spec.accum.counts_rows && !spec.case_agg;
}

}  // namespace

Status aggregateTable(const Query& query, AggRowSource& source, OutputSink& out,
                      const RunOptions& options, const AggScanSettings&) {
  AggregatePlan plan;
  NARWE_TRY(buildTablePlan(query, source.header(), options.strict, plan));
  NARWE_ASSIGN_OR_RETURN(RecordWriter writer,
                         RecordWriter::init(out, options.format, options.delimiter));
  NARWE_TRY(writer.writeHeader(std::span<const std::string>(plan.names), options.omit_header));

  std::vector<std::string> finals(plan.specs.size());
  std::optional<uint64_t> records;
  if (countsRecordsOnly(query, plan)) {
    NARWE_ASSIGN_OR_RETURN(records, source.countRows());
  }
  if (records) {
    char text[kNumberTextMax];
    finals[0].assign(text, formatInt(static_cast<int64_t>(*records), text));
  } else {
    TableRows rows(plan);
    NARWE_TRY(rows.init(source.workers()));
    NARWE_TRY(source.scan(plan.where, rows));
    NARWE_ASSIGN_OR_RETURN(GroupAccum * accum, rows.merged());
    for (size_t i = 0; i < finals.size(); ++i) NARWE_TRY(accum->finish(*plan.layout, i, finals[i]));
  }
  Arena scratch;
  std::vector<std::string_view> values;
  const bool keep = finalRow(plan, {}, finals, scratch, values);
  if (keep && query.limit != 0 && query.offset == 0) {
    NARWE_TRY(writer.writeRecord(std::span<const std::string_view>(values)));
  }
  NARWE_TRY(writer.finish());
  return writer.flush();
}

}  // namespace narwe
