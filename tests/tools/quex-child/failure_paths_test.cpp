// What the host sees when the child goes wrong: a child program that does not
// exist, a module that crashes or exits in the middle of a fetch, and a child
// that breaks the protocol. The host never crashes, answers QX_ERR_REMOTE for
// the lost child, and is left holding nothing of it.
#include "child_fixture.h"

#include "remote/process.h"
#include "remote/protocol/names.h"
#include "remote/warm_pool.h"
#include "common/scratch_name.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <thread>

using ::testing::Contains;
using ::testing::HasSubstr;

namespace child_test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr bool kSanitized = QUEX_TEST_SANITIZED != 0;

long long millisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Waits up to ten seconds for `condition`.
template <typename Condition>
bool eventually(Condition&& condition) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class ChildFailures : public HostedModule {
protected:
  // Every call on a lost component answers QX_ERR_REMOTE at once, and it can
  // still be destroyed.
  void expectLost(void* component) {
    int errorCode = 0;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(extension.qx_component_configure(component, &errorCode), QX_ERR_REMOTE);
    EXPECT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_ERR_REMOTE);
    EXPECT_EQ(extension.qx_component_cancelExecution(component, &errorCode), QX_ERR_REMOTE);
    char buffer[16];
    size_t needed = 0;
    EXPECT_EQ(extension.qx_component_getDataModel(component, 0, buffer, sizeof buffer, &needed,
                                                  &errorCode),
              QX_ERR_REMOTE);
    EXPECT_LT(millisecondsSince(start), 1000);
    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_ERR_REMOTE);
  }
};

TEST_F(ChildFailures, MissingChildProgramReachesTheCallerOfInitialise) {
  load("e2e_current", "/nonexistent/quex-child");
  try {
    initialise();
    ADD_FAILURE() << "qx_initialise returned";
  } catch (const Remote::RemoteException& error) {
    EXPECT_EQ(error.message, "Create Process Failed");
    EXPECT_EQ(error.detail, "No such file or directory");
  }
  // Creating a component reports the same failure as a status.
  void* component = nullptr;
  EXPECT_EQ(create("records=1", &component), QX_ERR_EXCEPTION_THROWN);
  EXPECT_EQ(component, nullptr);
}

// A host that does not catch that exception ends with it, and unwinds
// nothing of its own: the library must have removed its names already.
TEST_F(ChildFailures, EscapingExceptionLeavesNoNameBehind) {
  const std::string pidFile = ::testing::TempDir() + "escaping_host_" +
                              std::to_string(quex::platform::currentProcessId()) + ".pid";
  const std::string command = std::string(ESCAPING_HOST) + " " + modulePath("e2e_current") +
                              " >" + pidFile + " 2>/dev/null";
  EXPECT_NE(std::system(command.c_str()), 0) << "the host was to end by its exception";
  std::ifstream in(pidFile);
  long host = 0;
  ASSERT_TRUE(in >> host);
  std::filesystem::remove(pidFile);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm")) {
    const std::string name = entry.path().filename().string();
    if (name.find("tarn.quex." + std::to_string(host) + ".") != std::string::npos)
      left.push_back(name);
  }
  EXPECT_EQ(left, std::vector<std::string>{});
  for (const std::string& name : left) std::filesystem::remove("/dev/shm/" + name);
}

// A host that exits while children wait in the warm pool takes them with it:
// by the time its exit is seen, none of them runs and no name of theirs is
// left. A host that vanishes without its exit handlers leaves the children
// to notice by themselves, each within its watch's 100 ms.
TEST_F(ChildFailures, HostExitingWithWarmChildrenLeavesNothing) {
  for (const char* ending : {"", " vanish"}) {
    SCOPED_TRACE(*ending != '\0' ? "vanishing" : "exiting");
    const std::string pidFile = ::testing::TempDir() + "warm_host_" +
                                std::to_string(quex::platform::currentProcessId()) + ".pid";
    const std::string command = std::string(WARM_HOST) + " " + modulePath("e2e_current") + " " +
                                QUEX_CHILD_PROGRAM + ending + " >" + pidFile;
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(pidFile);
    long host = 0;
    ASSERT_TRUE(in >> host);
    std::filesystem::remove(pidFile);
    const std::string base = "tarn.quex." + std::to_string(host) + ".";
    const auto leftBehind = [&] {
      std::vector<std::string> left;
      for (const auto& entry : std::filesystem::directory_iterator("/dev/shm"))
        if (entry.path().filename().string().find(base) != std::string::npos)
          left.push_back(entry.path().filename().string());
      for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream cmdline(entry.path() / "cmdline");
        std::string arguments((std::istreambuf_iterator<char>(cmdline)),
                              std::istreambuf_iterator<char>());
        if (arguments.find(base) != std::string::npos)
          left.push_back("process " + entry.path().filename().string());
      }
      return left;
    };
    // Generous for a loaded machine: a child left waiting would stay forever.
    const auto deadline = Clock::now() + (*ending != '\0' ? std::chrono::seconds(3)
                                                           : std::chrono::seconds(0));
    while (!leftBehind().empty() && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(leftBehind(), std::vector<std::string>{});
  }
}

