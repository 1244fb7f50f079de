// Ctrl-C during quex run. The first asks the module to cancel its execution;
// a second one, or the module not ending within 5 s of the first, ends the
// run: a child process is killed (the calls waiting for it return at once),
// and a module in quex's own process, which nothing else can stop, makes
// quex exit at once with 130. Before the execution there is nothing to
// cancel, and the first Ctrl-C ends the run the same way. A thread of its own
// watches, so a module that never returns cannot hold Ctrl-C up.
#ifndef QUEX_TOOLS_QUEX_INTERRUPT_WATCH_H
#define QUEX_TOOLS_QUEX_INTERRUPT_WATCH_H

#include "host_services.h"

#include <quex/quex.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace quex::tool {

class InterruptWatch {
public:
  static constexpr std::chrono::seconds kGrace{5};

  // Installs the Ctrl-C handler and starts watching.
  InterruptWatch(ExtensionWrapper& wrapper, bool inChild, std::ostream& err);
  // Restores the default Ctrl-C, stops watching, and waits for a cancel
  // still under way.
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  // The component exists; from now on a child can be killed.
  void created(void* component) { component_.store(component); }
  // The execution reads `input` and can be cancelled from now on.
  void executing(CsvInput* input);
  // The execution is over: nothing more to cancel.
  void executed() { executing_.store(false); }

  bool interrupted() const;
  // Cancels the execution unless that was done, and waits for the module's
  // answer; QX_OK when there was no Ctrl-C.
  QXStatus finishCancel(int* errorCode);
  // Why the child was killed ("a second Ctrl-C", ...); empty if it was not.
  std::string killReason() const;

private:
  void watch();
  void startCancel();
  // Ends the run: kills the child, or exits the process.
  void endRun(const char* reason);

  ExtensionWrapper& wrapper_;
  const bool inChild_;
  std::ostream& err_;
  std::atomic<void*> component_{nullptr};
  std::atomic<bool> executing_{false};
  std::atomic<CsvInput*> input_{nullptr};

  mutable std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool cancelStarted_ = false;
  std::chrono::steady_clock::time_point firstInterrupt_;
  std::string killReason_;
  QXStatus cancelStatus_ = QX_OK;
  int cancelErrorCode_ = 0;
  std::thread canceller_;
  std::thread watcher_; // last: starts once everything else exists
};

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_INTERRUPT_WATCH_H
