// The transport against its bare baselines, between the same two processes:
// - an empty remote call round trip against a bare ping-pong of two named
//   semaphores over a shared region;
// - a 16 MB message through a 1,000,000-byte region, as the "main" channel
//   has, against the same bytes pushed through a bare chunked semaphore loop
//   (and a memcpy of 16 MB for reference).
// The child serves the bare loop and the message channel on threads of their
// own, so the "Paired" benchmarks time library and baseline in turns and
// compare medians: the ratios stand even on a loaded shared machine.
#include "median.h"
#include "platform/named_semaphore.h"
#include "platform/shared_region.h"
#include "remote/process.h"
#include "remote/protocol/region_header.h"
#include "remote/shared_memory_connector.h"

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

using quex::platform::NamedSemaphore;
using quex::platform::SharedRegion;
using Clock = std::chrono::steady_clock;

constexpr size_t kRegionSize = 1000000;
constexpr size_t kChunk = kRegionSize - Remote::kRegionHeaderSize;
constexpr size_t kMessageSize = 16u << 20;

bool simpleCall(Remote::Process& process, const char* name, const char* text = nullptr) {
  Remote::RemoteCall& call = process.mainCall();
  call.beginCall(name);
  call.putSize(0);
  if (text != nullptr) call.putText(text);
  int32_t status = -1;
  return process.call() && call.getInt(status) && status == 0;
}

// The bare channel "<base>.bare": the child copies each chunk out and
// acknowledges it, with no message layer at all.
class BareChannel {
public:
  explicit BareChannel(Remote::Process& process)
      : region_(SharedRegion::createOrOpen(process.baseName() + ".bare", kRegionSize)),
        toRemote_(NamedSemaphore::createOrOpen(process.baseName() + "_bare.toremote")),
        fromRemote_(NamedSemaphore::createOrOpen(process.baseName() + "_bare.fromremote")) {
    region_.map();
    if (!simpleCall(process, "BareLoop")) throw std::runtime_error("no bare loop in the child");
  }
  ~BareChannel() {
    Remote::storeField(header().totalLength, UINT64_MAX); // ends the child's loop
    exchange(0);
  }

  // One exchange: `chunk` bytes in the data area, then the acknowledgement.
  void exchange(size_t chunk) {
    Remote::storeField(header().chunkLength, chunk);
    toRemote_.post();
    fromRemote_.wait();
  }
  void ping() {
    Remote::storeField(header().totalLength, 0);
    exchange(0);
  }
  void push(const unsigned char* source, size_t length) {
    Remote::storeField(header().totalLength, length);
    for (size_t sent = 0; sent < length;) {
      const size_t chunk = std::min(kChunk, length - sent);
      std::memcpy(data(), source + sent, chunk);
      sent += chunk;
      exchange(chunk);
    }
  }

private:
  unsigned char* data() { return static_cast<unsigned char*>(region_.data()) + 24; }
  Remote::RegionHeader& header() { return *static_cast<Remote::RegionHeader*>(region_.data()); }

  SharedRegion region_;
  NamedSemaphore toRemote_;
  NamedSemaphore fromRemote_;
};

// A message channel of the main channel's size that the child drains: each
// message is taken whole and answered with a short one.
class DrainChannel {
public:
  explicit DrainChannel(Remote::Process& process)
      : connector_(process.baseName(), "bulk", kRegionSize) {
    connector_.addListener(&replies_);
    if (!simpleCall(process, "Drain", "bulk")) throw std::runtime_error("no drain in the child");
  }
  ~DrainChannel() {
    const unsigned char end = 0;
    if (connector_.send(&end, 1)) connector_.receive();
  }
  bool message(const unsigned char* data, size_t length) {
    return connector_.send(data, length) && connector_.receive();
  }

private:
  struct Ignore : Remote::ConnectorListener {
    void dataReceived(const void*, size_t) override {}
  } replies_;
  Remote::SharedMemoryConnector connector_;
};

struct Session {
  Remote::Process::Owned<> ownedProcess =
      Remote::Process::create(REMOTE_BENCH_CHILD, nullptr);
  Remote::Process& process = *ownedProcess;
  std::unique_ptr<BareChannel> bare;
  std::unique_ptr<DrainChannel> drain;
  std::vector<unsigned char> message = std::vector<unsigned char>(kMessageSize, 0x5A);
  std::vector<unsigned char> target = std::vector<unsigned char>(kMessageSize);

  Session() {
    process.start();
    bare = std::make_unique<BareChannel>(process);
    drain = std::make_unique<DrainChannel>(process);
  }
  ~Session() {
    drain.reset();
    bare.reset();
    process.terminate();
  }
  bool ping() {
    Remote::RemoteCall& call = process.mainCall();
    call.beginCall("Ping");
    call.putSize(0);
    int32_t status = -1;
    return process.call() && call.getInt(status);
  }
};

