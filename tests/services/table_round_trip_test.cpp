// The whole road: the host builds every wrapper, hands the tables to the
// in-process probe module through ExtensionWrapper, the module calls every
// member, and what it saw comes back as its output records.
#include "common/table_records.h"
#include "services_fixture.h"

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const char* const kPassword = "pw-correct-horse";
const char* const kGeneratedPassword = "pw-battery-staple";
const char* const kFilePath = "/srv/secret/input.csv";
const char* const kDecrypted = "<Parameters key='decrypted-7f3a'/>";

} // namespace

class EndToEnd : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    ASSERT_TRUE(extension.load("services_probe",
                               (std::string(QUEX_TEST_MODULE_DIR) + "/services_probe").c_str(),
                               nullptr))
        << extension.getError();
    extension.setContextSupport(&support);
    host->setHostInformationXML("<HostInformation><Host name='test'/></HostInformation>");
    context.setParameterXML("<Parameters key='*****'/>");
    context.setDecryptedParameterXML(kDecrypted);
    context.setContextInformationXML("<ContextInformation/>");
    context.setDataModelXML("<DataModel/>");
    context.setSqlGenerationXML("<SqlGeneration/>");
    context.setPsmMergeInformationXML("<PsmMergeInformation/>");
    context.addPassword("db", kPassword);
    generatedKey = context.addPassword(kGeneratedPassword);
    context.addFilePath("input", kFilePath);
    progress.setProgressListener(&listener);
  }

  // Drives one component through initialise, creation, execution and
  // interaction; returns its output records, the module's observations.
  std::vector<std::string> run() {
    ::testing::internal::CaptureStdout(); // the broken documents are reported there
    int errorCode = -1;
    EXPECT_EQ(extension.qx_initialise(QXHostFactory::create(host.get()), &errorCode), QX_OK);
    void* component = nullptr;
    EXPECT_EQ(extension.qx_create_component(QXContextFactory::create(&context),
                                            generatedKey.c_str(), &component, &errorCode),
              QX_OK);
    EXPECT_EQ(extension.qx_component_beginExecution(component, QXIteratorFactory::create(&records),
                                                    QXProgressFactory::create(&progress),
                                                    &errorCode),
              QX_OK);
    EXPECT_EQ(extension.qx_component_endExecution(component, &errorCode), QX_OK);
    EXPECT_EQ(extension.qx_component_beginInteraction(component, QxChannelFactory::create(&channel),
                                                      &errorCode),
              QX_OK);
    const char request[] = "ping and more";
    EXPECT_EQ(extension.qx_component_request(component, request, 4, &errorCode), QX_OK);
    EXPECT_EQ(extension.qx_component_endInteraction(component, &errorCode), QX_OK);
    std::vector<std::string> output;
    while (extension.qx_component_nextRecord(component, &errorCode) == QX_OK) {
      void* value = nullptr;
      size_t length = 0;
      EXPECT_EQ(extension.qx_component_getRecordValue(component, 0, &value, &length, &errorCode),
                QX_OK);
      output.emplace_back(static_cast<char*>(value), length);
    }
    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
    EXPECT_EQ(extension.qx_cleanup(&errorCode), QX_OK);
    EXPECT_THAT(::testing::internal::GetCapturedStdout(), HasSubstr("Caught unknown exception"));
    return output;
  }

  FakeContextSupport support;
  ExtensionWrapper extension;
  std::unique_ptr<QXHostWrapper> host{QXHostWrapper::createHostWrapper()};
  QXContextWrapper context{&extension};
  TableRecords records{&extension, {{"a1", std::nullopt}, {"a2", "b2"}, {"a3", "b3"}}};
  QXProgressWrapper progress{&extension};
  KeepingListener listener;
  RecordingChannel channel{&extension};
  std::string generatedKey;
};

