// Records out of process against records in process and against the bound a
// batch cannot beat. 1,000,000 records of 5 eight-byte values are read with
// qx_component_nextRecord + qx_component_getRecordValue and with
// qx_component_bulkFetch, in both modes, from a reader and from a transformer
// that reads them from the host. Out of process one batch of 2000
// values (400 records) costs one round trip plus one copy of its bytes, so the
// paired benchmark times 400 records against a bare semaphore ping-pong with a
// child plus a memcpy of 16,000 bytes, in turns, and compares medians. The
// component start (create to first record), cold and from the warm pool (a
// child with the module's library loaded already), is paired with a minimal
// program spawned to its first reply.
#include "hosted_module.h"
#include "median.h"
#include "ratio_reporter.h"
#include "platform/child_process.h"
#include "platform/named_semaphore.h"
#include "platform/shared_region.h"
#include "remote/process.h"
#include "remote/protocol/region_header.h"
#include "remote/warm_pool.h"

#include <quex/quex.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
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

// record_source loaded in one mode, with the host tables it needs.
class Hosted {
public:
  explicit Hosted(bool inChild)
      : host_(QXHostWrapper::createHostWrapper()),
        module_("record_source", RECORD_SOURCE_PATH, inChild ? QUEX_CHILD_PROGRAM : nullptr,
                QXHostFactory::create(host_.get())) {}
  void* create(const char* records) { return module_.create(records); }
  void begin(void* component, QXIterator* input = nullptr) {
    int errorCode = 0;
    module_.wrapper().qx_component_beginExecution(component, input, nullptr, &errorCode);
  }
  void destroy(void* component) { module_.destroy(component); }
  ExtensionWrapper& wrapper() { return module_.wrapper(); }

private:
  std::unique_ptr<QXHostWrapper> host_;
  HostedModule module_;
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

// Reads an execution's records in batches to the end, adding up their
// values into sum; answers how many records came.
size_t readInBulk(ExtensionWrapper& wrapper, void* component, std::vector<void*>& values,
                  std::vector<size_t>& lengths, uint64_t& sum) {
  size_t read = 0;
  for (;;) {
    size_t fields = kFields, records = 0;
    int errorCode = 0;
    if (wrapper.qx_component_bulkFetch(component, values.size(), values.data(), lengths.data(),
                                       &fields, &records, &errorCode) != QX_OK)
      return read;
    for (size_t i = 0; i < fields * records; ++i) sum += *static_cast<uint64_t*>(values[i]);
    read += records;
  }
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
    uint64_t sum = 0;
    const size_t read = readInBulk(wrapper, component, values, lengths, sum);
    benchmark::DoNotOptimize(sum);
    if (read != kRecords) state.SkipWithError("records missing");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
  module.destroy(component);
}

// A transformer's input: the same records as the module makes, generated by
// the host and served one value at a time or in batches, as quex's CSV input.
class GeneratedInput : public QXIteratorWrapper {
public:
  GeneratedInput() : QXIteratorWrapper(nullptr) {}
  QXStatus nextRecord(int* errorCode) override {
    *errorCode = 0;
    if (next_ >= kRecords) return QX_ERR_NO_DATA;
    make(current_, next_++);
    return QX_OK;
  }
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode) override {
    *errorCode = 0;
    if (index >= kFields) return QX_ERR_NO_DATA;
    *value = &current_[index];
    *length = sizeof current_[index];
    return QX_OK;
  }
  QXStatus rewind(int* errorCode) override {
    *errorCode = 0;
    next_ = 0;
    return QX_OK;
  }
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    *errorCode = 0;
    *fieldCount = kFields;
    *recordCount = 0;
    if (batch_.size() < capacity) batch_.resize(capacity);
    for (size_t slot = 0; slot + kFields <= capacity && next_ < kRecords; slot += kFields) {
      make(&batch_[slot], next_++);
      for (size_t f = 0; f < kFields; ++f) {
        values[slot + f] = &batch_[slot + f];
        lengths[slot + f] = sizeof batch_[slot + f];
      }
      ++*recordCount;
    }
    return *recordCount > 0 ? QX_OK : QX_ERR_NO_DATA;
  }

private:
  static void make(uint64_t* record, size_t number) {
    for (size_t f = 0; f < kFields; ++f) record[f] = number * kFields + f;
  }
  size_t next_ = 0;
  uint64_t current_[kFields] = {};
  std::vector<uint64_t> batch_;
};

