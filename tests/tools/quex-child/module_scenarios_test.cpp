// The same module scenarios run in-process, in a child process started on
// demand and in one taken from the warm pool, for both module generations:
// one test body, six runs. A warm run proves that its children did come from
// the pool, that the pool refilled after each, and that the last module's
// end left nothing of them behind.
#include "child_fixture.h"

#include "remote/warm_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <chrono>
#include <cstdlib>
#include <thread>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace child_test {
namespace {

struct Run {
  const char* module;
  bool inChild;
  bool warm = false; // children come from the warm pool
};

std::string runName(const ::testing::TestParamInfo<Run>& info) {
  return std::string(info.param.module) +
         (info.param.warm ? "_warmchild" : info.param.inChild ? "_child" : "_inprocess");
}

// Waits until the pool holds `count` ready children.
bool poolHolds(size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Remote::warm_pool::ready() != count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string generated(size_t record, size_t field, size_t width = 0) {
  std::string value = "r" + std::to_string(record) + "f" + std::to_string(field);
  if (value.size() < width) value.append(width - value.size(), '.');
  return value;
}

class BothModes : public HostedModule, public ::testing::WithParamInterface<Run> {
protected:
  void SetUp() override {
    HostedModule::SetUp();
    if (GetParam().warm) ExtensionWrapper::setWarmChildren(1);
    load(GetParam().module, GetParam().inChild ? QUEX_CHILD_PROGRAM : nullptr);
  }
  void TearDown() override {
    int errorCode = 0;
    if (component != nullptr) {
      EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
    }
    extension.qx_cleanup(&errorCode);
    if (GetParam().warm) {
      EXPECT_TRUE(poolHolds(1)) << "the pool did not refill";
      extension = ExtensionWrapper(); // the last module goes, and its ready child with it
      EXPECT_EQ(Remote::warm_pool::ready(), 0u);
      ExtensionWrapper::setWarmChildren(0);
    }
    HostedModule::TearDown();
  }

  // In a warm run, a child from the pool serves the call.
  template <typename Call>
  QXStatus fromPool(Call&& call) {
    if (!GetParam().warm) return call();
    EXPECT_TRUE(poolHolds(1)) << "no ready child";
    const size_t taken = Remote::warm_pool::taken();
    const QXStatus status = call();
    EXPECT_EQ(Remote::warm_pool::taken(), taken + 1) << "the call started a child of its own";
    return status;
  }
  QXStatus initialise() {
    return fromPool([this] { return HostedModule::initialise(); });
  }
  QXStatus create(const std::string& text, void** made) {
    return fromPool([&] { return HostedModule::create(text, made); });
  }

  void start(const std::string& text) {
    ASSERT_EQ(initialise(), QX_OK);
    ASSERT_EQ(create(text, &component), QX_OK);
    ASSERT_NE(component, nullptr);
  }
  QXStatus execute() {
    int errorCode = -1;
    return extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                 &errorCode);
  }
  // The value of `field` in the current output record, or "<null>".
  std::string value(size_t field, QXStatus expected = QX_OK) {
    void* data = nullptr;
    size_t length = 99;
    int errorCode = 0;
    EXPECT_EQ(extension.qx_component_getRecordValue(component, field, &data, &length, &errorCode),
              expected);
    if (expected != QX_OK) return "<failed>";
    if (data == nullptr) {
      EXPECT_EQ(length, 0u);
      return "<null>";
    }
    return std::string(static_cast<char*>(data), length);
  }
  std::vector<std::string> outputLines() {
    std::vector<std::string> output;
    int errorCode = 0;
    while (extension.qx_component_nextRecord(component, &errorCode) == QX_OK) output.push_back(value(0));
    return output;
  }
  // The same through bulk fetches of four records, with a pause after each
  // (a child reads ahead meanwhile).
  std::vector<std::string> outputLinesInBulk() {
    std::vector<std::string> output;
    void* values[4];
    size_t lengths[4];
    size_t fields = 1, records = 0;
    int errorCode = 0;
    while (extension.qx_component_bulkFetch(component, 4, values, lengths, &fields, &records,
                                            &errorCode) == QX_OK) {
      for (size_t r = 0; r < records; ++r) {
        output.push_back(values[r] == nullptr ? "<null>"
                                              : std::string(static_cast<char*>(values[r]), lengths[r]));
        if (!extension.useBulkFetch()) std::free(values[r]); // the wrapper's copies are ours
      }
      fields = 1;
      records = 0;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return output;
  }

  // Every answer of nextRecord up to the end of the data: the first value of
  // a record, or the failure with its error code.
  std::vector<std::string> answers(size_t limit) {
    std::vector<std::string> seen;
    for (size_t call = 0; call < limit; ++call) {
      int errorCode = 0;
      const QXStatus status = extension.qx_component_nextRecord(component, &errorCode);
      if (status == QX_ERR_NO_DATA) break;
      seen.push_back(status == QX_OK ? value(0)
                                     : "status " + std::to_string(status) + " code " +
                                           std::to_string(errorCode));
    }
    return seen;
  }

  void* component = nullptr;
};

TEST_P(BothModes, InitialisationBringsTheModuleInformationAndTheModuleTrace) {
  ASSERT_EQ(initialise(), QX_OK);
  const std::string information = extension.getModuleInformation();
  EXPECT_THAT(information, StartsWith("<ModuleInformation name='e2e'>"));
  EXPECT_EQ(information.size(), 5000u + 50u);
  EXPECT_TRUE(extension.supportsInteraction());
  EXPECT_TRUE(extension.useBulkFetch() || !inChild);
  EXPECT_THAT(traceLines(), Contains("e2e: initialised"));
}

// The wrapper describes the module, not its proxy: generation and optional
// entries as an in-process load finds them. Components are made with
// qx_create_component in both modes unless the module is older.
TEST_P(BothModes, ModuleIsDescribedAsItIs) {
  ASSERT_EQ(initialise(), QX_OK);
  ExtensionWrapper inProcess;
  ASSERT_TRUE(inProcess.load(GetParam().module, modulePath(GetParam().module).c_str(), nullptr));
  EXPECT_EQ(extension.isOlderGeneration(), inProcess.isOlderGeneration());
  EXPECT_EQ(extension.optionalEntries(), inProcess.optionalEntries());
  EXPECT_FALSE(extension.optionalEntries().empty());
}

TEST_P(BothModes, EveryComponentCallReachesTheModule) {
  start("records=3 fields=2");
  int errorCode = -1;
  EXPECT_EQ(extension.qx_component_configure(component, &errorCode), QX_OK);
  char buffer[64] = {};
  size_t needed = 0;
  EXPECT_EQ(extension.qx_component_getDataModel(component, 5, buffer, 8, &needed, &errorCode),
            QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(needed, 35u);
  EXPECT_EQ(extension.qx_component_getDataModel(component, 5, buffer, sizeof buffer, &needed,
                                                &errorCode),
            QX_OK);
  EXPECT_STREQ(buffer, "<DataModel number='5' fields='2'/>");
  EXPECT_EQ(extension.qx_component_getExecutionRequirements(component, buffer, sizeof buffer,
                                                            &needed, &errorCode),
            QX_OK);
  EXPECT_STREQ(buffer, "<ExecutionRequirements/>");
  EXPECT_EQ(extension.qx_component_getCatalogueInformation(component, "tables", buffer,
                                                           sizeof buffer, &needed, &errorCode),
            QX_OK);
  EXPECT_STREQ(buffer, "<Catalogue of='tables'/>");
  EXPECT_EQ(extension.qx_component_getSQLGeneration(component, buffer, sizeof buffer, &needed,
                                                    &errorCode),
            QX_ERR_NO_SQL);
  EXPECT_EQ(execute(), QX_OK);
  EXPECT_EQ(extension.qx_component_endExecution(component, &errorCode), QX_OK);
}

TEST_P(BothModes, ModuleSeesItsHostContextInputRecordsAndListener) {
  start("observe");
  EXPECT_EQ(execute(), QX_OK);
  const std::vector<std::string> seen = outputLines();
  EXPECT_THAT(seen, Contains("host.getHostInformation status=0 errorCode=0 "
                             "text=<HostInformation><Host name='test'/></HostInformation>"));
  EXPECT_THAT(seen, Contains("host.createNewDocument status=0 name=Made named=0"));
  EXPECT_THAT(seen, Contains("context.getParameters status=0 errorCode=0 "
                             "text=<Parameters key='plain'/>"));
  EXPECT_THAT(seen, Contains("context.getPassword(db) status=0 errorCode=0 text=pw-secret"));
  EXPECT_THAT(seen, Contains("context.getPassword(none) status=17 errorCode=0"));
  EXPECT_THAT(seen, Contains("context.getFilePath(input) status=0 errorCode=0 "
                             "text=/srv/input.csv"));
  EXPECT_THAT(seen, Contains("input a1 null"));
  EXPECT_THAT(seen, Contains("input a2 b2"));
  EXPECT_THAT(seen, Contains("input.end status=9 errorCode=0"));
  EXPECT_THAT(seen, Contains("input.rewind status=0 errorCode=0"));
  EXPECT_THAT(seen, Contains("input.bulk status=0 errorCode=0 fields=2 records=2 a1 null a2 b2"));
  EXPECT_THAT(seen, Contains(StartsWith("progress.report status=0 ")));
  const std::vector<QXDiagnostic> diagnostics = listener.seen.items();
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].getOutputText(), "Read 12 lines");
  EXPECT_EQ(diagnostics[0].getSeverity(), QXDiagnostic::SEVERITY_WARNING);
}

TEST_P(BothModes, RecordsOneByOne) {
  start("records=1000 fields=5");
  ASSERT_EQ(execute(), QX_OK);
  int errorCode = 0;
  size_t read = 0;
  QXStatus status;
  while ((status = extension.qx_component_nextRecord(component, &errorCode)) == QX_OK) {
    if (read == 0) {
      EXPECT_EQ(value(5, QX_ERR_NO_DATA), "<failed>"); // beyond the record
    }
    for (size_t field = 0; field < 5; ++field) {
      const bool null = field == 1 && (read + 1) % 3 == 0;
      ASSERT_EQ(value(field), null ? "<null>" : generated(read, field)) << read;
    }
    ++read;
  }
  EXPECT_EQ(status, QX_ERR_NO_DATA);
  EXPECT_EQ(read, 1000u);
}

// A read that fails after two records, by status or by exception, of a module
// that goes on afterwards: the records before it, the failure with its code,
// then the rest, on either side of the process boundary. Nothing is skipped.
TEST_P(BothModes, FailedReadIsAnsweredWhereTheModuleGaveIt) {
  ASSERT_EQ(initialise(), QX_OK);
  const std::pair<const char*, const char*> cases[] = {
      {"fail-at=3 records=1000", "status 1 code 31"},
      {"throw-at=3 records=1000", "status 18 code 32"}};
  for (const auto& [script, failure] : cases) {
    SCOPED_TRACE(script);
    ASSERT_EQ(create(script, &component), QX_OK);
    ASSERT_EQ(execute(), QX_OK);
    const std::vector<std::string> seen = answers(1100);
    ASSERT_EQ(seen.size(), 1001u);
    EXPECT_EQ(seen[0], generated(0, 0));
    EXPECT_EQ(seen[1], generated(1, 0));
    EXPECT_EQ(seen[2], failure);
    EXPECT_EQ(seen[3], generated(2, 0));
    EXPECT_EQ(seen[1000], generated(999, 0));
    int errorCode = 0;
    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
    component = nullptr;
  }
}

// A transformer passes on the failure of its input read: the host's own
// iterator fails at record 2, and the host gets it back from the module.
TEST_P(BothModes, FailedInputReadComesBackThroughATransformer) {
  records.failAt = 2;
  start("transform");
  ASSERT_EQ(execute(), QX_OK);
  EXPECT_THAT(answers(10), ElementsAre("t:a1", "status 1 code 31", "t:a2"));
}

// A host reading in bulk gets each call's records as in process: repeated
// calls (which a child reads ahead) two records each, then with other
// arguments (one record a call; three values from the third), and record by
// record in between, records that go on where the last call stopped; to the
// end all 701 records, each once, with their nulls, then the end of the data.
TEST_P(BothModes, RecordsInBulk) {
  start("records=701 fields=5");
  ASSERT_EQ(execute(), QX_OK);
  const struct {
    size_t calls, capacity, fields, offset, records; // capacity 0: nextRecord; records 0: any
  } phases[] = {{150, 12, 5, 0, 2}, {10, 0, 5, 0, 1}, {20, 7, 5, 0, 1},
                {20, 12, 3, 2, 0},  {10, 0, 5, 0, 1}, {1000, 12, 5, 0, 0}};
  // e2e_current's own bulk fetch hands whole records whatever it is asked.
  const bool ownBulkFetch = std::string(GetParam().module) == "e2e_current";
  size_t read = 0;
  QXStatus status = QX_OK;
  const auto expectValue = [&](size_t field, const void* v, size_t length) {
    const bool null = field == 1 && (read + 1) % 3 == 0;
    EXPECT_EQ(v == nullptr ? "<null>" : std::string(static_cast<const char*>(v), length),
              null ? "<null>" : generated(read, field))
        << "record " << read;
  };
  for (const auto& phase : phases) {
    SCOPED_TRACE(phase.capacity * 100 + phase.fields * 10 + phase.offset);
    if (ownBulkFetch && phase.offset != 0) continue;
    for (size_t call = 0; call < phase.calls && status == QX_OK; ++call) {
      int errorCode = 0;
      if (phase.capacity == 0) {
        status = extension.qx_component_nextRecord(component, &errorCode);
        ASSERT_EQ(status, QX_OK);
        for (size_t f = 0; f < phase.fields; ++f) {
          void* v = nullptr;
          size_t length = 0;
          extension.qx_component_getRecordValue(component, f, &v, &length, &errorCode);
          expectValue(f, v, length);
        }
        ++read;
        continue;
      }
      void* values[12];
      size_t lengths[12];
      size_t fields = phase.fields, records = phase.offset;
      status = extension.qx_component_bulkFetch(component, phase.capacity, values, lengths,
                                                &fields, &records, &errorCode);
      if (status != QX_OK) break;
      ASSERT_EQ(fields, phase.fields);
      ASSERT_GE(records, 1u);
      ASSERT_LE(records, phase.capacity / phase.fields);
      if (phase.records != 0) {
        ASSERT_EQ(records, phase.records);
      }
      for (size_t r = 0; r < records; ++r, ++read)
        for (size_t f = 0; f < fields; ++f)
          expectValue(phase.offset + f, values[r * fields + f], lengths[r * fields + f]);
      if (!extension.useBulkFetch()) // the wrapper's copies are the caller's
        for (size_t i = 0; i < fields * records; ++i) std::free(values[i]);
    }
  }
  EXPECT_EQ(status, QX_ERR_NO_DATA);
  EXPECT_EQ(read, 701u);
}

// Records wider than a batch, and a batch longer than the channel's area
// (three records of 900 KB, which a module's own bulk fetch hands over at once).
TEST_P(BothModes, WideRecordsArriveWhole) {
  const struct {
    size_t fields, width;
  } shapes[] = {{2500, 6}, {3, 300000}};
  ASSERT_EQ(initialise(), QX_OK);
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.width);
    ASSERT_EQ(create("records=3 fields=" + std::to_string(shape.fields) +
                         " width=" + std::to_string(shape.width),
                     &component),
              QX_OK);
    ASSERT_EQ(execute(), QX_OK);
    int errorCode = 0;
    for (size_t record = 0; record < 3; ++record) {
      ASSERT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_OK);
      // Compared, not printed: a wide value fills pages.
      EXPECT_TRUE(value(0) == generated(record, 0, shape.width));
      EXPECT_TRUE(value(shape.fields - 1) == generated(record, shape.fields - 1, shape.width));
    }
    EXPECT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_ERR_NO_DATA);
    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
    component = nullptr;
  }
}

