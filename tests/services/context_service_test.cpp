// The context service through its table: documents, key lookups, generated
// password keys, forwarding to the host's context support, trace lines and
// the secrecy of passwords, file paths and decrypted parameters.
#include "services_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ContextService : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    extension.setContextSupport(&support);
    table = QXContextFactory::create(&context);
  }

  template <typename Member, typename... Key>
  TextAnswer fetch(Member member, Key... key) {
    return fetchText(member, table->owner, 256, key...);
  }
  TextAnswer fetchSized(size_t size, const char* key = "db") {
    return fetchText(table->getPassword, table->owner, size, key);
  }

  FakeContextSupport support;
  ExtensionWrapper extension;
  QXContextWrapper context{&extension};
  QXContext* table = nullptr;
};


// The module gets only decrypted parameters; a missing output data model is
// an invalid operation that writes no trace line, a missing document is empty.
TEST_F(ContextService, UnsetDocuments) {
  context.setParameterXML("<Parameters stored='1'/>");
  ExtensionWrapper::setTraceLevel(4);
  const TextAnswer output = fetch(table->getOutputDataModel);
  EXPECT_EQ(output.status, QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(output.needed, 12345u);
  EXPECT_EQ(output.errorCode, 0);
  EXPECT_THAT(*lines, IsEmpty());
  for (const TextAnswer& empty : {fetch(table->getParameters), fetch(table->getDataModel)}) {
    EXPECT_EQ(empty.status, QX_OK);
    EXPECT_EQ(empty.needed, 1u);
    EXPECT_EQ(empty.text, "");
  }
}

TEST_F(ContextService, EachMemberServesItsOwnText_ExpansionCarriesItsFlags) {
  context.setParameterXML("<Stored/>");
  context.setDecryptedParameterXML("<P/>");
  context.setContextInformationXML("<C/>");
  context.setDataModelXML("<D/>");
  context.setSqlGenerationXML("<S/>");
  context.setPsmMergeInformationXML("<M/>");
  EXPECT_EQ(fetch(table->getParameters).text, "<P/>");
  EXPECT_EQ(fetch(table->getContextInformation).text, "<C/>");
  EXPECT_EQ(fetch(table->getDataModel).text, "<D/>");
  EXPECT_EQ(fetch(table->getSQLGeneration).text, "<S/>");
  EXPECT_EQ(fetch(table->getPsmMergeInformation).text, "<M/>");
  EXPECT_EQ(fetch(table->expandFilePath, "~/data").text, "/home/probe/data#0");
  EXPECT_EQ(fetch(table->expandFilePathExt, "~/data", 3u).text, "/home/probe/data#3");
}

TEST_F(ContextService, KeysMatchByteForByte_TheLastOfEqualKeysWins) {
  context.addPassword("db", "first");
  context.addPassword("db", "second");
  context.addPassword("Db", "other");
  context.addFilePath("in", "/a");
  context.addFilePath("in", "/b");
  EXPECT_EQ(fetch(table->getPassword, "db").text, "second");
  EXPECT_EQ(fetch(table->getFilePath, "in").text, "/b");
  const TextAnswer missing = fetch(table->getPassword, "DB");
  EXPECT_EQ(missing.status, QX_ERR_CANNOT_MATCH_KEY);
  EXPECT_EQ(missing.needed, 12345u);
  EXPECT_EQ(missing.errorCode, 0);
  context.clearFilePaths(); // leaves the passwords
  EXPECT_EQ(fetch(table->getFilePath, "in").status, QX_ERR_CANNOT_MATCH_KEY);
  EXPECT_EQ(fetch(table->getPassword, "db").text, "second");
}

TEST_F(ContextService, GeneratedPasswordKeysFillTheFirstGap) {
  EXPECT_EQ(context.addPassword("a"), "PW0");
  EXPECT_EQ(context.addPassword("b"), "PW1");
  QXContextWrapper other(nullptr);
  other.addPassword("PW0", "x");
  other.addPassword("PW2", "y");
  EXPECT_EQ(other.addPassword("z"), "PW1");
  EXPECT_EQ(other.addPassword("w"), "PW3");
  EXPECT_EQ(fetch(table->getPassword, "PW1").text, "b");
}

TEST_F(ContextService, PasswordBufferBoundary) {
  context.addPassword("db", "12345");
  EXPECT_EQ(fetchSized(6).status, QX_OK);
  const TextAnswer shorter = fetchSized(5);
  EXPECT_EQ(shorter.status, QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(shorter.needed, 6u);
  EXPECT_EQ(shorter.text, "######");
}


TEST_F(ContextService, JavaMachineAndExpansionGoThroughTheHostsSupport) {
  void* jvm = nullptr;
  int errorCode = -1;
  EXPECT_EQ(table->openJVM(table->owner, &jvm, "-Xmx1g", &errorCode), QX_OK);
  EXPECT_EQ(jvm, &support.machine);
  EXPECT_THAT(support.seenTexts, ElementsAre("-Xmx1g"));
  EXPECT_EQ(table->closeJVM(table->owner, jvm, &errorCode), QX_OK);
  EXPECT_EQ(support.closed, &support.machine);
  support.allow = false; // refusals leave `needed` alone and the error code 0
  const TextAnswer answer = fetch(table->expandFilePath, "/x");
  EXPECT_EQ(answer.status, QX_ERR_EXPAND_FILE_PATH);
  EXPECT_EQ(answer.needed, 12345u);
  EXPECT_EQ(answer.errorCode, 0);
  errorCode = -1;
  EXPECT_EQ(table->openJVM(table->owner, &jvm, "", &errorCode), QX_ERR_OPEN_JVM);
  EXPECT_EQ(errorCode, 0);
  errorCode = -1;
  EXPECT_EQ(table->closeJVM(table->owner, jvm, &errorCode), QX_ERR_CLOSE_JVM);
  EXPECT_EQ(errorCode, 0);
}

TEST_F(ContextService, WithoutExtensionOrSupportTheHostMembersRefuse) {
  QXContextWrapper orphan(nullptr);
  ExtensionWrapper unsupported;
  QXContextWrapper unsupportedContext(&unsupported);
  for (QXContextWrapper* wrapper : {&orphan, &unsupportedContext}) {
    QXContext* t = QXContextFactory::create(wrapper);
    char buffer[16];
    size_t needed = 0;
    int errorCode = -1;
    void* jvm = nullptr;
    EXPECT_EQ(t->expandFilePath(t->owner, "/x", buffer, sizeof buffer, &needed, &errorCode),
              QX_ERR_EXPAND_FILE_PATH);
    EXPECT_EQ(t->expandFilePathExt(t->owner, "/x", 1, buffer, sizeof buffer, &needed,
                                   &errorCode),
              QX_ERR_EXPAND_FILE_PATH);
    EXPECT_EQ(t->openJVM(t->owner, &jvm, "", &errorCode), QX_ERR_OPEN_JVM);
    EXPECT_EQ(t->closeJVM(t->owner, jvm, &errorCode), QX_ERR_CLOSE_JVM);
  }
}

// Level 2 shows documents (the stored parameters, never the decrypted ones)
// and only enter lines for key failures; level 1 only exit lines of failures.
TEST_F(ContextService, TraceLines) {
  context.setParameterXML("<Parameters stored='1'/>");
  context.setDecryptedParameterXML("<Parameters clear='1'/>");
  context.setPsmMergeInformationXML("<M/>");
  context.setDataModelXML("<DataModel/>");
  ExtensionWrapper::setTraceLevel(2);
  fetch(table->getParameters);
  fetch(table->getPsmMergeInformation);
  fetch(table->getPassword, "none");
  fetch(table->getFilePath, "other");
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_context_getParameters]",
                                  "[EXIT qx_context_getParameters]: Status=QX_OK ( ErrorCode=0 )"
                                  "\n<Parameters stored='1'/>\n",
                                  "[ENTER qx_component_getPsmMergeInformation]",
                                  "[EXIT qx_component_getPsmMergeInformation]: Status=QX_OK "
                                  "( ErrorCode=0 )\n<M/>\n",
                                  "[ENTER qx_context_getPassword]",
                                  "[ENTER qx_context_getFilePath]"));
  lines->clear();
  support.allow = false;
  ExtensionWrapper::setTraceLevel(1);
  fetchText(table->getDataModel, table->owner, 3);
  fetch(table->getDataModel);
  fetchText(table->expandFilePath, table->owner, 8, "/x");
  EXPECT_THAT(*lines,
              ElementsAre("[EXIT qx_context_getDataModel]: Status=QX_ERR_INSUFFICIENT_BUFFER "
                          "( ErrorCode=0 )",
                          "[EXIT qx_context_expandFilePath]: Status=UNKNOWN ( ErrorCode=0 )"));
}

TEST_F(ContextService, CopyKeepsEverythingButTheTables) {
  context.addPassword("db", "pw");
  context.addFilePath("in", "/a");
  context.setDataModelXML("<DataModel/>");
  QXContextWrapper copy(context);
  EXPECT_EQ(copy.getHandleCount(), 0u);
  EXPECT_EQ(copy.getDataModelXML(), "<DataModel/>");
  QXContext* copyTable = QXContextFactory::create(&copy);
  char buffer[8];
  size_t needed = 0;
  int errorCode = 0;
  EXPECT_EQ(copyTable->getPassword(copyTable->owner, "db", buffer, 8, &needed, &errorCode), QX_OK);
  EXPECT_STREQ(buffer, "pw");
  void* jvm = nullptr;
  EXPECT_EQ(copyTable->openJVM(copyTable->owner, &jvm, "", &errorCode), QX_OK);
  EXPECT_EQ(jvm, &support.machine); // the extension came along
  context = copy;
  EXPECT_EQ(context.getHandleCount(), 1u);
}
