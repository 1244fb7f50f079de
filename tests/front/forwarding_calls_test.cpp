// The call methods: forwarding, error codes, exceptions, trace gates, the
// module-information query, the bulk-fetch emulation and scoring.
#include "front_fixture.h"

#include <cstdlib>
#include <utility>

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;

namespace KSCommon {
class Record {
public:
  int id = 0;
};
} // namespace KSCommon

class ComponentCalls : public FrontTest {
protected:
  char buffer[64] = {};
  size_t needed = 0;
};

TEST_F(ComponentCalls, AnswerErrorCodeAndTraceFollowTheModule) {
  start("current_full");
  const std::string call = "qx_component_configure";
  const struct { bool throws; QXStatus status; int code, level; QXStatus answer;
                 std::vector<std::string> lines; } rows[] = {
      {false, QX_OK, 0, 2, QX_OK, {enterLine(call, component), exitLine(call, component)}},
      {true, QX_OK, 5, 1, QX_ERR_EXCEPTION_THROWN,
       {exitLine(call, component, "QX_ERR_EXCEPTION_THROWN", 5)}},
      {false, 77, 0, 1, 77, {exitLine(call, component, "UNKNOWN")}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.answer);
    lines->clear();
    script.throws[kConfigure] = row.throws;
    script.status[kConfigure] = row.status;
    script.errorCode[kConfigure] = row.code;
    ExtensionWrapper::setTraceLevel(row.level);
    EXPECT_EQ(wrapper.qx_component_configure(component, &errorCode), row.answer);
    EXPECT_EQ(errorCode, row.code);
    EXPECT_EQ(*lines, row.lines);
  }
  script.throws[kInitialise] = true;
  EXPECT_EQ(wrapper.qx_initialise(&host, &errorCode), QX_ERR_EXCEPTION_THROWN);
}