// The child opens the XML service only when it needs it; a module that links
// libquex uses the service directly and finds it ready at its first call.
TEST_F(ChildFailures, ModuleUsingTheXmlServiceDirectlyFindsItReady) {
  load("xml_direct", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  for (const char* text : {"<a b='1'/>", "<broken"}) {
    void* component = nullptr;
    int errorCode = 0;
    const bool wellFormed = text[std::strlen(text) - 2] == '/';
    EXPECT_EQ(extension.qx_create_component(nullptr, text, &component, &errorCode),
              wellFormed ? QX_OK : QX_ERR_XML)
        << text;
    if (component != nullptr) extension.qx_destroy_component(component, &errorCode);
  }
}

TEST_F(ChildFailures, ModuleWithoutContextSupportRunsWithoutChildResources) {
  extension.setContextSupport(nullptr);
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create("records=1", &component), QX_OK);
  int errorCode = 0;
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
  EXPECT_EQ(support.filled, 0);
}

TEST_F(ChildFailures, ChildResourceIsFilledForEveryChild) {
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  EXPECT_EQ(support.filled, 2); // once made, once at the start
}

// Started on demand or with warm children, which try the library ahead and
// give up on it: the pool keeps no child for a library that does not load.
TEST_F(ChildFailures, ModuleThatCannotBeLoadedFailsInitialisation) {
  for (const size_t warm : {0, 1}) {
    ExtensionWrapper::setWarmChildren(warm);
    const size_t failed = Remote::warm_pool::failed();
    load("no_such_module", QUEX_CHILD_PROGRAM);
    EXPECT_EQ(initialise(), QX_ERR_NOT_INITIALIZED) << warm << " warm";
    if (warm == 0) continue;
    EXPECT_TRUE(eventually([&] { return Remote::warm_pool::failed() > failed; }));
    EXPECT_EQ(Remote::warm_pool::ready(), 0u);
  }
  extension = ExtensionWrapper();
  ExtensionWrapper::setWarmChildren(0);
}

// Warm children hold the library of their module: with two modules of one
// child program, each start takes a child readied with its own library, both
// run as the modules they are, and a module that goes takes its ready child
// with it while the other's stays.
TEST_F(ChildFailures, WarmChildrenHoldTheLibraryOfTheirOwnModule) {
  ExtensionWrapper::setWarmChildren(1);
  load("e2e_current", QUEX_CHILD_PROGRAM);
  auto older = std::make_unique<ExtensionWrapper>();
  older->setContextSupport(&support);
  ASSERT_TRUE(older->load("e2e_older", modulePath("e2e_older").c_str(), QUEX_CHILD_PROGRAM));
  const auto bothReady = [] { return Remote::warm_pool::ready() == 2; };
  ASSERT_TRUE(eventually(bothReady));
  const size_t taken = Remote::warm_pool::taken();
  int errorCode = 0;
  ASSERT_EQ(older->qx_initialise(QXHostFactory::create(host.get()), &errorCode), QX_OK);
  ASSERT_EQ(initialise(), QX_OK);
  EXPECT_TRUE(older->isOlderGeneration());
  EXPECT_FALSE(extension.isOlderGeneration());
  ASSERT_TRUE(eventually(bothReady));
  void* peer = nullptr;
  void* component = nullptr;
  ASSERT_EQ(older->tarnext_create_peer(nullptr, 0, "records=2 fields=1", &peer, &errorCode),
            QX_OK);
  ASSERT_EQ(create("records=2 fields=1", &component), QX_OK);
  EXPECT_EQ(Remote::warm_pool::taken(), taken + 4) << "a start went without a ready child";
  for (auto [module, made] : {std::pair{older.get(), peer}, std::pair{&extension, component}}) {
    EXPECT_EQ(module->qx_component_beginExecution(made, nullptr, nullptr, &errorCode), QX_OK);
    EXPECT_EQ(module->qx_component_nextRecord(made, &errorCode), QX_OK);
    EXPECT_EQ(module->qx_destroy_component(made, &errorCode), QX_OK);
  }
  ASSERT_TRUE(eventually(bothReady));
  older.reset();
  EXPECT_EQ(Remote::warm_pool::ready(), 1u);
  extension = ExtensionWrapper();
  EXPECT_EQ(Remote::warm_pool::ready(), 0u);
  ExtensionWrapper::setWarmChildren(0);
}

