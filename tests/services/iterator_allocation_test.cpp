// The record path through the QXIterator table allocates nothing below its
// trace levels: every operator new in this process is counted.
#include <quex/quex.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

class CountingOutput : public ExtensionWrapperTraceOutput {
public:
  void trace(const char*) override { ++lines; }
  long lines = 0;
};

class OneRecord : public QXIteratorWrapper {
public:
  OneRecord() : QXIteratorWrapper(nullptr) {}
  QXStatus nextRecord(int* errorCode) override {
    *errorCode = 0;
    return QX_OK;
  }
  QXStatus getRecordValue(size_t, void** value, size_t* length, int* errorCode) override {
    *value = field_;
    *length = sizeof field_ - 1;
    *errorCode = 0;
    return QX_OK;
  }
  QXStatus rewind(int* errorCode) override {
    *errorCode = 0;
    return QX_OK;
  }
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    for (size_t i = 0; i < capacity; ++i) getRecordValue(0, &values[i], &lengths[i], errorCode);
    *fieldCount = 1;
    *recordCount = capacity;
    return QX_OK;
  }

private:
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

TEST_F(IteratorAllocation, RecordsReadWithoutAllocatingBelowLevelThree) {
  EXPECT_EQ(allocationsReading(0), 0);
  EXPECT_EQ(allocationsReading(2), 0);
  EXPECT_EQ(output.lines, 0);
}

TEST_F(IteratorAllocation, CountingSeesTheAllocationsOfTracing) {
  EXPECT_GT(allocationsReading(4), 0);
  EXPECT_EQ(output.lines, 6000);
}