Session& session() {
  static Session shared;
  return shared;
}

void BarePingPong(benchmark::State& state) {
  session();
  for (auto _ : state) session().bare->ping();
}

void RemoteCallRoundTrip(benchmark::State& state) {
  session();
  for (auto _ : state)
    if (!session().ping()) state.SkipWithError("child lost");
}

void BareChunkedLoop16MB(benchmark::State& state) {
  session();
  for (auto _ : state) session().bare->push(session().message.data(), kMessageSize);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMessageSize));
}

void ConnectorMessage16MB(benchmark::State& state) {
  session();
  for (auto _ : state)
    if (!session().drain->message(session().message.data(), kMessageSize))
      state.SkipWithError("child lost");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMessageSize));
}

// For information: the whole remote call carrying 16 MB as a text argument,
// including building the message and the child's decoding of it.
void RemoteCallWith16MBText(benchmark::State& state) {
  session();
  const std::string text(kMessageSize, 'z');
  Remote::RemoteCall& call = session().process.mainCall();
  auto sink = [&] {
    call.beginCall("Sink");
    call.putSize(0);
    call.putText(text);
    int32_t status = -1;
    return session().process.call() && call.getInt(status);
  };
  sink(); // the first one grows the buffers on both sides
  for (auto _ : state)
    if (!sink()) state.SkipWithError("child lost");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMessageSize));
}

void Memcpy16MB(benchmark::State& state) {
  session();
  for (auto _ : state) {
    std::memcpy(session().target.data(), session().message.data(), kMessageSize);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMessageSize));
}

template <typename Operation>
double secondsFor(Operation operation) {
  const auto start = Clock::now();
  operation();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Library and baseline one after the other in every iteration; the medians
// of the single timings are what a preempted sample cannot move. "ratio" is
// library time over baseline time for the same work.
template <typename Baseline, typename Library>
void measurePairs(benchmark::State& state, Baseline baseline, Library library) {
  std::vector<double> bare, ours;
  bare.reserve(state.max_iterations);
  ours.reserve(state.max_iterations);
  for (auto _ : state) {
    bare.push_back(secondsFor(baseline));
    ours.push_back(secondsFor(library));
  }
  const double bareMedian = median(bare), ourMedian = median(ours);
  state.counters["bare_us"] = bareMedian * 1e6;
  state.counters["library_us"] = ourMedian * 1e6;
  state.counters["ratio"] = bareMedian > 0 ? ourMedian / bareMedian : 0;
}

void PairedRoundTrips(benchmark::State& state) {
  session();
  measurePairs(state, [] { session().bare->ping(); }, [] { session().ping(); });
}

void PairedMessages16MB(benchmark::State& state) {
  const unsigned char* message = session().message.data();
  measurePairs(state, [&] { session().bare->push(message, kMessageSize); },
               [&] { session().drain->message(message, kMessageSize); });
}

BENCHMARK(BarePingPong)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RemoteCallRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BareChunkedLoop16MB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ConnectorMessage16MB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RemoteCallWith16MBText)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy16MB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PairedRoundTrips)->UseRealTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PairedMessages16MB)->UseRealTime()->Iterations(200)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration and the paired ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Iteration && seconds.count(name) == 0)
        seconds[name] = run.GetAdjustedRealTime();
      const auto ratio = run.counters.find("ratio");
      if (ratio != run.counters.end())
        ratios[name] = ratio->second.value;
    }
  }
  std::map<std::string, double> seconds;
  std::map<std::string, double> ratios;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto& s = reporter.seconds;
  const auto& r = reporter.ratios;
  auto show = [](const char* label, double value, const char* note) {
    if (value > 0) std::printf("%-58s %6.2fx  (%s)\n", label, value, note);
  };
  if (r.count("PairedRoundTrips"))
    show("remote call round trip / bare ping-pong (time)", r.at("PairedRoundTrips"),
         "target <= 1.2");
  if (r.count("PairedMessages16MB"))
    show("16 MB message: connector / bare chunked loop (throughput)",
         1.0 / r.at("PairedMessages16MB"), "target >= 0.8");
  if (s.count("BareChunkedLoop16MB") && s.count("RemoteCallWith16MBText"))
    show("16 MB text in a remote call / bare chunked loop (throughput)",
         s.at("BareChunkedLoop16MB") / s.at("RemoteCallWith16MBText"), "information");
  if (s.count("BareChunkedLoop16MB") && s.count("Memcpy16MB"))
    show("bare chunked loop / memcpy (throughput)",
         s.at("Memcpy16MB") / s.at("BareChunkedLoop16MB"), "reference");
  benchmark::Shutdown();
  return 0;
}
