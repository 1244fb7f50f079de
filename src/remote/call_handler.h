// What serves the child's calls, and the body of a thread of this subsystem.
#ifndef QUEX_SRC_REMOTE_CALL_HANDLER_H
#define QUEX_SRC_REMOTE_CALL_HANDLER_H

#include "protocol/remote_call.h"

#include <string>

namespace Remote {

class Process;

class CallHandler {
public:
  explicit CallHandler(Process* process) : process_(process) {}
  virtual ~CallHandler() = default;
  // True when `name` is known for this handler's key, its arguments were read
  // from `call` and a complete reply was written into it; false, with nothing
  // written, otherwise.
  virtual bool handle(const std::string& name, RemoteCall& call) = 0;

protected:
  Process* process() const noexcept { return process_; }

private:
  Process* process_;
};

class Runnable {
public:
  virtual ~Runnable() = default;
  virtual void run() = 0;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_CALL_HANDLER_H