// A transformer's input, and what it does while reading it.
struct InputCase {
  const char* name;
  std::vector<Record> records;
  size_t rewindAt = 0; // rewinds once after this record
  size_t bulkAt = 0;   // fetches in bulk itself once after this record
  bool bulkSupported = true;
};

std::string shown(const std::optional<std::string>& value) {
  if (!value) return "null/0";
  if (value->size() <= 16) return "'" + *value + "'";
  uint32_t sum = 2166136261u;
  for (unsigned char byte : *value) sum = (sum ^ byte) * 16777619u;
  return "long/" + std::to_string(value->size()) + "/" + std::to_string(sum);
}

// The lines of the "transcribe" module as it reads TableRecords in process:
// every mode must show it exactly these.
std::vector<std::string> transcriptInProcess(const InputCase& input) {
  const std::vector<Record>& records = input.records;
  const size_t fields = records[0].size();
  const auto value = [&](size_t position, size_t field) {
    if (position == 0 || field >= fields) return std::string(" 9:99");
    return " 0:0:" + shown(records[position - 1][field]);
  };
  std::vector<std::string> lines;
  size_t position = 0, read = 0;
  while (position < records.size()) {
    ++position;
    ++read;
    std::string line = "record " + std::to_string(read) + " 0";
    for (size_t field = 0; field <= fields; ++field) line += value(position, field);
    lines.push_back(line);
    if (read == input.rewindAt) {
      position = 0;
      lines.push_back("rewind status=0 errorCode=0");
    }
    if (read == input.bulkAt) {
      if (!input.bulkSupported || position >= records.size()) {
        lines.push_back(input.bulkSupported ? "bulk status=9 errorCode=0 0x0"
                                            : "bulk status=16 errorCode=0 0x0");
        continue;
      }
      const size_t fetched = std::min(records.size() - position, 8 / fields);
      line = "bulk status=0 errorCode=0 " + std::to_string(fields) + "x" + std::to_string(fetched);
      for (size_t r = 0; r < fetched; ++r, ++position)
        for (size_t field = 0; field < fields; ++field) line += " " + shown(records[position][field]);
      lines.push_back(line);
    }
  }
  lines.push_back("end status=9 errorCode=0");
  lines.push_back("again status=9 errorCode=0" + value(position, 0));
  return lines;
}

