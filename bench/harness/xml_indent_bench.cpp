// quex's printing of a module's documents (module information, a request's
// reply): indenting 1,000 to 100,000 bytes of nested elements, and of the same
// bytes as a flat list. The work must grow with the input, however deep it
// nests: the closing lines give each run's time per byte over that of the
// first, measured in the same run (flat means about 1.0x).
#include "growth_reporter.h"
#include "xml_text.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// `bytes` of markup: every element inside the one before it, or all side by side.
std::string elements(int64_t bytes, bool nested) {
  const int64_t count = bytes / 7; // "<a>" and "</a>"
  std::string text;
  text.reserve(static_cast<size_t>(bytes));
  for (int64_t i = 0; i < count; ++i) text += nested ? "<a>" : "<a></a>";
  if (nested)
    for (int64_t i = 0; i < count; ++i) text += "</a>";
  return text;
}

void indent(benchmark::State& state, bool nested) {
  const std::string text = elements(state.range(0), nested);
  for (auto _ : state) benchmark::DoNotOptimize(quex::tool::indentXml(text));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["s_per_byte"] = benchmark::Counter(
      static_cast<double>(text.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void IndentNested(benchmark::State& state) { indent(state, true); }
void IndentFlat(benchmark::State& state) { indent(state, false); }


} // namespace

BENCHMARK(IndentFlat)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(IndentNested)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  GrowthReporter reporter("s_per_byte", "byte", 1e9, "ns");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
