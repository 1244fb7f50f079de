#include "process.h"

#include "child_counter.h"
#include "protocol/kept_batch.h"
#include "protocol/names.h"
#include "protocol/served_call.h"
#include "runnable_thread.h"

#include "../common/trace.h"
#include "../platform/os_error.h"

#include <quex/remote/RemoteException.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace Remote {
namespace {

// How long a child that answered "TERMINATE" may take to exit by itself.
constexpr int kExitGraceMilliseconds = 2000;

// The resource is asked for its text once before the channels exist.
const std::string& afterFillingText(ChildResource* resource, const std::string& baseName) {
  if (resource != nullptr) {
    std::string text;
    resource->fillText(text);
  }
  return baseName;
}

} // namespace

Process::Process(Construction, const char* childProgram, ChildResource* resource)
    : resource_(resource), childProgram_(childProgram != nullptr ? childProgram : ""),
      baseName_(nextBaseName()),
      main_(afterFillingText(resource, baseName_), protocol::kMainChannel, kMainRegionSize),
      asyncFrom_(baseName_, protocol::kAsyncFromRemoteChannel, kAsyncRegionSize),
      asyncTo_(baseName_, protocol::kAsyncToRemoteChannel, kAsyncRegionSize) {
  main_.addListener(&mainCall_);
  // The records a child reads for the host are kept past the host's messages.
  main_.limitSentChunks(protocol::kKeptBatchOffset);
  asyncFrom_.addListener(&asyncFromCall_);
  asyncTo_.addListener(&asyncToCall_);
}

void Process::Deleter::operator()(Process* process) const noexcept {
  process->endOwnThread();
  delete process;
}

void Process::endOwnThread() noexcept {
  try {
    asyncFrom_.close(); // the own thread cannot end before this channel closes
  } catch (const RemoteException&) {
  }
  try {
    joinThread(ownThread_);
  } catch (const char*) {
  }
}

Process::~Process() {
  endOwnThread();
  if (monitor_) {
    monitor_->stop();
    try {
      monitor_->join();
    } catch (const char*) {
    }
    monitor_.reset();
  }
  if (child_ && terminateAnswered_) child_.waitForExit(kExitGraceMilliseconds);
  child_ = quex::platform::ChildProcess(); // kills and reaps a child that still runs
}

void Process::start() {
  if (child_) return;
  if (resource_) {
    std::string text;
    resource_->fillText(text);
  }
  try {
    child_ = quex::platform::ChildProcess::spawn(childProgram_, baseName_);
  } catch (const quex::platform::SystemError& error) {
    // The names go before the exception leaves: a host that lets it end the
    // process unwinds nothing, and no destructor would remove them.
    std::call_once(namesUnlinked_, [this] { unlinkNames(); });
    throw RemoteException("Create Process Failed", error.text());
  }
  ownThread_ = startThread(*this);
  monitor_ = std::make_unique<ProcessMonitor>(*this, child_);
  monitor_->start();
}

void Process::adoptResource(ChildResource* resource) {
  resource_.reset(resource);
  if (resource_) {
    std::string text;
    resource_->fillText(text);
  }
}

void Process::terminate() {
  if (terminated_) return;
  terminated_ = true;
  mainCall_.beginCall(protocol::call::kTerminate);
  terminateAnswered_ = call();
  asyncFrom_.close();
  // Nothing more is sent to this child: a later call must fail at once rather
  // than wait for a child that has gone without a monitor to notice.
  childLost();
  if (monitor_) {
    monitor_->stop();
    monitor_->join();
    monitor_.reset();
  }
  // A child that answered ends by itself; it is reaped as soon as it has.
  if (child_ && terminateAnswered_) child_.waitForExit(kExitGraceMilliseconds);
}

bool Process::call() {
  WaitingForChild waiting(watch_);
  size_t length = 0;
  const void* message = mainCall_.data(length);
  if (!main_.send(message, length)) return lostDuringCall();
  for (;;) {
    if (!main_.receive()) return lostDuringCall();
    watch_.heard();
    if (!mainCall_.readName(mainName_)) return lostDuringCall();
    if (mainName_ == protocol::kReturn) {
      // The child answers only after it has opened every channel.
      std::call_once(namesUnlinked_, [this] { unlinkNames(); });
      return true;
    }
    {
      ServingHost serving(watch_); // the host's own time: no deadline runs
      if (!serve(mainName_, mainCall_)) return lostDuringCall();
    }
    message = mainCall_.data(length);
    if (!main_.send(message, length)) return lostDuringCall();
  }
}

bool Process::callAsync() {
  WaitingForChild waiting(watch_);
  size_t length = 0;
  const void* message = asyncToCall_.data(length);
  if (!asyncTo_.send(message, length) || !asyncTo_.receive()) return lost();
  if (!asyncToCall_.readName(asyncToName_) || asyncToName_ != protocol::kReturn) return lost();
  return true;
}