std::vector<Record> numbered(size_t count) {
  std::vector<Record> records;
  for (size_t r = 0; r < count; ++r)
    records.push_back({"v" + std::to_string(r), r % 4 == 1 ? std::nullopt : Record::value_type("")});
  return records;
}

TEST_P(BothModes, TransformerSeesItsInputAsInProcess) {
  const std::vector<Record> nullsAndEmpty = {
      {"a", std::nullopt, ""}, {"", "b", std::nullopt}, {std::nullopt, std::nullopt, "c"}};
  const std::vector<InputCase> cases = {
      {"nulls and empty values", nullsAndEmpty},
      {"a value larger than a batch and the region",
       {{"s", std::string(1500000, 'L') + "end"}, {"t", "u"}}},
      {"batches, rewound inside the second", numbered(2500), 1700},
      {"own bulk fetch inside a batch", numbered(10), 0, 3},
      {"own bulk fetch after the last record", numbered(3), 0, 3},
      {"a host iterator without bulk fetch", nullsAndEmpty, 2, 1, false},
  };
  ASSERT_EQ(initialise(), QX_OK);
  for (const InputCase& input : cases) {
    SCOPED_TRACE(input.name);
    records = TableRecords(&extension, input.records);
    records.bulkSupported = input.bulkSupported;
    const size_t fields = input.records[0].size();
    ASSERT_EQ(create("transcribe fields=" + std::to_string(fields) +
                         " rewind=" + std::to_string(input.rewindAt) +
                         " bulk=" + std::to_string(input.bulkAt),
                     &component),
              QX_OK);
    ASSERT_EQ(execute(), QX_OK);
    EXPECT_EQ(outputLines(), transcriptInProcess(input));
    if (inChild && input.bulkSupported) {
      EXPECT_EQ(records.nextRecordCalls, 0u); // all in batches
    }
    if (!input.bulkSupported) {
      EXPECT_GT(records.nextRecordCalls, 0u);
    }
    int errorCode = 0;
    const QXStatus destroyed = extension.qx_destroy_component(component, &errorCode);
    component = nullptr;
    ASSERT_EQ(destroyed, QX_OK);
  }
}

