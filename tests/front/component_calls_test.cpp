// The call methods: forwarding, error codes, exceptions, trace gates, the
// module-information query, the bulk-fetch emulation and scoring.
#include "front_fixture.h"

#include <cstdlib>
#include <cstring>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace KSCommon {
class Record {
public:
  int id = 0;
};
} // namespace KSCommon

class ComponentCalls : public FrontTest {
protected:
  void start(const std::string& module) {
    loadAndInitialise(module);
    component = createComponent();
    lines->clear();
  }
  std::string c() const { return pointerText(component); }

  void* component = nullptr;
  int errorCode = -1;
};

TEST_F(ComponentCalls, ConfigureIsTracedWithItsComponentAtLevelTwo) {
  start("current_full");
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(wrapper.qx_component_configure(component, &errorCode), QX_OK);
  EXPECT_EQ(errorCode, 0);
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_component_configure (component=" + c() + ")]",
                                  "[EXIT qx_component_configure (component=" + c() +
                                      ")]: Status=QX_OK ( ErrorCode=0 )"));
}

TEST_F(ComponentCalls, ReturnedDocumentIsTheExitLineDetail) {
  start("current_full");
  script.document = "<DataModel><Fields/></DataModel>";
  ExtensionWrapper::setTraceLevel(2);
  char buffer[64];
  size_t needed = 0;
  EXPECT_EQ(wrapper.qx_component_getDataModel(component, 3, buffer, sizeof buffer, &needed,
                                              &errorCode),
            QX_OK);
  EXPECT_EQ(needed, script.document.size() + 1);
  EXPECT_STREQ(buffer, script.document.c_str());
  ASSERT_EQ(lines->size(), 2u);
  EXPECT_EQ((*lines)[1], "[EXIT qx_component_getDataModel (component=" + c() +
                             ")]: Status=QX_OK ( ErrorCode=0 )\n" + script.document + "\n");
}

TEST_F(ComponentCalls, SmallBufferPassesThroughTheModuleAnswerUntraced) {
  start("current_full");
  ExtensionWrapper::setTraceLevel(1);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  size_t needed = 0;
  EXPECT_EQ(wrapper.qx_component_getSQLGeneration(component, buffer, sizeof buffer, &needed,
                                                  &errorCode),
            QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(needed, script.document.size() + 1);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(lines->size(), 1u); // a failure at level 1, without detail
}

TEST_F(ComponentCalls, MissingOptionalEntryWritesTheEnterLineOnly) {
  start("current_minimal");
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(wrapper.qx_component_cancelExecution(component, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_component_cancelExecution (component=" + c() + ")]"));
}

TEST_F(ComponentCalls, ThrowingEntryAnswersExceptionThrownWithTheErrorCodeItLeft) {
  start("current_full");
  script.throws[kConfigure] = true;
  script.errorCode[kConfigure] = 5;
  ExtensionWrapper::setTraceLevel(1);
  EXPECT_EQ(wrapper.qx_component_configure(component, &errorCode), QX_ERR_EXCEPTION_THROWN);
  EXPECT_EQ(errorCode, 5);
  EXPECT_THAT(*lines, ElementsAre("[EXIT qx_component_configure (component=" + c() +
                                  ")]: Status=QX_ERR_EXCEPTION_THROWN ( ErrorCode=5 )"));

  script.throws[kInitialise] = true;
  script.errorCode[kInitialise] = 0;
  EXPECT_EQ(wrapper.qx_initialise(&host, &errorCode), QX_ERR_EXCEPTION_THROWN);
}

TEST_F(ComponentCalls, UnknownModuleStatusIsReturnedUnchanged) {
  start("current_full");
  script.status[kEndExecution] = 77;
  ExtensionWrapper::setTraceLevel(1);
  EXPECT_EQ(wrapper.qx_component_endExecution(component, &errorCode), 77u);
  EXPECT_THAT(*lines, ElementsAre("[EXIT qx_component_endExecution (component=" + c() +
                                  ")]: Status=UNKNOWN ( ErrorCode=0 )"));
}

TEST_F(ComponentCalls, ErrorDetailKeepsTheCodeItCarriesIn) {
  start("current_full");
  script.errorTexts[42] = "bad input";
  char buffer[32];
  size_t needed = 0;
  errorCode = 42;
  EXPECT_EQ(wrapper.qx_component_getErrorDetail(component, buffer, sizeof buffer, &needed,
                                                &errorCode),
            QX_OK);
  EXPECT_STREQ(buffer, "bad input");
  EXPECT_THAT(script.detailCodes, ElementsAre(42));
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
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_component_getRecordValue (component=" + c() + ")]",
                                  "[EXIT qx_component_getRecordValue (component=" + c() +
                                      ")]: Status=QX_OK ( ErrorCode=0 )"));

  lines->clear();
  ExtensionWrapper::setTraceLevel(1);
  EXPECT_EQ(wrapper.qx_component_nextRecord(component, &errorCode), QX_ERR_NO_DATA);
  EXPECT_THAT(*lines, ElementsAre("[EXIT qx_component_nextRecord (component=" + c() +
                                  ")]: Status=QX_ERR_NO_DATA ( ErrorCode=0 )"));
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
  char buffer[32];
  size_t needed = 0;
  lines->clear();
  EXPECT_EQ(wrapper.qx_component_getRequestReply(component, buffer, sizeof buffer, &needed,
                                                 &errorCode),
            QX_OK);
  EXPECT_STREQ(buffer, "<secret-reply/>");
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_component_getRequestReply (component=" + c() + ")]",
                                  "[EXIT qx_component_getRequestReply (component=" + c() +
                                      ")]: Status=QX_OK ( ErrorCode=0 )"));
}