// A transformer over 1,000,000 input records, its output read in bulk: each
// output record is an input record the module read with nextRecord and
// getRecordValue through the host's iterator.
void Transformer(benchmark::State& state) {
  Hosted& module = hosted(state.range(0) != 0);
  ExtensionWrapper& wrapper = module.wrapper();
  void* component = module.create("transform");
  std::vector<void*> values(kBatchValues);
  std::vector<size_t> lengths(kBatchValues);
  for (auto _ : state) {
    GeneratedInput input;
    module.begin(component, QXIteratorFactory::create(&input));
    uint64_t sum = 0;
    const size_t read = readInBulk(wrapper, component, values, lengths, sum);
    int errorCode = 0;
    wrapper.qx_component_endExecution(component, &errorCode);
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

// The floor of any child's start: a program that links only the C library,
// spawned as the library spawns its children, to its first reply.
class MinimalChild {
public:
  MinimalChild()
      : name_("tarn.quex.bench." + std::to_string(quex::platform::currentProcessId()) + ".start"),
        ready_(NamedSemaphore::createOrOpen(name_)) {}
  void start() {
    child_ = quex::platform::ChildProcess::spawn(MINIMAL_CHILD_PROGRAM, "/" + name_);
    ready_.wait();
  }
  void reap() { child_.waitForExit(1000); }

private:
  std::string name_;
  NamedSemaphore ready_;
  quex::platform::ChildProcess child_;
};

// Waits (untimed) until the warm pool holds a ready child.
void awaitReadyChild() {
  while (Remote::warm_pool::ready() == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

// Create to first record, cold (the child started on demand) and warm (taken
// from the warm pool), each against a minimal program spawned to its first
// reply, in turns.
void PairedStart(benchmark::State& state) {
  Hosted& module = hosted(true);
  ExtensionWrapper& wrapper = module.wrapper();
  MinimalChild minimal;
  // Create to first record, and its two parts: the create, and the begin of
  // the execution with the first record.
  struct Times {
    std::vector<double> whole, create, first;
  };
  std::vector<double> bareTimes;
  Times coldTimes, warmTimes;
  auto firstRecord = [&](Times& times) {
    void* component = nullptr;
    const auto start = Clock::now();
    component = module.create("10");
    const auto created = Clock::now();
    module.begin(component);
    int errorCode = 0;
    wrapper.qx_component_nextRecord(component, &errorCode);
    const auto end = Clock::now();
    times.whole.push_back(std::chrono::duration<double>(end - start).count());
    times.create.push_back(std::chrono::duration<double>(created - start).count());
    times.first.push_back(std::chrono::duration<double>(end - created).count());
    module.destroy(component);
  };
  for (auto _ : state) {
    bareTimes.push_back(secondsFor([&] { minimal.start(); }));
    minimal.reap();
    firstRecord(coldTimes);
    ExtensionWrapper::setWarmChildren(1);
    awaitReadyChild();
    firstRecord(warmTimes);
    ExtensionWrapper::setWarmChildren(0);
  }
  const double bare = median(bareTimes), cold = median(coldTimes.whole),
               warm = median(warmTimes.whole);
  state.counters["bare_ms"] = bare * 1e3;
  state.counters["cold_ms"] = cold * 1e3;
  state.counters["warm_ms"] = warm * 1e3;
  state.counters["cold_create_ms"] = median(coldTimes.create) * 1e3;
  state.counters["cold_first_ms"] = median(coldTimes.first) * 1e3;
  state.counters["warm_create_ms"] = median(warmTimes.create) * 1e3;
  state.counters["warm_first_ms"] = median(warmTimes.first) * 1e3;
  state.counters["cold_ratio"] = bare > 0 ? cold / bare : 0;
  state.counters["warm_ratio"] = bare > 0 ? warm / bare : 0;
}

BENCHMARK(RecordByRecord)->Arg(0)->Arg(1)->ArgName("child")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(InBulk)->Arg(0)->Arg(1)->ArgName("child")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Transformer)->Arg(0)->Arg(1)->ArgName("child")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PairedBatch)->Arg(0)->Arg(1)->ArgName("records")->UseRealTime()->Iterations(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PairedStart)->UseRealTime()->Iterations(20)->Unit(benchmark::kMillisecond);

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
  const double transformInProcess = rate("Transformer/child:0"), transformChild = rate("Transformer/child:1");
  show("reader: records/s in bulk, out of process / in process",
       bulkInProcess > 0 ? bulkChild / bulkInProcess : 0, "target >= 0.85");
  show("transformer: records/s, out of process / in process",
       transformInProcess > 0 ? transformChild / transformInProcess : 0, "target >= 0.85");
  show("bulk fetch of one batch / (ping-pong + memcpy of 16,000 bytes)",
       reporter.get("PairedBatch/records:0/iterations:5000/real_time:ratio"), "target <= 1.5");
  show("400 records one by one / (ping-pong + memcpy of 16,000 bytes)",
       reporter.get("PairedBatch/records:1/iterations:5000/real_time:ratio"), "information");
  show("component start cold, create to first record (ms)",
       reporter.get("PairedStart/iterations:20/real_time:cold_ms"), "target <= 5");
  show("component start warm, create to first record (ms)",
       reporter.get("PairedStart/iterations:20/real_time:warm_ms"), "target <= 0.5");
  show("minimal program spawned to its first reply (ms)",
       reporter.get("PairedStart/iterations:20/real_time:bare_ms"), "baseline");
  show("component start cold / minimal program to first reply",
       reporter.get("PairedStart/iterations:20/real_time:cold_ratio"), "ratio");
  show("component start warm / minimal program to first reply",
       reporter.get("PairedStart/iterations:20/real_time:warm_ratio"), "ratio");
  benchmark::Shutdown();
  QXXMLWrapper::shutdown();
  return 0;
}
