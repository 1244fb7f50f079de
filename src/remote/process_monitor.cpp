#include "process_monitor.h"

#include "process.h"
#include "runnable_thread.h"

#include "../common/trace.h"

#include <algorithm>
#include <string>

namespace Remote {

ProcessMonitor::~ProcessMonitor() { stop(); }

void ProcessMonitor::start() { thread_ = startThread(*this); }

void ProcessMonitor::run() {
  using quex::platform::ChildProcess;
  while (!stopped()) {
    const ChildProcess::WaitResult result = child_.waitForExit(nextWakeUp());
    if (stopped()) break;
    if (result != ChildProcess::WaitResult::TimedOut) {
      noteEnding(); // before the host's waiting call learns of the loss
      process_.childLost();
      stop();
    } else {
      enforceDeadline();
    }
  }
}

// Without a deadline the monitor only needs to notice a death, which wakes
// it anyway. With one it wakes when the silence of a waiting host would
// reach the deadline; while the host waits for nothing, a call can begin at
// any moment, and waking once per deadline finds it in time.
int ProcessMonitor::nextWakeUp() const {
  const CallWatch& watch = process_.watch();
  const std::chrono::milliseconds deadline = watch.deadline();
  if (deadline.count() == 0) return kPollMilliseconds;
  if (!watch.waiting())
    return static_cast<int>(std::min<long long>(deadline.count(), kPollMilliseconds));
  const auto remaining = deadline - watch.silence(CallWatch::Clock::now());
  return static_cast<int>(std::clamp<long long>(remaining.count() + 1, 1, kPollMilliseconds));
}

void ProcessMonitor::enforceDeadline() {
  const CallWatch& watch = process_.watch();
  const std::chrono::milliseconds deadline = watch.deadline();
  if (deadline.count() == 0 || !watch.waiting() || process_.killer() != Process::Killer::None)
    return;
  const std::chrono::milliseconds silence = watch.silence(CallWatch::Clock::now());
  if (silence < deadline) return;
  killSilence_ = silence;
  if (quex::detail::currentTraceLevel() >= 1) { // before the waiting call learns of the kill
    const char* call = watch.hostCall();
    quex::detail::writeTraceLine("child process " + std::to_string(child_.id()) +
                                 " sent nothing for " + std::to_string(silence.count()) +
                                 " ms during " + (call != nullptr ? call : "a call") + "; killed");
  }
  process_.kill(Process::Killer::Deadline);
}

void ProcessMonitor::noteEnding() const {
  const auto ending = child_.ending();
  const CallWatch& watch = process_.watch();
  const Process::Killer killer = process_.killer();
  std::string text = "child process " + std::to_string(child_.id());
  if (killer == Process::Killer::Deadline) {
    text += " was killed after sending nothing for " + std::to_string(killSilence_.count()) + " ms";
  } else if (killer == Process::Killer::Host) {
    text += " was killed by the host";
  } else if (!ending) {
    text += " ended";
  } else if (ending->bySignal) {
    text += " ended by signal " + quex::platform::signalName(ending->number) + " (" +
            std::to_string(ending->number) + ")";
  } else {
    text += " ended with exit code " + std::to_string(ending->number);
  }
  const char* call = watch.hostCall();
  text += watch.inCall() && call != nullptr ? std::string(" during ") + call : " between calls";
  // The records the child kept in the batch it was reading are handed out
  // before the call fails.
  const uint64_t records = process_.delivered() + process_.keptRecords();
  text += ", after " + std::to_string(records) + (records == 1 ? " record" : " records") +
          " delivered";
  // A deadline's kill has its own line already.
  if (killer != Process::Killer::Deadline && quex::detail::currentTraceLevel() >= 1)
    quex::detail::writeTraceLine(text);
  process_.setEnding(std::move(text));
}

void ProcessMonitor::join() { joinThread(thread_); }

} // namespace Remote
