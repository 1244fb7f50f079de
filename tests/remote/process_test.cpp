// Remote::Process against a scripted child: calls, nested callbacks, reports on
// the process thread, cancellation, large messages and every way of losing
// the child, each leaving no name, thread or child behind.
#include "remote_fixture.h"

#include "remote/child_counter.h"
#include "remote/process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Remote::Process;
using Remote::RemoteCall;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using Pairs = std::vector<std::pair<int32_t, int32_t>>;

constexpr auto kGenerous = std::chrono::seconds(20); // other builds share the machine

class CountingResource : public ChildResource {
public:
  explicit CountingResource(std::shared_ptr<std::atomic<int>> fills) : fills_(std::move(fills)) {}
  void fillText(std::string& text) override {
    ++*fills_;
    text = "resource";
  }

private:
  std::shared_ptr<std::atomic<int>> fills_;
};

// Answers `known` calls with status 0 and ten times their int plus `offset`;
// records the threads it ran on.
class TimesTen : public Remote::CallHandler {
public:
  TimesTen(Process* process, std::string known, int32_t offset = 0)
      : CallHandler(process), known_(std::move(known)), offset_(offset) {}
  bool handle(const std::string& name, RemoteCall& call) override {
    int32_t value = 0;
    if (name != known_ || !call.getInt(value)) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      threads_.push_back(std::this_thread::get_id());
    }
    call.beginCall("return");
    call.putInt(0);
    call.putInt(value * 10 + offset_);
    return true;
  }
  std::vector<std::thread::id> threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }

private:
  std::string known_;
  int32_t offset_;
  std::mutex mutex_;
  std::vector<std::thread::id> threads_;
};

class ProcessTest : public remote_test::RemoteFixture {
protected:
  void SetUp() override {
    RemoteFixture::SetUp();
    startProcess();
  }
  void startProcess() {
    process = Process::create(REMOTE_TEST_CHILD, new CountingResource(fills));
    process->start();
  }
  void TearDown() override {
    const long child = process ? process->childProcessId() : -1;
    if (process) process->terminate();
    process.reset();
    EXPECT_FALSE(remote_test::processExists(child)) << "child " << child << " left behind";
    RemoteFixture::TearDown();
  }

  // Starts a call of `name` on "main" for component 0.
  RemoteCall& begin(const char* name) {
    RemoteCall& call = process->mainCall();
    call.beginCall(name);
    call.putSize(0);
    return call;
  }

  // Sends "Callbacks" (or "Reports" when `callbackName` is null): the child
  // sends `count` calls on `key` before it replies; returns the (status,
  // value) pairs it saw, value -1 for reports.
  Pairs runCallbacks(uint64_t key, const char* callbackName, int32_t count) {
    RemoteCall& call = begin(callbackName ? "Callbacks" : "Reports");
    call.putSize(key);
    if (callbackName) call.putText(callbackName);
    call.putInt(count);
    EXPECT_TRUE(process->call());
    int32_t status = -1;
    uint64_t n = 0;
    EXPECT_TRUE(call.getInt(status) && call.getSize(n));
    EXPECT_EQ(status, 0);
    Pairs seen(n, {-1, -1});
    for (auto& [callbackStatus, value] : seen)
      if (!call.getInt(callbackStatus) || (callbackName && !call.getInt(value))) break;
    EXPECT_TRUE(call.ok());
    return seen;
  }

  bool cancel() {
    process->lockAsync();
    RemoteCall& call = process->asyncToCall();
    call.beginCall("qx_component_cancelExecution");
    call.putSize(0);
    call.putInt(0);
    const bool answered = process->callAsync();
    int32_t status = -1;
    call.getInt(status);
    process->unlockAsync();
    return answered && status == 0;
  }

  std::shared_ptr<std::atomic<int>> fills = std::make_shared<std::atomic<int>>(0);
  Process::Owned<> process;
};

TEST_F(ProcessTest, EchoCall_ReturnsEveryArgumentAndUnlinksTheNames) {
  EXPECT_EQ(fills->load(), 2); // once at construction, once at start
  EXPECT_TRUE(process->hasMonitor());
  EXPECT_EQ(remote_test::ownSharedObjects().size(), 9u); // 3 regions, 6 semaphores

  RemoteCall& call = begin("Echo");
  call.putText("h\xC3\xA9llo");
  call.putInt(-7);
  call.putSize(1ull << 40);
  call.putBool(true);
  ASSERT_TRUE(process->call());
  int32_t status = -1, number = 0;
  std::string text;
  uint64_t size = 0;
  bool flag = false;
  ASSERT_TRUE(call.getInt(status) && call.getText(text) && call.getInt(number) &&
              call.getSize(size) && call.getBool(flag));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text, "h\xC3\xA9llo");
  EXPECT_EQ(number, -7);
  EXPECT_EQ(size, 1ull << 40);
  EXPECT_TRUE(flag);
  // The child has opened everything once it answered.
  EXPECT_EQ(remote_test::ownSharedObjects(), std::vector<std::string>{});
}

