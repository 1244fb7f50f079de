// Input records read through the QXIterator table at trace level 0, against
// the same host subclass called directly. The subclass lives in its own source
// file, so the baseline is a true virtual call, as a module's table member
// makes it. Baseline and table run in the same process; the ratios are
// printed at the end.
#include <quex/quex.hpp>

#include "memory_records.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr size_t kFields = 10;
constexpr size_t kBulkValues = 2000;

// Hidden from the optimiser, as a module's view of the host would be.
const std::unique_ptr<QXIteratorWrapper> records = makeMemoryRecords(kFields);
QXIteratorWrapper* volatile hostObject = records.get();
QXIterator* volatile table = QXIteratorFactory::create(records.get());

void Direct_RecordByRecord(benchmark::State& state) {
  ExtensionWrapper::setTraceLevel(0);
  QXIteratorWrapper* host = hostObject;
  int errorCode = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(host->nextRecord(&errorCode));
    for (size_t f = 0; f < kFields; ++f) {
      void* value = nullptr;
      size_t length = 0;
      benchmark::DoNotOptimize(host->getRecordValue(f, &value, &length, &errorCode));
      benchmark::DoNotOptimize(value);
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void Table_RecordByRecord(benchmark::State& state) {
  ExtensionWrapper::setTraceLevel(0);
  QXIterator* t = table;
  int errorCode = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t->nextRecord(t->owner, &errorCode));
    for (size_t f = 0; f < kFields; ++f) {
      void* value = nullptr;
      size_t length = 0;
      benchmark::DoNotOptimize(t->getRecordValue(t->owner, f, &value, &length, &errorCode));
      benchmark::DoNotOptimize(value);
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void Direct_BulkFetch2000(benchmark::State& state) {
  ExtensionWrapper::setTraceLevel(0);
  QXIteratorWrapper* host = hostObject;
  std::vector<void*> values(kBulkValues);
  std::vector<size_t> lengths(kBulkValues);
  int errorCode = 0;
  for (auto _ : state) {
    size_t fields = 0, count = 0;
    benchmark::DoNotOptimize(
        host->bulkFetch(kBulkValues, values.data(), lengths.data(), &fields, &count, &errorCode));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBulkValues);
}

void Table_BulkFetch2000(benchmark::State& state) {
  ExtensionWrapper::setTraceLevel(0);
  QXIterator* t = table;
  std::vector<void*> values(kBulkValues);
  std::vector<size_t> lengths(kBulkValues);
  int errorCode = 0;
  for (auto _ : state) {
    size_t fields = 0, count = 0;
    benchmark::DoNotOptimize(t->bulkFetch(t->owner, kBulkValues, values.data(), lengths.data(),
                                          &fields, &count, &errorCode));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBulkValues);
}

// Prints "Table_X / Direct_X" for every pair once the runs are done.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (!run.error_occurred) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, time] : times_) {
      if (name.rfind("Table_", 0) != 0) continue;
      const auto baseline = times_.find("Direct_" + name.substr(6));
      if (baseline != times_.end() && baseline->second > 0)
        std::printf("ratio %s / %s = %.2fx\n", name.c_str(), baseline->first.c_str(),
                    time / baseline->second);
    }
  }

private:
  std::map<std::string, double> times_;
};

} // namespace

BENCHMARK(Direct_RecordByRecord);
BENCHMARK(Table_RecordByRecord);
BENCHMARK(Direct_BulkFetch2000);
BENCHMARK(Table_BulkFetch2000);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
