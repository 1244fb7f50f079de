#include "remote_fixture.h"

#include "remote/process.h"
#include <quex/remote/RemoteException.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

// Answers `known` calls with status 0 and ten times their int; records the
// threads it ran on.
class TimesTen : public Remote::CallHandler {
public:
  TimesTen(Process* process, std::string known, int32_t offset = 0)
      : CallHandler(process), known_(std::move(known)), offset_(offset) {}
  bool handle(const std::string& name, RemoteCall& call) override {
    if (name != known_) return false;
    int32_t value = 0;
    if (!call.getInt(value)) return false;
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
  std::unique_ptr<Process> makeProcess(const char* program = REMOTE_TEST_CHILD) {
    return std::make_unique<Process>(program, new CountingResource(fills));
  }
  void SetUp() override {
    RemoteFixture::SetUp();
    process = makeProcess();
    process->start();
  }
  void TearDown() override {
    const long child = process ? process->childProcessId() : -1;
    if (process) process->terminate();
    process.reset();
    EXPECT_FALSE(remote_test::processExists(child)) << "child " << child << " left behind";
    RemoteFixture::TearDown();
  }

  // Sends "Callbacks": the child calls `callbackName` on `key` `count` times
  // before it replies; returns the (status, value) pairs it saw.
  std::vector<std::pair<int32_t, int32_t>> runCallbacks(uint64_t key, const char* callbackName,
                                                        int32_t count) {
    RemoteCall& call = process->mainCall();
    call.beginCall("Callbacks");
    call.putSize(0);
    call.putSize(key);
    call.putText(callbackName);
    call.putInt(count);
    EXPECT_TRUE(process->call());
    int32_t status = -1;
    uint64_t n = 0;
    EXPECT_TRUE(call.getInt(status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(call.getSize(n));
    std::vector<std::pair<int32_t, int32_t>> seen(n);
    for (auto& [callbackStatus, value] : seen) {
      call.getInt(callbackStatus);
      call.getInt(value);
    }
    EXPECT_TRUE(call.ok());
    return seen;
  }

  std::shared_ptr<std::atomic<int>> fills = std::make_shared<std::atomic<int>>(0);
  std::unique_ptr<Process> process;
};

TEST_F(ProcessTest, EchoCall_ReturnsEveryArgumentAndUnlinksTheNames) {
  EXPECT_EQ(fills->load(), 2); // once at construction, once at start
  EXPECT_TRUE(process->hasMonitor());
  EXPECT_EQ(remote_test::ownSharedObjects().size(), 9u); // 3 regions, 6 semaphores

  RemoteCall& call = process->mainCall();
  call.beginCall("Echo");
  call.putSize(0);
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

TEST_F(ProcessTest, CallbacksOnMain_AreServedNestedOnTheCallingThread) {
  auto* handler = new TimesTen(process.get(), "NextRecord");
  process->registerHandler(0x5151, handler);
  const auto seen = runCallbacks(0x5151, "NextRecord", 3);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {0, 10}, {0, 20}}));
  const auto threads = handler->threads();
  ASSERT_EQ(threads.size(), 3u);
  for (const auto& id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(ProcessTest, CallbackForAnUnknownKey_IsAnsweredWithTwoWhileTheCallGoesOn) {
  process->registerHandler(1, new TimesTen(process.get(), "NextRecord"));
  const auto seen = runCallbacks(99, "NextRecord", 2);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{2, -1}, {2, -1}}));
}

TEST_F(ProcessTest, CallbackWithANameItsHandlerDoesNotKnow_IsAnsweredWithTwo) {
  process->registerHandler(1, new TimesTen(process.get(), "NextRecord"));
  const auto seen = runCallbacks(1, "GetPassword", 1);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{2, -1}}));
}

TEST_F(ProcessTest, KeyRegisteredTwice_TheFirstHandlerWins) {
  process->registerHandler(4, new TimesTen(process.get(), "NextRecord", 1));
  process->registerHandler(4, new TimesTen(process.get(), "NextRecord", 2));
  const auto seen = runCallbacks(4, "NextRecord", 1);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{0, 1}}));
}