// A transformer's output read in bulk, while the host takes its time over
// each call: a child reads output ahead, and its input runs out meanwhile
// (input batches, or one call per value from a host iterator without bulk
// fetch). Its calls to the host then wait for the host's next call, and the
// output is the input's, record for record, as in process.
TEST_P(BothModes, TransformerReadInBulkGetsEveryInputRecord) {
  ASSERT_EQ(initialise(), QX_OK);
  const std::vector<Record> input = numbered(3000);
  std::vector<std::string> expected;
  for (const Record& record : input) expected.push_back("t:" + *record[0]);
  for (const bool bulkSupported : {true, false}) {
    SCOPED_TRACE(bulkSupported ? "input in batches" : "input one value at a time");
    records = TableRecords(&extension, input);
    records.bulkSupported = bulkSupported;
    ASSERT_EQ(create("transform", &component), QX_OK);
    ASSERT_EQ(execute(), QX_OK);
    EXPECT_EQ(outputLinesInBulk(), expected);
    int errorCode = 0;
    const QXStatus destroyed = extension.qx_destroy_component(component, &errorCode);
    component = nullptr;
    ASSERT_EQ(destroyed, QX_OK);
  }
}

TEST_P(BothModes, Interaction) {
  start("records=0");
  int errorCode = -1;
  ASSERT_EQ(extension.qx_component_beginInteraction(component, channelTable(), &errorCode), QX_OK);
  EXPECT_EQ(extension.qx_component_request(component, "ping and more", 4, &errorCode), QX_OK);
  EXPECT_EQ(errorCode, 4); // what the host's channel said to the module
  char reply[32] = {};
  size_t needed = 0;
  EXPECT_EQ(extension.qx_component_getRequestReply(component, reply, sizeof reply, &needed,
                                                   &errorCode),
            QX_OK);
  EXPECT_STREQ(reply, "reply:ping");
  EXPECT_EQ(extension.qx_component_endInteraction(component, &errorCode), QX_OK);
  EXPECT_THAT(channel.messages.items(), ElementsAre("ready", "ping"));
}

