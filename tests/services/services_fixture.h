// Shared set-up of the services tests: a trace output that records every line
// and is given back safely whether or not an ExtensionWrapper deleted it.
#ifndef QUEX_TESTS_SERVICES_SERVICES_FIXTURE_H
#define QUEX_TESTS_SERVICES_SERVICES_FIXTURE_H

#include <quex/quex.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class LineRecorder : public ExtensionWrapperTraceOutput {
public:
  explicit LineRecorder(std::shared_ptr<std::vector<std::string>> lines,
                        std::shared_ptr<bool> deleted = nullptr)
      : lines_(std::move(lines)), deleted_(std::move(deleted)) {}
  ~LineRecorder() override {
    if (deleted_) *deleted_ = true;
  }
  void trace(const char* line) override { lines_->push_back(line); }

private:
  std::shared_ptr<std::vector<std::string>> lines_;
  std::shared_ptr<bool> deleted_;
};

class ServicesTest : public ::testing::Test {
protected:
  void SetUp() override {
    output_ = std::make_unique<LineRecorder>(lines, outputDeleted_);
    ExtensionWrapper::setTraceOutput(output_.get());
    ExtensionWrapper::setTraceLevel(0);
  }

  void TearDown() override {
    ExtensionWrapper::setTraceLevel(0);
    // The last ExtensionWrapper to go deletes the library-wide output.
    if (ExtensionWrapper::getTraceOutput() == output_.get())
      ExtensionWrapper::setTraceOutput(nullptr);
    if (*outputDeleted_) (void)output_.release();
  }

  std::shared_ptr<std::vector<std::string>> lines = std::make_shared<std::vector<std::string>>();

private:
  std::shared_ptr<bool> outputDeleted_ = std::make_shared<bool>(false);
  std::unique_ptr<LineRecorder> output_;
};

// A fetch through the text-return convention with a buffer of `size` bytes.
struct TextAnswer {
  QXStatus status = 0;
  size_t needed = 0;
  std::string text; // the buffer's content up to its first zero byte
  int errorCode = -1;
};

#endif // QUEX_TESTS_SERVICES_SERVICES_FIXTURE_H