TEST_F(ProcessTest, AsyncReports_AreServedOnTheProcessThread) {
  auto* handler = new TimesTen(process.get(), "Report");
  process->registerHandler(8, handler);
  RemoteCall& call = process->mainCall();
  call.beginCall("Reports");
  call.putSize(0);
  call.putSize(8);
  call.putInt(3);
  ASSERT_TRUE(process->call());
  int32_t status = -1;
  uint64_t count = 0;
  ASSERT_TRUE(call.getInt(status) && call.getSize(count));
  ASSERT_EQ(count, 3u);
  for (int i = 0; i < 3; ++i) {
    int32_t reportStatus = -1;
    ASSERT_TRUE(call.getInt(reportStatus));
    EXPECT_EQ(reportStatus, 0);
  }
  const auto threads = handler->threads();
  ASSERT_EQ(threads.size(), 3u);
  for (const auto& id : threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(ProcessTest, CancelOnAsyncToRemote_IsAnsweredWhileAMainCallIsOutstanding) {
  auto canceller = std::async(std::launch::async, [this] {
    std::this_thread::sleep_for(50ms);
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
  });
  RemoteCall& call = process->mainCall();
  call.beginCall("WaitForCancel");
  call.putSize(0);
  ASSERT_TRUE(process->call());
  int32_t status = -1, cancels = 0;
  ASSERT_TRUE(call.getInt(status) && call.getInt(cancels));
  EXPECT_EQ(cancels, 1);
  ASSERT_EQ(canceller.wait_for(kGenerous), std::future_status::ready);
  EXPECT_TRUE(canceller.get());
}

TEST_F(ProcessTest, LargeMessagesBothWays_PassWholeAndGrowTheBuffer) {
  RemoteCall& call = process->mainCall();
  const std::string payload(2000000, 'p');
  call.beginCall("Sink");
  call.putSize(0);
  call.putText(payload);
  ASSERT_TRUE(process->call());
  int32_t status = -1;
  uint64_t length = 0;
  ASSERT_TRUE(call.getInt(status) && call.getSize(length));
  EXPECT_EQ(length, payload.size());

  call.beginCall("Source");
  call.putSize(0);
  call.putSize(2500000);
  ASSERT_TRUE(process->call());
  std::string back;
  ASSERT_TRUE(call.getInt(status) && call.getText(back));
  ASSERT_EQ(back.size(), 2500000u);
  EXPECT_EQ(back[4096], 'a' + 4096 % 26);
  EXPECT_EQ(back[1], 'x');
}

TEST_F(ProcessTest, ChildKilledMidCall_CallReturnsFalseWithinAboutASecond) {
  RemoteCall& call = process->mainCall();
  call.beginCall("Die");
  call.putSize(0);
  const auto started = Clock::now();
  EXPECT_FALSE(process->call());
  EXPECT_LT(Clock::now() - started, kGenerous);
  // Later calls fail at once.
  call.beginCall("Ping");
  call.putSize(0);
  const auto again = Clock::now();
  EXPECT_FALSE(process->call());
  EXPECT_LT(Clock::now() - again, 5s);
  EXPECT_EQ(remote_test::ownSharedObjects(), std::vector<std::string>{});
}

TEST_F(ProcessTest, TerminateAfterTheChildDied_ReturnsWithoutAReplyAndEndsTheThread) {
  RemoteCall& call = process->mainCall();
  call.beginCall("Die");
  call.putSize(0);
  EXPECT_FALSE(process->call());
  const auto started = Clock::now();
  process->terminate();
  EXPECT_LT(Clock::now() - started, 10s); // about one polling round at most
  // TearDown terminates again, checks the threads, the names and the child.
}

TEST_F(ProcessTest, CallbackWithoutAKey_BreaksTheProtocolAndLosesTheChild) {
  RemoteCall& call = process->mainCall();
  call.beginCall("BadCallback");
  call.putSize(0);
  EXPECT_FALSE(process->call());
  call.beginCall("Ping");
  call.putSize(0);
  EXPECT_FALSE(process->call());
  process->lockAsync();
  process->asyncToCall().beginCall("qx_component_cancelExecution");
  EXPECT_FALSE(process->callAsync()); // the cancel channel is closed too
  process->unlockAsync();
}

TEST_F(ProcessTest, AsyncCallWithoutAKey_LosesTheChildAndEndsTheOutstandingCall) {
  RemoteCall& call = process->mainCall();
  call.beginCall("BadReport");
  call.putSize(0);
  const auto started = Clock::now();
  EXPECT_FALSE(process->call()); // "main" was closed by the thread that saw the violation
  EXPECT_LT(Clock::now() - started, kGenerous);
}

TEST_F(ProcessTest, Terminate_EndsTheChildWhichIsReaped) {
  const long child = process->childProcessId();
  ASSERT_TRUE(remote_test::processExists(child));
  const auto started = Clock::now();
  process->terminate();
  EXPECT_LT(Clock::now() - started, 10s); // about one polling round at most
  EXPECT_FALSE(process->hasMonitor());
  RemoteCall& call = process->mainCall();
  call.beginCall("Ping");
  call.putSize(0);
  EXPECT_FALSE(process->call()); // fails at once: nothing is sent after "TERMINATE"
  process.reset();
  EXPECT_FALSE(remote_test::processExists(child));
}

class ProcessStartTest : public remote_test::RemoteFixture {};

TEST_F(ProcessStartTest, TwoProcesses_GetConsecutiveBaseNames) {
  auto fills = std::make_shared<std::atomic<int>>(0);
  Process first(REMOTE_TEST_CHILD, new CountingResource(fills));
  Process second(REMOTE_TEST_CHILD, new CountingResource(fills));
  const std::string prefix = remote_test::ownPrefix();
  ASSERT_EQ(first.baseName().rfind(prefix, 0), 0u);
  ASSERT_EQ(second.baseName().rfind(prefix, 0), 0u);
  const unsigned long n = std::stoul(first.baseName().substr(prefix.size()));
  EXPECT_EQ(second.baseName(), prefix + std::to_string(n + 1));
  if (::testing::UnitTest::GetInstance()->test_to_run_count() == 1) {
    EXPECT_EQ(n, 1u); // the first child of a host process gets 1
  }
  EXPECT_EQ(fills->load(), 2);
}

TEST_F(ProcessStartTest, MissingChildProgram_ThrowsCreateProcessFailedAndMakesNoMonitor) {
  Process process("/nonexistent/quex-child", nullptr);
  try {
    process.start();
    FAIL() << "expected RemoteException";
  } catch (const Remote::RemoteException& error) {
    EXPECT_EQ(error.message, "Create Process Failed");
    EXPECT_EQ(error.detail, "No such file or directory");
  }
  EXPECT_FALSE(process.hasMonitor());
  EXPECT_EQ(process.childProcessId(), -1);
}

TEST_F(ProcessStartTest, ProcessDestroyedWithoutTerminate_KillsItsChild) {
  long child = -1;
  {
    Process process(REMOTE_TEST_CHILD, nullptr);
    process.start();
    child = process.childProcessId();
    ASSERT_TRUE(remote_test::processExists(child));
  }
  EXPECT_FALSE(remote_test::processExists(child));
}

} // namespace