TEST_P(BothModes, ErrorsCarryTheirDetail) {
  ExtensionWrapper::setTraceLevel(1);
  start("fail");
  int errorCode = 0;
  EXPECT_EQ(extension.qx_component_configure(component, &errorCode), QX_ERR_MODULE_SPECIFIC);
  EXPECT_EQ(errorCode, 42);
  char detail[64] = {};
  size_t needed = 0;
  EXPECT_EQ(extension.qx_component_getErrorDetail(component, detail, sizeof detail, &needed,
                                                  &errorCode),
            QX_OK);
  EXPECT_STREQ(detail, "configuration refused (42)");
  EXPECT_THAT(traceLines(), Contains(HasSubstr("configuration refused (42)")));
}

TEST_P(BothModes, CancellationFromAnotherThreadEndsALongFetch) {
  start("slow");
  ASSERT_EQ(execute(), QX_OK);
  std::atomic<QXStatus> cancelled{QX_ERR_REMOTE};
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int errorCode = -1;
    cancelled = extension.qx_component_cancelExecution(component, &errorCode);
  });
  int errorCode = 0;
  const QXStatus status = extension.qx_component_nextRecord(component, &errorCode);
  canceller.join();
  EXPECT_EQ(cancelled.load(), QX_OK);
  EXPECT_EQ(status, QX_ERR_INTERRUPTED);
  EXPECT_EQ(errorCode, 77);
}

