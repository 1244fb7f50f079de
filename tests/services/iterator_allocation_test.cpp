// The record path through the QXIterator table allocates nothing below its
// trace levels: every operator new in this process is counted.
#include <quex/quex.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/counting_allocator.h"

namespace {

class CountingOutput : public ExtensionWrapperTraceOutput {
public:
  void trace(const char*) override { ++lines; }
  long lines = 0;
};

class OneRecord : public QXIteratorWrapper {
public:
  OneRecord() : QXIteratorWrapper(nullptr) {}
  QXStatus nextRecord(int* errorCode) override { return ok(errorCode); }
  QXStatus getRecordValue(size_t, void** value, size_t* length, int* errorCode) override {
    *value = field_;
    *length = sizeof field_ - 1;
    return ok(errorCode);
  }
  QXStatus rewind(int* errorCode) override { return ok(errorCode); }
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    for (size_t i = 0; i < capacity; ++i) getRecordValue(0, &values[i], &lengths[i], errorCode);
    *fieldCount = 1;
    *recordCount = capacity;
    return QX_OK;
  }

private:
  static QXStatus ok(int* errorCode) {
    *errorCode = 0;
    return QX_OK;
  }
  char field_[6] = "value";
};

} // namespace

class IteratorAllocation : public ::testing::Test {
protected:
  void SetUp() override { ExtensionWrapper::setTraceOutput(&output); }
  void TearDown() override {
    ExtensionWrapper::setTraceLevel(0);
    ExtensionWrapper::setTraceOutput(nullptr);
  }

  long allocationsReading(int level) {
    ExtensionWrapper::setTraceLevel(level);
    void* values[64];
    size_t lengths[64];
    const long before = allocations.load();
    for (int i = 0; i < 1000; ++i) {
      int errorCode = 0;
      void* value = nullptr;
      size_t length = 0;
      size_t fields = 0, count = 0;
      table->nextRecord(table->owner, &errorCode);
      table->getRecordValue(table->owner, 0, &value, &length, &errorCode);
      table->bulkFetch(table->owner, 64, values, lengths, &fields, &count, &errorCode);
    }
    return allocations.load() - before;
  }

  CountingOutput output;
  OneRecord records;
  QXIterator* table = QXIteratorFactory::create(&records);
};

// Level 4 proves the counter sees the allocations of tracing.
TEST_F(IteratorAllocation, RecordsReadWithoutAllocatingBelowLevelThree) {
  EXPECT_EQ(allocationsReading(0), 0);
  EXPECT_EQ(allocationsReading(2), 0);
  EXPECT_EQ(output.lines, 0);
  EXPECT_GT(allocationsReading(4), 0);
  EXPECT_EQ(output.lines, 6000);
}
