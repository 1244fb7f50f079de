// The transport against its bare baselines, between the same two processes:
// - an empty remote call round trip against a bare ping-pong of two named
//   semaphores over a shared region;
// - a 16 MB message through a 1,000,000-byte region, as the "main" channel
//   has, against the same bytes pushed through a bare chunked semaphore loop
//   (and a memcpy of 16 MB for reference).
// The closing lines print the ratios.
#include "platform/named_semaphore.h"
#include "platform/shared_region.h"
#include "remote/process.h"
#include "remote/region_header.h"
#include "remote/shared_memory_connector.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using quex::platform::NamedSemaphore;
using quex::platform::SharedRegion;

constexpr size_t kRegionSize = 1000000;
constexpr size_t kMessageSize = 16u << 20;

struct Session {
  Remote::Process process{REMOTE_BENCH_CHILD, nullptr};
  std::vector<unsigned char> message = std::vector<unsigned char>(kMessageSize, 0x5A);
  std::vector<unsigned char> target = std::vector<unsigned char>(kMessageSize);

  Session() { process.start(); }
  ~Session() { process.terminate(); }

  bool call(const char* name, const char* text = nullptr) {
    Remote::RemoteCall& call = process.mainCall();
    call.beginCall(name);
    call.putSize(0);
    if (text != nullptr) call.putText(text);
    int32_t status = -1;
    return process.call() && call.getInt(status) && status == 0;
  }
};

Session& session() {
  static Session shared;
  return shared;
}

// The bare channel "<base>.bare": the child copies each chunk out and
// acknowledges it, with no message layer at all.
class BareChannel {
public:
  BareChannel()
      : region_(SharedRegion::createOrOpen(session().process.baseName() + ".bare", kRegionSize)),
        toRemote_(NamedSemaphore::createOrOpen(session().process.baseName() + "_bare.toremote")),
        fromRemote_(
            NamedSemaphore::createOrOpen(session().process.baseName() + "_bare.fromremote")) {
    region_.map();
    if (!session().call("BareLoop")) throw std::runtime_error("the child refused the bare loop");
  }
  ~BareChannel() {
    Remote::storeField(header().totalLength, UINT64_MAX);
    push(0);
  }

  // One exchange: `chunk` bytes in the data area, then the acknowledgement.
  void push(size_t chunk) {
    Remote::storeField(header().chunkLength, chunk);
    toRemote_.post();
    fromRemote_.wait();
  }
  unsigned char* data() { return static_cast<unsigned char*>(region_.data()) + 24; }
  Remote::RegionHeader& header() { return *static_cast<Remote::RegionHeader*>(region_.data()); }

private:
  SharedRegion region_;
  NamedSemaphore toRemote_;
  NamedSemaphore fromRemote_;
};

void BarePingPong(benchmark::State& state) {
  BareChannel bare;
  Remote::storeField(bare.header().totalLength, 0);
  for (auto _ : state) bare.push(0);
}

void RemoteCallRoundTrip(benchmark::State& state) {
  Remote::RemoteCall& call = session().process.mainCall();
  for (auto _ : state) {
    call.beginCall("Ping");
    call.putSize(0);
    int32_t status = -1;
    if (!session().process.call() || !call.getInt(status)) state.SkipWithError("child lost");
    benchmark::DoNotOptimize(status);
  }
}

void BareChunkedLoop16MB(benchmark::State& state) {
  BareChannel bare;
  const size_t capacity = kRegionSize - Remote::kRegionHeaderSize;
  const unsigned char* source = session().message.data();
  for (auto _ : state) {
    Remote::storeField(bare.header().totalLength, kMessageSize);
    for (size_t sent = 0; sent < kMessageSize;) {
      const size_t chunk = std::min(capacity, kMessageSize - sent);
      std::memcpy(bare.data(), source + sent, chunk);
      sent += chunk;
      bare.push(chunk);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMessageSize));
}

void ConnectorMessage16MB(benchmark::State& state) {
  const std::string channel = "bulk";
  Remote::SharedMemoryConnector connector(session().process.baseName(), channel, kRegionSize);
  struct Ignore : Remote::ConnectorListener {
    void dataReceived(const void*, size_t) override {}
  } replies;
  connector.addListener(&replies);
  if (!session().call("Drain", channel.c_str())) state.SkipWithError("no drain");
  for (auto _ : state) {
    if (!connector.send(session().message.data(), kMessageSize) || !connector.receive())
      state.SkipWithError("child lost");
  }
  const unsigned char end = 0;
  connector.send(&end, 1);
  connector.receive();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMessageSize));
}

void Memcpy16MB(benchmark::State& state) {
  for (auto _ : state) {
    std::memcpy(session().target.data(), session().message.data(), kMessageSize);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMessageSize));
}

constexpr int kRepetitions = 5;
BENCHMARK(BarePingPong)->UseRealTime()->Repetitions(kRepetitions)->Unit(benchmark::kMicrosecond);
BENCHMARK(RemoteCallRoundTrip)->UseRealTime()->Repetitions(kRepetitions)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareChunkedLoop16MB)->UseRealTime()->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(ConnectorMessage16MB)->UseRealTime()->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy16MB)->UseRealTime()->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's median time per iteration for the ratios: a
// ping-pong between two processes on a shared machine is noisy.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration && seconds.count(run.run_name.function_name) == 0)
        seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  std::map<std::string, double> seconds;
};

void printRatio(const RatioReporter& reporter, const char* label, const std::string& over,
                const std::string& under, const char* target) {
  const auto a = reporter.seconds.find(over);
  const auto b = reporter.seconds.find(under);
  if (a == reporter.seconds.end() || b == reporter.seconds.end() || b->second == 0) return;
  std::printf("%-52s %6.2fx  (%s)\n", label, a->second / b->second, target);
}

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printRatio(reporter, "remote call round trip / bare ping-pong", "RemoteCallRoundTrip",
             "BarePingPong", "target <= 1.2");
  printRatio(reporter, "16 MB throughput: connector / bare chunked loop",
             "BareChunkedLoop16MB", "ConnectorMessage16MB", "target >= 0.8");
  printRatio(reporter, "16 MB throughput: bare chunked loop / memcpy", "Memcpy16MB",
             "BareChunkedLoop16MB", "reference");
  benchmark::Shutdown();
  return 0;
}