TEST_F(ComponentCalls, EveryOptionalEntryReachesAModuleThatExportsIt) {
  start("current_full");
  char buffer[64];
  size_t needed = 0;
  QXIterator iterator{};
  QXProgress progress{};
  EXPECT_EQ(wrapper.qx_component_beginExecution(component, &iterator, &progress, &errorCode),
            QX_OK);
  EXPECT_EQ(script.iterator, &iterator);
  EXPECT_EQ(script.progress, &progress);
  EXPECT_EQ(wrapper.qx_component_getExecutionRequirements(component, buffer, sizeof buffer,
                                                          &needed, &errorCode),
            QX_OK);
  EXPECT_EQ(wrapper.qx_component_getCatalogueInformation(component, "tables", buffer,
                                                         sizeof buffer, &needed, &errorCode),
            QX_OK);
  EXPECT_EQ(script.catalogueText, "tables");
  EXPECT_EQ(wrapper.qx_component_cancelExecution(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_component_getPsmControlInformation(component, buffer, sizeof buffer,
                                                          &needed, &errorCode),
            QX_OK);
  EXPECT_EQ(wrapper.qx_component_psmMerge(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_component_endExecution(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_destroy_component(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_cleanup(&errorCode), QX_OK);
  for (Entry e : {kBeginExecution, kGetExecutionRequirements, kGetCatalogueInformation,
                  kCancelExecution, kGetPsmControlInformation, kPsmMerge, kEndExecution,
                  kDestroy, kCleanup})
    EXPECT_EQ(script.calls[e], 1) << "entry " << e;
}

// Initialisation and the module-information query.
class Initialisation : public FrontTest {};

TEST_F(Initialisation, LongModuleInformationIsAskedForAgainWithTheNeededSize) {
  script.moduleInformation = std::string(9999, 'i');
  loadAndInitialise("current_full");
  EXPECT_THAT(script.moduleInformationBufferSizes, ElementsAre(4096u, 10000u));
  EXPECT_EQ(wrapper.getModuleInformation(), script.moduleInformation);
  EXPECT_TRUE(wrapper.supportsInteraction());
}

TEST_F(Initialisation, IsTracedBeforeTheModuleInformationQuery) {
  ExtensionWrapper::setTraceLevel(2);
  loadAndInitialise("current_full");
  EXPECT_THAT(*lines, ElementsAre("loaded library: (current_full)", "[ENTER qx_initialise]",
                                  "[EXIT qx_initialise]: Status=QX_OK ( ErrorCode=0 )",
                                  "[ENTER qx_getModuleInformation]",
                                  "[EXIT qx_getModuleInformation]: Status=QX_OK ( ErrorCode=0 )\n"
                                  "<ModuleInformation/>\n"));
}

TEST_F(Initialisation, CallerSeesTheErrorCodeTheQueryLeft) {
  ASSERT_TRUE(wrapper.load("m", modulePath("current_full").c_str(), nullptr));
  script.status[kGetModuleInformation] = QX_ERR_MODULE_SPECIFIC;
  script.errorCode[kGetModuleInformation] = 31;
  int errorCode = 0;
  EXPECT_EQ(wrapper.qx_initialise(&host, &errorCode), QX_OK);
  EXPECT_EQ(errorCode, 31);
  EXPECT_EQ(wrapper.getModuleInformation(), "");
}

// The wrapper's own bulk fetch for modules without one.
class BulkFetchEmulation : public ComponentCalls {
protected:
  void SetUp() override {
    ComponentCalls::SetUp();
    start("current_minimal");
  }
  void TearDown() override {
    for (void* value : values) std::free(value);
    ComponentCalls::TearDown();
  }
  QXStatus fetch(size_t capacity, size_t fields) {
    fieldCount = fields;
    return wrapper.qx_component_bulkFetch(component, capacity, values, lengths, &fieldCount,
                                          &recordCount, &errorCode);
  }
  void* values[16] = {};
  size_t lengths[16] = {};
  size_t fieldCount = 0;
  size_t recordCount = 0;
};

TEST_F(BulkFetchEmulation, FillsWholeRecordsUpToTheCapacityWithCopies) {
  giveRecords(5, 3);
  EXPECT_EQ(fetch(10, 3), QX_OK);
  EXPECT_EQ(recordCount, 3u);
  EXPECT_EQ(script.calls[kNextRecord], 3);
  for (size_t i = 0; i < 9; ++i) {
    const std::string expected = "r" + std::to_string(i / 3) + "f" + std::to_string(i % 3);
    ASSERT_NE(values[i], nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(values[i]), lengths[i]), expected);
    EXPECT_NE(values[i], script.records[i / 3][i % 3]->data());
  }
  EXPECT_EQ(values[9], nullptr);
}

TEST_F(BulkFetchEmulation, MoreFieldsThanCapacityAnswersNoDataWithoutReading) {
  giveRecords(5, 3);
  EXPECT_EQ(fetch(2, 3), QX_ERR_NO_DATA);
  EXPECT_EQ(script.calls[kNextRecord], 0);
  EXPECT_EQ(recordCount, 0u);
}

TEST_F(BulkFetchEmulation, NullValueStaysNullWithTheLengthTheModuleReported) {
  giveRecords(1, 3);
  script.records[0][1].reset();
  EXPECT_EQ(fetch(16, 3), QX_OK);
  EXPECT_EQ(recordCount, 1u);
  EXPECT_EQ(values[1], nullptr);
  EXPECT_EQ(lengths[1], kNullValueLength);
}

TEST_F(BulkFetchEmulation, StopsEarlyAtTheLastRecordAndAnswersNoDataWhenThereIsNone) {
  giveRecords(2, 2);
  EXPECT_EQ(fetch(16, 2), QX_OK);
  EXPECT_EQ(recordCount, 2u);
  EXPECT_EQ(fetch(16, 2), QX_ERR_NO_DATA);
  EXPECT_EQ(recordCount, 0u);
}

TEST_F(BulkFetchEmulation, RecordCountOnEntryOffsetsTheFieldIndexes) {
  giveRecords(1, 4);
  recordCount = 2;
  EXPECT_EQ(fetch(16, 2), QX_OK);
  EXPECT_THAT(script.valueIndexes, ElementsAre(2u, 3u));
}

TEST_F(BulkFetchEmulation, WritesNoLineOfItsOwnOnlyTheNestedCalls) {
  giveRecords(1, 1);
  ExtensionWrapper::setTraceLevel(3);
  EXPECT_EQ(fetch(1, 1), QX_OK);
  ASSERT_EQ(lines->size(), 4u); // nextRecord and getRecordValue, enter and exit each
  for (const std::string& line : *lines)
    EXPECT_EQ(line.find("qx_component_bulkFetch"), std::string::npos) << line;
}

TEST_F(ComponentCalls, ModuleBulkFetchHandsBackTheModuleValuesAndIsTracedAsOneCall) {
  start("current_full");
  giveRecords(3, 2);
  void* values[8] = {};
  size_t lengths[8] = {};
  size_t fields = 0, records = 0;
  ExtensionWrapper::setTraceLevel(3);
  EXPECT_EQ(wrapper.qx_component_bulkFetch(component, 8, values, lengths, &fields, &records,
                                           &errorCode),
            QX_OK);
  EXPECT_EQ(records, 3u);
  EXPECT_EQ(fields, 2u);
  EXPECT_EQ(values[5], script.records[2][1]->data());
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_component_bulkFetch (component=" + c() + ")]",
                                  "[EXIT qx_component_bulkFetch (component=" + c() +
                                      ")]: Status=QX_OK ( ErrorCode=0 )"));
}

