// Prints the usual table, then each run's time per unit of work (a counter
// the benchmark sets) over that of the first run: flat work reads about 1.0x.
#ifndef QUEX_BENCH_GROWTH_REPORTER_H
#define QUEX_BENCH_GROWTH_REPORTER_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class GrowthReporter : public benchmark::ConsoleReporter {
public:
  // `counter` holds seconds per unit; `unit` names it in the closing lines,
  // which show it in `scaleName` (e.g. "ns") after multiplying by `scale`.
  GrowthReporter(std::string counter, std::string unit, double scale, std::string scaleName)
      : counter_(std::move(counter)), unit_(std::move(unit)), scale_(scale),
        scaleName_(std::move(scaleName)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto per = run.counters.find(counter_);
      if (per != run.counters.end()) perUnit_.emplace_back(run.benchmark_name(), per->second.value);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (perUnit_.empty() || perUnit_.front().second <= 0) return;
    for (const auto& [name, seconds] : perUnit_)
      std::printf("ratio %-22s time per %s / that of the first = %.2fx (%.2f %s)\n",
                  name.c_str(), unit_.c_str(), seconds / perUnit_.front().second,
                  seconds * scale_, scaleName_.c_str());
  }

private:
  std::string counter_, unit_;
  double scale_;
  std::string scaleName_;
  std::vector<std::pair<std::string, double>> perUnit_;
};

#endif // QUEX_BENCH_GROWTH_REPORTER_H
