// Record loops must not allocate: every operator new in this process is counted.
#include "front_fixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

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

class HotPathAllocation : public FrontTest {
protected:
  void SetUp() override {
    FrontTest::SetUp();
    loadAndInitialise("current_full");
    component = createComponent();
    giveRecords(1, 1);
    script.valueIndexes.reserve(100000);
  }

  long allocationsDuringRecordLoop(int level, QXStatus expected) {
    ExtensionWrapper::setTraceLevel(level);
    int errorCode = 0;
    const long before = allocations.load();
    for (int i = 0; i < 1000; ++i) {
      script.currentRecord = 0;
      void* value = nullptr;
      size_t length = 0;
      EXPECT_EQ(wrapper.qx_component_nextRecord(component, &errorCode), expected);
      wrapper.qx_component_getRecordValue(component, 0, &value, &length, &errorCode);
    }
    return allocations.load() - before;
  }

  void* component = nullptr;
};

TEST_F(HotPathAllocation, RecordCallsAllocateNothingBelowLevelThree) {
  EXPECT_EQ(allocationsDuringRecordLoop(0, QX_OK), 0);
  EXPECT_EQ(allocationsDuringRecordLoop(2, QX_OK), 0);
}

TEST_F(HotPathAllocation, FailedRecordCallsAllocateNothingAtLevelZero) {
  script.status[kNextRecord] = QX_ERR_NOT_EXECUTING;
  EXPECT_EQ(allocationsDuringRecordLoop(0, QX_ERR_NOT_EXECUTING), 0);
}

TEST_F(HotPathAllocation, CountingSeesTheAllocationsOfTracing) {
  // The counter itself works: tracing at level 3 composes lines.
  EXPECT_GT(allocationsDuringRecordLoop(3, QX_OK), 0);
}
