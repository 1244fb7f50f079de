#include "process_monitor.h"

#include "process.h"
#include "runnable_thread.h"

namespace Remote {

ProcessMonitor::~ProcessMonitor() { stop(); }

void ProcessMonitor::start() { thread_ = startThread(*this); }

void ProcessMonitor::run() {
  using quex::platform::ChildProcess;
  while (!stopped()) {
    const ChildProcess::WaitResult result = child_.waitForExit(kPollMilliseconds);
    if (result != ChildProcess::WaitResult::TimedOut && !stopped()) {
      process_.childLost();
      stop();
    }
  }
}

void ProcessMonitor::join() { joinThread(thread_); }

} // namespace Remote
