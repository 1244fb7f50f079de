// The failure the out-of-process transport throws for operating-system errors;
// it reaches the host from qx_initialise when the first child cannot start.
#ifndef QUEX_REMOTE_REMOTEEXCEPTION_H
#define QUEX_REMOTE_REMOTEEXCEPTION_H

#include <quex/export.h>

#include <string>
#include <utility>

namespace Remote {

// Thrown by value; `message` is one of the fixed failure texts, `detail` the
// system's text for the error ("<unknown>" when it has none).
class QUEX_API RemoteException {
public:
  RemoteException(std::string message, std::string detail)
      : message(std::move(message)), detail(std::move(detail)) {}

  std::string message;
  std::string detail;
};

} // namespace Remote

#endif // QUEX_REMOTE_REMOTEEXCEPTION_H
