// One child process and everything the host keeps for it: three channels with
// their message buffers, the handlers that serve the child's callbacks, the
// thread that serves its asynchronous calls, the monitor that notices its
// death, and the mutex of the cancel channel.
#ifndef QUEX_SRC_REMOTE_PROCESS_H
#define QUEX_SRC_REMOTE_PROCESS_H

#include "bulk_answers.h"
#include "call_handler.h"
#include "call_ring.h"
#include "call_watch.h"
#include "process_monitor.h"
#include "protocol/names.h"
#include "protocol/remote_call.h"
#include "protocol/remote_values.h"
#include "protocol/value_encoding.h"
#include "shared_memory_connector.h"

#include "../platform/child_process.h"
#include "../platform/thread.h"

#include <quex/front/ExtensionWrapper.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace Remote {

class Process : public Runnable {
public:
  static constexpr size_t kMainRegionSize = protocol::kMainRegionSize;
  static constexpr size_t kAsyncRegionSize = protocol::kAsyncRegionSize;

  // The records fetched ahead by "BulkFetch" for the component's proxy.
  struct RecordBatch {
    std::unique_ptr<RemoteValueArray> values; // null until the first fetch
    uint64_t rowsInBatch = 0;
    uint64_t valuesPerRow = 0;
    uint64_t currentRow = 0;
    uint64_t capacity = protocol::kFirstBatchValues;
    // What ended the batch when the module failed after its records: answered
    // once they are all handed out, as the module gave it.
    QXStatus endStatus = QX_OK;
    int endErrorCode = 0;
    // The host's own bulk fetch, answered ahead from `values`.
    BulkAnswers ahead;
  };

  // Proof that a process is being made by create(): only Process can make one.
  class Construction {
    friend class Process;
    Construction() {}
  };

  // Ends the own thread before any part of the object goes, so that run()
  // never meets a half-destroyed derived class either.
  struct Deleter {
    void operator()(Process* process) const noexcept;
  };
  template <typename Kind = Process>
  using Owned = std::unique_ptr<Kind, Deleter>;

  // Makes a process of `Kind` (Process or a class derived from it). Its own
  // thread, serving "async_fromremote", starts with the child in start(),
  // once the whole object exists, so its first call of run() never meets a
  // half-built derived class. Takes ownership of `resource`; throws
  // RemoteException or a text.
  template <typename Kind = Process>
  static Owned<Kind> create(const char* childProgram, ChildResource* resource) {
    return Owned<Kind>(new Kind(Construction(), childProgram, resource));
  }

  // Creates the channels; the own thread is started by create().
  Process(Construction, const char* childProgram, ChildResource* resource);
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

protected:
  // Ends the own thread and the monitor; a child still running is killed.
  // Only the Deleter destroys a process.
  ~Process() override;

public:

  // Starts the child with the base name as its only argument, then the own
  // thread and the monitor, while the child loads: nothing is sent to it or
  // comes from it before its first call.
  void start();
  // Hands a child started ahead of need the resource a new child would have
  // been made with; its text is asked for once. Takes ownership.
  void adoptResource(ChildResource* resource);
  // Maps the main channel's region into this process now, so that the first
  // calls and records pay no page faults (for a child started ahead of need).
  void prefaultMainChannel() noexcept { main_.prefault(); }
  // Says "TERMINATE" to the child, ends the own thread and stops the monitor.
  void terminate();

  // Sends the call built in mainCall() and serves the child's callbacks until
  // the reply is in mainCall(); false when the child is lost.
  bool call();
  // Once the child is lost: the records it had read for the host and not yet
  // sent (protocol/kept_batch.h), decoded into `values`, at most `capacity`
  // values; false when there are none. `whole`: each record holds every value
  // the module gave for it. Hands them out once.
  bool takeKeptBatch(RemoteValueArray& values, uint64_t capacity, uint64_t& valuesPerRow,
                     uint64_t& rows, bool& whole);
  // The records the child has kept and the host does not hold yet.
  uint64_t keptRecords() const noexcept;
  // The host holds the records of the batch reply it has just read: the
  // child keeps them until then, and may keep the next ones now.
  void releaseKeptBatch() noexcept;
  // Sends the call built in asyncToCall() and waits for its reply; the caller
  // holds lockAsync(). False when the child is lost.
  bool callAsync();
  void serveAsync();
  void run() override { serveAsync(); }
  // How long a handler serves: as long as the process, or until the end of
  // the execution or interaction that handed its table to the child.
  enum class HandlerLife { Process, Execution, Interaction };
  // Takes ownership; the first open handler registered for a key wins.
  void registerHandler(uint64_t key, CallHandler* handler,
                       HandlerLife life = HandlerLife::Process);
  // Closes and frees the handlers of `life`: the host may free their tables
  // once this returns. A call the own thread is serving with one of them is
  // finished first; a later call with their key is answered as one with a key
  // never registered, without touching the table.
  void closeHandlers(HandlerLife life);

