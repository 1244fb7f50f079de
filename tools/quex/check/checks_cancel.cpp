// Cancellation: cancelExecution from another thread ends a running
// execution within --cancel-ms, in process and in quex-child.
#include "check.h"
#include "library_exports.h"
#include "probe.h"

#include "module_session.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <thread>

namespace quex::check {

namespace {

using Clock = std::chrono::steady_clock;

// The reading side of the run, on a thread of its own. Reads one record,
// waits until the cancel was sent, then reads on until the run ends.
struct Reader {
  std::mutex mutex;
  std::condition_variable changed;
  bool firstRead = false, cancelSent = false, ended = false;
  QXStatus endStatus = QX_OK;
  std::string why;
  size_t recordsAfterCancel = 0;
  Clock::time_point endedAt;

  void run(Component& component) {
    Record record;
    QXStatus status = QX_OK;
    bool readable = component.readRecord(record, status, why);
    {
      std::unique_lock<std::mutex> lock(mutex);
      firstRead = true;
      changed.notify_all();
      if (readable && status == QX_OK) changed.wait(lock, [&] { return cancelSent; });
    }
    while (readable && status == QX_OK) {
      readable = component.readRecord(record, status, why);
      if (readable && status == QX_OK) ++recordsAfterCancel;
    }
    std::lock_guard<std::mutex> lock(mutex);
    ended = true;
    endStatus = readable ? status : QX_OK;
    endedAt = Clock::now();
    changed.notify_all();
  }
};

// Everything the reading thread uses. Shared with that thread: when the
// module never returns from a call, the detached reader keeps it alive.
struct CancelRun {
  CancelRun(const CheckOptions& options, bool inChild)
      : probe(options, inChild), component(probe) {}
  Probe probe;
  Component component;
  Reader reader;
};

bool exportsCancel(const std::string& module) {
  std::vector<std::string> names;
  std::string ignored;
  if (!readExports(tool::resolveModulePath(module) + ".dll", names, ignored)) return false;
  for (const std::string& name : names)
    if (name == "qx_component_cancelExecution" || name == "tarnext_peer_cancelExecution")
      return true;
  return false;
}

// One mode; a pass tells how the run ended.
Verdict cancelRun(const CheckOptions& options, bool inChild) {
  const char* mode = inChild ? "in quex-child: " : "in process: ";
  const auto run = std::make_shared<CancelRun>(options, inChild);
  Probe* probe = &run->probe;
  Component* component = &run->component;
  Reader* reader = &run->reader;
  std::string why;
  const bool started = probe->start(why);
  if (!started || !component->prepare(why, true))
    return started ? Verdict::fail(mode + why) : Verdict::skip(mode + why);
  std::thread thread([run] { run->reader.run(run->component); });
  std::unique_lock<std::mutex> lock(reader->mutex);
  reader->changed.wait(lock, [&] { return reader->firstRead; });
  Verdict result;
  if (reader->ended) {
    result = Verdict::pass(std::string(mode) + "the run gave no record to cancel");
  } else {
    int errorCode = 0;
    lock.unlock();
    QXStatus status = probe->call("qx_component_cancelExecution", [&] {
      return probe->wrapper().qx_component_cancelExecution(component->handle(), &errorCode);
    });
    const Clock::time_point sent = Clock::now();
    lock.lock();
    reader->cancelSent = true;
    reader->changed.notify_all();
    if (status != QX_OK) {
      reader->changed.wait(lock, [&] { return reader->ended; });
      result = Verdict::fail(mode + probe->describe("qx_component_cancelExecution", status, errorCode));
    } else if (!reader->changed.wait_until(lock, sent + std::chrono::milliseconds(options.cancelMs),
                                           [&] { return reader->ended; })) {
      std::string why = std::string(mode) + "the run still went on " +
                        std::to_string(options.cancelMs) + " ms after qx_component_cancelExecution (" +
                        std::to_string(reader->recordsAfterCancel) + " records since)";
      const char* stuck = callInFlight.load();
      if (stuck != nullptr) why += std::string("; stuck in ") + stuck;
      lock.unlock();
      thread.detach();
      return Verdict::fail(why);
    } else if (!reader->why.empty()) {
      result = Verdict::fail(mode + reader->why);
    } else if (reader->endStatus != QX_ERR_INTERRUPTED) {
      result = Verdict::fail(std::string(mode) + "after qx_component_cancelExecution the run ended with " +
                             statusText(reader->endStatus) + ", not QX_ERR_INTERRUPTED (12)");
    } else {
      const auto took =
          std::chrono::duration_cast<std::chrono::milliseconds>(reader->endedAt - sent).count();
      result = Verdict::pass(std::string(mode) + "ended with " + statusText(reader->endStatus) +
                             " after " + std::to_string(took) + " ms");
    }
  }
  if (!reader->ended) reader->changed.wait(lock, [&] { return reader->ended; });
  lock.unlock();
  thread.join();
  return result;
}

Verdict cancelEndsRun(const CheckOptions& options) {
  if (!exportsCancel(options.documents.module))
    return Verdict::skip("the module has no cancelExecution entry");
  Verdict inProcess = cancelRun(options, false);
  if (inProcess.outcome != Outcome::Passed) return inProcess;
  Verdict inChild = cancelRun(options, true);
  if (inChild.outcome == Outcome::Skipped) return Verdict::fail(inChild.reason);
  if (inChild.outcome != Outcome::Passed) return inChild;
  return Verdict::pass(inProcess.reason + "; " + inChild.reason);
}

} // namespace

std::vector<Check> cancelChecks() {
  return {
      {"cancel.ends-run",
       "cancelExecution from another thread ends the run within --cancel-ms, in both modes",
       Severity::Error, cancelEndsRun},
  };
}

} // namespace quex::check
