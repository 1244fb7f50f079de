// The context service through its table: documents, key lookups, generated
// password keys, forwarding to the host's context support, trace lines and
// the secrecy of passwords, file paths and decrypted parameters.
#include "services_fixture.h"

#include <cstring>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FakeContextSupport : public Extension::ContextSupport {
public:
  bool expandFilePath(const std::string& path, unsigned int flags,
                      std::string& expanded) override {
    seenFlags.push_back(flags);
    if (!allow) return false;
    expanded = "/expanded" + path;
    return true;
  }
  ChildResource* acquireChildResource() override { return nullptr; }
  bool openJVM(void** jvm, const char* text) override {
    seenTexts.push_back(text);
    if (!allow) return false;
    *jvm = &machine;
    return true;
  }
  bool closeJVM(void* jvm) override {
    closed = jvm;
    return allow;
  }

  bool allow = true;
  int machine = 0;
  void* closed = nullptr;
  std::vector<unsigned int> seenFlags;
  std::vector<std::string> seenTexts;
};

} // namespace

class ContextService : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    extension.setContextSupport(&support);
    table = QXContextFactory::create(&context);
  }

  using DocumentMember = QXStatus (*)(void*, char*, size_t, size_t*, int*);
  TextAnswer fetch(DocumentMember member, size_t size = 256) {
    TextAnswer answer;
    std::vector<char> buffer(size + 1, '#');
    answer.needed = 12345;
    answer.status = member(table->owner, buffer.data(), size, &answer.needed, &answer.errorCode);
    answer.text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return answer;
  }
  using KeyedMember = QXStatus (*)(void*, const char*, char*, size_t, size_t*, int*);
  TextAnswer fetch(KeyedMember member, const char* key, size_t size = 256) {
    TextAnswer answer;
    std::vector<char> buffer(size + 1, '#');
    answer.needed = 12345;
    answer.status =
        member(table->owner, key, buffer.data(), size, &answer.needed, &answer.errorCode);
    answer.text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return answer;
  }

  FakeContextSupport support;
  ExtensionWrapper extension;
  QXContextWrapper context{&extension};
  QXContext* table = nullptr;
};


TEST_F(ContextService, ParametersAreOnlyTheDecryptedOnes) {
  context.setParameterXML("<Parameters stored='1'/>");
  const TextAnswer answer = fetch(table->getParameters);
  EXPECT_EQ(answer.status, QX_OK);
  EXPECT_EQ(answer.needed, 1u);
  EXPECT_EQ(answer.text, "");
  EXPECT_EQ(context.getParameterXML(), "<Parameters stored='1'/>");
}