// A child readied by the pool's ping holds the library the ping named: a
// define of exactly that library is answered as a load, once; any other is
// refused as a second module is. A ping naming a library that does not load
// leaves the child free for any module.
TEST_F(ChildFailures, ReadiedChildTakesTheDefineOfItsOwnLibraryOnly) {
  const std::string current = modulePath("e2e_current"), older = modulePath("e2e_older");
  struct Library {
    std::string name, path;
  };
  const struct {
    Library pinged;
    bool readied;
    std::vector<std::pair<Library, QXStatus>> defines;
  } cases[] = {
      {{"e2e_current", current}, true,
       {{{"e2e_current", current}, QX_OK}, {{"e2e_current", current}, QX_ERR_INVALID_OPERATION}}},
      {{"e2e_current", current}, true, {{{"e2e_older", older}, QX_ERR_INVALID_OPERATION}}},
      {{"e2e_current", current}, true, {{{"e2e_current", older}, QX_ERR_INVALID_OPERATION}}},
      {{"e2e_current", current}, true, {{{"e2e_older", current}, QX_ERR_INVALID_OPERATION}}},
      {{"no_such_module", modulePath("no_such_module")}, false,
       {{{"e2e_older", older}, QX_OK}}},
  };
  namespace calls = Remote::protocol::call;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pinged.name);
    auto process = Remote::Process::create(QUEX_CHILD_PROGRAM, nullptr);
    process->start();
    Remote::RemoteCall& call = process->mainCall();
    call.beginCall(calls::kPing);
    call.putSize(0);
    call.putText(c.pinged.name);
    call.putText(c.pinged.path);
    ASSERT_TRUE(process->call());
    int32_t status = -1;
    bool readied = !c.readied;
    EXPECT_TRUE(call.getInt(status) && call.getBool(readied));
    EXPECT_EQ(status, QX_OK);
    EXPECT_EQ(readied, c.readied);
    for (const auto& [library, expected] : c.defines) {
      call.beginCall(calls::kDefineTargetLibrary);
      call.putSize(0);
      call.putText(library.name);
      call.putText(library.path);
      call.putBool(false);
      ASSERT_TRUE(process->call());
      EXPECT_TRUE(call.getInt(status));
      EXPECT_EQ(status, expected) << library.name << " " << library.path;
    }
    process->terminate();
  }
}

// A module that goes on calling the iterator, progress and channel tables of
// an ended execution and interaction, which the host has freed by then: each
// call is answered as one with a handle the host never gave (2), and the
// conversation goes on.
TEST_F(ChildFailures, TablesOfAnEndedExecutionAreClosedToTheChild) {
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create("late", &component), QX_OK);
  auto input = std::make_unique<TableRecords>(&extension, std::vector<Record>{Record{"x"}, Record{"y"}});
  auto reports = std::make_unique<QXProgressWrapper>(&extension);
  auto messages = std::make_unique<RecordingChannel>(&extension);
  reports->setProgressListener(&listener);
  int errorCode = 0;
  ASSERT_EQ(extension.qx_component_beginExecution(component, QXIteratorFactory::create(input.get()),
                                                  QXProgressFactory::create(reports.get()),
                                                  &errorCode),
            QX_OK);
  ASSERT_EQ(extension.qx_component_beginInteraction(
                component, QxChannelFactory::create(messages.get()), &errorCode),
            QX_OK);
  const auto lateCalls = [&] {
    EXPECT_EQ(extension.qx_component_configure(component, &errorCode), QX_OK);
    char reply[64] = {};
    size_t needed = 0;
    EXPECT_EQ(extension.qx_component_getRequestReply(component, reply, sizeof reply, &needed,
                                                     &errorCode),
              QX_OK);
    return std::string(reply);
  };
  EXPECT_EQ(lateCalls(), "report=0 next=0 send=0"); // open: they reach the host
  EXPECT_THAT(messages->messages.items(), ::testing::ElementsAre("ready", "late"));
  EXPECT_EQ(extension.qx_component_endExecution(component, &errorCode), QX_OK);
  EXPECT_EQ(extension.qx_component_endInteraction(component, &errorCode), QX_OK);
  input.reset();
  reports.reset();
  messages.reset();
  EXPECT_EQ(lateCalls(), "report=2 next=2 send=2");
  // A new execution with new tables is served again.
  TableRecords again(&extension, std::vector<Record>{Record{"z"}});
  QXProgressWrapper reportsAgain(&extension);
  ASSERT_EQ(extension.qx_component_beginExecution(component, QXIteratorFactory::create(&again),
                                                  QXProgressFactory::create(&reportsAgain),
                                                  &errorCode),
            QX_OK);
  EXPECT_EQ(lateCalls(), "report=0 next=0 send=2");
  EXPECT_EQ(extension.qx_component_endExecution(component, &errorCode), QX_OK);
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
}

// The child starts with its standard streams and nothing else of the host:
// here a file the host holds open without close-on-exec, as a host's input
// and output files usually are. What it holds beyond those are its own
// channels.
TEST_F(ChildFailures, ChildHoldsNoDescriptorOfTheHostButItsStandardStreams) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("quex-held-" + processTag() + ".csv");
  std::ofstream held(path);
  ASSERT_TRUE(held);
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create("records=1", &component), QX_OK);
  const long child = static_cast<Remote::Process*>(component)->childProcessId();
  std::vector<std::string> foreign;
  size_t own = 0;
  const std::string folder = "/proc/" + std::to_string(child) + "/fd";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (std::stoi(entry.path().filename().string()) <= 2) continue;
    const std::string target = std::filesystem::read_symlink(entry.path()).string();
    if (target.rfind("/dev/shm/tarn.quex.", 0) == 0) ++own;
    else foreign.push_back(entry.path().filename().string() + " -> " + target);
  }
  EXPECT_THAT(foreign, ::testing::IsEmpty());
  EXPECT_EQ(own, 3u); // the three regions
  int errorCode = 0;
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
  held.close();
  std::filesystem::remove(path);
}

