// The host and context dispatchers: calls served on the host thread that
// waits for the child's reply.
#include "callback_dispatchers.h"

#include "protocol/names.h"
#include "protocol/served_call.h"

namespace Remote {
namespace {

namespace callback = protocol::callback;
using protocol::replyStatus;
using protocol::serveTextReturn;

using BufferMember = QXStatus (*)(void*, char*, size_t, size_t*, int*);
using KeyedMember = QXStatus (*)(void*, const char*, char*, size_t, size_t*, int*);

bool serveBuffer(RemoteCall& call, void* owner, BufferMember member) {
  return serveTextReturn(call, [&](char* buffer, size_t size, size_t* needed, int* code) {
    return member(owner, buffer, size, needed, code);
  });
}

// The key comes first and is echoed before the buffer.
bool serveKeyedBuffer(RemoteCall& call, void* owner, KeyedMember member) {
  std::string key;
  if (!call.getText(key)) return false;
  return serveTextReturn(
      call,
      [&](char* buffer, size_t size, size_t* needed, int* code) {
        return member(owner, key.c_str(), buffer, size, needed, code);
      },
      [&](RemoteCall& reply) { reply.putText(key); });
}

// A module in a child builds its documents itself: refused, arguments echoed.
bool refuseDocument(RemoteCall& call) {
  std::string text;
  uint64_t handle = 0;
  if (!call.getText(text) || !call.getSize(handle)) return false;
  replyStatus(call, QX_ERR_INVALID_OPERATION);
  call.putText(text);
  call.putSize(handle);
  return true;
}

} // namespace

bool HostDispatcher::handle(const std::string& name, RemoteCall& call) {
  if (name == callback::kGetHostInformation)
    return serveBuffer(call, host_->owner, host_->getHostInformation);
  if (name == callback::kCreateNewDocument || name == callback::kCreateDocumentFromContents)
    return refuseDocument(call);
  if (name == callback::kTrace) {
    std::string text;
    if (!call.getText(text)) return false;
    host_->trace(host_->owner, text.c_str());
    replyStatus(call, QX_OK);
    call.putText(text);
    return true;
  }
  return false;
}

bool ContextDispatcher::handle(const std::string& name, RemoteCall& call) {
  QXContext& c = *context_;
  if (name == callback::kGetContextInformation)
    return serveBuffer(call, c.owner, c.getContextInformation);
  if (name == callback::kGetParameters) return serveBuffer(call, c.owner, c.getParameters);
  if (name == callback::kGetDataModel) return serveBuffer(call, c.owner, c.getDataModel);
  if (name == callback::kGetOutputDataModel)
    return serveBuffer(call, c.owner, c.getOutputDataModel);
  if (name == callback::kGetSqlGeneration) return serveBuffer(call, c.owner, c.getSQLGeneration);
  if (name == callback::kGetPassword) return serveKeyedBuffer(call, c.owner, c.getPassword);
  if (name == callback::kGetFilePath) return serveKeyedBuffer(call, c.owner, c.getFilePath);
  return false;
}

} // namespace Remote
