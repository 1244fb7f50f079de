// The whole road: the host builds every wrapper, hands the tables to the
// in-process probe module through ExtensionWrapper, the module calls every
// member, and what it saw comes back as its output records.
#include "services_fixture.h"

#include <optional>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class HostSupport : public Extension::ContextSupport {
public:
  bool expandFilePath(const std::string& path, unsigned int flags,
                      std::string& expanded) override {
    expanded = "/home/probe" + path.substr(1) + "#" + std::to_string(flags);
    return true;
  }
  ChildResource* acquireChildResource() override { return nullptr; }
  bool openJVM(void** jvm, const char*) override {
    *jvm = &machine;
    return true;
  }
  bool closeJVM(void* jvm) override { return jvm == &machine; }
  int machine = 0;
};

using Record = std::vector<std::optional<std::string>>;

class TableRecords : public QXIteratorWrapper {
public:
  TableRecords(ExtensionWrapper* extension, std::vector<Record> records)
      : QXIteratorWrapper(extension), records_(std::move(records)) {}

  QXStatus nextRecord(int* errorCode) override {
    *errorCode = 0;
    if (position_ >= records_.size()) return QX_ERR_NO_DATA;
    ++position_;
    return QX_OK;
  }
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode) override {
    const Record& record = records_[position_ - 1];
    if (index >= record.size()) {
      *errorCode = 99;
      return QX_ERR_NO_DATA;
    }
    *errorCode = 0;
    give(record[index], value, length);
    return QX_OK;
  }
  QXStatus rewind(int* errorCode) override {
    *errorCode = 0;
    position_ = 0;
    return QX_OK;
  }
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    *errorCode = 0;
    if (position_ >= records_.size()) return QX_ERR_NO_DATA;
    const size_t fields = records_[0].size();
    size_t fetched = 0;
    for (; position_ < records_.size() && (fetched + 1) * fields <= capacity; ++position_, ++fetched)
      for (size_t f = 0; f < fields; ++f)
        give(records_[position_][f], &values[fetched * fields + f], &lengths[fetched * fields + f]);
    *fieldCount = fields;
    *recordCount = fetched;
    return QX_OK;
  }

private:
  static void give(const std::optional<std::string>& field, void** value, size_t* length) {
    *value = field ? const_cast<char*>(field->data()) : nullptr;
    *length = field ? field->size() : 0;
  }
  std::vector<Record> records_;
  size_t position_ = 0;
};

class KeepingListener : public QXProgressListener {
public:
  void reportDiagnostic(QXDiagnostic* diagnostic) override { seen.push_back(*diagnostic); }
  std::vector<QXDiagnostic> seen;
};

class RecordingChannel : public QxChannelWrapper {
public:
  using QxChannelWrapper::QxChannelWrapper;
  QXStatus send(const char* text, size_t length, int* errorCode) override {
    messages.emplace_back(text, length);
    *errorCode = 4;
    return QX_OK;
  }
  std::vector<std::string> messages;
};

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

  HostSupport support;
  ExtensionWrapper extension;
  std::unique_ptr<QXHostWrapper> host{QXHostWrapper::createHostWrapper()};
  QXContextWrapper context{&extension};
  TableRecords records{&extension, {{"a1", std::nullopt}, {"a2", "b2"}, {"a3", "b3"}}};
  QXProgressWrapper progress{&extension};
  KeepingListener listener;
  RecordingChannel channel{&extension};
  std::string generatedKey;
};

TEST_F(EndToEnd, ModuleSeesItsHostThroughTheHostTable) {
  const std::vector<std::string> seen = run();
  EXPECT_THAT(seen, Contains("host.getHostInformation status=0 errorCode=0 needed=55 "
                             "text=<HostInformation><Host name='test'/></HostInformation>"));
  EXPECT_THAT(seen, Contains(HasSubstr("host.createNewDocument status=0 document=")));
  EXPECT_THAT(seen, Contains(HasSubstr("<ProbeRoot/>")));
  EXPECT_THAT(seen, Contains("host.createDocumentFromContents status=0 attribute status=0 by=probe"));
  EXPECT_THAT(seen, Contains("host.createDocumentFromContents(broken) status=0 getName status=5"));
}

TEST_F(EndToEnd, ModuleTraceReachesBothOutputs) {
  auto own = std::make_shared<std::vector<std::string>>();
  LineRecorder hostOutput(own);
  host->setTraceOutput(&hostOutput);
  run();
  EXPECT_THAT(*lines, Contains("probe: host probed"));
  EXPECT_THAT(*own, ElementsAre("probe: host probed"));
}

