#include "module_server.h"
#include "program_pages.h"
#include "xml_on_demand.h"

#include "remote/protocol/names.h"
#include "remote/protocol/served_call.h"
#include "remote/protocol/value_encoding.h"

#include "platform/child_process.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstdio>

using Remote::RemoteCall;
using Remote::protocol::replyStatus;

namespace quex::child {
namespace {

namespace calls = Remote::protocol::call;
namespace protocol = Remote::protocol;

// What a warm child's first batch reply is readied for: a full first batch
// of eight-byte values (a flag, a length and the bytes each) and the counts.
constexpr size_t kFirstBatchBytes = protocol::kFirstBatchValues * (1 + 8 + 8) + 256;

// Whether the loaded module takes part in interaction, told from the entries
// ExtensionWrapper resolved, as the host would tell it from an in-process load.
bool supportsInteraction(const ExtensionWrapper& module) {
  const std::vector<std::string> entries = module.optionalEntries();
  const char* const entry = module.isOlderGeneration() ? "tarnext_peer_beginInteraction"
                                                       : "qx_component_beginInteraction";
  return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

} // namespace

ModuleServer::ModuleServer(const std::string& baseName, std::function<void()> watchHost)
    : main_(baseName, protocol::kMainChannel, protocol::kMainRegionSize),
      asyncFrom_(baseName, protocol::kAsyncFromRemoteChannel, protocol::kAsyncRegionSize),
      asyncTo_(baseName, protocol::kAsyncToRemoteChannel, protocol::kAsyncRegionSize),
      link_(main_, asyncFrom_, [this] { return awaitHost(); }), tables_(link_),
      watchHost_(std::move(watchHost)) {
  // Both ends have the channels open: the names go now, so that no host
  // killed later can leave them behind.
  for (ChildChannel* channel : {&main_, &asyncFrom_, &asyncTo_}) channel->removeNames();
  if (watchHost_) asyncTo_.whileWaiting(watchHost_);
}

ModuleServer::~ModuleServer() {
  if (!ownThread_.joinable()) return;
  stopping_.store(true, std::memory_order_release);
  asyncTo_.wake();
  ownThread_.join();
}

void ModuleServer::run() {
  std::string name;
  bool first = true;
  for (;;) {
    if (staged_ && !pending_) readBulk(bulk_, true); // until the host calls
    if (hostGone_ || (!pending_ && !main_.receive(call_))) break;
    pending_ = false;
    uint64_t key = 0;
    if (!call_.readName(name)) break;
    if (name == calls::kTerminate) {
      terminate();
      replyStatus(call_, QX_OK);
      main_.send(call_);
      return;
    }
    if (staged_ && name != calls::kBulkFetchAhead && name != calls::kFetchBatch) dropStaged();
    batchReply_ = false;
    const bool served = call_.getSize(key) && key == 0 && serve(name, call_);
    if (staged_) dropStaged(); // a call that did not read
    if (!served) replyStatus(call_, QX_ERR_INVALID_HANDLE);
    if (served && batchReply_) link_.withKeeper([](BatchKeeper& keeper) { keeper.end(); });
    // The host's thread that started this child waits for this reply, and
    // may end once it has it, before the host does: the kernel no longer
    // ends the child with that thread, the own thread watches the host.
    if (first) quex::platform::stopDyingWithParent();
    const bool sent = served && batchReply_ ? main_.send(batch_.data(), batch_.size())
                                            : main_.send(call_);
    if (first) {
      // Started only now, while the host reads the reply: up to it, a start
      // is one thread's work, which a thread made before would only delay.
      first = false;
      startOwnThread();
    }
    if (!sent) break;
    if (served && name == calls::kBulkFetchAhead) startReadingAhead();
  }
}

// A child started ahead of need is pinged and then waits for its module. What
// a start touches first is readied before the answer, while nothing waits
// for the child: the module's library named in the ping is loaded (its own
// initialisers run now), and the pages of the child's code and of the main
// channel's region, which the start's replies and first records fill, are
// mapped. The answer tells whether the library loaded.
void ModuleServer::ping(RemoteCall& call) {
  std::string name, path;
  const bool named = call.remaining() > 0;
  if (named && (!call.getText(name) || !call.getText(path))) return;
  if (!warm_ && !loaded_) {
    warm_ = true;
    // The pool takes the child as ready once it has this answer, and a
    // create may follow at once: the own thread starts before it, not
    // beside that create.
    startOwnThread();
    if (named && loadModule(name, path) == QX_OK) {
      readied_ = true;
      readiedName_ = name;
      readiedPath_ = path;
    }
    prefaultProgramPages();
    main_.prefault();
    // The first batch's buffers: eight-byte values, and the module's slots
    // when it has a bulk fetch of its own.
    batch_.prepare(kFirstBatchBytes);
    if (readied_ && module_.useBulkFetch())
      reserveValueSlots(Remote::protocol::kFirstBatchValues);
    // The start's parts, each with the page its call is written to mapped.
    startParts_ = std::make_unique<Remote::RemoteCall[]>(kStartParts);
    for (size_t i = 0; i < kStartParts; ++i) startParts_[i].beginCall(calls::kPing);
  }
  replyStatus(call, QX_OK);
  call.putBool(readied_);
}

QXStatus ModuleServer::loadModule(const std::string& name, const std::string& path) {
  if (!module_.load(name.c_str(), path.c_str(), nullptr)) return QX_ERR_NOT_INITIALIZED;
  loaded_ = true;
  xml::startIfParserLoaded();
  return QX_OK;
}

void ModuleServer::defineTargetLibrary(RemoteCall& call) {
  std::string name, path;
  bool supportsInteraction = false;
  if (!call.getText(name) || !call.getText(path) || !call.getBool(supportsInteraction)) return;
  QXStatus status = QX_OK;
  if (readied_ && name == readiedName_ && path == readiedPath_) {
    readied_ = false; // the library loaded ahead is the one asked for: a load done
  } else if (loaded_) {
    status = QX_ERR_INVALID_OPERATION; // one module per child
  } else {
    status = loadModule(name, path);
    if (status != QX_OK) {
      const std::string& why = module_.getLoadDiagnosis();
      std::fprintf(stderr, "quex-child: %s\n",
                   !why.empty() ? why.c_str() : "the module lacks a required entry point");
    }
  }
  if (status == QX_OK) supportsInteraction = quex::child::supportsInteraction(module_);
  replyStatus(call, status);
  call.putText(name);
  call.putText(path);
  call.putBool(supportsInteraction);
  // Beyond what every host reads: the module's generation and the optional
  // entries it exports, so that the host describes the module, not its proxy.
  const std::vector<std::string> optional =
      loaded_ ? module_.optionalEntries() : std::vector<std::string>();
  call.putBool(loaded_ && module_.isOlderGeneration());
  call.putSize(optional.size());
  for (const std::string& entry : optional) call.putText(entry);
}

// The three start calls of a component in one message. Every part is checked
// before any runs, so a refused sequence has changed nothing and the host
// can send the calls one by one instead.
void ModuleServer::startComponent(RemoteCall& call) {
  static const char* const kNames[] = {calls::kDefineTargetLibrary, calls::kInitialise,
                                       calls::kCreatePeer};
  constexpr size_t kCount = sizeof kNames / sizeof kNames[0];
  static_assert(kCount == kStartParts, "one part per start call");
  const auto servePart = [this](size_t index, RemoteCall& part) {
    if (index == 0) defineTargetLibrary(part);
    else if (index == 1) initialise(part);
    else createPeer(part);
  };
  uint64_t count = 0;
  if (!call.getSize(count)) return;
  if (!startParts_) startParts_ = std::make_unique<Remote::RemoteCall[]>(kStartParts);
  bool wellFormed = count == kCount;
  std::string name;
  for (size_t i = 0; wellFormed && i < kCount; ++i) {
    uint64_t key = 1;
    wellFormed = call.getMessage(startParts_[i]) && startParts_[i].readName(name) &&
                 name == kNames[i] && startParts_[i].getSize(key) && key == 0;
  }
  if (!wellFormed || !call.atEnd()) {
    replyStatus(call, QX_ERR_INVALID_OPERATION); // a refusal: nothing ran
    return;
  }
  size_t served = 0;
  for (size_t i = 0; i < kCount; ++i) {
    Remote::RemoteCall& part = startParts_[i];
    servePart(i, part);
    if (!part.ok()) break; // arguments that do not read: no reply for it
    ++served;
    int32_t status = 0;
    if (!part.readName(name) || !part.getInt(status) || status != QX_OK) break;
  }
  replyStatus(call, QX_OK);
  call.putSize(served);
  for (size_t i = 0; i < served; ++i) call.putMessage(startParts_[i]);
}

void ModuleServer::initialise(RemoteCall& call) {
  uint64_t hostKey = 0;
  int32_t errorCode = 0;
  if (!call.getSize(hostKey) || !call.getInt(errorCode)) return;
  int code = errorCode;
  QXStatus status = QX_ERR_NOT_INITIALIZED;
  if (loaded_) {
    status = module_.qx_initialise(tables_.host(hostKey), &code);
    initialised_ = status == QX_OK;
  }
  replyStatus(call, status);
  call.putSize(hostKey);
  call.putInt(code);
}

void ModuleServer::getModuleInformation(RemoteCall& call) {
  protocol::serveTextReturn(call, [&](char* buffer, size_t size, size_t* needed, int* code) {
    return module_.qx_getModuleInformation(buffer, size, needed, code);
  });
}

void ModuleServer::createPeer(RemoteCall& call) {
  uint64_t contextKey = 0;
  int32_t number = 0;
  std::string text;
  int32_t errorCode = 0;
  if (!call.getSize(contextKey) || !call.getInt(number) || !call.getText(text) ||
      !call.getInt(errorCode))
    return;
  int code = errorCode;
  QXStatus status = QX_ERR_NOT_INITIALIZED;
  if (initialised_ && component() == nullptr) {
    QXContext* context = contextKey != 0 ? tables_.context(contextKey) : nullptr;
    void* made = nullptr;
    status = module_.isOlderGeneration()
                 ? module_.tarnext_create_peer(context, number, text.c_str(), &made, &code)
                 : module_.qx_create_component(context, text.c_str(), &made, &code);
    if (status == QX_OK) component_.store(made, std::memory_order_release);
  } else if (component() != nullptr) {
    status = QX_ERR_INVALID_OPERATION; // one component per child
  }
  replyStatus(call, status);
  call.putSize(contextKey);
  call.putInt(number);
  call.putText(text);
  call.putInt(code);
}

void ModuleServer::startOwnThread() {
  if (!ownThread_.joinable()) ownThread_ = std::thread([this] { serveAsyncToRemote(); });
}

// Waits for cancellations on "async_toremote", and between them watches the
// host. A cancellation reaches the module while the main thread is inside
// one of its calls, typically a fetch.
void ModuleServer::serveAsyncToRemote() {
  std::string name;
  while (asyncTo_.receive(cancelCall_, &stopping_)) {
    uint64_t key = 0;
    int32_t errorCode = 0;
    if (cancelCall_.readName(name) && name == calls::kCancelExecution &&
        cancelCall_.getSize(key) && key == 0 && cancelCall_.getInt(errorCode)) {
      int code = errorCode;
      void* target = component();
      const QXStatus status =
          target != nullptr ? cancelOnItsOwnThread(target, code) : QX_ERR_INVALID_HANDLE;
      replyStatus(cancelCall_, status);
      cancelCall_.putInt(code);
    } else {
      replyStatus(cancelCall_, QX_ERR_INVALID_HANDLE);
    }
    if (!asyncTo_.send(cancelCall_, &stopping_)) break;
  }
}

// The module's cancel runs on a thread made for it, so that the host is
// still watched however long the module takes to answer.
QXStatus ModuleServer::cancelOnItsOwnThread(void* target, int& code) {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  QXStatus status = QX_ERR_INVALID_HANDLE;
  std::thread cancelling([&] {
    const QXStatus answer = module_.qx_component_cancelExecution(target, &code);
    std::lock_guard<std::mutex> hold(lock);
    status = answer;
    done = true;
    ended.notify_one();
  });
  std::unique_lock<std::mutex> hold(lock);
  while (!ended.wait_for(hold, std::chrono::milliseconds(ChildChannel::kPollMilliseconds),
                         [&] { return done; }))
    if (watchHost_) watchHost_();
  hold.unlock();
  cancelling.join();
  return status;
}

// The host ends the conversation: the module releases what it holds, with
// its callbacks still served by the host's TERMINATE call.
void ModuleServer::terminate() {
  HostLink::ServingScope scope(link_);
  int code = 0;
  if (void* target = component_.exchange(nullptr)) module_.qx_destroy_component(target, &code);
  if (initialised_) module_.qx_cleanup(&code);
  initialised_ = false;
}

} // namespace quex::child