// A component the module refuses to make: its child ends at once instead of
// waiting for the host to destroy the handle it was still given.
TEST_F(ChildFailures, RefusedComponentsChildEndsAtOnce) {
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create("refuse", &component), QX_ERR_NOT_CONFIGURED);
  ASSERT_NE(component, nullptr);
  const long child = static_cast<Remote::Process*>(component)->childProcessId();
  EXPECT_FALSE(remote_test::processExists(child));
  int errorCode = 0;
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
}

struct Death {
  const char* module;
  const char* how; // "crash" or "exit"
  size_t at;       // the record it dies making
  size_t delivered;
};

class DyingModule : public ChildFailures, public ::testing::WithParamInterface<Death> {};

// A module dies while it makes a record of five values (400 to a batch). The
// host gets every record the module made before, as in process, when the
// child reads them one by one, and none twice; a module's own bulk fetch
// hands its records over only when it returns, and a death inside it loses
// that batch.
TEST_P(DyingModule, LostChildAnswersRemoteQuicklyAndLeavesNothing) {
  ExtensionWrapper::setTraceLevel(1);
  load(GetParam().module, QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create(std::string(GetParam().how) + "-at=" + std::to_string(GetParam().at) +
                       " records=100000 fields=5",
                   &component),
            QX_OK);
  int errorCode = 0;
  ASSERT_EQ(extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                  &errorCode),
            QX_OK);
  QXStatus status = QX_OK;
  size_t read = 0;
  long long slowest = 0;
  size_t wrong = 0;
  while (status == QX_OK) {
    const Clock::time_point start = Clock::now();
    status = extension.qx_component_nextRecord(component, &errorCode);
    slowest = std::max(slowest, millisecondsSince(start));
    if (status != QX_OK) break;
    for (size_t field = 0; field < 5; ++field) { // the module's values, nulls in place
      void* value = nullptr;
      size_t length = 0;
      extension.qx_component_getRecordValue(component, field, &value, &length, &errorCode);
      const bool null = field == 1 && (read + 1) % 3 == 0;
      const std::string expected = "r" + std::to_string(read) + "f" + std::to_string(field);
      wrong += null ? value != nullptr
                    : value == nullptr || std::string(static_cast<char*>(value), length) != expected;
    }
    ++read;
  }
  EXPECT_EQ(status, QX_ERR_REMOTE);
  EXPECT_EQ(read, GetParam().delivered);
  EXPECT_EQ(wrong, 0u);
  // The death is seen at once, not after a polling round: within 100 ms,
  // which leaves a busy machine twenty times the usual few milliseconds. In a
  // sanitizer build a child that calls exit first runs the sanitizer's exit
  // work (a leak check; a one-second pause under the thread sanitizer).
  EXPECT_LT(slowest, kSanitized ? 3000 : 100);
  const long child = static_cast<Remote::Process*>(component)->childProcessId();
  // The module crashes with SIGSEGV or calls exit(9); the host learns which,
  // in the host's own call, and how many records had arrived.
  const std::string ending =
      "child process " + std::to_string(child) + " ended " +
      (std::string(GetParam().how) == "crash" ? "by signal SIGSEGV (11)" : "with exit code 9") +
      " during qx_component_nextRecord, after " + std::to_string(GetParam().delivered) +
      " records delivered";
  EXPECT_EQ(extension.childEnding(component), ending);
  expectLost(component);
  const std::vector<std::string> lines = traceLines();
  EXPECT_THAT(lines, Contains(HasSubstr("[EXIT qx_component_nextRecord")));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ending), 1) << ::testing::PrintToString(lines);
  // The last calls, once, oldest first, the one in flight last.
  const std::string created =
      std::string(GetParam().module) == "e2e_older" ? "tarnext_create_peer" : "qx_create_component";
  const std::regex lastCalls("last calls: " + created + " QX_OK \\([0-9]+ ms ago\\), "
                             "qx_component_beginExecution QX_OK \\([0-9]+ ms ago\\), "
                             "qx_component_nextRecord QX_OK x" +
                             // the batches before: the child reads one record ahead
                             std::to_string((GetParam().at - 2) / 400 * 400) +
                             " \\([0-9]+ ms ago\\), "
                             "qx_component_nextRecord in flight");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& line) { return std::regex_match(line, lastCalls); }),
            1)
      << ::testing::PrintToString(lines);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.find("last calls") != line.npos; }),
            1);
}

INSTANTIATE_TEST_SUITE_P(CrashOrExit, DyingModule,
                         ::testing::Values(Death{"e2e_current", "crash", 4500, 4400},
                                           Death{"e2e_current", "exit", 4500, 4400},
                                           Death{"e2e_older", "crash", 4500, 4499},
                                           Death{"e2e_older", "exit", 4500, 4499},
                                           Death{"e2e_older", "crash", 402, 401}),
                         [](const auto& info) {
                           return std::string(info.param.module) + "_" + info.param.how +
                                  std::to_string(info.param.at);
                         });

