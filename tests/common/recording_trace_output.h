// A trace output that records every line into a list that outlives it (the
// last live ExtensionWrapper deletes the output), and can say it was deleted;
// and the fixture that installs one for each test and gives it back safely
// whether or not an ExtensionWrapper deleted it.
#ifndef QUEX_TESTS_COMMON_RECORDING_TRACE_OUTPUT_H
#define QUEX_TESTS_COMMON_RECORDING_TRACE_OUTPUT_H

#include <quex/quex.hpp>

#include <gtest/gtest.h>

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

class TraceRecordingTest : public ::testing::Test {
protected:
  void SetUp() override {
    output_ = std::make_unique<RecordingTraceOutput>(lines, outputDeleted_);
    ExtensionWrapper::setTraceOutput(output_.get());
    ExtensionWrapper::setTraceLevel(0);
  }
  void TearDown() override {
    ExtensionWrapper::setTraceLevel(0);
    if (ExtensionWrapper::getTraceOutput() == output_.get())
      ExtensionWrapper::setTraceOutput(nullptr);
    if (*outputDeleted_) (void)output_.release();
  }

  std::shared_ptr<std::vector<std::string>> lines = std::make_shared<std::vector<std::string>>();

private:
  std::shared_ptr<bool> outputDeleted_ = std::make_shared<bool>(false);
  std::unique_ptr<RecordingTraceOutput> output_;
};

#endif // QUEX_TESTS_COMMON_RECORDING_TRACE_OUTPUT_H
