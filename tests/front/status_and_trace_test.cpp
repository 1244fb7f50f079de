// Status codes and names, trace settings and the four trace checks, line by line.
#include "front_fixture.h"

#include <climits>

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;

TEST(StatusCodes, KeepTheirValuesAndNames_EveryOtherCodeIsUnknown) {
  const struct { unsigned code, value; const char* name; } rows[] = {
      {QX_OK, 0, "QX_OK"}, {QX_ERR_MODULE_SPECIFIC, 1, "QX_ERR_MODULE_SPECIFIC"},
      {QX_ERR_INSUFFICIENT_BUFFER, 13, "QX_ERR_INSUFFICIENT_BUFFER"},
      {QX_ERR_EXCEPTION_THROWN, 18, "QX_ERR_EXCEPTION_THROWN"},
      {QX_ERR_REMOTE, 23, "QX_ERR_REMOTE"}, {24, 24, "UNKNOWN"},
      {QX_ERR_EXPAND_FILE_PATH, 25, "UNKNOWN"}, {QX_ERR_OPEN_JVM, 39, "UNKNOWN"},
      {QX_ERR_CLOSE_JVM, 41, "UNKNOWN"}, {UINT_MAX, UINT_MAX, "UNKNOWN"}};
  for (const auto& row : rows) {
    EXPECT_EQ(row.code, row.value);
    EXPECT_STREQ(ExtensionWrapper::QXStatus2String(row.code), row.name) << row.code;
  }
}

class TraceChecks : public FrontTest {};

TEST_F(TraceChecks, EnterFromLevelTwo_FailuresFromLevelOne_DetailFromLevelTwo) {
  int c = 0;
  const std::string cleanupFailed = "[EXIT qx_cleanup]: Status=QX_ERR_NOT_EXECUTABLE ( ErrorCode=-3 )";
  const std::string unknown = exitLine("x", &c, "UNKNOWN", 12);
  const struct { int level; std::vector<std::string> expected; } rows[] = {
      {0, {}},
      {1, {cleanupFailed, unknown}},
      {2, {"[ENTER qx_cleanup]", enterLine("qx_component_configure", &c), cleanupFailed + "\n<doc/>\n",
           "[EXIT qx_getModuleInformation]: Status=QX_OK ( ErrorCode=0 )\n<doc/>\n",
           "[EXIT qx_cleanup]: Status=QX_OK ( ErrorCode=0 )", unknown + "\ndetail\n"}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.level);
    lines->clear();
    ExtensionWrapper::setTraceLevel(row.level);
    ExtensionWrapper::QXCHK_enter("qx_cleanup");
    ExtensionWrapper::QXCHK_enter(&wrapper, &c, "qx_component_configure");
    ExtensionWrapper::QXCHK_exit(7, -3, "qx_cleanup", "<doc/>");
    ExtensionWrapper::QXCHK_exit(QX_OK, 0, "qx_getModuleInformation", "<doc/>");
    ExtensionWrapper::QXCHK_exit(QX_OK, 0, "qx_cleanup", nullptr);
    ExtensionWrapper::QXCHK_exit(&wrapper, 4000000000u, &c, 12, "x", "detail");
    EXPECT_EQ(*lines, row.expected);
  }
}

TEST_F(TraceChecks, AnyLevelIsKept_LinesWithoutAnOutputAreDropped) {
  ExtensionWrapper::setTraceLevel(-5);
  EXPECT_EQ(ExtensionWrapper::getTraceLevel(), -5);
  ExtensionWrapper::setTraceLevel(INT_MAX);
  EXPECT_EQ(ExtensionWrapper::getTraceLevel(), INT_MAX);
  ExtensionWrapperTraceOutput* output = ExtensionWrapper::getTraceOutput();
  ASSERT_NE(output, nullptr);
  ExtensionWrapper::setTraceOutput(nullptr);
  ExtensionWrapper::QXCHK_exit(3, 0, "qx_cleanup", nullptr);
  ExtensionWrapper::setTraceOutput(output);
  EXPECT_THAT(*lines, IsEmpty());
}

// The module's own error text in the exit line of a call that answered 1.
class ModuleErrorText : public FrontTest {
protected:
  void SetUp() override {
    FrontTest::SetUp();
    start("current_full");
    script.status[kGetDataModel] = QX_ERR_MODULE_SPECIFIC;
    script.errorCode[kGetDataModel] = 42;
    ExtensionWrapper::setTraceLevel(1);
  }
  QXStatus getDataModel() {
    char buffer[64];
    size_t needed = 0;
    return wrapper.qx_component_getDataModel(component, 0, buffer, sizeof buffer, &needed,
                                             &errorCode);
  }
  std::string exitWith(const std::string& status = "QX_ERR_MODULE_SPECIFIC") const {
    return exitLine("qx_component_getDataModel", component, status, 42);
  }
  std::string detailExit(const std::string& status) const {
    return exitLine("qx_component_getErrorDetail", component, status, 42);
  }
};

TEST_F(ModuleErrorText, LookupIsTracedBeforeTheLineThatAppendsIt) {
  script.errorTexts[42] = "disk full";
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(getDataModel(), QX_ERR_MODULE_SPECIFIC);
  EXPECT_THAT(*lines, ElementsAre(enterLine("qx_component_getDataModel", component),
                                  enterLine("qx_component_getErrorDetail", component),
                                  detailExit("QX_OK") + "\ndisk full\n",
                                  exitWith() + "\n\tModule specific error(disk full)"));
  EXPECT_THAT(script.detailCodes, ElementsAre(42));
  EXPECT_THAT(script.detailBufferSizes, ElementsAre(8192u));
}

TEST_F(ModuleErrorText, IsAskedForAgainWithTheNeededSize) {
  script.errorTexts[42] = std::string(19999, 'e');
  EXPECT_EQ(getDataModel(), QX_ERR_MODULE_SPECIFIC);
  EXPECT_THAT(script.detailBufferSizes, ElementsAre(8192u, 20000u));
  EXPECT_THAT(script.detailCodes, ElementsAre(42, 42));
  // The first lookup's own failure is traced like any failed call.
  ASSERT_EQ(lines->size(), 2u);
  EXPECT_EQ(lines->front(), detailExit("QX_ERR_INSUFFICIENT_BUFFER"));
  EXPECT_THAT(lines->back(), EndsWith("(" + std::string(19999, 'e') + ")"));
}

TEST_F(ModuleErrorText, FailingDetailCallIsAskedOnceAndReportedAsUnavailable) {
  script.status[kGetErrorDetail] = QX_ERR_MODULE_SPECIFIC;
  script.errorCode[kGetErrorDetail] = 42;
  EXPECT_EQ(getDataModel(), QX_ERR_MODULE_SPECIFIC);
  EXPECT_EQ(script.calls[kGetErrorDetail], 1);
  EXPECT_THAT(*lines, ElementsAre(detailExit("QX_ERR_MODULE_SPECIFIC"),
                                  exitWith() + "\n\tCould not retrieve module specific error"));
}

TEST_F(ModuleErrorText, OtherFailuresCarryNoModuleErrorPart) {
  script.status[kGetDataModel] = QX_ERR_NOT_EXECUTABLE;
  EXPECT_EQ(getDataModel(), QX_ERR_NOT_EXECUTABLE);
  EXPECT_EQ(script.calls[kGetErrorDetail], 0);
  EXPECT_THAT(*lines, ElementsAre(exitWith("QX_ERR_NOT_EXECUTABLE")));
}
