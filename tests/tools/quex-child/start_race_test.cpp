// A host killed at any point of a child's start leaves neither a child nor a
// name behind: the child checks its host first and dies with it, removes the
// names once it has opened them, and the next host removes the names of
// hosts that are gone.
#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using quex::platform::ChildProcess;
using Clock = std::chrono::steady_clock;

// The host of every quex-child still running, told by its base name.
std::multiset<long> childHosts() {
  std::multiset<long> hosts;
  const std::string prefix = "tarn.quex.";
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream file(entry.path() / "cmdline");
    std::string program, argument;
    if (!std::getline(file, program, '\0') || !std::getline(file, argument, '\0')) continue;
    if (argument.rfind(prefix, 0) != 0) continue;
    hosts.insert(std::strtol(argument.c_str() + prefix.size(), nullptr, 10));
  }
  return hosts;
}

// How many of the names in /dev/shm belong to one of `hosts`.
size_t namesOf(const std::set<long>& hosts) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm")) {
    const std::string name = entry.path().filename().string();
    const size_t at = name.find("tarn.quex.");
    if (at != std::string::npos &&
        hosts.count(std::strtol(name.c_str() + at + 10, nullptr, 10)) != 0)
      ++count;
  }
  return count;
}

long long runToTheEnd() {
  const Clock::time_point start = Clock::now();
  ChildProcess host = ChildProcess::spawn(START_RACE_HOST, "");
  EXPECT_EQ(host.waitForExit(30000), ChildProcess::WaitResult::Exited);
  EXPECT_EQ(host.ending()->number, 0);
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

TEST(StartRace, HostsKilledDuringAStartLeaveNoChildAndNoName) {
  // Kills land anywhere from the host's start to the end of a whole start.
  const long long whole = runToTheEnd();
  constexpr int kRuns = 200;
  constexpr int kWorkers = 8; // they mostly wait
  std::mutex lock;
  std::set<long> killed;
  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker)
    workers.emplace_back([&, worker] {
      std::mt19937 random(static_cast<unsigned>(worker) * 7919u + 17u);
      std::uniform_int_distribution<long long> delay(0, whole);
      for (int run = 0; run < kRuns / kWorkers; ++run) {
        ChildProcess host = ChildProcess::spawn(START_RACE_HOST, "");
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        host.kill();
        host.waitForExit(10000);
        std::lock_guard<std::mutex> guard(lock);
        killed.insert(host.id());
      }
    });
  for (std::thread& worker : workers) worker.join();
  ASSERT_EQ(killed.size(), static_cast<size_t>(kRuns));

  runToTheEnd(); // a new host removes the names the killed ones left
  const auto orphans = [&] {
    const std::multiset<long> hosts = childHosts();
    return std::count_if(hosts.begin(), hosts.end(), [&](long h) { return killed.count(h) != 0; });
  };
  // A child ends with its host at once, or within its watch's 100 ms.
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(3);
  while (orphans() != 0 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(orphans(), 0);
  EXPECT_EQ(namesOf(killed), 0u);
}

} // namespace