void Process::serveAsync() {
  while (asyncFrom_.receive()) {
    watch_.heard();
    bool served = false;
    {
      std::lock_guard<std::mutex> serving(asyncServing_);
      served = asyncFromCall_.readName(asyncFromName_) && serve(asyncFromName_, asyncFromCall_);
    }
    if (!served) break;
    size_t length = 0;
    const void* reply = asyncFromCall_.data(length);
    asyncFrom_.send(reply, length);
  }
  if (!asyncFrom_.isClosed()) { // left because the child broke the protocol
    noteRefusedMessage();
    childLost();
  }
}

bool Process::serve(const std::string& name, RemoteCall& call) {
  uint64_t key = 0;
  if (!call.getSize(key)) return false;
  CallHandler* handler = handlerFor(key);
  const bool handled = handler != nullptr && handler->handle(name, call);
  if (!call.ok()) return false;
  if (!handled) protocol::replyStatus(call, QX_ERR_INVALID_HANDLE);
  return true;
}

CallHandler* Process::handlerFor(uint64_t key) {
  std::lock_guard<std::mutex> lock(handlersLock_);
  for (const Registered& entry : handlers_)
    if (entry.key == key) return entry.handler.get();
  return nullptr;
}

void Process::registerHandler(uint64_t key, CallHandler* handler, HandlerLife life) {
  std::unique_ptr<CallHandler> owned(handler);
  std::lock_guard<std::mutex> lock(handlersLock_);
  handlers_.push_back(Registered{key, life, std::move(owned)});
}

void Process::closeHandlers(HandlerLife life) {
  // Handlers on "main" run inside call(), on the thread that closes them now;
  // the own thread may be inside one, and is let finish it.
  std::lock_guard<std::mutex> serving(asyncServing_);
  std::lock_guard<std::mutex> lock(handlersLock_);
  handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(),
                                 [life](const Registered& entry) { return entry.life == life; }),
                  handlers_.end());
}

void Process::lockAsync() {
  try {
    asyncLock_.lock();
  } catch (const std::system_error&) {
    throw "mutex acquire failed";
  }
}

void Process::unlockAsync() { asyncLock_.unlock(); }

void Process::kill(Killer killer) noexcept {
  Killer none = Killer::None;
  killer_.compare_exchange_strong(none, killer, std::memory_order_relaxed);
  child_.kill();
}

bool Process::lost() noexcept {
  noteRefusedMessage();
  childLost();
  return false;
}

void Process::noteRefusedMessage() noexcept {
  for (const SharedMemoryConnector* connector : {&main_, &asyncFrom_, &asyncTo_}) {
    const uint64_t length = connector->refusedLength();
    if (length == 0 || refusalNoted_.exchange(true)) continue;
    try {
      std::string text = "child process " + std::to_string(child_.id()) + " sent a message of " +
                         std::to_string(length) + " bytes, more than the " +
                         std::to_string(RemoteCall::kMaxMessageSize) +
                         " one message may hold; it is treated as lost";
      if (quex::detail::currentTraceLevel() >= 1) quex::detail::writeTraceLine(text);
      setEnding(std::move(text));
    } catch (const std::bad_alloc&) {
    }
  }
}

bool Process::lostDuringCall() noexcept {
  noteRefusedMessage();
  childLost();
  if (lastCallsWritten_ || quex::detail::currentTraceLevel() < 1) return false;
  lastCallsWritten_ = true;
  try {
    std::string line = "last calls: " + ring_.describe(CallRing::Clock::now());
    if (line.back() != ' ') line += ", ";
    const char* inFlight = watch_.hostCall();
    line += std::string(inFlight != nullptr ? inFlight : "a call") + " in flight";
    quex::detail::writeTraceLine(line);
  } catch (const std::bad_alloc&) {
  }
  return false;
}

std::string Process::ending() const {
  std::lock_guard<std::mutex> lock(endingLock_);
  return ending_;
}

void Process::setEnding(std::string ending) {
  std::lock_guard<std::mutex> lock(endingLock_);
  ending_ = std::move(ending);
}

void Process::childLost() noexcept {
  for (SharedMemoryConnector* connector : {&main_, &asyncFrom_, &asyncTo_}) {
    try {
      connector->close();
    } catch (const RemoteException&) {
      // Closing goes on: the other channels must not wait for the child either.
    }
  }
  std::call_once(namesUnlinked_, [this] { unlinkNames(); });
}

void Process::unlinkNames() noexcept {
  main_.unlinkNames();
  asyncFrom_.unlinkNames();
  asyncTo_.unlinkNames();
}

} // namespace Remote
