// Processes of quex check: one per check, with a timeout, killed with
// everything they started; and what a check's own process does so that its
// death can be told (the call in flight goes to the report descriptor).
// The system calls are in check_process_posix.cpp.
#ifndef QUEX_TOOLS_QUEX_CHECK_CHECK_PROCESS_H
#define QUEX_TOOLS_QUEX_CHECK_CHECK_PROCESS_H

#include <string>
#include <vector>

namespace quex::check {

// The descriptor a check process reports on.
constexpr int kReportDescriptor = 3;

struct ProcessEnd {
  enum class How { Exited, Signalled, TimedOut, Interrupted, NotStarted } how = How::NotStarted;
  int exitCode = 0;
  std::string signalName; // "SIGSEGV" when signalled
  std::string report;     // what the process wrote on its report descriptor
  std::string output;     // the end of what it wrote on standard output and error
  double seconds = 0;
};

// Runs `arguments` (the program first) in a process group of its own, with
// standard input from /dev/null and the report descriptor as a pipe. Past
// `timeoutSeconds` the group gets SIGTERM, then SIGKILL. Whatever way it ends,
// the whole group is killed and its shared-memory names are removed.
ProcessEnd runCheckProcess(const std::vector<std::string>& arguments, double timeoutSeconds);

// In a check's own process: crashes and SIGTERM write "inflight\tNAME\n" (the
// call in flight) on `reportFd` before the process dies of the signal, and
// the process dies with its parent.
void prepareCheckProcess(int reportFd);
// Writes all of `text` on the descriptor.
void writeReport(int fd, const std::string& text);
// Ends the process at once, without running exit handlers: a module thread
// may still be stuck.
[[noreturn]] void endCheckProcess(int exitCode);

// SIGINT and SIGTERM of quex check stop the running checks (their groups are
// killed); interruptSignal() then tells which came, 0 before.
void catchInterrupts();
void restoreInterrupts();
int interruptSignal();

unsigned coreCount();
// This program's own file, to run a check in a process of its own.
std::string selfProgram(const char* argv0);

// Threads and open descriptors of this process, and bytes in use on the heap.
size_t threadCount();
size_t openDescriptorCount();
size_t heapBytesInUse();

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_CHECK_PROCESS_H
