// A module's progress report of 1,000 to 100,000 diagnostics, through the
// host's QXProgress table to a listener. The work must grow with the report:
// the closing lines give the time per diagnostic of each size over that of
// the smallest one, measured in the same run (flat means about 1.0x).
#include "growth_reporter.h"
#include <quex/quex.hpp>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// Diagnostics as modules write them: a message with a placeholder and its parameter.
std::string reportOf(int64_t diagnostics) {
  std::string text = "<Progress>";
  for (int64_t i = 0; i < diagnostics; ++i)
    text += "<Diagnostic code='" + std::to_string(i) + "' severity='warning' source='bench'>"
            "<Message>row {0} skipped</Message><Parameter>" + std::to_string(i) +
            "</Parameter></Diagnostic>";
  return text + "</Progress>";
}

class CountingListener : public QXProgressListener {
public:
  void reportDiagnostic(QXDiagnostic* diagnostic) override {
    characters += diagnostic->getOutputText().size();
    ++count;
  }
  int64_t count = 0;
  size_t characters = 0;
};

void ProgressReport(benchmark::State& state) {
  const std::string text = reportOf(state.range(0));
  ExtensionWrapper extension;
  QXProgressWrapper progress(&extension);
  QXProgress* table = QXProgressFactory::create(&progress);
  CountingListener listener;
  progress.setProgressListener(&listener);
  for (auto _ : state) {
    int errorCode = 0;
    if (table->report(table->owner, text.c_str(), text.size(), &errorCode) != QX_OK)
      state.SkipWithError("the report was refused");
  }
  if (listener.count != state.iterations() * state.range(0))
    state.SkipWithError("a diagnostic did not reach the listener");
  state.SetItemsProcessed(listener.count);
  state.counters["s_per_diagnostic"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}


} // namespace

BENCHMARK(ProgressReport)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  QXXMLWrapper::startup();
  benchmark::Initialize(&argc, argv);
  GrowthReporter reporter("s_per_diagnostic", "diagnostic", 1e6, "us");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  QXXMLWrapper::shutdown();
  return 0;
}