TEST_F(ContextService, MissingOutputDataModelIsAnUntracedInvalidOperation) {
  ExtensionWrapper::setTraceLevel(4);
  const TextAnswer answer = fetch(table->getOutputDataModel);
  EXPECT_EQ(answer.status, QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(answer.needed, 12345u);
  EXPECT_EQ(answer.errorCode, 0);
  EXPECT_THAT(*lines, IsEmpty());
  const TextAnswer dataModel = fetch(table->getDataModel);
  EXPECT_EQ(dataModel.status, QX_OK);
  EXPECT_EQ(dataModel.needed, 1u);
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

TEST_F(ContextService, LastOfEqualKeysWinsForPasswordsAndFilePaths) {
  context.addPassword("db", "first");
  context.addPassword("db", "second");
  context.addFilePath("in", "/a");
  context.addFilePath("in", "/b");
  EXPECT_EQ(fetch(table->getPassword, "db").text, "second");
  EXPECT_EQ(fetch(table->getFilePath, "in").text, "/b");
}

TEST_F(ContextService, KeysMatchByteForByte) {
  context.addPassword("Db", "secret");
  const TextAnswer answer = fetch(table->getPassword, "db");
  EXPECT_EQ(answer.status, QX_ERR_CANNOT_MATCH_KEY);
  EXPECT_EQ(answer.needed, 12345u);
  EXPECT_EQ(answer.errorCode, 0);
  EXPECT_EQ(fetch(table->getFilePath, "anything").status, QX_ERR_CANNOT_MATCH_KEY);
}

TEST_F(ContextService, ClearingFilePathsLeavesPasswords) {
  context.addFilePath("in", "/a");
  context.addPassword("db", "pw");
  context.clearFilePaths();
  EXPECT_EQ(fetch(table->getFilePath, "in").status, QX_ERR_CANNOT_MATCH_KEY);
  EXPECT_EQ(fetch(table->getPassword, "db").text, "pw");
}

TEST_F(ContextService, PasswordBufferBoundary) {
  context.addPassword("db", "12345");
  EXPECT_EQ(fetch(table->getPassword, "db", 6).status, QX_OK);
  const TextAnswer shorter = fetch(table->getPassword, "db", 5);
  EXPECT_EQ(shorter.status, QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(shorter.needed, 6u);
  EXPECT_EQ(shorter.text, "######");
}


TEST_F(ContextService, RefusedExpansionLeavesNeededUntouched) {
  support.allow = false;
  char buffer[64];
  size_t needed = 99;
  int errorCode = -1;
  EXPECT_EQ(table->expandFilePath(table->owner, "/x", buffer, sizeof buffer, &needed, &errorCode),
            QX_ERR_EXPAND_FILE_PATH);
  EXPECT_EQ(needed, 99u);
  EXPECT_EQ(errorCode, 0);
}

TEST_F(ContextService, JavaMachineOpensAndClosesThroughTheHost) {
  void* jvm = nullptr;
  int errorCode = -1;
  EXPECT_EQ(table->openJVM(table->owner, &jvm, "-Xmx1g", &errorCode), QX_OK);
  EXPECT_EQ(jvm, &support.machine);
  EXPECT_THAT(support.seenTexts, ElementsAre("-Xmx1g"));
  EXPECT_EQ(table->closeJVM(table->owner, jvm, &errorCode), QX_OK);
  EXPECT_EQ(support.closed, &support.machine);
  support.allow = false;
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

TEST_F(ContextService, DocumentLinesShowTheStoredParametersNotTheDecrypted) {
  context.setParameterXML("<Parameters stored='1'/>");
  context.setDecryptedParameterXML("<Parameters clear='1'/>");
  ExtensionWrapper::setTraceLevel(2);
  fetch(table->getParameters);
  EXPECT_THAT(*lines, ElementsAre("[ENTER qx_context_getParameters]",
                                  "[EXIT qx_context_getParameters]: Status=QX_OK ( ErrorCode=0 )"
                                  "\n<Parameters stored='1'/>\n"));
}

TEST_F(ContextService, MergeInformationIsTracedUnderTheComponentName) {
  context.setPsmMergeInformationXML("<M/>");
  ExtensionWrapper::setTraceLevel(2);
  fetch(table->getPsmMergeInformation);
  EXPECT_THAT(*lines,
              ElementsAre("[ENTER qx_component_getPsmMergeInformation]",
                          "[EXIT qx_component_getPsmMergeInformation]: Status=QX_OK "
                          "( ErrorCode=0 )\n<M/>\n"));
}

TEST_F(ContextService, FailuresAtLevelOneWriteOnlyTheExitLine) {
  context.setDataModelXML("<DataModel/>");
  support.allow = false;
  ExtensionWrapper::setTraceLevel(1);
  fetch(table->getDataModel, 3);
  fetch(table->getDataModel);
  char buffer[8];
  size_t needed = 0;
  int errorCode = 0;
  table->expandFilePath(table->owner, "/x", buffer, sizeof buffer, &needed, &errorCode);
  EXPECT_THAT(*lines,
              ElementsAre("[EXIT qx_context_getDataModel]: Status=QX_ERR_INSUFFICIENT_BUFFER "
                          "( ErrorCode=0 )",
                          "[EXIT qx_context_expandFilePath]: Status=UNKNOWN ( ErrorCode=0 )"));
}

TEST_F(ContextService, KeyFailuresHaveAnEnterLineButNoExitLine) {
  ExtensionWrapper::setTraceLevel(2);
  fetch(table->getPassword, "none");
  context.addFilePath("in", "/a");
  fetch(table->getFilePath, "other");
  EXPECT_THAT(*lines,
              ElementsAre("[ENTER qx_context_getPassword]", "[ENTER qx_context_getFilePath]"));
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
