#include "host_link.h"

#include <cstring>

namespace quex::child {

QXStatus HostLink::callAsync(const char* name, uint64_t key, const char* text, size_t length,
                             int* errorCode) {
  // The text travels up to its first NUL.
  const std::string message(text != nullptr ? text : "",
                            text != nullptr ? strnlen(text, length) : 0);
  std::lock_guard<std::mutex> lock(asyncLock_);
  auto put = [&](Remote::RemoteCall& call) { call.putText(message); };
  auto get = [](Remote::RemoteCall& call) {
    std::string echoed;
    call.getText(echoed);
  };
  return exchange(asyncFrom_, asyncCall_, name, key, errorCode, put, get);
}

} // namespace quex::child
