// Records out of process against records in process and against the bound a
// batch cannot beat. 1,000,000 records of 5 eight-byte values are read with
// qx_component_nextRecord + qx_component_getRecordValue and with
// qx_component_bulkFetch, in both modes. Out of process one batch of 2000
// values (400 records) costs one round trip plus one copy of its bytes, so the
// paired benchmark times 400 records against a bare semaphore ping-pong with a
// child plus a memcpy of 16,000 bytes, in turns, and compares medians. The
// component start (create to first record) is paired with a start of the
// child program to its first reply.
#include "platform/named_semaphore.h"
#include "platform/shared_region.h"
#include "remote/process.h"
#include "remote/protocol/region_header.h"

#include <quex/quex.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using quex::platform::NamedSemaphore;
using quex::platform::SharedRegion;

constexpr size_t kRecords = 1000000;
constexpr size_t kFields = 5;
constexpr size_t kBatchValues = 2000;
constexpr size_t kBatchRecords = kBatchValues / kFields;
constexpr size_t kBatchBytes = kBatchValues * 8;

// One module loaded in one mode, with the host tables it needs.
class Hosted {
public:
  explicit Hosted(bool inChild) : inChild_(inChild) {
    if (!wrapper_.load("record_source", RECORD_SOURCE_PATH, inChild ? QUEX_CHILD_PROGRAM : nullptr))
      throw std::runtime_error("cannot load record_source: " + wrapper_.getError());
    int errorCode = 0;
    if (wrapper_.qx_initialise(QXHostFactory::create(host_.get()), &errorCode) != QX_OK)
      throw std::runtime_error("record_source does not start");
  }
  ~Hosted() {
    int errorCode = 0;
    wrapper_.qx_cleanup(&errorCode);
  }
  void* create(const char* records) {
    void* component = nullptr;
    int errorCode = 0;
    const QXStatus status =
        inChild_ ? wrapper_.tarnext_create_peer(nullptr, 0, records, &component, &errorCode)
                 : wrapper_.qx_create_component(nullptr, records, &component, &errorCode);
    if (status != QX_OK) throw std::runtime_error("no component");
    return component;
  }
  void begin(void* component) {
    int errorCode = 0;
    wrapper_.qx_component_beginExecution(component, nullptr, nullptr, &errorCode);
  }
  void destroy(void* component) {
    int errorCode = 0;
    wrapper_.qx_destroy_component(component, &errorCode);
  }
  ExtensionWrapper& wrapper() { return wrapper_; }

private:
  bool inChild_;
  ExtensionWrapper wrapper_;
  std::unique_ptr<QXHostWrapper> host_{QXHostWrapper::createHostWrapper()};
};

Hosted& hosted(bool inChild) {
  static Hosted inProcess(false);
  static Hosted child(true);
  return inChild ? child : inProcess;
}

// Reads one record's values; the sum keeps the reads from being optimised away.
uint64_t readRecord(ExtensionWrapper& wrapper, void* component) {
  uint64_t sum = 0;
  int errorCode = 0;
  for (size_t field = 0; field < kFields; ++field) {
    void* value = nullptr;
    size_t length = 0;
    wrapper.qx_component_getRecordValue(component, field, &value, &length, &errorCode);
    uint64_t number = 0;
    std::memcpy(&number, value, sizeof number);
    sum += number;
  }
  return sum;
}

