// The host's side of the child's callbacks: one dispatcher per callback table
// kind, registered in the component's Process under the table's address. Each
// reads the call's arguments, calls the member of the real table exactly as an
// in-process module would, and writes the reply.
#ifndef QUEX_SRC_REMOTE_CALLBACK_DISPATCHERS_H
#define QUEX_SRC_REMOTE_CALLBACK_DISPATCHERS_H

#include "call_handler.h"

#include <quex/qx.h>

#include <cstddef>
#include <string>
#include <vector>

namespace Remote {

// "GetHostInformation", "CreateNewDocument", "CreateDocumentFromContents", "Trace".
class HostDispatcher : public CallHandler {
public:
  HostDispatcher(Process* process, QXHost* host) : CallHandler(process), host_(host) {}
  bool handle(const std::string& name, RemoteCall& call) override;

private:
  QXHost* host_;
};

// The five document getters, "GetPassword" and "GetFilePath".
class ContextDispatcher : public CallHandler {
public:
  ContextDispatcher(Process* process, QXContext* context)
      : CallHandler(process), context_(context) {}
  bool handle(const std::string& name, RemoteCall& call) override;

private:
  QXContext* context_;
};

// "NextRecord", "GetRecordValue", "Rewind", "BulkFetch".
class IteratorDispatcher : public CallHandler {
public:
  IteratorDispatcher(Process* process, QXIterator* iterator)
      : CallHandler(process), iterator_(iterator) {}
  bool handle(const std::string& name, RemoteCall& call) override;

private:
  bool bulkFetch(RemoteCall& call);
  static constexpr size_t kKeptSlots = 1 << 16;
  QXIterator* iterator_;
  std::vector<void*> slots_;    // of the iterator's bulk fetch, kept between batches
  std::vector<size_t> lengths_;
};

// "Report", served on the process's own thread.
class ProgressDispatcher : public CallHandler {
public:
  ProgressDispatcher(Process* process, QXProgress* progress)
      : CallHandler(process), progress_(progress) {}
  bool handle(const std::string& name, RemoteCall& call) override;

private:
  QXProgress* progress_;
};

// "Send", served on the process's own thread.
class ChannelDispatcher : public CallHandler {
public:
  ChannelDispatcher(Process* process, QXChannel* channel)
      : CallHandler(process), channel_(channel) {}
  bool handle(const std::string& name, RemoteCall& call) override;

private:
  QXChannel* channel_;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_CALLBACK_DISPATCHERS_H