// The host's own bulk fetch from a module without one, two records of two
// values at a time: the records the module made before it died come in the
// calls after it, two to a call as in process, and a batch already delivered
// never comes again. The repeated call is read ahead, more calls' records to
// an exchange each time, and read on while the host works: a death deep in
// such an exchange (record 100) or while the host takes its time (80), and one
// in an exchange of records so wide (40 KB a value) that only some calls'
// records fit where the child keeps them, still hand every record out.
TEST_F(ChildFailures, BulkFetchGetsTheRecordsMadeBeforeADeathOnce) {
  load("e2e_older", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  const struct {
    size_t at;
    size_t width;
    int pause; // ms the host takes over each call's records: the child reads ahead meanwhile
  } cases[] = {{4, 0, 0}, {5, 0, 0}, {100, 0, 0}, {80, 0, 5}, {60, 40000, 0}, {60, 40000, 5}};
  for (const auto& death : cases) {
    SCOPED_TRACE(death.at);
    void* component = nullptr;
    ASSERT_EQ(create("crash-at=" + std::to_string(death.at) + " records=1000 fields=2 width=" +
                         std::to_string(death.width),
                     &component),
              QX_OK);
    int errorCode = 0;
    ASSERT_EQ(extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                    &errorCode),
              QX_OK);
    std::vector<std::string> first;
    std::vector<size_t> batches;
    QXStatus status = QX_OK;
    while (status == QX_OK && batches.size() < death.at) {
      void* values[4] = {};
      size_t lengths[4] = {};
      size_t fields = 2, records = 0;
      status = extension.qx_component_bulkFetch(component, 4, values, lengths, &fields, &records,
                                                &errorCode);
      if (status != QX_OK) break;
      batches.push_back(records);
      for (size_t record = 0; record < records; ++record)
        first.emplace_back(static_cast<char*>(values[record * 2]), lengths[record * 2]);
      std::this_thread::sleep_for(std::chrono::milliseconds(death.pause));
    }
    EXPECT_EQ(status, QX_ERR_REMOTE);
    std::vector<size_t> expectedBatches((death.at - 1) / 2, 2);
    if ((death.at - 1) % 2 != 0) expectedBatches.push_back(1);
    EXPECT_EQ(batches, expectedBatches);
    std::vector<std::string> expected;
    for (size_t record = 0; record + 1 < death.at; ++record) {
      expected.push_back("r" + std::to_string(record) + "f0");
      if (expected.back().size() < death.width)
        expected.back().append(death.width - expected.back().size(), '.');
    }
    EXPECT_EQ(first, expected);
    EXPECT_THAT(extension.childEnding(component),
                HasSubstr("after " + std::to_string(death.at - 1) + " records delivered"));
    expectLost(component);
  }
}

// Records of 90 MB: three would make a batch longer than the host takes in
// one message, so the child splits them, both for the proxy's batches and
// for the host's own bulk fetch, and every byte arrives.
TEST_F(ChildFailures, RecordsLongerThanOneMessageTogetherArriveInSeveralBatches) {
  static constexpr size_t kWidth = 90000000;
  load("e2e_older", QUEX_CHILD_PROGRAM); // read record by record in the child
  ASSERT_EQ(initialise(), QX_OK);
  const auto expectRecord = [](size_t record, const void* data, size_t length) {
    const std::string head = "r" + std::to_string(record) + "f0";
    ASSERT_EQ(length, kWidth);
    EXPECT_EQ(std::string(static_cast<const char*>(data), head.size()), head);
    EXPECT_EQ(static_cast<const char*>(data)[kWidth - 1], '.');
  };
  for (const bool bulk : {false, true}) {
    SCOPED_TRACE(bulk ? "bulk fetch" : "nextRecord");
    void* component = nullptr;
    ASSERT_EQ(create("records=3 fields=1 width=" + std::to_string(kWidth), &component), QX_OK);
    int errorCode = 0;
    ASSERT_EQ(extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                    &errorCode),
              QX_OK);
    std::vector<size_t> batches;
    size_t read = 0;
    for (QXStatus status = QX_OK; status == QX_OK && read < 4;) {
      void* values[3] = {};
      size_t lengths[3] = {};
      size_t fields = 1, records = 0;
      if (bulk) {
        status = extension.qx_component_bulkFetch(component, 3, values, lengths, &fields,
                                                  &records, &errorCode);
      } else {
        status = extension.qx_component_nextRecord(component, &errorCode);
        records = status == QX_OK ? 1 : 0;
        if (records == 1)
          extension.qx_component_getRecordValue(component, 0, values, lengths, &errorCode);
      }
      if (records > 0) batches.push_back(records);
      for (size_t record = 0; record < records; ++record, ++read)
        expectRecord(read, values[record], lengths[record]);
      if (status != QX_OK) {
        EXPECT_EQ(status, QX_ERR_NO_DATA);
      }
    }
    EXPECT_EQ(read, 3u);
    if (bulk) {
      EXPECT_EQ(batches, (std::vector<size_t>{2, 1}));
    }
    EXPECT_EQ(extension.childEnding(component), "");
    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
  }
}

// A host iterator whose bulk fetch breaks the batch rules in one way.
class BadBatches : public TableRecords {
public:
  BadBatches(ExtensionWrapper* extension, std::string fault)
      : TableRecords(extension, {{"a", "b"}}), fault_(std::move(fault)) {}
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    static char byte = 'x';
    for (size_t i = 0; i < capacity; ++i) {
      values[i] = &byte;
      lengths[i] = 1;
    }
    *errorCode = 0;
    *fieldCount = 2;
    *recordCount = capacity; // twice what fits
    if (fault_ == "negative-fields") *fieldCount = static_cast<size_t>(-2);
    if (fault_ == "negative-records") *recordCount = static_cast<size_t>(-1);
    return QX_OK;
  }