TEST_F(EndToEnd, ModuleReadsEveryContextMember) {
  const std::vector<std::string> seen = run();
  const std::string ok = " status=0 errorCode=0";
  EXPECT_THAT(seen, Contains("context.getContextInformation" + ok +
                             " needed=22 text=<ContextInformation/>"));
  EXPECT_THAT(seen, Contains("context.getParameters" + ok + " needed=35 text=" + kDecrypted));
  EXPECT_THAT(seen, Contains("context.getDataModel" + ok + " needed=13 text=<DataModel/>"));
  EXPECT_THAT(seen, Contains("context.getSQLGeneration" + ok + " needed=17 text=<SqlGeneration/>"));
  EXPECT_THAT(seen, Contains("context.getOutputDataModel status=3 errorCode=0"));
  EXPECT_THAT(seen, Contains("context.getPsmMergeInformation" + ok +
                             " needed=23 text=<PsmMergeInformation/>"));
  EXPECT_THAT(seen, Contains("context.getPassword(db)" + ok + " needed=17 text=" + kPassword));
  EXPECT_THAT(seen, Contains("context.getPassword(generated)" + ok + " needed=18 text=" +
                             kGeneratedPassword));
  EXPECT_THAT(seen, Contains("context.getPassword(DB) status=17 errorCode=0"));
  EXPECT_THAT(seen, Contains("context.getFilePath(input)" + ok + " needed=22 text=" + kFilePath));
  EXPECT_THAT(seen, Contains("context.expandFilePath" + ok + " needed=19 text=/home/probe/data#0"));
  EXPECT_THAT(seen,
              Contains("context.expandFilePathExt" + ok + " needed=19 text=/home/probe/data#3"));
  EXPECT_THAT(seen, Contains("context.openJVM" + ok + " jvm=set"));
  EXPECT_THAT(seen, Contains("context.closeJVM" + ok));
}

TEST_F(EndToEnd, ContextWithoutHostSupportRefusesCleanly) {
  extension.setContextSupport(nullptr);
  const std::vector<std::string> seen = run();
  EXPECT_THAT(seen, Contains("context.expandFilePath status=25 errorCode=0"));
  EXPECT_THAT(seen, Contains("context.expandFilePathExt status=25 errorCode=0"));
  EXPECT_THAT(seen, Contains("context.openJVM status=39 errorCode=0 jvm=null"));
  EXPECT_THAT(seen, Contains("context.closeJVM status=41 errorCode=0"));
}

TEST_F(EndToEnd, ModuleReadsTheRecordsOneByOneAndInBulk) {
  const std::vector<std::string> seen = run();
  const std::string end = " | end status=9 errorCode=99";
  EXPECT_THAT(seen, Contains("iterator.record a1 null" + end));
  EXPECT_THAT(seen, Contains("iterator.record a2 b2" + end));
  EXPECT_THAT(seen, Contains("iterator.record a3 b3" + end));
  EXPECT_THAT(seen, Contains("iterator.nextRecord(end) status=9 errorCode=0"));
  EXPECT_THAT(seen, Contains("iterator.rewind status=0 errorCode=0"));
  EXPECT_THAT(seen, Contains("iterator.bulkFetch status=0 errorCode=0 fields=2 records=3 "
                             "a1 null a2 b2 a3 b3"));
}

TEST_F(EndToEnd, ReportedDiagnosticsReachTheListenerFilledIn) {
  const std::vector<std::string> seen = run();
  EXPECT_THAT(seen, Contains("progress.report status=0 errorCode=55"));
  EXPECT_THAT(seen, Contains("progress.report(broken) status=5 errorCode=56"));
  ASSERT_EQ(listener.seen.size(), 2u);
  EXPECT_EQ(listener.seen[0].getOutputText(), "Read 3 records from input");
  EXPECT_EQ(listener.seen[0].getSeverity(), QXDiagnostic::SEVERITY_WARNING);
  EXPECT_EQ(listener.seen[0].getSource(), "probe");
  EXPECT_EQ(listener.seen[1].getOutputText(), "8");
  EXPECT_EQ(listener.seen[1].getSeverity(), QXDiagnostic::SEVERITY_INFORMATION);
}

TEST_F(EndToEnd, InteractionMessagesReachTheChannel) {
  const std::vector<std::string> seen = run();
  EXPECT_THAT(channel.messages, ElementsAre("ready", "ping"));
  EXPECT_THAT(seen, Contains("channel.send(request) status=0 errorCode=4"));
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
