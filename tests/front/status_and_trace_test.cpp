// Status names, trace settings and the four trace checks, line by line.
#include "front_fixture.h"

#include <climits>

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;

TEST(StatusNames, KnownCodesHaveTheirNamesAndEveryOtherIsUnknown) {
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(0), "QX_OK");
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(1), "QX_ERR_MODULE_SPECIFIC");
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(13), "QX_ERR_INSUFFICIENT_BUFFER");
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(18), "QX_ERR_EXCEPTION_THROWN");
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(23), "QX_ERR_REMOTE");
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(24), "UNKNOWN");
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(25), "UNKNOWN");
  EXPECT_STREQ(ExtensionWrapper::QXStatus2String(UINT_MAX), "UNKNOWN");
}

class TraceChecks : public FrontTest {};

TEST_F(TraceChecks, LevelAcceptsAnyIntegerAndOutputIsSharedProcessWide) {
  ExtensionWrapper::setTraceLevel(-5);
  EXPECT_EQ(ExtensionWrapper::getTraceLevel(), -5);
  ExtensionWrapper::setTraceLevel(INT_MAX);
  EXPECT_EQ(ExtensionWrapper::getTraceLevel(), INT_MAX);
  EXPECT_NE(ExtensionWrapper::getTraceOutput(), nullptr);
}

TEST_F(TraceChecks, EnterLinesAreWrittenFromLevelTwo) {
  int component = 0;
  ExtensionWrapper::setTraceLevel(1);
  ExtensionWrapper::QXCHK_enter("qx_cleanup");
  ExtensionWrapper::QXCHK_enter(&wrapper, &component, "qx_component_configure");
  EXPECT_THAT(*lines, IsEmpty());

  ExtensionWrapper::setTraceLevel(2);
  ExtensionWrapper::QXCHK_enter("qx_cleanup");
  ExtensionWrapper::QXCHK_enter(&wrapper, &component, "qx_component_configure");
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_cleanup]", "[ENTER qx_component_configure (component=" +
                                                            pointerText(&component) + ")]"));
}

TEST_F(TraceChecks, PlainExitWritesFailuresFromLevelOneAndDetailFromLevelTwo) {
  ExtensionWrapper::setTraceLevel(1);
  ExtensionWrapper::QXCHK_exit(QX_OK, 0, "qx_cleanup", "<doc/>");
  ExtensionWrapper::QXCHK_exit(7, -3, "qx_cleanup", "<doc/>");
  ExtensionWrapper::setTraceLevel(2);
  ExtensionWrapper::QXCHK_exit(QX_OK, 0, "qx_getModuleInformation", "<doc/>");
  ExtensionWrapper::QXCHK_exit(QX_OK, 0, "qx_cleanup", nullptr);
  EXPECT_THAT(*lines,
              ElementsAre("[EXIT qx_cleanup]: Status=QX_ERR_NOT_EXECUTABLE ( ErrorCode=-3 )",
                          "[EXIT qx_getModuleInformation]: Status=QX_OK ( ErrorCode=0 )\n<doc/>\n",
                          "[EXIT qx_cleanup]: Status=QX_OK ( ErrorCode=0 )"));
}

TEST_F(TraceChecks, NothingIsWrittenAtLevelZeroEvenForFailures) {
  int component = 0;
  ExtensionWrapper::QXCHK_enter("a");
  ExtensionWrapper::QXCHK_enter(&wrapper, &component, "b");
  ExtensionWrapper::QXCHK_exit(9, 1, "c", nullptr);
  ExtensionWrapper::QXCHK_exit(&wrapper, 1, &component, 1, "d", nullptr);
  EXPECT_THAT(*lines, IsEmpty());
}

TEST_F(TraceChecks, ComponentExitCarriesComponentStatusNameAndDetail) {
  int component = 0;
  ExtensionWrapper::setTraceLevel(2);
  ExtensionWrapper::QXCHK_exit(&wrapper, 4000000000u, &component, 12, "x", "detail");
  EXPECT_THAT(*lines, ElementsAre("[EXIT x (component=" + pointerText(&component) +
                                  ")]: Status=UNKNOWN ( ErrorCode=12 )\ndetail\n"));
}

