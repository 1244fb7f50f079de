// The host service: host information, module trace routing, the wrapper
// singleton, table ownership and the trace line of getHostInformation.
#include "services_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class HostService : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    wrapper.reset(QXHostWrapper::createHostWrapper());
    table = QXHostFactory::create(wrapper.get());
  }
  TextAnswer hostInformation(size_t size, QXHost* from = nullptr) {
    from = from ? from : table;
    return fetchText(from->getHostInformation, from->owner, size);
  }

  std::unique_ptr<QXHostWrapper> wrapper;
  QXHost* table = nullptr;
};

TEST_F(HostService, InformationNeedsItsLengthPlusOne_AShortBufferStaysUntouched) {
  struct Row {
    const char* information;
    size_t size;
    QXStatus status;
    size_t needed;
    std::string text;
  };
  const char* const info = "<HostInformation/>";
  const Row rows[] = {{info, 19, QX_OK, 19, info},
                      {info, 18, QX_ERR_INSUFFICIENT_BUFFER, 19, std::string(19, '#')},
                      {"", 1, QX_OK, 1, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    wrapper->setHostInformationXML(row.information);
    const TextAnswer answer = hostInformation(row.size);
    EXPECT_EQ(answer.status, row.status);
    EXPECT_EQ(answer.needed, row.needed);
    EXPECT_EQ(answer.text, row.text);
    EXPECT_EQ(answer.errorCode, 0);
  }
}

TEST_F(HostService, InformationExitLineGates) {
  wrapper->setHostInformationXML("<H/>");
  ExtensionWrapper::setTraceLevel(1);
  hostInformation(64);
  EXPECT_THAT(*lines, IsEmpty());
  hostInformation(2);
  EXPECT_THAT(*lines, ElementsAre("[EXIT qx_host_getHostInformation]: "
                                  "Status=QX_ERR_INSUFFICIENT_BUFFER ( ErrorCode=0 )"));
  lines->clear();
  ExtensionWrapper::setTraceLevel(2);
  hostInformation(64);
  EXPECT_THAT(*lines, ElementsAre("[EXIT qx_host_getHostInformation]: Status=QX_OK "
                                  "( ErrorCode=0 )\n<H/>\n"));
}

// Documents come from the XML service (a text that does not parse gives a
// handle without a document); module trace goes to the wrapper's output and
// the library-wide one.
TEST_F(HostService, DocumentsAndModuleTraceThroughTheTable) {
  QXXML *made = nullptr, *parsed = nullptr, *broken = nullptr;
  ASSERT_EQ(table->createNewDocument(table->owner, "Root", &made), QX_OK);
  ASSERT_EQ(table->createDocumentFromContents(table->owner, "<Made by='probe'/>", &parsed), QX_OK);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(table->createDocumentFromContents(table->owner, "<Broken>", &broken), QX_OK);
  ::testing::internal::GetCapturedStdout();
  char text[16];
  size_t needed = 0;
  EXPECT_EQ(made->getName(made->owner, text, sizeof text, &needed), QX_OK);
  EXPECT_STREQ(text, "Root");
  EXPECT_EQ(parsed->getAttribute(parsed->owner, "by", text, sizeof text, &needed), QX_OK);
  EXPECT_STREQ(text, "probe");
  EXPECT_EQ(broken->getName(broken->owner, text, sizeof text, &needed), QX_ERR_XML);
  for (QXXML* document : {made, parsed, broken}) EXPECT_EQ(document->dispose(document->owner), QX_OK);
  auto own = std::make_shared<std::vector<std::string>>();
  RecordingTraceOutput hostOutput(own);
  wrapper->setTraceOutput(&hostOutput);
  table->trace(table->owner, "module line");
  wrapper->setTraceOutput(nullptr);
  EXPECT_THAT(*own, ElementsAre("module line"));
  EXPECT_THAT(*lines, ElementsAre("module line"));
}

TEST_F(HostService, ModuleTraceWithoutOutputsDoesNothing) {
  ExtensionWrapper::setTraceOutput(nullptr);
  table->trace(table->owner, "lost");
  wrapper->setTraceOutput(nullptr);
  table->trace(table->owner, "lost");
  EXPECT_THAT(*lines, IsEmpty());
}

// Every table is freed with the wrapper that built it (the sanitizer build
// checks it); copies take the data but no tables, assignment keeps the
// target's tables working.
TEST_F(HostService, TablesBelongToTheWrapperThatBuiltThem) {
  QXHost* second = QXHostFactory::create(wrapper.get());
  EXPECT_NE(second, table);
  EXPECT_EQ(wrapper->getHandleCount(), 2u);
  wrapper->setHostInformationXML("<X/>");
  EXPECT_EQ(hostInformation(8, second).text, "<X/>");

  QXHostWrapper copy(*wrapper);
  EXPECT_EQ(copy.getHandleCount(), 0u);
  QXHost* copyTable = QXHostFactory::create(&copy);
  EXPECT_EQ(hostInformation(8, copyTable).text, "<X/>");

  std::unique_ptr<QXHostWrapper> source(QXHostWrapper::createHostWrapper());
  source->setHostInformationXML("<Assigned/>");
  QXHostFactory::create(source.get());
  *wrapper = *source;
  EXPECT_EQ(wrapper->getHandleCount(), 2u);
  EXPECT_EQ(hostInformation(64).text, "<Assigned/>");
  EXPECT_EQ(QXHostWrapper::getHostWrapper(), QXHostWrapper::getHostWrapper()); // one singleton
}
