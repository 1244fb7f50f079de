#include "process_monitor.h"

#include "process.h"
#include "runnable_thread.h"

#include "../common/trace.h"

#include <string>

namespace Remote {

ProcessMonitor::~ProcessMonitor() { stop(); }

void ProcessMonitor::start() { thread_ = startThread(*this); }

void ProcessMonitor::run() {
  using quex::platform::ChildProcess;
  while (!stopped()) {
    const ChildProcess::WaitResult result = child_.waitForExit(kPollMilliseconds);
    if (result != ChildProcess::WaitResult::TimedOut && !stopped()) {
      traceEnding(); // before the host's waiting call learns of the loss
      process_.childLost();
      stop();
    }
  }
}

void ProcessMonitor::traceEnding() const {
  if (quex::detail::currentTraceLevel() < 1) return;
  const auto ending = child_.ending();
  if (!ending) return;
  std::string line = "child process " + std::to_string(child_.id()) + " ended: ";
  line += ending->bySignal ? "signal " : "exit code ";
  line += std::to_string(ending->number);
  quex::detail::writeTraceLine(line);
}

void ProcessMonitor::join() { joinThread(thread_); }

} // namespace Remote
