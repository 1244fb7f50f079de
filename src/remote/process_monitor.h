// Watches one child process and closes its channels the moment it ends, so
// that no thread of the host waits for a child that is gone.
#ifndef QUEX_SRC_REMOTE_PROCESS_MONITOR_H
#define QUEX_SRC_REMOTE_PROCESS_MONITOR_H

#include "call_handler.h"

#include "../platform/child_process.h"
#include "../platform/thread.h"

#include <atomic>
#include <chrono>

namespace Remote {

class Process;

class ProcessMonitor : public Runnable {
public:
  static constexpr int kPollMilliseconds = 1000;

  ProcessMonitor(Process& process, quex::platform::ChildProcess& child)
      : process_(process), child_(child) {}
  ~ProcessMonitor() override;

  void start();
  void run() override;
  // Ends the watch within one polling round; join() waits for that.
  void stop() noexcept { stop_.store(true, std::memory_order_release); }
  bool stopped() const noexcept { return stop_.load(std::memory_order_acquire); }
  void join();

private:
  // How long to wait for the child's death before looking at the deadline.
  int nextWakeUp() const;
  // Kills the child when the host has waited for it, hearing nothing, for
  // the deadline.
  void enforceDeadline();
  // Tells the process how its child ended (signal or exit code, or who
  // killed it), during which call and after how many records; the same line
  // goes to the trace at level 1.
  void noteEnding() const;

  Process& process_;
  quex::platform::ChildProcess& child_;
  std::atomic<bool> stop_{false};
  std::chrono::milliseconds killSilence_{0}; // the silence a deadline's kill ended
  quex::platform::Thread thread_; // last: joined before the rest goes
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_PROCESS_MONITOR_H