TEST_F(ProcessTest, CallbacksOnMain_AreServedNestedOnTheCallingThread_ReportsOnTheProcessThread) {
  auto* callbacks = new TimesTen(process.get(), "NextRecord");
  auto* reports = new TimesTen(process.get(), "Report");
  process->registerHandler(0x5151, callbacks);
  process->registerHandler(8, reports);
  EXPECT_EQ(runCallbacks(0x5151, "NextRecord", 3), (Pairs{{0, 0}, {0, 10}, {0, 20}}));
  EXPECT_EQ(runCallbacks(8, nullptr, 3), (Pairs{{0, -1}, {0, -1}, {0, -1}}));
  ASSERT_EQ(callbacks->threads().size(), 3u);
  for (const auto& id : callbacks->threads()) EXPECT_EQ(id, std::this_thread::get_id());
  ASSERT_EQ(reports->threads().size(), 3u);
  for (const auto& id : reports->threads()) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(ProcessTest, CallbacksTheHandlersCannotServe_AreAnsweredWithTwoWhileTheCallGoesOn) {
  process->registerHandler(1, new TimesTen(process.get(), "NextRecord"));
  process->registerHandler(4, new TimesTen(process.get(), "NextRecord", 1));
  process->registerHandler(4, new TimesTen(process.get(), "NextRecord", 2)); // the first wins
  EXPECT_EQ(runCallbacks(99, "NextRecord", 2), (Pairs{{2, -1}, {2, -1}})); // unknown key
  EXPECT_EQ(runCallbacks(1, "GetPassword", 1), (Pairs{{2, -1}}));          // unknown name
  EXPECT_EQ(runCallbacks(4, "NextRecord", 1), (Pairs{{0, 1}}));
}

TEST_F(ProcessTest, CancelOnAsyncToRemote_IsAnsweredWhileAMainCallIsOutstanding) {
  auto canceller = std::async(std::launch::async, [this] {
    std::this_thread::sleep_for(50ms);
    return cancel();
  });
  RemoteCall& call = begin("WaitForCancel");
  ASSERT_TRUE(process->call());
  int32_t status = -1, cancels = 0;
  ASSERT_TRUE(call.getInt(status) && call.getInt(cancels));
  EXPECT_EQ(cancels, 1);
  ASSERT_EQ(canceller.wait_for(kGenerous), std::future_status::ready);
  EXPECT_TRUE(canceller.get());
}

TEST_F(ProcessTest, LargeMessagesBothWays_PassWhole) {
  RemoteCall& call = begin("Sink");
  call.putText(std::string(2000000, 'p'));
  ASSERT_TRUE(process->call());
  int32_t status = -1;
  uint64_t length = 0;
  ASSERT_TRUE(call.getInt(status) && call.getSize(length));
  EXPECT_EQ(length, 2000000u);

  begin("Source").putSize(2500000);
  ASSERT_TRUE(process->call());
  std::string back;
  ASSERT_TRUE(call.getInt(status) && call.getText(back));
  ASSERT_EQ(back.size(), 2500000u);
  EXPECT_EQ(back[4096], 'a' + 4096 % 26);
  EXPECT_EQ(back[1], 'x');
}

// One message may hold RemoteCall::kMaxMessageSize bytes: a batch of that
// size arrives whole and reads as a bulk fetch's reply; a message one byte
// longer is refused as soon as it is announced, the child is lost with its
// length in the ending, nothing is left behind and the host goes on.
TEST_F(ProcessTest, BatchOfTheLongestMessage_ArrivesWhole_OneByteMoreLosesTheChild) {
  constexpr uint64_t kLimit = RemoteCall::kMaxMessageSize;
  constexpr uint64_t kValues = 64;
  RemoteCall& call = begin("Values");
  call.putSize(kValues);
  call.putSize(kLimit);
  ASSERT_TRUE(process->call());
  int32_t status = -1, code = -1;
  uint64_t echoed = 0, fields = 0, records = 0;
  Remote::RemoteValueArray values;
  ASSERT_TRUE(call.getInt(status) && call.getSize(echoed) && call.getValues(values) &&
              call.getSize(fields) && call.getSize(records) && call.getInt(code));
  EXPECT_TRUE(call.atEnd());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(records, kValues);
  ASSERT_EQ(values.count(), kValues);
  uint64_t bytes = 0;
  for (size_t i = 0; i < kValues; ++i) {
    const size_t length = values.length(i);
    bytes += length;
    ASSERT_GT(length, 0u);
    const char letter = static_cast<char>('a' + i % 26);
    EXPECT_EQ(values.data(i)[0], letter) << i;
    EXPECT_EQ(values.data(i)[length - 1], letter) << i;
    EXPECT_EQ(values.data(i)[length], '\0') << i;
  }
  // "return", status, capacity, count, 9 bytes a value header, two counts, code.
  EXPECT_EQ(bytes, kLimit - (14 + 4 + 8 + 8 + 9 * kValues + 8 + 8 + 4));
  values.release();

  begin("Values").putSize(kValues);
  call.putSize(kLimit + 1);
  const auto started = Clock::now();
  EXPECT_FALSE(process->call());
  EXPECT_LT(Clock::now() - started, kGenerous);
  EXPECT_NE(process->ending().find("sent a message of 268435457 bytes, more than the 268435456"),
            std::string::npos)
      << process->ending();
  EXPECT_EQ(remote_test::ownSharedObjects(), std::vector<std::string>{});
  begin("Ping");
  EXPECT_FALSE(process->call());
  const long child = process->childProcessId();
  process->terminate();
  process.reset();
  EXPECT_FALSE(remote_test::processExists(child));

  startProcess();
  begin("Ping");
  EXPECT_TRUE(process->call());
}

// Each way of losing the child: the outstanding call fails within a while,
// later calls on every channel fail at once, and terminate returns promptly.
TEST_F(ProcessTest, LostChild_FailsTheOutstandingAndEveryLaterCall) {
  for (const char* how : {"Die", "BadCallback", "BadReport"}) {
    SCOPED_TRACE(how);
    if (!process) startProcess();
    begin(how);
    auto started = Clock::now();
    EXPECT_FALSE(process->call());
    EXPECT_LT(Clock::now() - started, kGenerous);
    begin("Ping");
    started = Clock::now();
    EXPECT_FALSE(process->call());
    EXPECT_LT(Clock::now() - started, 5s);
    process->lockAsync();
    process->asyncToCall().beginCall("qx_component_cancelExecution");
    EXPECT_FALSE(process->callAsync()); // the cancel channel is closed too
    process->unlockAsync();
    EXPECT_EQ(remote_test::ownSharedObjects(), std::vector<std::string>{});
    const long child = process->childProcessId();
    started = Clock::now();
    process->terminate();
    EXPECT_LT(Clock::now() - started, 10s); // about one polling round at most
    process.reset();
    EXPECT_FALSE(remote_test::processExists(child));
  }
}

TEST_F(ProcessTest, Terminate_EndsTheChildWhichIsReaped) {
  const long child = process->childProcessId();
  ASSERT_TRUE(remote_test::processExists(child));
  const auto started = Clock::now();
  process->terminate();
  EXPECT_LT(Clock::now() - started, 10s); // about one polling round at most
  EXPECT_FALSE(process->hasMonitor());
  begin("Ping");
  EXPECT_FALSE(process->call()); // fails at once: nothing is sent after "TERMINATE"
  process.reset();
  EXPECT_FALSE(remote_test::processExists(child));
}

class ProcessStartTest : public remote_test::RemoteFixture {};

TEST_F(ProcessStartTest, TwoProcesses_GetConsecutiveBaseNames) {
  auto fills = std::make_shared<std::atomic<int>>(0);
  const auto first = Process::create(REMOTE_TEST_CHILD, new CountingResource(fills));
  const auto second = Process::create(REMOTE_TEST_CHILD, new CountingResource(fills));
  const std::string prefix = remote_test::ownPrefix();
  ASSERT_EQ(first->baseName().rfind(prefix, 0), 0u);
  ASSERT_EQ(second->baseName().rfind(prefix, 0), 0u);
  const unsigned long n = std::stoul(first->baseName().substr(prefix.size()));
  EXPECT_EQ(second->baseName(), prefix + std::to_string(n + 1));
  if (::testing::UnitTest::GetInstance()->test_to_run_count() == 1) {
    EXPECT_EQ(n, 1u); // the first child of a host process gets 1
  }
  EXPECT_EQ(fills->load(), 2);
}

// Names someone else holds (here directories no region can be made over) are
// passed over for the next number, up to 64 numbers.
TEST_F(ProcessStartTest, TakenNames_MoveToTheNextNumber_SixtyFourAtMost) {
  const std::string prefix = remote_test::ownPrefix();
  const unsigned long n = std::stoul(Remote::nextBaseName().substr(prefix.size()));
  std::vector<std::filesystem::path> squatted;
  const auto squat = [&](unsigned long number, const char* suffix) {
    squatted.push_back("/dev/shm/" + prefix + std::to_string(number) + suffix);
    std::filesystem::create_directory(squatted.back());
  };
  squat(n + 1, ".main");
  squat(n + 2, "_async_toremote.fromremote");
  squat(n + 2, ".async_fromremote");
  squatted.push_back("/dev/shm/sem." + prefix + std::to_string(n + 3) + "_main.toremote");
  std::filesystem::create_directory(squatted.back());
  {
    const auto process = Process::create(REMOTE_TEST_CHILD, nullptr);
    EXPECT_EQ(process->baseName(), prefix + std::to_string(n + 4));
  }
  for (unsigned long number = n + 5; number < n + 5 + 64; ++number) squat(number, ".main");
  EXPECT_THROW(Process::create(REMOTE_TEST_CHILD, nullptr), Remote::RemoteException);
  for (const auto& path : squatted) std::filesystem::remove(path);
}

// Names of this user's hosts that no longer run go; those of live hosts stay.
TEST_F(ProcessStartTest, StaleNamesOfHostsThatAreGoneAreRemoved) {
  auto ended = quex::platform::ChildProcess::spawn("/bin/true", "");
  ASSERT_EQ(ended.waitForExit(10000), quex::platform::ChildProcess::WaitResult::Exited);
  const std::string gone = "tarn.quex." + std::to_string(ended.id()) + ".3";
  const std::string alive = "tarn.quex.1.3"; // process 1 always runs
  const std::vector<std::string> files = {gone + ".main", "sem." + gone + "_main.toremote",
                                          alive + ".main", "sem." + alive + "_main.toremote"};
  for (const std::string& file : files) std::ofstream("/dev/shm/" + file) << "x";
  Remote::removeStaleNames();
  std::vector<bool> left;
  for (const std::string& file : files) left.push_back(std::filesystem::exists("/dev/shm/" + file));
  EXPECT_EQ(left, (std::vector<bool>{false, false, true, true}));
  for (const std::string& file : files) std::filesystem::remove("/dev/shm/" + file);
}

TEST_F(ProcessStartTest, MissingChildProgram_ThrowsCreateProcessFailedAndMakesNoMonitor) {
  const auto process = Process::create("/nonexistent/quex-child", nullptr);
  const auto error = remote_test::thrown([&] { process->start(); });
  EXPECT_EQ(error.message, "Create Process Failed");
  EXPECT_EQ(error.detail, "No such file or directory");
  EXPECT_FALSE(process->hasMonitor());
  EXPECT_EQ(process->childProcessId(), -1);
}

// What the last ReportingProcess's run() found in its member as it left.
std::string seenOnLeaving;

// A derived kind whose run() says what it found; its member is written only
// after the base part is built, and slowly, so a thread started by the base
// constructor would enter the base's run() or read the member half-made. As
// it leaves, run() reads the member again: a thread still running while the
// derived part is destroyed would read it freed.
class ReportingProcess : public Process {
public:
  ReportingProcess(Construction token, const char* childProgram, ChildResource* resource)
      : Process(token, childProgram, resource), state_(slowlyMade()) {}
  void run() override {
    entered_.set_value(state_);
    Process::run();
    seenOnLeaving = state_;
  }
  std::future<std::string>& entered() { return enteredFuture_; }

private:
  static std::string slowlyMade() {
    std::this_thread::sleep_for(100ms);
    return "complete, longer than a short string";
  }
  std::promise<std::string> entered_;
  std::future<std::string> enteredFuture_ = entered_.get_future();
  std::string state_;
};

TEST_F(ProcessStartTest, DerivedProcess_OwnThreadRunsTheDerivedRunOnTheWholeObject) {
  seenOnLeaving.clear();
  auto process = Process::create<ReportingProcess>(REMOTE_TEST_CHILD, nullptr);
  // The derived run() serves the child's asynchronous calls as the base's does.
  auto* reports = new TimesTen(process.get(), "Report");
  process->registerHandler(8, reports);
  process->start();
  ASSERT_EQ(process->entered().wait_for(kGenerous), std::future_status::ready);
  EXPECT_EQ(process->entered().get(), "complete, longer than a short string");
  RemoteCall& call = process->mainCall();
  call.beginCall("Reports");
  call.putSize(0);
  call.putSize(8);
  call.putInt(2);
  ASSERT_TRUE(process->call());
  EXPECT_EQ(reports->threads().size(), 2u);
  process.reset(); // no terminate first: the own thread is still serving
  EXPECT_EQ(remote_test::ownSharedObjects(), std::vector<std::string>{});
  EXPECT_EQ(seenOnLeaving, "complete, longer than a short string");
}

TEST_F(ProcessStartTest, ProcessDestroyedWithoutTerminate_KillsItsChild) {
  long child = -1;
  {
    const auto process = Process::create(REMOTE_TEST_CHILD, nullptr);
    process->start();
    child = process->childProcessId();
    ASSERT_TRUE(remote_test::processExists(child));
  }
  EXPECT_FALSE(remote_test::processExists(child));
}

} // namespace
