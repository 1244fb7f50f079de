// A tag drawn once per test process, for the names of scratch files: the
// suites of two builds run at the same time never share a file.
#ifndef QUEX_TESTS_SCRATCH_NAME_H
#define QUEX_TESTS_SCRATCH_NAME_H

#include <random>
#include <string>

inline const std::string& processTag() {
  static const std::string tag = [] {
    std::random_device source;
    return std::to_string(source()) + std::to_string(source());
  }();
  return tag;
}

#endif // QUEX_TESTS_SCRATCH_NAME_H
