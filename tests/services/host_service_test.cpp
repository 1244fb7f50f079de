// The host service: host information, module trace routing, the wrapper
// singleton, table ownership and the trace line of getHostInformation.
#include "services_fixture.h"

#include <cstring>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class HostService : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    wrapper.reset(QXHostWrapper::createHostWrapper());
    table = QXHostFactory::create(wrapper.get());
  }

  TextAnswer hostInformation(size_t size) {
    TextAnswer answer;
    std::vector<char> buffer(size + 1, '#');
    answer.status = table->getHostInformation(table->owner, buffer.data(), size, &answer.needed,
                                              &answer.errorCode);
    answer.text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return answer;
  }

  std::unique_ptr<QXHostWrapper> wrapper;
  QXHost* table = nullptr;
};

TEST_F(HostService, TableHoldsItsWrapperAsOwner) { EXPECT_EQ(table->owner, wrapper.get()); }

TEST_F(HostService, InformationFitsExactlyIntoLengthPlusOne) {
  wrapper->setHostInformationXML("<HostInformation/>");
  const TextAnswer answer = hostInformation(19);
  EXPECT_EQ(answer.status, QX_OK);
  EXPECT_EQ(answer.needed, 19u);
  EXPECT_EQ(answer.text, "<HostInformation/>");
  EXPECT_EQ(answer.errorCode, 0);
}

TEST_F(HostService, OneByteShortLeavesTheBufferUntouched) {
  wrapper->setHostInformationXML("<HostInformation/>");
  const TextAnswer answer = hostInformation(18);
  EXPECT_EQ(answer.status, QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(answer.needed, 19u);
  EXPECT_EQ(answer.text, std::string(19, '#'));
  EXPECT_EQ(answer.errorCode, 0);
}

TEST_F(HostService, EmptyInformationIsALoneZeroByte) {
  const TextAnswer answer = hostInformation(1);
  EXPECT_EQ(answer.status, QX_OK);
  EXPECT_EQ(answer.needed, 1u);
  EXPECT_EQ(answer.text, "");
}

TEST_F(HostService, CallbackReadsTheCurrentInformation) {
  wrapper->setHostInformationXML("<A/>");
  wrapper->setHostInformationXML("<B/>");
  EXPECT_EQ(hostInformation(64).text, "<B/>");
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

TEST_F(HostService, ModuleTraceGoesToTheLibraryOutputFirstThenTheWrappers) {
  auto own = std::make_shared<std::vector<std::string>>();
  LineRecorder ownOutput(own);
  wrapper->setTraceOutput(&ownOutput);
  table->trace(table->owner, "hello from the module");
  EXPECT_THAT(*lines, ElementsAre("hello from the module")); // level 0 does not matter
  EXPECT_THAT(*own, ElementsAre("hello from the module"));
}

TEST_F(HostService, ModuleTraceWithoutOutputsDoesNothing) {
  ExtensionWrapper::setTraceOutput(nullptr);
  table->trace(table->owner, "lost");
  wrapper->setTraceOutput(nullptr);
  table->trace(table->owner, "lost");
  EXPECT_THAT(*lines, IsEmpty());
}

TEST_F(HostService, CreatedWrappersAreDistinctAndTheSingletonIsOne) {
  std::unique_ptr<QXHostWrapper> other(QXHostWrapper::createHostWrapper());
  EXPECT_NE(other.get(), wrapper.get());
  EXPECT_EQ(QXHostWrapper::getHostWrapper(), QXHostWrapper::getHostWrapper());
  EXPECT_NE(QXHostWrapper::getHostWrapper(), nullptr);
}

TEST_F(HostService, SecondTableWorksBesideTheFirst) {
  QXHost* second = QXHostFactory::create(wrapper.get());
  EXPECT_NE(second, table);
  EXPECT_EQ(wrapper->getHandleCount(), 2u);
  wrapper->setHostInformationXML("<X/>");
  char buffer[8];
  size_t needed = 0;
  int errorCode = -1;
  EXPECT_EQ(second->getHostInformation(second->owner, buffer, sizeof buffer, &needed, &errorCode),
            QX_OK);
  EXPECT_STREQ(buffer, "<X/>");
  // Both tables are freed with the wrapper (the sanitizer build checks it).
}

TEST_F(HostService, CopyTakesTheDataButNoTables) {
  wrapper->setHostInformationXML("<Copied/>");
  QXHostWrapper copy(*wrapper);
  EXPECT_EQ(copy.getHandleCount(), 0u);
  char buffer[16];
  size_t needed = 0;
  int errorCode = -1;
  EXPECT_EQ(copy.getHostInformation(buffer, sizeof buffer, &needed, &errorCode), QX_OK);
  EXPECT_STREQ(buffer, "<Copied/>");
}

TEST_F(HostService, AssignmentKeepsTheTargetsTablesWorking) {
  std::unique_ptr<QXHostWrapper> source(QXHostWrapper::createHostWrapper());
  source->setHostInformationXML("<Assigned/>");
  QXHostFactory::create(source.get());
  *wrapper = *source;
  EXPECT_EQ(wrapper->getHandleCount(), 1u);
  EXPECT_EQ(hostInformation(64).text, "<Assigned/>");
}