// Out of process the child has read all three records and the end of the
// data before the cancel: the end is asked for again after the records.
TEST_P(BothModes, ACancelAfterTheLastRecordWasMadeEndsTheRunAsCancelled) {
  start("records=3 fields=1");
  ASSERT_EQ(execute(), QX_OK);
  int errorCode = 0;
  ASSERT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_OK);
  ASSERT_EQ(extension.qx_component_cancelExecution(component, &errorCode), QX_OK);
  QXStatus status = QX_OK;
  int records = 1;
  while ((status = extension.qx_component_nextRecord(component, &errorCode)) == QX_OK) ++records;
  EXPECT_LE(records, 3);
  EXPECT_EQ(status, QX_ERR_INTERRUPTED);
  EXPECT_EQ(errorCode, 77);
}

TEST_P(BothModes, TraceLinesAreTheSameInBothModes) {
  start("records=1 fields=1");
  ExtensionWrapper::setTraceLevel(3);
  int errorCode = 0;
  EXPECT_EQ(extension.qx_component_configure(component, &errorCode), QX_OK);
  EXPECT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_OK);
  const std::string which = " (component=" + ::testing::PrintToString(component) + ")";
  EXPECT_THAT(traceLines(), Contains("[ENTER qx_component_configure" + which + "]"));
  EXPECT_THAT(traceLines(), Contains(StartsWith("[EXIT qx_component_configure" + which +
                                                "]: Status=QX_OK")));
  EXPECT_THAT(traceLines(), Contains("[ENTER qx_component_nextRecord" + which + "]"));
}