TEST_F(ComponentCalls, ReturnedDocumentIsTheExitDetail_SmallBufferPassesThroughUntraced) {
  start("current_full");
  script.document = "<DataModel><Fields/></DataModel>";
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(wrapper.qx_component_getDataModel(component, 3, buffer, sizeof buffer, &needed,
                                              &errorCode), QX_OK);
  EXPECT_EQ(needed, script.document.size() + 1);
  EXPECT_STREQ(buffer, script.document.c_str());
  EXPECT_THAT(*lines, ElementsAre(enterLine("qx_component_getDataModel", component),
                                  exitLine("qx_component_getDataModel", component) + "\n" +
                                      script.document + "\n"));
  lines->clear();
  ExtensionWrapper::setTraceLevel(1);
  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(wrapper.qx_component_getSQLGeneration(component, small, sizeof small, &needed,
                                                  &errorCode), QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(needed, script.document.size() + 1);
  EXPECT_EQ(small[0], 'x');
  EXPECT_THAT(*lines, ElementsAre(exitLine("qx_component_getSQLGeneration", component,
                                           "QX_ERR_INSUFFICIENT_BUFFER")));
}

TEST_F(ComponentCalls, PerRecordCallsAreTracedFromLevelThreeAndFailuresFromLevelOne) {
  start("current_full");
  giveRecords(1, 1);
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(wrapper.qx_component_nextRecord(component, &errorCode), QX_OK);
  EXPECT_THAT(*lines, IsEmpty());
  ExtensionWrapper::setTraceLevel(3);
  void* value = nullptr;
  size_t length = 0;
  EXPECT_EQ(wrapper.qx_component_getRecordValue(component, 0, &value, &length, &errorCode),
            QX_OK);
  EXPECT_EQ(std::string(static_cast<char*>(value), length), "r0f0");
  EXPECT_THAT(*lines, ElementsAre(enterLine("qx_component_getRecordValue", component),
                                  exitLine("qx_component_getRecordValue", component)));
  lines->clear();
  ExtensionWrapper::setTraceLevel(1);
  EXPECT_EQ(wrapper.qx_component_nextRecord(component, &errorCode), QX_ERR_NO_DATA);
  EXPECT_THAT(*lines, ElementsAre(exitLine("qx_component_nextRecord", component,
                                           "QX_ERR_NO_DATA")));
}

TEST_F(ComponentCalls, InteractionPassesRequestBytesAndDoesNotTraceTheReply) {
  start("current_full");
  EXPECT_TRUE(wrapper.supportsInteraction());
  QXChannel channel{nullptr, nullptr};
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(wrapper.qx_component_beginInteraction(component, &channel, &errorCode), QX_OK);
  EXPECT_EQ(script.channel, &channel);
  const char request[] = {'a', '\0', 'b'};
  EXPECT_EQ(wrapper.qx_component_request(component, request, sizeof request, &errorCode), QX_OK);
  EXPECT_EQ(script.request, std::string(request, sizeof request));
  script.reply = "<secret-reply/>";
  lines->clear();
  EXPECT_EQ(wrapper.qx_component_getRequestReply(component, buffer, sizeof buffer, &needed,
                                                 &errorCode), QX_OK);
  EXPECT_STREQ(buffer, "<secret-reply/>");
  EXPECT_THAT(*lines, ElementsAre(enterLine("qx_component_getRequestReply", component),
                                  exitLine("qx_component_getRequestReply", component)));
}

TEST_F(ComponentCalls, EveryOptionalEntryReachesAModuleThatExportsIt) {
  start("current_full");
  QXIterator iterator{};
  QXProgress progress{};
  EXPECT_EQ(wrapper.qx_component_beginExecution(component, &iterator, &progress, &errorCode),
            QX_OK);
  EXPECT_EQ(script.iterator, &iterator);
  EXPECT_EQ(script.progress, &progress);
  EXPECT_EQ(wrapper.qx_component_getExecutionRequirements(component, buffer, sizeof buffer,
                                                          &needed, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_component_getCatalogueInformation(component, "tables", buffer,
                                                         sizeof buffer, &needed, &errorCode),
            QX_OK);
  EXPECT_EQ(script.catalogueText, "tables");
  EXPECT_EQ(wrapper.qx_component_cancelExecution(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_component_getPsmControlInformation(component, buffer, sizeof buffer,
                                                          &needed, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_component_psmMerge(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_component_endExecution(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_destroy_component(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_cleanup(&errorCode), QX_OK);
  for (Entry e : {kBeginExecution, kGetExecutionRequirements, kGetCatalogueInformation,
                  kCancelExecution, kGetPsmControlInformation, kPsmMerge, kEndExecution,
                  kDestroy, kCleanup})
    EXPECT_EQ(script.calls[e], 1) << "entry " << e;
}

TEST_F(ComponentCalls, LongModuleInformationIsAskedForAgainWithTheNeededSize) {
  script.moduleInformation = std::string(9999, 'i');
  loadAndInitialise("current_full");
  EXPECT_THAT(script.moduleInformationBufferSizes, ElementsAre(4096u, 10000u));
  EXPECT_EQ(wrapper.getModuleInformation(), script.moduleInformation);
}

// A size no text can have (the vector's length_error, or bad_alloc) is a
// status: the information stays empty, the module's error text unavailable.
TEST_F(ComponentCalls, ImpossibleNeededSizeStaysInsideTheLibrary) {
  script.claimedNeeded = SIZE_MAX;
  ExtensionWrapper::setTraceLevel(1);
  start("current_full");
  EXPECT_EQ(wrapper.getModuleInformation(), "");
  script.status[kConfigure] = QX_ERR_MODULE_SPECIFIC;
  EXPECT_EQ(wrapper.qx_component_configure(component, &errorCode), QX_ERR_MODULE_SPECIFIC);
  ASSERT_FALSE(lines->empty());
  EXPECT_THAT(lines->back(), EndsWith("Could not retrieve module specific error"));
}

TEST_F(ComponentCalls, InitialiseIsTracedBeforeTheModuleInformationQuery) {
  ExtensionWrapper::setTraceLevel(2);
  loadAndInitialise("current_full");
  EXPECT_THAT(*lines, ElementsAre("loaded library: (current_full)", "[ENTER qx_initialise]",
                                  "[EXIT qx_initialise]: Status=QX_OK ( ErrorCode=0 )",
                                  "[ENTER qx_getModuleInformation]",
                                  "[EXIT qx_getModuleInformation]: Status=QX_OK ( ErrorCode=0 )\n"
                                  "<ModuleInformation/>\n"));
}

TEST_F(ComponentCalls, InitialiseCallerSeesTheErrorCodeTheInformationQueryLeft) {
  ASSERT_TRUE(wrapper.load("m", modulePath("current_full").c_str(), nullptr));
  script.status[kGetModuleInformation] = QX_ERR_MODULE_SPECIFIC;
  script.errorCode[kGetModuleInformation] = 31;
  EXPECT_EQ(wrapper.qx_initialise(&host, &errorCode), QX_OK);
  EXPECT_EQ(errorCode, 31);
  EXPECT_EQ(wrapper.getModuleInformation(), "");
}

// Bulk fetch: the module's own, or the wrapper's emulation for modules without one.
class BulkFetch : public FrontTest {
protected:
  void TearDown() override {
    if (!wrapper.useBulkFetch())
      for (void* value : values) std::free(value);
    FrontTest::TearDown();
  }
  QXStatus fetch(size_t capacity, size_t fields) {
    fieldCount = fields;
    return wrapper.qx_component_bulkFetch(component, capacity, values, lengths, &fieldCount,
                                          &recordCount, &errorCode);
  }
  std::string value(size_t i) const { return std::string(static_cast<char*>(values[i]), lengths[i]); }
  void* values[16] = {};
  size_t lengths[16] = {};
  size_t fieldCount = 0;
  size_t recordCount = 0;
};

TEST_F(BulkFetch, EmulationCopiesWholeRecordsUpToTheCapacity_NullStaysNull) {
  start("current_minimal");
  giveRecords(5, 3);
  script.records[1][1].reset();
  EXPECT_EQ(fetch(10, 3), QX_OK);
  EXPECT_EQ(recordCount, 3u);
  EXPECT_EQ(script.calls[kNextRecord], 3);
  for (size_t i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    if (i == 4) {
      EXPECT_EQ(values[i], nullptr);
      EXPECT_EQ(lengths[i], kNullValueLength);
      continue;
    }
    ASSERT_NE(values[i], nullptr);
    EXPECT_EQ(value(i), "r" + std::to_string(i / 3) + "f" + std::to_string(i % 3));
    EXPECT_NE(values[i], script.records[i / 3][i % 3]->data());
  }
  EXPECT_EQ(values[9], nullptr);
}

TEST_F(BulkFetch, EmulationNeedsRoomForOneRecord_StopsAtTheLast_ThenAnswersNoData) {
  start("current_minimal");
  giveRecords(2, 3);
  EXPECT_EQ(fetch(2, 3), QX_ERR_NO_DATA);
  EXPECT_EQ(script.calls[kNextRecord], 0);
  EXPECT_EQ(recordCount, 0u);
  EXPECT_EQ(fetch(16, 3), QX_OK);
  EXPECT_EQ(recordCount, 2u);
  for (void*& v : values) std::free(std::exchange(v, nullptr));
  EXPECT_EQ(fetch(16, 3), QX_ERR_NO_DATA);
  EXPECT_EQ(recordCount, 0u);
}

// The record count on entry offsets the field indexes asked for.
TEST_F(BulkFetch, EmulationOffsetsTheFieldIndexes_AndWritesOnlyTheNestedCallsLines) {
  start("current_minimal");
  giveRecords(1, 4);
  recordCount = 2;
  ExtensionWrapper::setTraceLevel(3);
  EXPECT_EQ(fetch(2, 2), QX_OK); // room for one record: no further nextRecord
  EXPECT_THAT(script.valueIndexes, ElementsAre(2u, 3u));
  const std::string next = "qx_component_nextRecord", value = "qx_component_getRecordValue";
  EXPECT_THAT(*lines, ElementsAre(enterLine(next, component), exitLine(next, component),
                                  enterLine(value, component), exitLine(value, component),
                                  enterLine(value, component), exitLine(value, component)));
}

TEST_F(BulkFetch, ModuleBulkFetchHandsBackTheModuleValuesAndIsTracedAsOneCall) {
  start("current_full");
  giveRecords(3, 2);
  ExtensionWrapper::setTraceLevel(3);
  EXPECT_EQ(wrapper.getBulkFetchValueCount(), 2000u);
  EXPECT_EQ(fetch(8, 0), QX_OK);
  EXPECT_EQ(recordCount, 3u);
  EXPECT_EQ(fieldCount, 2u);
  EXPECT_EQ(values[5], script.records[2][1]->data());
  EXPECT_THAT(*lines, ElementsAre(enterLine("qx_component_bulkFetch", component),
                                  exitLine("qx_component_bulkFetch", component)));
}

TEST_F(ComponentCalls, ScoreCopiesTheModuleResults_FailureLeavesTheVectorsAlone) {
  start("older_full");
  script.scores = {0.25, 0.75};
  script.scoreRows = {{1.0}, {2.0, 3.0}};
  KSCommon::Record record;
  std::vector<double> scores{9.0};
  std::vector<std::vector<double>> rows;
  EXPECT_EQ(wrapper.qx_peer_score(component, record, scores, rows, &errorCode), QX_OK);
  EXPECT_EQ(scores, script.scores);
  EXPECT_EQ(rows, script.scoreRows);
  EXPECT_EQ(script.callName, "score");
  EXPECT_EQ(script.callArgument, &record);

  script.status[kPeerCall] = QX_ERR_NOT_EXECUTING;
  scores = {9.0};
  ExtensionWrapper::setTraceLevel(1);
  EXPECT_EQ(wrapper.qx_peer_score(component, record, scores, rows, &errorCode),
            QX_ERR_NOT_EXECUTING);
  EXPECT_EQ(scores, std::vector<double>{9.0});
  EXPECT_EQ(rows, script.scoreRows);
  EXPECT_THAT(*lines, ElementsAre(exitLine("qx_peer_call", component, "QX_ERR_NOT_EXECUTING"),
                                  exitLine("qx_peer_score", component, "QX_ERR_NOT_EXECUTING")));
}

TEST_F(ComponentCalls, ScoreOnACurrentGenerationModuleAnswersInvalidOperation) {
  start("current_full");
  KSCommon::Record record;
  std::vector<double> scores{9.0};
  std::vector<std::vector<double>> rows;
  EXPECT_EQ(wrapper.qx_peer_score(component, record, scores, rows, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(scores, std::vector<double>{9.0});
}
