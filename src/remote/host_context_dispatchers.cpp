// The host and context dispatchers: calls served on the host thread that
// waits for the child's reply.
#include "callback_dispatchers.h"

#include "remote_values.h"

namespace Remote {
namespace {

using BufferMember = QXStatus (*)(void*, char*, size_t, size_t*, int*);
using KeyedMember = QXStatus (*)(void*, const char*, char*, size_t, size_t*, int*);

// A buffer-returning member: buffer and error code in, status, buffer and
// error code out. The buffer counts as filled exactly when the member said QX_OK.
bool serveBuffer(RemoteCall& call, void* owner, BufferMember member) {
  RemoteBuffer buffer;
  int32_t errorCode = 0;
  if (!call.getBuffer(buffer) || !call.getInt(errorCode)) return false;
  size_t needed = 0;
  int code = errorCode;
  const QXStatus status = member(owner, buffer.data(), buffer.capacity(), &needed, &code);
  buffer.setNeeded(needed);
  buffer.setFilled(status == QX_OK);
  call.beginCall("return");
  call.putInt(static_cast<int32_t>(status));
  call.putBuffer(buffer);
  call.putInt(code);
  return true;
}

bool serveKeyedBuffer(RemoteCall& call, void* owner, KeyedMember member) {
  std::string key;
  RemoteBuffer buffer;
  int32_t errorCode = 0;
  if (!call.getText(key) || !call.getBuffer(buffer) || !call.getInt(errorCode)) return false;
  size_t needed = 0;
  int code = errorCode;
  const QXStatus status =
      member(owner, key.c_str(), buffer.data(), buffer.capacity(), &needed, &code);
  buffer.setNeeded(needed);
  buffer.setFilled(status == QX_OK);
  call.beginCall("return");
  call.putInt(static_cast<int32_t>(status));
  call.putText(key);
  call.putBuffer(buffer);
  call.putInt(code);
  return true;
}

// A module in a child builds its documents itself: refused, arguments echoed.
bool refuseDocument(RemoteCall& call) {
  std::string text;
  uint64_t handle = 0;
  if (!call.getText(text) || !call.getSize(handle)) return false;
  call.beginCall("return");
  call.putInt(static_cast<int32_t>(QX_ERR_INVALID_OPERATION));
  call.putText(text);
  call.putSize(handle);
  return true;
}

} // namespace

bool HostDispatcher::handle(const std::string& name, RemoteCall& call) {
  if (name == "GetHostInformation")
    return serveBuffer(call, host_->owner, host_->getHostInformation);
  if (name == "CreateNewDocument" || name == "CreateDocumentFromContents")
    return refuseDocument(call);
  if (name == "Trace") {
    std::string text;
    if (!call.getText(text)) return false;
    host_->trace(host_->owner, text.c_str());
    call.beginCall("return");
    call.putInt(static_cast<int32_t>(QX_OK));
    call.putText(text);
    return true;
  }
  return false;
}

bool ContextDispatcher::handle(const std::string& name, RemoteCall& call) {
  QXContext& c = *context_;
  if (name == "GetContextInformation") return serveBuffer(call, c.owner, c.getContextInformation);
  if (name == "GetParameters") return serveBuffer(call, c.owner, c.getParameters);
  if (name == "GetDataModel") return serveBuffer(call, c.owner, c.getDataModel);
  if (name == "GetOutputDataModel") return serveBuffer(call, c.owner, c.getOutputDataModel);
  if (name == "GetSqlGeneration") return serveBuffer(call, c.owner, c.getSQLGeneration);
  if (name == "GetPassword") return serveKeyedBuffer(call, c.owner, c.getPassword);
  if (name == "GetFilePath") return serveKeyedBuffer(call, c.owner, c.getFilePath);
  return false;
}

} // namespace Remote
