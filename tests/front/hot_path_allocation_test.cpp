// Record loops must not allocate: every operator new in this process is counted.
#include "front_fixture.h"

#include "common/counting_allocator.h"

class HotPathAllocation : public FrontTest {};

TEST_F(HotPathAllocation, RecordCallsAllocateOnlyWhenTracedFromLevelThree) {
  start("current_full");
  giveRecords(1, 1);
  script.valueIndexes.reserve(100000);
  // The last row proves the counter sees allocations at all.
  const struct { int level; QXStatus status; bool allocates; } rows[] = {
      {0, QX_OK, false}, {2, QX_OK, false}, {0, QX_ERR_NOT_EXECUTING, false}, {3, QX_OK, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.level);
    ExtensionWrapper::setTraceLevel(row.level);
    script.status[kNextRecord] = row.status;
    const long before = allocations.load();
    for (int i = 0; i < 1000; ++i) {
      script.currentRecord = 0;
      void* value = nullptr;
      size_t length = 0;
      EXPECT_EQ(wrapper.qx_component_nextRecord(component, &errorCode), row.status);
      wrapper.qx_component_getRecordValue(component, 0, &value, &length, &errorCode);
    }
    EXPECT_EQ(allocations.load() > before, row.allocates);
  }
}
