// Serves the host's calls for one module in this child: loads the module
// in-process through ExtensionWrapper (so both generations work), maps every
// call onto its entry points, and answers cancellation on "async_toremote" on
// a thread of its own while a "main" call runs. That thread watches the host
// too, and is started once the first reply is sent.
#ifndef QUEX_TOOLS_QUEX_CHILD_MODULE_SERVER_H
#define QUEX_TOOLS_QUEX_CHILD_MODULE_SERVER_H

#include "batch_reply.h"
#include "child_channel.h"
#include "child_tables.h"
#include "host_link.h"

#include <quex/front/ExtensionWrapper.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace quex::child {

class ModuleServer {
public:
  // The most fields the child looks for in one record of a module without
  // its own bulk fetch.
  static constexpr size_t kMaxFieldsPerRecord = 100000;

  // Opens the three channels of `baseName`; throws quex::platform::SystemError.
  // `watchHost` is called every little while by the own thread, from the
  // first reply on, and ends the child when the host has gone.
  ModuleServer(const std::string& baseName, std::function<void()> watchHost);
  ~ModuleServer();

  // Serves "main" until "TERMINATE" or until the host closes the channel.
  void run();

private:
  using PlainCall = QXStatus (ExtensionWrapper::*)(void*, int*);
  using BufferCall = QXStatus (ExtensionWrapper::*)(void*, char*, size_t, size_t*, int*);

  // Finds the handler of `name` in the table of calls, which reads the call's
  // arguments from `call` and writes the reply into it; false for a name this
  // child does not serve or arguments that do not read.
  bool serve(const std::string& name, Remote::RemoteCall& call);
  // The module's calls.
  // The warm pool's first call: the child loads the library it names and
  // readies what else it can before it answers.
  void ping(Remote::RemoteCall& call);
  // Loads the module's library: QX_OK, or QX_ERR_NOT_INITIALIZED with the
  // diagnosis in module_.
  QXStatus loadModule(const std::string& name, const std::string& path);
  void defineTargetLibrary(Remote::RemoteCall& call);
  // Define, initialise and create, sent as one message.
  void startComponent(Remote::RemoteCall& call);
  void initialise(Remote::RemoteCall& call);
  void getModuleInformation(Remote::RemoteCall& call);
  void createPeer(Remote::RemoteCall& call);
  // The component's calls: the plain ones and the text-return ones share a shape.
  template <PlainCall member>
  void plainCall(Remote::RemoteCall& call);
  template <BufferCall member>
  void bufferCall(Remote::RemoteCall& call);
  void getDataModel(Remote::RemoteCall& call);
  void getCatalogueInformation(Remote::RemoteCall& call);
  void beginExecution(Remote::RemoteCall& call);
  void endExecution(Remote::RemoteCall& call);
  void beginInteraction(Remote::RemoteCall& call);
  void request(Remote::RemoteCall& call);
  void destroy(Remote::RemoteCall& call);
  // The two batch calls answer in batch_ instead of the call.
  void fetchBatch(Remote::RemoteCall& call);
  void bulkFetchAhead(Remote::RemoteCall& call);
  // Room for `capacity` values in pointers_ and lengths_. Reused entries are
  // not cleared: only those the module reports filled are read.
  void reserveValueSlots(size_t capacity);
  // Adds whole records read one by one (no bulk fetch in the module) to batch_
  // and answers what ended the batch: QX_OK when it is full, 13 when not even
  // one record fits, otherwise the status of the module's nextRecord, which is
  // not called again for this batch.
  QXStatus readRecords(size_t capacity, uint64_t& valuesPerRow, uint64_t& rows, int* errorCode);
  // A new batch in batch_, of which nothing is kept yet.
  void beginBatch(size_t capacity);
  // The first `rows` records of batch_ are complete: they are kept for the
  // host. `whole`: with every value of each.
  void keepRecords(uint64_t valuesPerRow, uint64_t rows, bool whole);

  // A bulk read of a module without its own bulk fetch (bulk_reading.cpp):
  // what the host's call asked for, and how far batch_ has come.
  struct BulkRead {
    uint64_t capacity = 0;
    uint64_t answers = 1; // the calls' worth of records to read
    uint64_t fields = 0;
    uint64_t offset = 0;
    size_t records = 0;
    uint64_t answered = 0;
    bool whole = false;   // every value of each record, none skipped
    bool stopped = false; // full, or the module's records ended
    bool ended = false;   // the module's nextRecord failed, with endStatus
    QXStatus endStatus = QX_OK;
    int code = 0;         // the error code the module's calls left
  };
  void readBulk(BulkRead& read, bool aheadOfHost);
  void answerBulk(bool whole);
  // The records read ahead answer this call, a bulk fetch or a batch of
  // whole records; false when there are none and the call is served afresh.
  bool answerFromStaged(bool bulk);
  // After a reply of whole records: reads on for the host's next call.
  void startReadingAhead();
  // The records read ahead go: the host is not to have them.
  void dropStaged();
  // A callback ahead of the host's next call waits for that call.
  bool awaitHost();
  // The values of the execution's records, found on its first record.
  size_t recordWidth(void* target);
  // Starts the own thread unless it runs: after the first reply, or in a
  // warm child before the ping's.
  void startOwnThread();
  void serveAsyncToRemote();
  QXStatus cancelOnItsOwnThread(void* target, int& code);
  void terminate();
  void* component() const { return component_.load(std::memory_order_acquire); }

  ChildChannel main_;
  ChildChannel asyncFrom_;
  ChildChannel asyncTo_;
  HostLink link_;
  ChildTables tables_;
  ExtensionWrapper module_;
  Remote::RemoteCall call_;
  Remote::RemoteCall cancelCall_;
  // The calls of "_start_component", then their replies; made on first use
  // or by a ping.
  static constexpr size_t kStartParts = 3;
  std::unique_ptr<Remote::RemoteCall[]> startParts_;
  Remote::RemoteValueArray values_{Remote::Role::Serving}; // the call form, empty
  BatchReply batch_;
  bool batchReply_ = false; // the last call was answered in batch_
  std::vector<void*> pointers_;
  std::vector<size_t> lengths_;
  bool loaded_ = false;
  bool warm_ = false; // readied by a ping
  // The ping loaded this library, and no define has claimed it yet.
  bool readied_ = false;
  std::string readiedName_;
  std::string readiedPath_;
  bool initialised_ = false;
  size_t fieldsPerRecord_ = 0; // 0 until the first record of an execution is seen
  bool recordPending_ = false; // read from the module but not yet sent
  BulkRead bulk_;
  bool staged_ = false;   // batch_ holds records read ahead of the host's next call
  bool pending_ = false;  // call_ holds that call, received during a callback
  bool hostGone_ = false; // the host closed the channel meanwhile
  const std::thread::id serverThread_ = std::this_thread::get_id();
  std::atomic<void*> component_{nullptr};
  std::atomic<bool> stopping_{false};
  std::function<void()> watchHost_;
  std::thread ownThread_; // started once the first reply is sent
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_MODULE_SERVER_H
