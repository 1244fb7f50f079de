// The iterator and channel tables: pass-through of arguments, statuses and
// error codes to the host's overrides, and their trace gates.
#include "services_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ScriptedIterator : public QXIteratorWrapper {
public:
  using QXIteratorWrapper::QXIteratorWrapper;
  QXStatus nextRecord(int* errorCode) override {
    ++nextCalls;
    *errorCode = errorToLeave;
    return status;
  }
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode) override {
    seenIndex = index;
    *value = valueToGive;
    *length = 5;
    *errorCode = errorToLeave;
    return status;
  }
  QXStatus rewind(int* errorCode) override {
    ++rewindCalls;
    *errorCode = errorToLeave;
    return status;
  }
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    seenCapacity = capacity;
    seenCounts = {*fieldCount, *recordCount};
    values[0] = valueToGive;
    lengths[0] = 5;
    *fieldCount = 1;
    *recordCount = 1;
    *errorCode = errorToLeave;
    return status;
  }

  QXStatus status = QX_OK;
  int errorToLeave = 0;
  void* valueToGive = nullptr;
  int nextCalls = 0, rewindCalls = 0;
  size_t seenIndex = 0, seenCapacity = 0;
  std::pair<size_t, size_t> seenCounts;
};

class RecordingChannel : public QxChannelWrapper {
public:
  using QxChannelWrapper::QxChannelWrapper;
  QXStatus send(const char* text, size_t length, int* errorCode) override {
    messages.emplace_back(text, length);
    *errorCode = errorToLeave;
    return status;
  }
  std::vector<std::string> messages;
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

TEST_F(IteratorTable, OverrideAnswersReachTheModuleUnchanged) {
  iterator.status = 77; // a status the name table does not know
  iterator.errorToLeave = -9;
  int errorCode = 123;
  EXPECT_EQ(table->nextRecord(table->owner, &errorCode), 77u);
  EXPECT_EQ(errorCode, -9);
  errorCode = 123;
  EXPECT_EQ(table->rewind(table->owner, &errorCode), 77u);
  EXPECT_EQ(errorCode, -9);
  EXPECT_EQ(iterator.nextCalls, 1);
  EXPECT_EQ(iterator.rewindCalls, 1);
  EXPECT_EQ(iterator.getExtension(), &extension);
}

TEST_F(IteratorTable, ErrorCodeIsNotResetByTheTable) {
  struct Leaves : ScriptedIterator {
    using ScriptedIterator::ScriptedIterator;
    QXStatus nextRecord(int*) override { return QX_OK; }
  } leaves(nullptr);
  QXIterator* t = QXIteratorFactory::create(&leaves);
  int errorCode = 31;
  EXPECT_EQ(t->nextRecord(t->owner, &errorCode), QX_OK);
  EXPECT_EQ(errorCode, 31);
}



TEST_F(IteratorTable, LevelTwoTracesNothingEvenForFailures) {
  iterator.status = QX_ERR_NO_DATA;
  ExtensionWrapper::setTraceLevel(2);
  callAll();
  EXPECT_THAT(*lines, IsEmpty());
}

TEST_F(IteratorTable, LevelThreeTracesOnlyTheRecordAdvancingMembers) {
  iterator.errorToLeave = 4;
  ExtensionWrapper::setTraceLevel(3);
  callAll();
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_iterator_nextRecord]",
                                  "[EXIT qx_iterator_nextRecord]: Status=QX_OK ( ErrorCode=4 )",
                                  "[ENTER qx_iterator_rewind]",
                                  "[EXIT qx_iterator_rewind]: Status=QX_OK ( ErrorCode=4 )"));
}

TEST_F(IteratorTable, LevelFourTracesEveryMember) {
  ExtensionWrapper::setTraceLevel(4);
  callAll();
  ASSERT_EQ(lines->size(), 8u);
  EXPECT_EQ((*lines)[2], "[ENTER qx_iterator_getRecordValue]");
  EXPECT_EQ((*lines)[7], "[EXIT qx_iterator_bulkFetch]: Status=QX_OK ( ErrorCode=0 )");
}

TEST_F(IteratorTable, ThrowingOverrideAnswersCallback) {
  struct Throwing : ScriptedIterator {
    using ScriptedIterator::ScriptedIterator;
    QXStatus rewind(int*) override { throw std::runtime_error("host failure"); }
  } throwing(nullptr);
  QXIterator* t = QXIteratorFactory::create(&throwing);
  int errorCode = 0;
  EXPECT_EQ(t->rewind(t->owner, &errorCode), QX_ERR_CALLBACK);
}

TEST_F(IteratorTable, CopyOwnsNoTables) {
  ScriptedIterator copy(iterator);
  EXPECT_EQ(copy.getHandleCount(), 0u);
  EXPECT_EQ(iterator.getHandleCount(), 1u);
  EXPECT_EQ(copy.getExtension(), &extension);
}

class ChannelTable : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    table = QxChannelFactory::create(&channel);
  }
  ExtensionWrapper extension;
  RecordingChannel channel{&extension};
  QXChannel* table = nullptr;
};


TEST_F(ChannelTable, OverrideStatusAndErrorCodePassThrough) {
  channel.status = QX_ERR_INVALID_REQUEST;
  channel.errorToLeave = 8;
  int errorCode = 0;
  EXPECT_EQ(table->send(table->owner, "x", 1, &errorCode), QX_ERR_INVALID_REQUEST);
  EXPECT_EQ(errorCode, 8);
}

TEST_F(ChannelTable, TracedFromLevelThreeOnly) {
  channel.status = QX_ERR_NO_REPLY;
  int errorCode = 0;
  ExtensionWrapper::setTraceLevel(2);
  table->send(table->owner, "x", 1, &errorCode);
  EXPECT_THAT(*lines, IsEmpty());
  ExtensionWrapper::setTraceLevel(3);
  table->send(table->owner, "x", 1, &errorCode);
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_channel_send]",
                                  "[EXIT qx_channel_send]: Status=QX_ERR_NO_REPLY ( ErrorCode=0 )"));
}