// Every member of every table, as the module saw it.
TEST_F(EndToEnd, ModuleSeesEveryTableMember) {
  auto own = std::make_shared<std::vector<std::string>>();
  RecordingTraceOutput hostOutput(own);
  host->setTraceOutput(&hostOutput);
  channel.errorToLeave = 4;
  const std::vector<std::string> seen = run();
  const std::string ok = " status=0 errorCode=0";
  const std::string end = " | end status=9 errorCode=99";
  const std::vector<std::string> expectedLines = {
      "host.getHostInformation" + ok +
          " needed=55 text=<HostInformation><Host name='test'/></HostInformation>",
      "host.createDocumentFromContents status=0 attribute status=0 by=probe",
      "host.createDocumentFromContents(broken) status=0 getName status=5",
      "context.getContextInformation" + ok + " needed=22 text=<ContextInformation/>",
      "context.getParameters" + ok + " needed=35 text=" + kDecrypted,
      "context.getDataModel" + ok + " needed=13 text=<DataModel/>",
      "context.getSQLGeneration" + ok + " needed=17 text=<SqlGeneration/>",
      "context.getOutputDataModel status=3 errorCode=0",
      "context.getPsmMergeInformation" + ok + " needed=23 text=<PsmMergeInformation/>",
      "context.getPassword(db)" + ok + " needed=17 text=" + kPassword,
      "context.getPassword(generated)" + ok + " needed=18 text=" + kGeneratedPassword,
      "context.getPassword(DB) status=17 errorCode=0",
      "context.getFilePath(input)" + ok + " needed=22 text=" + kFilePath,
      "context.expandFilePath" + ok + " needed=19 text=/home/probe/data#0",
      "context.expandFilePathExt" + ok + " needed=19 text=/home/probe/data#3",
      "context.openJVM" + ok + " jvm=set",
      "context.closeJVM" + ok,
      "iterator.record a1 null" + end,
      "iterator.record a2 b2" + end,
      "iterator.record a3 b3" + end,
      "iterator.nextRecord(end) status=9 errorCode=0",
      "iterator.rewind status=0 errorCode=0",
      "iterator.bulkFetch status=0 errorCode=0 fields=2 records=3 a1 null a2 b2 a3 b3",
      "progress.report status=0 errorCode=55",
      "progress.report(broken) status=5 errorCode=56",
      "channel.send(request) status=0 errorCode=4",
  };
  for (const std::string& expected : expectedLines) EXPECT_THAT(seen, Contains(expected));
  EXPECT_THAT(seen, Contains(AllOf(HasSubstr("host.createNewDocument status=0 document="),
                                   HasSubstr("<ProbeRoot/>"))));
  EXPECT_THAT(*lines, Contains("probe: host probed"));
  EXPECT_THAT(*own, ElementsAre("probe: host probed"));
  EXPECT_THAT(channel.messages.items(), ElementsAre("ready", "ping"));
  const std::vector<QXDiagnostic> diagnostics = listener.seen.items();
  ASSERT_EQ(diagnostics.size(), 2u);
  EXPECT_EQ(diagnostics[0].getOutputText(), "Read 3 records from input");
  EXPECT_EQ(diagnostics[0].getSeverity(), QXDiagnostic::SEVERITY_WARNING);
  EXPECT_EQ(diagnostics[0].getSource(), "probe");
  EXPECT_EQ(diagnostics[1].getOutputText(), "8");
  EXPECT_EQ(diagnostics[1].getSeverity(), QXDiagnostic::SEVERITY_INFORMATION);
}

TEST_F(EndToEnd, FullTraceCarriesNoSecret) {
  ExtensionWrapper::setTraceLevel(4);
  run();
  EXPECT_THAT(*lines, Contains("[ENTER qx_context_getPassword]"));
  EXPECT_THAT(*lines, Contains("[EXIT qx_iterator_getRecordValue]: Status=QX_OK ( ErrorCode=0 )"));
  for (const std::string& line : *lines)
    for (const char* secret : {kPassword, kGeneratedPassword, kFilePath, "decrypted-7f3a"})
      EXPECT_EQ(line.find(secret), std::string::npos) << line;
}