void RecordByRecord(benchmark::State& state) {
  Hosted& module = hosted(state.range(0) != 0);
  ExtensionWrapper& wrapper = module.wrapper();
  void* component = module.create(std::to_string(kRecords).c_str());
  for (auto _ : state) {
    module.begin(component);
    int errorCode = 0;
    size_t read = 0;
    uint64_t sum = 0;
    while (wrapper.qx_component_nextRecord(component, &errorCode) == QX_OK) {
      sum += readRecord(wrapper, component);
      ++read;
    }
    benchmark::DoNotOptimize(sum);
    if (read != kRecords) state.SkipWithError("records missing");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
  module.destroy(component);
}

void InBulk(benchmark::State& state) {
  Hosted& module = hosted(state.range(0) != 0);
  ExtensionWrapper& wrapper = module.wrapper();
  void* component = module.create(std::to_string(kRecords).c_str());
  std::vector<void*> values(kBatchValues);
  std::vector<size_t> lengths(kBatchValues);
  for (auto _ : state) {
    module.begin(component);
    size_t read = 0;
    uint64_t sum = 0;
    for (;;) {
      size_t fields = kFields, records = 0;
      int errorCode = 0;
      if (wrapper.qx_component_bulkFetch(component, kBatchValues, values.data(), lengths.data(),
                                         &fields, &records, &errorCode) != QX_OK)
        break;
      for (size_t i = 0; i < fields * records; ++i) sum += *static_cast<uint64_t*>(values[i]);
      read += records;
    }
    benchmark::DoNotOptimize(sum);
    if (read != kRecords) state.SkipWithError("records missing");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
  module.destroy(component);
}

// The bare exchange with a child: one region and two semaphores, the child
// acknowledging each post (the remote benchmark's child serves the loop).
class BareChannel {
public:
  BareChannel() {
    process_.start();
    Remote::RemoteCall& call = process_.mainCall();
    region_ = std::make_unique<SharedRegion>(
        SharedRegion::createOrOpen(process_.baseName() + ".bare", 1000000));
    region_->map();
    toRemote_ = std::make_unique<NamedSemaphore>(
        NamedSemaphore::createOrOpen(process_.baseName() + "_bare.toremote"));
    fromRemote_ = std::make_unique<NamedSemaphore>(
        NamedSemaphore::createOrOpen(process_.baseName() + "_bare.fromremote"));
    call.beginCall("BareLoop");
    call.putSize(0);
    if (!process_.call()) throw std::runtime_error("no bare loop in the child");
  }
  ~BareChannel() {
    Remote::storeField(header().totalLength, UINT64_MAX); // ends the child's loop
    exchange();
    process_.terminate();
  }
  void exchange() {
    Remote::storeField(header().chunkLength, 0);
    toRemote_->post();
    fromRemote_->wait();
  }
  void ping() {
    Remote::storeField(header().totalLength, 0);
    exchange();
  }

private:
  Remote::RegionHeader& header() { return *static_cast<Remote::RegionHeader*>(region_->data()); }

  Remote::Process::Owned<> ownedProcess_ =
      Remote::Process::create(BARE_CHILD_PROGRAM, nullptr);
  Remote::Process& process_ = *ownedProcess_;
  std::unique_ptr<SharedRegion> region_;
  std::unique_ptr<NamedSemaphore> toRemote_;
  std::unique_ptr<NamedSemaphore> fromRemote_;
};

template <typename Operation>
double secondsFor(Operation&& operation) {
  const auto start = Clock::now();
  operation();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  return samples[samples.size() / 2];
}

void report(benchmark::State& state, const std::vector<double>& bare,
            const std::vector<double>& ours, double scale, const char* unit) {
  const double bareMedian = median(bare), ourMedian = median(ours);
  state.counters[std::string("bare_") + unit] = bareMedian * scale;
  state.counters[std::string("library_") + unit] = ourMedian * scale;
  state.counters["ratio"] = bareMedian > 0 ? ourMedian / bareMedian : 0;
}

// One batch of 2000 values (400 records) against one ping-pong plus one copy
// of its bytes: through qx_component_bulkFetch (one call per batch), and
// through the 400 qx_component_nextRecord calls that it serves, each with
// its five qx_component_getRecordValue calls.
void PairedBatch(benchmark::State& state) {
  const bool recordByRecord = state.range(0) != 0;
  BareChannel bare;
  std::vector<unsigned char> source(kBatchBytes, 0x5A), target(kBatchBytes);
  Hosted& module = hosted(true);
  ExtensionWrapper& wrapper = module.wrapper();
  void* component = module.create("1000000000000");
  module.begin(component);
  std::vector<void*> values(kBatchValues);
  std::vector<size_t> lengths(kBatchValues);
  std::vector<double> bareTimes, ourTimes;
  uint64_t sum = 0;
  for (auto _ : state) {
    bareTimes.push_back(secondsFor([&] {
      bare.ping();
      std::memcpy(target.data(), source.data(), kBatchBytes);
      benchmark::ClobberMemory();
    }));
    ourTimes.push_back(secondsFor([&] {
      int errorCode = 0;
      if (recordByRecord) {
        for (size_t record = 0; record < kBatchRecords; ++record) {
          wrapper.qx_component_nextRecord(component, &errorCode);
          sum += readRecord(wrapper, component);
        }
        return;
      }
      size_t fields = kFields, records = 0;
      wrapper.qx_component_bulkFetch(component, kBatchValues, values.data(), lengths.data(),
                                     &fields, &records, &errorCode);
      for (size_t i = 0; i < fields * records; ++i) sum += *static_cast<uint64_t*>(values[i]);
    }));
  }
  benchmark::DoNotOptimize(sum);
  report(state, bareTimes, ourTimes, 1e6, "us");
  module.destroy(component);
}

// Create to first record against the child program started to its first reply.
void PairedStart(benchmark::State& state) {
  Hosted& module = hosted(true);
  ExtensionWrapper& wrapper = module.wrapper();
  std::vector<double> bareTimes, ourTimes;
  for (auto _ : state) {
    Remote::Process::Owned<> child;
    bareTimes.push_back(secondsFor([&] {
      child = Remote::Process::create(QUEX_CHILD_PROGRAM, nullptr);
      child->start();
      child->mainCall().beginCall("TERMINATE");
      child->call();
    }));
    child->terminate();
    child.reset();
    void* component = nullptr;
    ourTimes.push_back(secondsFor([&] {
      component = module.create("10");
      module.begin(component);
      int errorCode = 0;
      wrapper.qx_component_nextRecord(component, &errorCode);
    }));
    module.destroy(component);
  }
  report(state, bareTimes, ourTimes, 1e3, "ms");
}

BENCHMARK(RecordByRecord)->Arg(0)->Arg(1)->ArgName("child")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(InBulk)->Arg(0)->Arg(1)->ArgName("child")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PairedBatch)->Arg(0)->Arg(1)->ArgName("records")->UseRealTime()->Iterations(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PairedStart)->UseRealTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Keeps the records per second of each run and the paired ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      for (const auto& [name, counter] : run.counters) values[run.benchmark_name() + ":" + name] = counter.value;
    }
  }
  double get(const std::string& key) const {
    const auto found = values.find(key);
    return found == values.end() ? 0 : found->second;
  }
  std::map<std::string, double> values;
};

} // namespace

