// How fast the host learns that a child is gone, and how closely the
// inactivity deadline keeps its word, each against the bare operating-system
// primitive it rests on, timed in turns in the same run. The children run the
// scenario test module, scripted to hang or to crash in nextRecord.
// - DeathToStatus: the host's nextRecord waits for the hung child; the child
//   is killed (SIGKILL); the time from the kill to the call's QX_ERR_REMOTE,
//   against a thread waiting for the death of a spawned /bin/sleep killed the
//   same way.
// - CrashToStatus: the module raises SIGSEGV in nextRecord; the call's time
//   against a nextRecord that is answered.
// - DeadlineOvershoot: with a 200 ms deadline, the time from the call to its
//   QX_ERR_REMOTE minus 200 ms, against the overshoot of a 200 ms wait for a
//   child's exit that times out.
// Argument 1 keeps every core busy with spinning threads while measuring.
#include "median.h"
#include "platform/child_process.h"
#include "remote/process.h"

#include <quex/quex.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using quex::platform::ChildProcess;

constexpr std::chrono::milliseconds kDeadline{200};
// Time for a thread that started a wait to be inside it.
constexpr std::chrono::milliseconds kSettle{5};

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// Runs `sample` once an iteration; a failed sample ends the benchmark with
// its reason.
template <typename Sample>
bool sampleEveryIteration(benchmark::State& state, Sample sample) {
  try {
    for (auto _ : state) sample();
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
    return false;
  }
  return true;
}

// One spinning thread per core for the life of the object, or none.
class BusyCores {
public:
  explicit BusyCores(bool busy) {
    const unsigned cores = busy ? std::max(1u, std::thread::hardware_concurrency()) : 0;
    for (unsigned i = 0; i < cores; ++i)
      spinners_.emplace_back([this] {
        while (!stop_.load(std::memory_order_relaxed)) {
        }
      });
  }
  ~BusyCores() {
    stop_ = true;
    for (std::thread& spinner : spinners_) spinner.join();
  }

private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> spinners_;
};

// The scenario module in child processes, one component at a time.
class ScenarioChildren {
public:
  ScenarioChildren() {
    if (!wrapper_.load("e2e_current", SCENARIO_MODULE_PATH, QUEX_CHILD_PROGRAM))
      throw std::runtime_error("cannot load the scenario module: " + wrapper_.getError());
    int errorCode = 0;
    if (wrapper_.qx_initialise(QXHostFactory::create(host_.get()), &errorCode) != QX_OK)
      throw std::runtime_error("the scenario module does not start");
  }
  ~ScenarioChildren() {
    int errorCode = 0;
    wrapper_.qx_cleanup(&errorCode);
  }

  // A component of `script` (by default one whose nextRecord never returns),
  // its execution begun; with a deadline set once its child runs (a slow
  // start is silent too).
  void* component(std::chrono::milliseconds deadline, const char* script = "hang-in=nextRecord") {
    wrapper_.setChildDeadline(std::chrono::milliseconds(0));
    void* component = nullptr;
    int errorCode = 0;
    if (wrapper_.tarnext_create_peer(nullptr, 0, script, &component, &errorCode) != QX_OK)
      throw std::runtime_error("no component");
    wrapper_.setChildDeadline(deadline);
    if (wrapper_.qx_component_beginExecution(component, nullptr, nullptr, &errorCode) != QX_OK)
      throw std::runtime_error("the execution does not begin");
    return component;
  }
  QXStatus nextRecord(void* component) {
    int errorCode = 0;
    return wrapper_.qx_component_nextRecord(component, &errorCode);
  }
  // nextRecord on a hung component, which only the child's end ends.
  bool nextRecordIsLost(void* component) { return nextRecord(component) == QX_ERR_REMOTE; }
  void destroy(void* component) {
    int errorCode = 0;
    wrapper_.qx_destroy_component(component, &errorCode);
  }
  ExtensionWrapper& wrapper() { return wrapper_; }

private:
  ExtensionWrapper wrapper_;
  std::unique_ptr<QXHostWrapper> host_{QXHostWrapper::createHostWrapper()};
};

ScenarioChildren& scenarioChildren() {
  static ScenarioChildren children;
  return children;
}

// From the kill to the status of the host's call waiting for the child.
double killToStatusMs(ScenarioChildren& children, void* component) {
  Clock::time_point answered;
  bool lost = false;
  std::thread caller([&] {
    lost = children.nextRecordIsLost(component);
    answered = Clock::now();
  });
  const Remote::CallWatch& watch = static_cast<Remote::Process*>(component)->watch();
  while (!watch.inCall()) std::this_thread::yield();
  std::this_thread::sleep_for(kSettle);
  const Clock::time_point killed = Clock::now();
  children.wrapper().killChild(component);
  caller.join();
  children.destroy(component);
  if (!lost) throw std::runtime_error("the call did not answer QX_ERR_REMOTE");
  return millisecondsBetween(killed, answered);
}

