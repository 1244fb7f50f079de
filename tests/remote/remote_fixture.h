// What every remote test checks around itself: the names of this test
// process's objects in /dev/shm, its threads and its children.
#ifndef QUEX_TESTS_REMOTE_REMOTE_FIXTURE_H
#define QUEX_TESTS_REMOTE_REMOTE_FIXTURE_H

#include "platform/child_process.h"
#include <quex/remote/RemoteException.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace remote_test {

// Every object of this process carries its process id in its name, so runs of
// other test processes never meet ours.
inline std::string ownPrefix() {
  return "tarn.quex." + std::to_string(quex::platform::currentProcessId()) + ".";
}

inline std::vector<std::string> ownSharedObjects() {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm")) {
    const std::string name = entry.path().filename().string();
    if (name.find(ownPrefix()) != std::string::npos) found.push_back(name);
  }
  return found;
}

inline size_t threadCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
    ++count;
  return count;
}

inline bool processExists(long id) {
  return id > 0 && std::filesystem::exists("/proc/" + std::to_string(id));
}

// Threads end a moment after they were joined in the kernel's view, so a
// baseline may still hold a thread that is on its way out: a test leaks a
// thread when the count stays above the baseline, not when it falls below.
inline size_t threadCountSettledAtMost(size_t limit) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  size_t count = threadCount();
  while (count > limit && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    count = threadCount();
  }
  return count;
}

// What `action` threw; "none" as message when it threw nothing.
template <typename Action>
Remote::RemoteException thrown(Action&& action) {
  try {
    action();
  } catch (const Remote::RemoteException& error) {
    return error;
  }
  return {"none", ""};
}

class RemoteFixture : public ::testing::Test {
protected:
  void SetUp() override {
    for (const std::string& name : ownSharedObjects())
      std::filesystem::remove("/dev/shm/" + name); // left by an earlier run with our pid
    // Thread sanitizer starts a thread of its own with the first thread made.
    std::thread([] {}).join();
    threadsBefore_ = threadCount();
  }
  void TearDown() override {
    EXPECT_EQ(ownSharedObjects(), std::vector<std::string>{});
    EXPECT_LE(threadCountSettledAtMost(threadsBefore_), threadsBefore_);
  }

private:
  size_t threadsBefore_ = 0;
};

} // namespace remote_test

#endif // QUEX_TESTS_REMOTE_REMOTE_FIXTURE_H
