// Keeps what the child benchmarks print as ratios: the counters of each run,
// the median of the repetitions when there are several, else the one run.
#ifndef QUEX_BENCH_CHILD_RATIO_REPORTER_H
#define QUEX_BENCH_CHILD_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <set>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) continue;
      for (const auto& [name, counter] : run.counters) {
        const std::string key = run.run_name.str() + ":" + name;
        if (median || medians_.count(key) == 0) values[key] = counter.value;
        if (median) medians_.insert(key);
      }
    }
  }
  double get(const std::string& key) const {
    const auto found = values.find(key);
    return found == values.end() ? 0 : found->second;
  }
  std::map<std::string, double> values;

private:
  std::set<std::string> medians_;
};

#endif // QUEX_BENCH_CHILD_RATIO_REPORTER_H
