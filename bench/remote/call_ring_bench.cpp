// What the ring of last calls costs a record loop over a child-process
// component. The loop reads records the proxy serves from its batch (the
// common case: nextRecord and getRecordValue without crossing to the child),
// through ExtensionWrapper at trace level 0. The ring cannot be left out of
// the shipped proxy, so the loop is paired with the same loop that notes
// every record once more in a ring of its own: the difference is the price of
// one note, and "ring/without" = loop / (loop - one note) is the ratio the
// ring costs against a proxy without it. Samples are taken in turns and the
// medians compared.
#include "median.h"
#include "remote/call_ring.h"
#include "remote/host_calls.h"
#include "remote/process.h"

#include <quex/quex.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kFields = 5;
constexpr size_t kRows = 400; // one batch of 2000 values
constexpr int kBatchesPerSample = 2000;

// A component whose batch is filled here, never by a child: the proxy serves
// it as it serves a batch that arrived.
class ServedBatch {
public:
  ServedBatch() {
    // The proxy starts no child before a component is made, and the process
    // below is never started.
    wrapper_.load("ring", "/nonexistent/ring", "/nonexistent/quex-child");
    Remote::Process::RecordBatch& batch = process_->batch();
    batch.values = std::make_unique<Remote::RemoteValueArray>(Remote::Role::Caller);
    batch.values->resize(kFields * kRows);
    const uint64_t number = 42;
    for (size_t i = 0; i < kFields * kRows; ++i)
      std::memcpy(batch.values->setLength(i, sizeof number), &number, sizeof number);
    batch.valuesPerRow = kFields;
    batch.rowsInBatch = kRows;
  }
  ~ServedBatch() { process_->batch().rowsInBatch = 0; }

  // One pass over the batch, as a host reads it; with `extraNotes`, one more
  // note per record in `ring`.
  uint64_t readBatch(bool extraNotes, Remote::CallRing& ring) {
    process_->batch().currentRow = UINT64_MAX; // the next nextRecord serves row 0
    void* component = process_.get();
    uint64_t sum = 0;
    int errorCode = 0;
    for (size_t row = 0; row < kRows; ++row) {
      wrapper_.qx_component_nextRecord(component, &errorCode);
      if (extraNotes) ring.note(Remote::host_call::kNextRecord, QX_OK);
      for (size_t field = 0; field < kFields; ++field) {
        void* value = nullptr;
        size_t length = 0;
        wrapper_.qx_component_getRecordValue(component, field, &value, &length, &errorCode);
        sum += length;
      }
    }
    return sum;
  }

private:
  ExtensionWrapper wrapper_;
  Remote::Process::Owned<> process_ = Remote::Process::create("/nonexistent/quex-child", nullptr);
};

double nanosecondsPerRecord(ServedBatch& served, bool extraNotes, Remote::CallRing& ring) {
  uint64_t sum = 0;
  const auto start = Clock::now();
  for (int batch = 0; batch < kBatchesPerSample; ++batch) sum += served.readBatch(extraNotes, ring);
  benchmark::DoNotOptimize(sum);
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
         (kBatchesPerSample * kRows);
}

void CallRingPerRecord(benchmark::State& state) {
  ServedBatch served;
  Remote::CallRing ring;
  std::vector<double> loop, withExtraNote;
  for (auto _ : state) {
    loop.push_back(nanosecondsPerRecord(served, false, ring));
    withExtraNote.push_back(nanosecondsPerRecord(served, true, ring));
  }
  const double shipped = median(loop);
  const double note = std::max(0.0, median(withExtraNote) - shipped);
  state.counters["ns_per_record"] = shipped;
  state.counters["ns_per_note"] = note;
  state.counters["ring/without"] = shipped / std::max(shipped - note, 1e-9);
}
BENCHMARK(CallRingPerRecord)->Iterations(30)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