  void lockAsync();
  void unlockAsync();

  // Closes "main", "async_fromremote" and then "async_toremote": the child has
  // ended or broke the protocol. Safe from any thread, any number of times.
  void childLost() noexcept;

  // Who killed the child, if this library did.
  enum class Killer { None, Host, Deadline };
  // Sends SIGKILL to the child (a no-op once it is reaped); the monitor then
  // closes the channels. Safe from any thread while the process exists.
  void kill(Killer killer) noexcept;
  Killer killer() const noexcept { return killer_.load(std::memory_order_relaxed); }

  CallWatch& watch() noexcept { return watch_; }
  // A new inactivity deadline (0: none); the monitor takes it at once.
  void setDeadline(std::chrono::milliseconds deadline) noexcept {
    watch_.setDeadline(deadline);
    child_.wake();
  }
  CallRing& ring() noexcept { return ring_; }

  // Records the child has delivered in the current execution; the monitor
  // reads the count when the child dies.
  void restartDeliveries() noexcept { delivered_.store(0, std::memory_order_relaxed); }
  void noteDelivered(uint64_t records) noexcept {
    delivered_.store(delivered_.load(std::memory_order_relaxed) + records,
                     std::memory_order_relaxed);
  }
  uint64_t delivered() const noexcept { return delivered_.load(std::memory_order_relaxed); }

  // How the child ended, in one sentence; empty while it lives. Set by the
  // monitor before the channels close, so a call that fails finds it.
  std::string ending() const;
  void setEnding(std::string ending);
  RemoteCall& mainCall() noexcept { return mainCall_; }
  RemoteCall& asyncToCall() noexcept { return asyncToCall_; }
  RecordBatch& batch() noexcept { return batch_; }
  const std::string& baseName() const noexcept { return baseName_; }
  long childProcessId() const noexcept { return child_.id(); }
  bool hasMonitor() const noexcept { return monitor_ != nullptr; }
  // True once terminate() has run: nothing more goes to this child.
  bool terminated() const noexcept { return terminated_; }

private:
  // Closes "async_fromremote", which ends serveAsync(), and joins the own thread.
  void endOwnThread() noexcept;
  // Reads the key of the call in `call` and lets its handler reply; false when
  // the message broke the protocol.
  bool serve(const std::string& name, RemoteCall& call);
  CallHandler* handlerFor(uint64_t key);
  bool lost() noexcept;
  // A channel that refused a message too long for any message: its length,
  // in the child's ending and, from trace level 1, a trace line, once.
  void noteRefusedMessage() noexcept;
  // lost() for the host's call in flight: at trace level 1 the last calls on
  // this component are written once, the one in flight last.
  bool lostDuringCall() noexcept;
  void unlinkNames() noexcept;

  std::unique_ptr<ChildResource> resource_;
  std::string childProgram_;
  std::string baseName_;
  SharedMemoryConnector main_;
  SharedMemoryConnector asyncFrom_;
  SharedMemoryConnector asyncTo_;
  RemoteCall mainCall_;
  RemoteCall asyncFromCall_;
  RemoteCall asyncToCall_;
  std::string mainName_; // names of the messages being served, reused
  std::string asyncFromName_;
  std::string asyncToName_;
  struct Registered {
    uint64_t key;
    HandlerLife life;
    std::unique_ptr<CallHandler> handler;
  };
  std::mutex handlersLock_;
  std::vector<Registered> handlers_;
  std::mutex asyncServing_; // held by the own thread while it serves a call
  std::mutex asyncLock_;
  std::once_flag namesUnlinked_;
  RecordBatch batch_;
  bool terminateAnswered_ = false;
  CallWatch watch_;
  CallRing ring_;
  bool lastCallsWritten_ = false;
  std::atomic<bool> refusalNoted_{false};
  std::atomic<uint64_t> delivered_{0};
  std::atomic<Killer> killer_{Killer::None};
  mutable std::mutex endingLock_;
  std::string ending_;
  bool terminated_ = false;
  quex::platform::ChildProcess child_;
  std::unique_ptr<ProcessMonitor> monitor_;
  quex::platform::Thread ownThread_;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_PROCESS_H