private:
  std::string fault_;
};

class BadHostBatches : public ChildFailures, public ::testing::WithParamInterface<const char*> {};

// The module's input ends with QX_ERR_CALLBACK; the child, the component and
// the host go on, and the next execution reads good batches again.
TEST_P(BadHostBatches, EndTheModulesInputOnly) {
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create("transcribe fields=2", &component), QX_OK);
  BadBatches bad(&extension, GetParam());
  int errorCode = 0;
  ASSERT_EQ(extension.qx_component_beginExecution(component, QXIteratorFactory::create(&bad),
                                                  progressTable(), &errorCode),
            QX_OK);
  std::vector<std::string> lines;
  while (extension.qx_component_nextRecord(component, &errorCode) == QX_OK) {
    void* value = nullptr;
    size_t length = 0;
    ASSERT_EQ(extension.qx_component_getRecordValue(component, 0, &value, &length, &errorCode),
              QX_OK);
    lines.emplace_back(static_cast<char*>(value), length);
  }
  EXPECT_THAT(lines, ::testing::ElementsAre("end status=14 errorCode=0",
                                            "again status=14 errorCode=0 9:99"));
  EXPECT_EQ(extension.qx_component_endExecution(component, &errorCode), QX_OK);
  ASSERT_EQ(extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                  &errorCode),
            QX_OK);
  ASSERT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_OK);
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
}

INSTANTIATE_TEST_SUITE_P(Faults, BadHostBatches,
                         ::testing::Values("more-than-capacity", "negative-fields",
                                           "negative-records"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

// The inactivity deadline: a child silent for that long during a call is
// killed, the call answers QX_ERR_REMOTE within the deadline and a little,
// and one trace line says which child, how long and during which call.
constexpr std::chrono::milliseconds kDeadline{300};
constexpr long long kLateness = kSanitized ? 1000 : 100;

class HangingModule : public ChildFailures {
protected:
  void SetUp() override {
    ChildFailures::SetUp();
    ExtensionWrapper::setTraceLevel(1);
  }
  // The kill line for `call`, with the silence it measured.
  void expectKillLine(const std::string& call, long child) {
    const std::regex line("child process " + (child > 0 ? std::to_string(child) : "[0-9]+") +
                          " sent nothing for ([0-9]+) ms during " + call + "; killed");
    int kills = 0;
    for (const std::string& traced : traceLines()) {
      std::smatch match;
      if (!std::regex_match(traced, match, line)) continue;
      ++kills;
      EXPECT_GE(std::stol(match[1]), kDeadline.count());
      EXPECT_LT(std::stol(match[1]), kDeadline.count() + kLateness);
    }
    EXPECT_EQ(kills, 1) << ::testing::PrintToString(traceLines());
  }
  // Runs `call`, a single exchange with the child, and checks it is cut off
  // by the deadline.
  template <typename Call>
  void expectCutOff(Call&& call) {
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(call(), QX_ERR_REMOTE);
    const long long took = millisecondsSince(start);
    EXPECT_GE(took, kDeadline.count());
    EXPECT_LT(took, kDeadline.count() + kLateness);
  }
};

TEST_F(HangingModule, CallThatNeverReturnsIsKilledAtTheDeadline) {
  const struct {
    const char* script;
    const char* call;
  } cases[] = {{"hang-in=configure", "qx_component_configure"},
               {"hang-in=nextRecord records=5", "qx_component_nextRecord"}};
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  for (const auto& hang : cases) {
    SCOPED_TRACE(hang.script);
    void* component = nullptr;
    ASSERT_EQ(create(hang.script, &component), QX_OK);
    // Set once the child runs: a child that starts slowly on a busy machine
    // is silent too. The deadline reaches the live component.
    extension.setChildDeadline(kDeadline);
    const long child = static_cast<Remote::Process*>(component)->childProcessId();
    int errorCode = 0;
    ASSERT_EQ(extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                    &errorCode),
              QX_OK);
    expectCutOff([&] {
      return std::string(hang.script).find("configure") != std::string::npos
                 ? extension.qx_component_configure(component, &errorCode)
                 : extension.qx_component_nextRecord(component, &errorCode);
    });
    expectKillLine(hang.call, child);
    const std::vector<std::string> traced = traceLines();
    EXPECT_THAT(traced, Contains(::testing::MatchesRegex("last calls: .*" + std::string(hang.call) +
                                                         " in flight")));
    expectLost(component);
    lines->clear();
    extension.setChildDeadline(std::chrono::milliseconds(0));
  }
}

TEST_F(HangingModule, InitialiseThatNeverReturnsIsKilledAtTheDeadline) {
  extension.setChildDeadline(kDeadline);
  load("e2e_hang_initialise", QUEX_CHILD_PROGRAM);
  // Starting the child and loading the module come first: only the kill line
  // knows when the child last spoke.
  EXPECT_EQ(initialise(), QX_ERR_REMOTE);
  expectKillLine("qx_initialise", 0);
  // The host asks the module, not a component, how that child ended.
  EXPECT_TRUE(std::regex_match(extension.childEnding(nullptr),
                               std::regex("child process [0-9]+ was killed after sending nothing "
                                          "for [0-9]+ ms during qx_initialise, after 0 records "
                                          "delivered")))
      << extension.childEnding(nullptr);
}

// A module that dies by a signal in any of its entry points: the host's call
// answers QX_ERR_REMOTE, one line names the signal and that call, and the
// last calls on the component end with it.
TEST_F(ChildFailures, CrashInEveryEntryPointIsNamedWithItsCall) {
  ExtensionWrapper::setTraceLevel(1);
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  const char* const points[] = {"create",    "configure",    "getDataModel", "beginExecution",
                                "nextRecord", "endExecution", "destroy"};
  for (const std::string point : points) {
    SCOPED_TRACE(point);
    lines->clear();
    void* component = nullptr;
    const QXStatus created = create("crash-in=" + point, &component);
    ASSERT_NE(component, nullptr);
    int errorCode = 0;
    QXStatus status = created;
    std::string call = point == "create" ? "qx_create_component" : "qx_component_" + point;
    if (point == "destroy") call = "qx_destroy_component";
    const auto step = [&](const char* name, const std::function<QXStatus()>& run) {
      if (status != QX_OK) return;
      status = run();
      if (call != name) {
        EXPECT_EQ(status, QX_OK) << name;
      }
    };
    char buffer[256];
    size_t needed = 0;
    step("qx_component_configure",
         [&] { return extension.qx_component_configure(component, &errorCode); });
    step("qx_component_getDataModel", [&] {
      return extension.qx_component_getDataModel(component, 0, buffer, sizeof buffer, &needed,
                                                 &errorCode);
    });
    step("qx_component_beginExecution", [&] {
      return extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                   &errorCode);
    });
    step("qx_component_nextRecord", [&] {
      const QXStatus read = extension.qx_component_nextRecord(component, &errorCode);
      return read == QX_ERR_NO_DATA ? QX_OK : read;
    });
    step("qx_component_endExecution",
         [&] { return extension.qx_component_endExecution(component, &errorCode); });
    if (status == QX_OK) {
      EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_ERR_REMOTE);
    } else {
      EXPECT_EQ(status, QX_ERR_REMOTE);
      expectLost(component);
    }
    const std::regex ending("child process [0-9]+ ended by signal SIGSEGV \\(11\\) during " +
                            call + ", after 0 records delivered");
    const std::regex lastCalls("last calls: .*" + call + " in flight");
    const std::vector<std::string> traced = traceLines();
    EXPECT_EQ(std::count_if(traced.begin(), traced.end(),
                            [&](const std::string& line) { return std::regex_match(line, ending); }),
              1)
        << ::testing::PrintToString(traced);
    EXPECT_EQ(std::count_if(traced.begin(), traced.end(),
                            [&](const std::string& line) {
                              return std::regex_match(line, lastCalls);
                            }),
              1)
        << ::testing::PrintToString(traced);
  }
}