int main(int argc, char** argv) {
  QXXMLWrapper::startup();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto rate = [&](const char* name) {
    return reporter.get(std::string(name) + "/real_time:items_per_second");
  };
  auto show = [](const char* label, double value, const char* note) {
    if (value > 0) std::printf("%-62s %8.3f  (%s)\n", label, value, note);
  };
  const double oneInProcess = rate("RecordByRecord/child:0"), oneChild = rate("RecordByRecord/child:1");
  const double bulkInProcess = rate("InBulk/child:0"), bulkChild = rate("InBulk/child:1");
  show("records/s one by one, out of process / in process", oneInProcess > 0 ? oneChild / oneInProcess : 0, "ratio");
  show("records/s in bulk, out of process / in process", bulkInProcess > 0 ? bulkChild / bulkInProcess : 0, "ratio");
  show("bulk fetch of one batch / (ping-pong + memcpy of 16,000 bytes)",
       reporter.get("PairedBatch/records:0/iterations:5000/real_time:ratio"), "target <= 1.5");
  show("400 records one by one / (ping-pong + memcpy of 16,000 bytes)",
       reporter.get("PairedBatch/records:1/iterations:5000/real_time:ratio"), "information");
  show("component start (create to first record) / child start to first reply",
       reporter.get("PairedStart/iterations:20/real_time:ratio"), "ratio");
  benchmark::Shutdown();
  QXXMLWrapper::shutdown();
  return 0;
}
