// A child program started by this process. Move-only; whoever learns of the
// exit reaps the child, and the destructor kills and reaps a child that still
// runs, so neither a zombie nor an orphan is left.
#ifndef QUEX_SRC_PLATFORM_CHILD_PROCESS_H
#define QUEX_SRC_PLATFORM_CHILD_PROCESS_H

#include <memory>
#include <optional>
#include <string>

namespace quex::platform {

long currentProcessId() noexcept;
long parentProcessId() noexcept;
// Asks the kernel to kill this process when its parent ends. The request
// follows the parent's thread that started this process: a process whose
// parent may start it from a thread that ends early withdraws it with
// stopDyingWithParent() once that thread has done its part.
bool dieWithParent() noexcept;
void stopDyingWithParent() noexcept;
// Points this process's standard output at its standard error, for every
// writer in it whatever runtime it uses; false when the system refused.
bool standardOutputToError() noexcept;
// "SIGSEGV" for 11; "signal N" for a number the system has no name for.
std::string signalName(int number);

class ChildProcess {
public:
  enum class WaitResult { Exited, TimedOut, Failed };
  // How a child ended: the code it exited with, or the signal that killed it.
  struct Ending {
    bool bySignal = false;
    int number = 0;
  };

  ChildProcess() noexcept;
  // Starts `program` with `argument` as its only argument, this process's
  // environment and working directory; throws SystemError.
  static ChildProcess spawn(const std::string& program, const std::string& argument);

  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  explicit operator bool() const noexcept;
  long id() const noexcept;
  // Waits at most `milliseconds` for the child to end and reaps it when it
  // did. Safe to call from one thread while another kills.
  WaitResult waitForExit(int milliseconds) noexcept;
  bool exited() const noexcept;
  // Known once this object has reaped the child; empty before, and when the
  // child was reaped elsewhere.
  std::optional<Ending> ending() const noexcept;
  // Ends a waitForExit() under way (or the next one) early, as a time-out.
  // Safe from any thread.
  void wake() noexcept;
  // Sends SIGKILL unless the child was already reaped.
  void kill() noexcept;

private:
  struct State;
  std::unique_ptr<State> state_;
};

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_CHILD_PROCESS_H
