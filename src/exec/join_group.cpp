// Aggregation over a join: the combined rows stream straight into the
// grouping or whole-table aggregation consumers, on one thread or on the
// chunk runner's workers, with nothing written in between.
#include <new>

#include "exec/aggregate_scan.h"
#include "exec/join.h"
#include "sql/select_item.h"

namespace narwe {
namespace {

// The join's combined rows as the aggregation's row source.
class JoinedRows final : public AggRowSource {
 public:
  JoinedRows(JoinedInput& input, const RunOptions& options, const JoinSettings& settings)
      : input_(input), options_(options), settings_(settings) {}

  const ScanHeader& header() const override { return input_.header; }
  unsigned workers() const override { return joinScanWorkers(input_, options_, settings_); }
  Status scan(const RowFilter& filter, AggRowConsumer& consumer) override {
    return scanJoinedRows(input_, filter, options_, settings_,
                          [&](RecordSlices fields, uint64_t chunk, unsigned worker) {
                            return consumer.row(fields, chunk, worker);
                          });
  }
  // Joined rows are only known by making them.
  Result<std::optional<uint64_t>> countRows() override { return std::optional<uint64_t>(); }

 private:
  JoinedInput& input_;
  const RunOptions& options_;
  const JoinSettings& settings_;
};

}  // namespace

Status executeJoinAggregate(const Query& query, OutputSink& out, const RunOptions& options,
                            const JoinSettings& settings) {
  try {
    // Without groups every item must be an aggregate, as over one file.
    if (query.group_by.empty() && !query.select_all && query.select_items) {
      for (const SelectItem& item : *query.select_items) {
        if (!item.is_aggregate) return Error::MixedAggregateAndNonAggregateSelect;
      }
    }
    JoinedInput input;
    NARWE_TRY(openJoinedInput(query, options, input));
    JoinedRows rows(input, options, settings);
    const Status done = query.group_by.empty()
                            ? aggregateTable(query, rows, out, options, AggScanSettings{})
                            : aggregateGroups(query, rows, out, options, AggScanSettings{});
    return explainNotFound(query, input.join, done);
  } catch (const std::bad_alloc&) {
    return Error::OutOfMemory;
  }
}

Status executeJoinAggregate(const Query& query, OutputSink& out, const RunOptions& options) {
  return executeJoinAggregate(query, out, options, JoinSettings{});
}

}  // namespace narwe
