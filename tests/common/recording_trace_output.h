// A trace output that records every line into a list that outlives it (the
// last live ExtensionWrapper deletes the output), and can say it was deleted.
#ifndef QUEX_TESTS_COMMON_RECORDING_TRACE_OUTPUT_H
#define QUEX_TESTS_COMMON_RECORDING_TRACE_OUTPUT_H

#include <quex/quex.hpp>

#include <memory>
#include <string>
#include <vector>

class RecordingTraceOutput : public ExtensionWrapperTraceOutput {
public:
  explicit RecordingTraceOutput(std::shared_ptr<std::vector<std::string>> lines,
                                std::shared_ptr<bool> deleted = nullptr)
      : lines_(std::move(lines)), deleted_(std::move(deleted)) {}
  ~RecordingTraceOutput() override {
    if (deleted_) *deleted_ = true;
  }
  void trace(const char* line) override { lines_->push_back(line); }

private:
  std::shared_ptr<std::vector<std::string>> lines_;
  std::shared_ptr<bool> deleted_;
};

#endif // QUEX_TESTS_COMMON_RECORDING_TRACE_OUTPUT_H