// From the kill to a waiting thread's learning of the death, bare.
double bareKillToNoticeMs(ChildProcess& child) {
  Clock::time_point noticed;
  ChildProcess::WaitResult result = ChildProcess::WaitResult::Failed;
  std::atomic<bool> waiting{false};
  std::thread waiter([&] {
    waiting = true;
    result = child.waitForExit(60000);
    noticed = Clock::now();
  });
  while (!waiting) std::this_thread::yield();
  std::this_thread::sleep_for(kSettle);
  const Clock::time_point killed = Clock::now();
  child.kill();
  waiter.join();
  if (result != ChildProcess::WaitResult::Exited) throw std::runtime_error("no death noticed");
  return millisecondsBetween(killed, noticed);
}

// Both children are started before either is killed: a process that has
// just started waits longer for its first turn on a busy core, and it must
// run to die.
void DeathToStatus(benchmark::State& state) {
  ScenarioChildren& children = scenarioChildren();
  BusyCores busy(state.range(0) != 0);
  std::vector<double> quex, bare;
  const bool sampled = sampleEveryIteration(state, [&] {
    ChildProcess sleeper = ChildProcess::spawn("/bin/sleep", "60");
    void* component = children.component(std::chrono::milliseconds(0));
    quex.push_back(killToStatusMs(children, component));
    bare.push_back(bareKillToNoticeMs(sleeper));
  });
  if (!sampled) return;
  state.counters["quex_ms"] = median(quex);
  state.counters["bare_ms"] = median(bare);
  state.counters["quex/bare"] = median(quex) / std::max(median(bare), 1e-6);
  state.counters["worst_quex_ms"] = *std::max_element(quex.begin(), quex.end());
}
BENCHMARK(DeathToStatus)->Arg(0)->Arg(1)->Iterations(20)->Unit(benchmark::kMillisecond);

// A module that dies by SIGSEGV in nextRecord: the call's time, against the
// first nextRecord of a component that makes records (one round trip for a
// batch). The difference is what the death costs the caller: the child's
// end, the host's learning of it and the call's answer.
void CrashToStatus(benchmark::State& state) {
  ScenarioChildren& children = scenarioChildren();
  BusyCores busy(state.range(0) != 0);
  std::vector<double> crashing, answering;
  const auto timedNextRecord = [&](void* component, QXStatus expected) {
    const Clock::time_point called = Clock::now();
    const QXStatus status = children.nextRecord(component);
    const double took = millisecondsBetween(called, Clock::now());
    children.destroy(component);
    if (status != expected) throw std::runtime_error("nextRecord answered " + std::to_string(status));
    return took;
  };
  const bool sampled = sampleEveryIteration(state, [&] {
    void* crash = children.component(std::chrono::milliseconds(0), "crash-in=nextRecord");
    void* records = children.component(std::chrono::milliseconds(0), "records=2");
    crashing.push_back(timedNextRecord(crash, QX_ERR_REMOTE));
    answering.push_back(timedNextRecord(records, QX_OK));
  });
  if (!sampled) return;
  state.counters["crash_call_ms"] = median(crashing);
  state.counters["answered_call_ms"] = median(answering);
  state.counters["death_ms"] = median(crashing) - median(answering);
}
BENCHMARK(CrashToStatus)->Arg(0)->Arg(1)->Iterations(20)->Unit(benchmark::kMillisecond);

// The deadline's lateness: from the call, when the host last heard the
// child, to the call's status, less the deadline.
double deadlineOvershootMs(ScenarioChildren& children) {
  void* component = children.component(kDeadline);
  const Clock::time_point called = Clock::now();
  const bool lost = children.nextRecordIsLost(component);
  const double took = millisecondsBetween(called, Clock::now());
  children.destroy(component);
  if (!lost) throw std::runtime_error("the call did not answer QX_ERR_REMOTE");
  return took - kDeadline.count();
}

// The same for the wait the monitor makes: a child's exit awaited for the
// deadline, in vain.
double bareTimeoutOvershootMs(ChildProcess& living) {
  const Clock::time_point from = Clock::now();
  if (living.waitForExit(static_cast<int>(kDeadline.count())) != ChildProcess::WaitResult::TimedOut)
    throw std::runtime_error("the living child ended");
  return millisecondsBetween(from, Clock::now()) - kDeadline.count();
}

void DeadlineOvershoot(benchmark::State& state) {
  ScenarioChildren& children = scenarioChildren();
  ChildProcess living = ChildProcess::spawn("/bin/sleep", "600");
  BusyCores busy(state.range(0) != 0);
  std::vector<double> quex, bare;
  const bool sampled = sampleEveryIteration(state, [&] {
    bare.push_back(bareTimeoutOvershootMs(living));
    quex.push_back(deadlineOvershootMs(children));
  });
  if (!sampled) return;
  state.counters["overshoot_ms"] = median(quex);
  state.counters["bare_overshoot_ms"] = median(bare);
  state.counters["worst_overshoot_ms"] = *std::max_element(quex.begin(), quex.end());
}
BENCHMARK(DeadlineOvershoot)->Arg(0)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