TEST_F(TraceChecks, LinesWithoutAnOutputAreDropped) {
  ExtensionWrapperTraceOutput* output = ExtensionWrapper::getTraceOutput();
  ExtensionWrapper::setTraceOutput(nullptr);
  ExtensionWrapper::setTraceLevel(4);
  ExtensionWrapper::QXCHK_exit(3, 0, "qx_cleanup", nullptr);
  ExtensionWrapper::setTraceOutput(output);
  EXPECT_THAT(*lines, IsEmpty());
}

// The module's own error text in the exit line of a call that answered 1.
class ModuleErrorText : public FrontTest {
protected:
  void SetUp() override {
    FrontTest::SetUp();
    loadAndInitialise("current_full");
    component = createComponent();
    script.status[kGetDataModel] = QX_ERR_MODULE_SPECIFIC;
    script.errorCode[kGetDataModel] = 42;
    ExtensionWrapper::setTraceLevel(1);
  }

  QXStatus getDataModel() {
    char buffer[64];
    size_t needed = 0;
    int errorCode = 0;
    return wrapper.qx_component_getDataModel(component, 0, buffer, sizeof buffer, &needed,
                                             &errorCode);
  }

  std::string exitPrefix() const {
    return "[EXIT qx_component_getDataModel (component=" + pointerText(component) +
           ")]: Status=QX_ERR_MODULE_SPECIFIC ( ErrorCode=42 )";
  }

  void* component = nullptr;
};

TEST_F(ModuleErrorText, IsAppendedWhenTheDetailCallSucceeds) {
  script.errorTexts[42] = "disk full";
  EXPECT_EQ(getDataModel(), QX_ERR_MODULE_SPECIFIC);
  EXPECT_THAT(*lines, ElementsAre(exitPrefix() + "\n\tModule specific error(disk full)"));
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
  EXPECT_EQ(lines->front(), "[EXIT qx_component_getErrorDetail (component=" +
                                pointerText(component) +
                                ")]: Status=QX_ERR_INSUFFICIENT_BUFFER ( ErrorCode=42 )");
  EXPECT_THAT(lines->back(), EndsWith("(" + std::string(19999, 'e') + ")"));
}

TEST_F(ModuleErrorText, FailingDetailCallIsAskedOnceAndReportedAsUnavailable) {
  script.status[kGetErrorDetail] = QX_ERR_MODULE_SPECIFIC;
  script.errorCode[kGetErrorDetail] = 42;
  EXPECT_EQ(getDataModel(), QX_ERR_MODULE_SPECIFIC);
  EXPECT_EQ(script.calls[kGetErrorDetail], 1);
  EXPECT_THAT(*lines,
              ElementsAre("[EXIT qx_component_getErrorDetail (component=" +
                              pointerText(component) +
                              ")]: Status=QX_ERR_MODULE_SPECIFIC ( ErrorCode=42 )",
                          exitPrefix() + "\n\tCould not retrieve module specific error"));
}

TEST_F(ModuleErrorText, LookupIsTracedBeforeTheLineThatReportsIt) {
  script.errorTexts[42] = "disk full";
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(getDataModel(), QX_ERR_MODULE_SPECIFIC);
  const std::string c = pointerText(component);
  EXPECT_THAT(*lines,
              ElementsAre("[ENTER qx_component_getDataModel (component=" + c + ")]",
                          "[ENTER qx_component_getErrorDetail (component=" + c + ")]",
                          "[EXIT qx_component_getErrorDetail (component=" + c +
                              ")]: Status=QX_OK ( ErrorCode=42 )\ndisk full\n",
                          exitPrefix() + "\n\tModule specific error(disk full)"));
}

TEST_F(ModuleErrorText, OtherFailuresCarryNoModuleErrorPart) {
  script.status[kGetDataModel] = QX_ERR_NOT_EXECUTABLE;
  EXPECT_EQ(getDataModel(), QX_ERR_NOT_EXECUTABLE);
  EXPECT_EQ(script.calls[kGetErrorDetail], 0);
  EXPECT_THAT(*lines, ElementsAre("[EXIT qx_component_getDataModel (component=" +
                                  pointerText(component) +
                                  ")]: Status=QX_ERR_NOT_EXECUTABLE ( ErrorCode=42 )"));
}
