// A per-record call through ExtensionWrapper at trace level 0 against the same
// module function called directly through a function pointer.
#include <quex/quex.hpp>

#include <benchmark/benchmark.h>

#include <stdexcept>

extern "C" {
QXStatus qx_component_nextRecord(void* component, int* errorCode);
QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                     size_t* length, int* errorCode);
QXStatus qx_create_component(QXContext* context, const char* text, void** component,
                             int* errorCode);
}

namespace {

// Pointers the optimiser cannot see through, as a host's table would be.
qx_component_nextRecord_fn volatile directNextRecord = &qx_component_nextRecord;
qx_component_getRecordValue_fn volatile directGetRecordValue = &qx_component_getRecordValue;

void DirectCall(benchmark::State& state) {
  void* component = nullptr;
  int errorCode = 0;
  qx_create_component(nullptr, "", &component, &errorCode);
  const qx_component_nextRecord_fn next = directNextRecord;
  const qx_component_getRecordValue_fn get = directGetRecordValue;
  for (auto _ : state) {
    void* value = nullptr;
    size_t length = 0;
    benchmark::DoNotOptimize(next(component, &errorCode));
    benchmark::DoNotOptimize(get(component, 0, &value, &length, &errorCode));
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations());
}

// The floor: the direct call in an out-of-line function that turns exceptions
// into a status, which is the least any guarded wrapper can do.
__attribute__((noinline)) QXStatus guardedNext(void* component, int* errorCode) {
  try {
    return directNextRecord(component, errorCode);
  } catch (...) {
    return QX_ERR_EXCEPTION_THROWN;
  }
}
__attribute__((noinline)) QXStatus guardedGet(void* component, size_t index, void** value,
                                              size_t* length, int* errorCode) {
  try {
    return directGetRecordValue(component, index, value, length, errorCode);
  } catch (...) {
    return QX_ERR_EXCEPTION_THROWN;
  }
}

void GuardedDirectCall(benchmark::State& state) {
  void* component = nullptr;
  int errorCode = 0;
  qx_create_component(nullptr, "", &component, &errorCode);
  for (auto _ : state) {
    void* value = nullptr;
    size_t length = 0;
    benchmark::DoNotOptimize(guardedNext(component, &errorCode));
    benchmark::DoNotOptimize(guardedGet(component, 0, &value, &length, &errorCode));
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations());
}

void ThroughWrapper(benchmark::State& state) {
  ExtensionWrapper::setTraceLevel(0);
  ExtensionWrapper wrapper;
  if (!wrapper.load("record_module", RECORD_MODULE_PATH, nullptr))
    throw std::runtime_error(wrapper.getError());
  QXHost host{};
  int errorCode = 0;
  void* component = nullptr;
  wrapper.qx_initialise(&host, &errorCode);
  wrapper.qx_create_component(nullptr, "", &component, &errorCode);
  for (auto _ : state) {
    void* value = nullptr;
    size_t length = 0;
    benchmark::DoNotOptimize(wrapper.qx_component_nextRecord(component, &errorCode));
    benchmark::DoNotOptimize(
        wrapper.qx_component_getRecordValue(component, 0, &value, &length, &errorCode));
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(DirectCall);
BENCHMARK(GuardedDirectCall);
BENCHMARK(ThroughWrapper);
BENCHMARK_MAIN();
