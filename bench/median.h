// The median of a benchmark's single timings: what a sample preempted on a
// shared machine cannot move.
#ifndef QUEX_BENCH_MEDIAN_H
#define QUEX_BENCH_MEDIAN_H

#include <algorithm>
#include <vector>

inline double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  return samples[samples.size() / 2];
}

#endif // QUEX_BENCH_MEDIAN_H