TEST_F(ChildFailures, KillChildFromAnotherThreadEndsTheCallInFlight) {
  ExtensionWrapper::setTraceLevel(1);
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create("hang-in=nextRecord", &component), QX_OK);
  EXPECT_EQ(extension.killChild(nullptr), QX_ERR_INVALID_HANDLE);
  int notAComponent = 0;
  EXPECT_EQ(extension.killChild(&notAComponent), QX_ERR_INVALID_HANDLE);
  int errorCode = 0;
  ASSERT_EQ(extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                  &errorCode),
            QX_OK);
  const long child = static_cast<Remote::Process*>(component)->childProcessId();
  std::thread killer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(extension.killChild(component), QX_OK);
  });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_ERR_REMOTE);
  EXPECT_LT(millisecondsSince(start), kSanitized ? 2000 : 400);
  killer.join();
  const std::string ending = "child process " + std::to_string(child) +
                             " was killed by the host during qx_component_nextRecord, after 0 "
                             "records delivered";
  EXPECT_EQ(extension.childEnding(component), ending);
  EXPECT_THAT(traceLines(), Contains(ending));
  expectLost(component);
  EXPECT_EQ(extension.childEnding(component), "") << "a destroyed component has no child";
}

// What a module in a child cannot do says so at trace level 1.
TEST_F(ChildFailures, CallsWithoutAChildFormAnswerInvalidOperationAndSayWhy) {
  ExtensionWrapper::setTraceLevel(1);
  load("e2e_older", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  ASSERT_TRUE(extension.isOlderGeneration());
  void* component = nullptr;
  int errorCode = 0;
  EXPECT_EQ(extension.qx_create_component(QXContextFactory::create(&context), "records=1",
                                          &component, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(component, nullptr);
  ASSERT_EQ(create("records=1", &component), QX_OK);
  char buffer[16];
  size_t needed = 0;
  EXPECT_EQ(extension.qx_component_getPsmControlInformation(component, buffer, sizeof buffer,
                                                            &needed, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(extension.qx_component_psmMerge(component, &errorCode), QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
  const std::vector<std::string> lines = traceLines();
  EXPECT_THAT(lines, Contains("qx_create_component: the module is of the older generation; its "
                              "components are made with tarnext_create_peer"));
  EXPECT_THAT(lines, Contains("qx_component_getPsmControlInformation has no out-of-process form: "
                              "QX_ERR_INVALID_OPERATION"));
  EXPECT_THAT(lines, Contains("qx_component_psmMerge has no out-of-process form: "
                              "QX_ERR_INVALID_OPERATION"));
}

TEST_F(ChildFailures, KillChildIsForChildProcessesOnly) {
  load("e2e_current", nullptr);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  ASSERT_EQ(create("records=1", &component), QX_OK);
  EXPECT_EQ(extension.killChild(component), QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(extension.childEnding(component), "");
  int errorCode = 0;
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
}

TEST_F(HangingModule, ChildThatReportsProgressIsNeverKilled) {
  load("e2e_current", QUEX_CHILD_PROGRAM);
  ASSERT_EQ(initialise(), QX_OK);
  void* component = nullptr;
  // Four deadlines of work in one call, with a report every 100 ms.
  ASSERT_EQ(create("progress-for=1200 records=2", &component), QX_OK);
  extension.setChildDeadline(kDeadline);
  int errorCode = 0;
  ASSERT_EQ(extension.qx_component_beginExecution(component, iteratorTable(), progressTable(),
                                                  &errorCode),
            QX_OK);
  EXPECT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_OK);
  EXPECT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_OK);
  EXPECT_EQ(extension.qx_component_nextRecord(component, &errorCode), QX_ERR_NO_DATA);
  EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
  for (const std::string& line : traceLines()) EXPECT_EQ(line.find("killed"), std::string::npos);
}

class MaliciousChild : public ChildFailures,
                       public ::testing::WithParamInterface<const char*> {};

TEST_P(MaliciousChild, HostSurvivesAndLosesOnlyThatChild) {
  load(GetParam(), MALICIOUS_CHILD);
  const std::string mischief = GetParam();
  const bool atStart = mischief == "define-garbage" || mischief == "callback-overlong";
  const QXStatus initialised = initialise();
  if (atStart) {
    EXPECT_EQ(initialised, QX_ERR_REMOTE);
    return;
  }
  ASSERT_EQ(initialised, QX_OK);
  EXPECT_EQ(extension.getModuleInformation(), "");
  void* component = nullptr;
  if (mischief == "start-truncated") { // replies missing from a one-trip start
    EXPECT_EQ(create("records=1", &component), QX_ERR_REMOTE);
    EXPECT_EQ(component, nullptr);
    return;
  }
  ASSERT_EQ(create("records=1", &component), QX_OK);
  int errorCode = 0;
  if (mischief == "text-huge-needed") { // a size no reply can carry: the child is lost
    char buffer[16];
    size_t needed = 0;
    EXPECT_EQ(extension.qx_component_getDataModel(component, 0, buffer, sizeof buffer, &needed,
                                                  &errorCode),
              QX_ERR_REMOTE);
    EXPECT_EQ(needed, 0u);
    expectLost(component);
    return;
  }
  if (mischief == "ahead-rows-overrun") { // the repeated call is read ahead
    void* values[4] = {};
    size_t lengths[4] = {};
    size_t fields = 1, records = 0;
    EXPECT_EQ(extension.qx_component_bulkFetch(component, 4, values, lengths, &fields, &records,
                                               &errorCode),
              QX_OK);
    EXPECT_EQ(records, 1u);
    fields = 1;
    records = 0;
    EXPECT_EQ(extension.qx_component_bulkFetch(component, 4, values, lengths, &fields, &records,
                                               &errorCode),
              QX_ERR_REMOTE);
    expectLost(component);
    return;
  }
  const QXStatus status = extension.qx_component_nextRecord(component, &errorCode);
  if (mischief == "batch-oversized") {
    ASSERT_EQ(status, QX_OK);
    void* value = nullptr;
    size_t length = 0;
    EXPECT_EQ(extension.qx_component_getRecordValue(component, 0, &value, &length, &errorCode),
              QX_OK);
    EXPECT_EQ(length, 3000000u);
    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
    return;
  }
  if (mischief == "info-huge-needed" || mischief == "start-refused") {
    EXPECT_EQ(status, QX_ERR_NO_DATA);
    EXPECT_EQ(extension.qx_destroy_component(component, &errorCode), QX_OK);
    return;
  }
  EXPECT_EQ(status, QX_ERR_REMOTE);
  if (mischief == "batch-over-limit") {
    EXPECT_THAT(extension.childEnding(component),
                HasSubstr("sent a message of 268435457 bytes, more than the 268435456 one "
                          "message may hold"));
  }
  expectLost(component);
}

INSTANTIATE_TEST_SUITE_P(Mischief, MaliciousChild,
                         ::testing::Values("define-garbage", "callback-overlong",
                                           "info-huge-needed", "text-huge-needed",
                                           "batch-count-huge",
                                           "batch-rows-overrun", "batch-wide-forever",
                                           "batch-oversized", "batch-over-limit",
                                           "batch-silent-exit",
                                           "batch-kept-huge", "batch-kept-short",
                                           "ahead-rows-overrun",
                                           "start-refused", "start-truncated"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

} // namespace
} // namespace child_test