TEST_F(ComponentCalls, ScoreCopiesTheModuleResultsAndPassesTheRecordAddress) {
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
}

TEST_F(ComponentCalls, ScoreFailureLeavesTheVectorsAlone) {
  start("older_full");
  script.status[kPeerCall] = QX_ERR_NOT_EXECUTING;
  KSCommon::Record record;
  std::vector<double> scores{9.0};
  std::vector<std::vector<double>> rows{{1.0}};
  ExtensionWrapper::setTraceLevel(1);
  EXPECT_EQ(wrapper.qx_peer_score(component, record, scores, rows, &errorCode),
            QX_ERR_NOT_EXECUTING);
  EXPECT_EQ(scores, std::vector<double>{9.0});
  EXPECT_EQ(rows.size(), 1u);
  EXPECT_THAT(*lines, ElementsAre("[EXIT qx_peer_call (component=" + c() +
                                      ")]: Status=QX_ERR_NOT_EXECUTING ( ErrorCode=0 )",
                                  "[EXIT qx_peer_score (component=" + c() +
                                      ")]: Status=QX_ERR_NOT_EXECUTING ( ErrorCode=0 )"));
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

TEST(CModule, AModuleWrittenInCIsDrivenThroughItsWholeLifecycle) {
  ExtensionWrapper wrapper;
  ASSERT_TRUE(wrapper.load("c_module", modulePath("c_module").c_str(), nullptr));
  QXHost host{};
  int errorCode = -1;
  ASSERT_EQ(wrapper.qx_initialise(&host, &errorCode), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(wrapper.qx_create_component(nullptr, "", &component, &errorCode), QX_OK);
  ASSERT_EQ(wrapper.qx_component_beginExecution(component, nullptr, nullptr, &errorCode), QX_OK);
  void* values[4] = {};
  size_t lengths[4] = {};
  size_t fields = 1, records = 0;
  ASSERT_EQ(wrapper.qx_component_bulkFetch(component, 4, values, lengths, &fields, &records,
                                           &errorCode),
            QX_OK);
  EXPECT_EQ(records, 3u);
  for (size_t i = 0; i < records; ++i) {
    int64_t n = 0;
    ASSERT_EQ(lengths[i], sizeof n);
    std::memcpy(&n, values[i], sizeof n);
    EXPECT_EQ(n, static_cast<int64_t>(i + 1));
    std::free(values[i]);
  }
  EXPECT_EQ(wrapper.qx_component_endExecution(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_destroy_component(component, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_cleanup(&errorCode), QX_OK);
}
