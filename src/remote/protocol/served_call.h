// The reply shapes both ends serve with: a status alone, and a member of the
// text-return convention served over a call (the caller's buffer and error
// code in; the status, the buffer and the error code out).
#ifndef QUEX_SRC_REMOTE_PROTOCOL_SERVED_CALL_H
#define QUEX_SRC_REMOTE_PROTOCOL_SERVED_CALL_H

#include "names.h"
#include "remote_call.h"
#include "remote_values.h"

#include <quex/qx.h>

#include <cstdint>

namespace Remote::protocol {

// Starts the reply to a call with its status.
inline void replyStatus(RemoteCall& call, QXStatus status) {
  call.beginCall(kReturn);
  call.putInt(static_cast<int32_t>(status));
}

// Reads the buffer and error code of a text-return call, runs
// `member(buffer, capacity, &needed, &errorCode)` and replies. `echo` writes
// the arguments read before the buffer back between the status and the
// buffer. The buffer counts as filled exactly when the member said QX_OK.
// False when the arguments do not read.
template <typename Member, typename Echo>
bool serveTextReturn(RemoteCall& call, Member&& member, Echo&& echo) {
  RemoteBuffer buffer;
  int32_t errorCode = 0;
  if (!call.getBuffer(buffer) || !call.getInt(errorCode)) return false;
  size_t needed = 0;
  int code = errorCode;
  const QXStatus status = member(buffer.data(), buffer.capacity(), &needed, &code);
  buffer.setNeeded(needed);
  buffer.setFilled(status == QX_OK);
  replyStatus(call, status);
  echo(call);
  call.putBuffer(buffer);
  call.putInt(code);
  return true;
}

template <typename Member>
bool serveTextReturn(RemoteCall& call, Member&& member) {
  return serveTextReturn(call, member, [](RemoteCall&) {});
}

} // namespace Remote::protocol

#endif // QUEX_SRC_REMOTE_PROTOCOL_SERVED_CALL_H
