#include "interrupt_watch.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace quex::tool {

namespace {

// Counted by the handler; a lock-free atomic is safe to touch there.
std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int) { interrupts.fetch_add(1, std::memory_order_relaxed); }

constexpr std::chrono::milliseconds kLookInterval{20};

} // namespace

InterruptWatch::InterruptWatch(ExtensionWrapper& wrapper, bool inChild, std::ostream& err)
    : wrapper_(wrapper), inChild_(inChild), err_(err) {
  interrupts.store(0);
  std::signal(SIGINT, onInterrupt);
  watcher_ = std::thread([this] { watch(); });
}

InterruptWatch::~InterruptWatch() {
  std::signal(SIGINT, SIG_DFL);
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  wake_.notify_one();
  watcher_.join();
  if (canceller_.joinable()) canceller_.join();
}

void InterruptWatch::executing(CsvInput* input) {
  input_.store(input);
  executing_.store(true);
}

bool InterruptWatch::interrupted() const { return interrupts.load() > 0; }

std::string InterruptWatch::killReason() const {
  std::lock_guard<std::mutex> guard(lock_);
  return killReason_;
}

void InterruptWatch::watch() {
  std::unique_lock<std::mutex> guard(lock_);
  while (!wake_.wait_for(guard, kLookInterval, [this] { return stopping_; })) {
    const int count = interrupts.load();
    if (count == 0 || !killReason_.empty()) continue;
    if (!cancelStarted_ && !executing_.load()) { // nothing to cancel
      guard.unlock();
      endRun("Ctrl-C");
      guard.lock();
      continue;
    }
    if (!cancelStarted_) {
      guard.unlock();
      startCancel();
      guard.lock();
    }
    const bool late = std::chrono::steady_clock::now() - firstInterrupt_ >= kGrace;
    if (count >= 2 || late) {
      guard.unlock();
      endRun(count >= 2 ? "a second Ctrl-C" : "the module did not stop within 5 s of Ctrl-C");
      guard.lock();
    }
  }
}

void InterruptWatch::startCancel() {
  std::lock_guard<std::mutex> guard(lock_);
  if (cancelStarted_) return;
  cancelStarted_ = true;
  firstInterrupt_ = std::chrono::steady_clock::now();
  if (CsvInput* input = input_.load()) input->endInput();
  void* component = component_.load();
  // On a thread of its own: a module may never return from its cancel
  // either, and the watch must stay free to end the run.
  canceller_ = std::thread([this, component] {
    int errorCode = 0;
    const QXStatus status = wrapper_.qx_component_cancelExecution(component, &errorCode);
    std::lock_guard<std::mutex> done(lock_);
    cancelStatus_ = status;
    cancelErrorCode_ = errorCode;
  });
}

QXStatus InterruptWatch::finishCancel(int* errorCode) {
  if (!interrupted()) return QX_OK;
  startCancel();
  std::thread canceller;
  {
    std::lock_guard<std::mutex> guard(lock_);
    canceller = std::move(canceller_);
  }
  if (canceller.joinable()) canceller.join();
  std::lock_guard<std::mutex> guard(lock_);
  *errorCode = cancelErrorCode_;
  return cancelStatus_;
}

void InterruptWatch::endRun(const char* reason) {
  void* component = component_.load();
  if (inChild_ && component != nullptr) {
    {
      // Told before the kill: the call it ends must find the reason.
      std::lock_guard<std::mutex> guard(lock_);
      killReason_ = reason;
    }
    if (wrapper_.killChild(component) == QX_OK) return;
    std::lock_guard<std::mutex> guard(lock_);
    killReason_.clear();
  }
  // Nothing can make the module return: leave at once, with what was written.
  // A child not yet running a component notices its host is gone and ends.
  err_ << "quex: " << reason
       << (inChild_ ? ": exiting at once\n"
                    : " while the module runs in quex's own process: exiting at once\n");
  err_.flush();
  std::fflush(stdout);
  std::_Exit(130);
}

} // namespace quex::tool