TEST_P(BothModes, FullTraceCarriesNoSecret) {
  ExtensionWrapper::setTraceLevel(4);
  start("observe");
  EXPECT_EQ(execute(), QX_OK);
  EXPECT_THAT(outputLines(), Contains(HasSubstr("pw-secret"))); // the module did read them
  EXPECT_THAT(traceLines(), Contains(StartsWith("[EXIT qx_component_getRecordValue")));
  for (const std::string& line : traceLines())
    for (const char* secret : {"pw-secret", "/srv/input.csv", "key='plain'"})
      EXPECT_EQ(line.find(secret), std::string::npos) << line;
}

// Documents a module hands to the host that reach for a local file or expand
// far beyond their text (a progress report, a data model read through the
// host's XML service): each is refused with QX_ERR_XML at once, no listener
// hears of it, and the run goes on. The fixture checks nothing is left behind.
TEST_P(BothModes, HostileDocumentsAreRefusedAndTheRunGoesOn) {
  ASSERT_EQ(initialise(), QX_OK);
  QXHost* hostTable = QXHostFactory::create(host.get());
  for (const char* kind : {"laughs", "external", "expansion"}) {
    SCOPED_TRACE(kind);
    listener.seen.clear();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(create(std::string("hostile=") + kind, &component), QX_OK);
    ASSERT_EQ(execute(), QX_OK);
    EXPECT_THAT(outputLines(), ElementsAre(StartsWith("hostile.report status=5 "),
                                           StartsWith("progress.report status=0 ")));
    ASSERT_EQ(listener.seen.items().size(), 1u); // the ordinary report only
    EXPECT_EQ(listener.seen.items()[0].getOutputText(), "Read 1 lines");

    int errorCode = 0;
    size_t needed = 0;
    char probe[8];
    ASSERT_EQ(extension.qx_component_getDataModel(component, 0, probe, sizeof probe, &needed,
                                                  &errorCode),
              QX_ERR_INSUFFICIENT_BUFFER);
    std::vector<char> model(needed);
    ASSERT_EQ(extension.qx_component_getDataModel(component, 0, model.data(), model.size(),
                                                  &needed, &errorCode),
              QX_OK);
    QXXML* document = nullptr;
    ASSERT_EQ(hostTable->createDocumentFromContents(hostTable->owner, model.data(), &document),
              QX_OK);
    QXXMLIterator* fields = nullptr;
    EXPECT_EQ(document->getElementIterator(document->owner, "Field", &fields), QX_ERR_XML);
    document->dispose(document->owner);
    // Refused near the limits, not after expanding: seconds even under sanitizers.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));

    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
    component = nullptr;
  }
}

INSTANTIATE_TEST_SUITE_P(Modules, BothModes,
                         ::testing::Values(Run{"e2e_current", false}, Run{"e2e_current", true},
                                           Run{"e2e_current", true, true},
                                           Run{"e2e_older", false}, Run{"e2e_older", true},
                                           Run{"e2e_older", true, true}),
                         runName);

} // namespace
} // namespace child_test
