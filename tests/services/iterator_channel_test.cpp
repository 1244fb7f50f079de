// The iterator and channel tables: pass-through of arguments, statuses and
// error codes to the host's overrides, and their trace gates.
#include "services_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ScriptedIterator : public QXIteratorWrapper {
public:
  using QXIteratorWrapper::QXIteratorWrapper;
  QXStatus nextRecord(int* errorCode) override { return answer(errorCode); }
  QXStatus getRecordValue(size_t, void**, size_t*, int* errorCode) override {
    return answer(errorCode);
  }
  QXStatus rewind(int* errorCode) override { return answer(errorCode); }
  QXStatus bulkFetch(size_t, void**, size_t*, size_t*, size_t*, int* errorCode) override {
    return answer(errorCode);
  }
  QXStatus answer(int* errorCode) const {
    *errorCode = errorToLeave;
    return status;
  }

  QXStatus status = QX_OK;
  int errorToLeave = 0;
};

} // namespace

class IteratorTable : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    table = QXIteratorFactory::create(&iterator);
  }

  // One call of each member.
  void callAll() {
    int errorCode = 0;
    void* value = &errorCode;
    size_t length = 0;
    void* values[4] = {};
    size_t lengths[4] = {};
    size_t fields = 2, records = 2;
    table->nextRecord(table->owner, &errorCode);
    table->getRecordValue(table->owner, 0, &value, &length, &errorCode);
    table->rewind(table->owner, &errorCode);
    table->bulkFetch(table->owner, 4, values, lengths, &fields, &records, &errorCode);
  }

  ExtensionWrapper extension;
  ScriptedIterator iterator{&extension};
  QXIterator* table = nullptr;
};

// The table neither resets the error code nor lets an exception through.
TEST_F(IteratorTable, SilentAndThrowingOverrides) {
  struct Odd : ScriptedIterator {
    using ScriptedIterator::ScriptedIterator;
    QXStatus nextRecord(int*) override { return QX_OK; }
    QXStatus rewind(int*) override { throw std::runtime_error("host failure"); }
  } odd(nullptr);
  QXIterator* t = QXIteratorFactory::create(&odd);
  int errorCode = 31;
  EXPECT_EQ(t->nextRecord(t->owner, &errorCode), QX_OK);
  EXPECT_EQ(errorCode, 31);
  EXPECT_EQ(t->rewind(t->owner, &errorCode), QX_ERR_CALLBACK);
}

// Nothing below level 3, then only the record-advancing members, at 4 all.
TEST_F(IteratorTable, TraceGates) {
  iterator.status = QX_ERR_NO_DATA;
  iterator.errorToLeave = 4;
  ExtensionWrapper::setTraceLevel(2);
  callAll();
  EXPECT_THAT(*lines, IsEmpty());
  ExtensionWrapper::setTraceLevel(3);
  callAll();
  const std::string exit = "]: Status=QX_ERR_NO_DATA ( ErrorCode=4 )";
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_iterator_nextRecord]",
                                  "[EXIT qx_iterator_nextRecord" + exit,
                                  "[ENTER qx_iterator_rewind]", "[EXIT qx_iterator_rewind" + exit));
  lines->clear();
  ExtensionWrapper::setTraceLevel(4);
  callAll();
  ASSERT_EQ(lines->size(), 8u);
  EXPECT_EQ((*lines)[2], "[ENTER qx_iterator_getRecordValue]");
  EXPECT_EQ((*lines)[7], "[EXIT qx_iterator_bulkFetch" + exit);
}

TEST_F(IteratorTable, CopyOwnsNoTables) {
  ScriptedIterator copy(iterator);
  EXPECT_EQ(copy.getHandleCount(), 0u);
  EXPECT_EQ(iterator.getHandleCount(), 1u);
  EXPECT_EQ(copy.getExtension(), &extension);
}

TEST_F(ServicesTest, ChannelPassesStatusAndErrorCodeAndTracesFromLevelThree) {
  ExtensionWrapper extension;
  RecordingChannel channel{&extension};
  QXChannel* table = QxChannelFactory::create(&channel);
  channel.status = QX_ERR_NO_REPLY;
  channel.errorToLeave = 8;
  int errorCode = 0;
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(table->send(table->owner, "x", 1, &errorCode), QX_ERR_NO_REPLY);
  EXPECT_EQ(errorCode, 8);
  EXPECT_THAT(*lines, IsEmpty());
  ExtensionWrapper::setTraceLevel(3);
  table->send(table->owner, "yz", 2, &errorCode);
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_channel_send]",
                                  "[EXIT qx_channel_send]: Status=QX_ERR_NO_REPLY "
                                  "( ErrorCode=8 )"));
  EXPECT_THAT(channel.messages.items(), ElementsAre("x", "yz"));
}
