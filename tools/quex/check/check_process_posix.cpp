#include "check_process.h"
#include "in_flight.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Under a sanitizer the allocator is the sanitizer's own, which malloc's
// statistics do not see: its own count of allocated bytes is used instead.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUEX_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUEX_SANITIZER_ALLOCATOR 1
#endif
#endif
#ifdef QUEX_SANITIZER_ALLOCATOR
extern "C" size_t __sanitizer_get_current_allocated_bytes(void); // in every sanitizer runtime
#endif

extern char** environ;

namespace quex::check {

namespace {

int reportFd_ = -1;
std::atomic<int> interruptSignal_{0};
int interruptPipe_[2] = {-1, -1};

const char* signalName(int signal) {
  switch (signal) {
  case SIGSEGV: return "SIGSEGV";
  case SIGBUS: return "SIGBUS";
  case SIGFPE: return "SIGFPE";
  case SIGILL: return "SIGILL";
  case SIGABRT: return "SIGABRT";
  case SIGTERM: return "SIGTERM";
  case SIGKILL: return "SIGKILL";
  case SIGINT: return "SIGINT";
  case SIGPIPE: return "SIGPIPE";
  case SIGTRAP: return "SIGTRAP";
  case SIGSYS: return "SIGSYS";
  default: return nullptr;
  }
}

void writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    size -= static_cast<size_t>(written);
  }
}

// Async-signal-safe: writes the call in flight, then dies of the signal.
extern "C" void reportCallInFlightAndDie(int signal) {
  const char* call = callInFlight.load();
  if (reportFd_ >= 0 && call != nullptr) {
    writeAll(reportFd_, "inflight\t", 9);
    writeAll(reportFd_, call, strlen(call));
    writeAll(reportFd_, "\n", 1);
  }
  std::signal(signal, SIG_DFL);
  raise(signal);
}

extern "C" void stopChecksOnSignal(int signal) {
  interruptSignal_.store(signal);
  if (interruptPipe_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = write(interruptPipe_[1], &byte, 1);
  }
}

// Removes the shared regions and semaphores of the child processes started by
// process `pid` ("tarn.quex.<pid>.<n>..."), left behind when it was killed.
void removeSharedNames(pid_t pid) {
  const std::string region = "tarn.quex." + std::to_string(pid) + ".";
  const std::string semaphore = "sem." + region;
  DIR* folder = opendir("/dev/shm");
  if (folder == nullptr) return;
  std::vector<std::string> names;
  while (dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.rfind(region, 0) == 0 || name.rfind(semaphore, 0) == 0) names.push_back(name);
  }
  closedir(folder);
  for (const std::string& name : names) unlink(("/dev/shm/" + name).c_str());
}

class Pipe {
public:
  Pipe() {
    if (pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  bool ok() const { return fds_[0] >= 0; }
  int read() const { return fds_[0]; }
  int write() const { return fds_[1]; }
  void closeRead() { closeOne(fds_[0]); }
  void closeWrite() { closeOne(fds_[1]); }

private:
  static void closeOne(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  int fds_[2];
};

// Reads what is there; false at the end of the stream.
bool drain(int fd, std::string& into, size_t keep) {
  char buffer[4096];
  ssize_t got = ::read(fd, buffer, sizeof buffer);
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (got <= 0) return false;
  into.append(buffer, static_cast<size_t>(got));
  if (into.size() > keep) into.erase(0, into.size() - keep);
  return true;
}

} // namespace

ProcessEnd runCheckProcess(const std::vector<std::string>& arguments, double timeoutSeconds) {
  using Clock = std::chrono::steady_clock;
  ProcessEnd end;
  const Clock::time_point start = Clock::now();
  Pipe report, output;
  if (!report.ok() || !output.ok()) {
    end.report = std::string("cannot make a pipe: ") + strerror(errno);
    return end;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output.write(), 1);
  posix_spawn_file_actions_adddup2(&actions, output.write(), 2);
  posix_spawn_file_actions_adddup2(&actions, report.write(), kReportDescriptor);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  report.closeWrite();
  output.closeWrite();
  if (error != 0) {
    end.report = std::string("cannot start ") + arguments[0] + ": " + strerror(error);
    return end;
  }

  const Clock::time_point deadline =
      start + std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000));
  Clock::time_point killAt = Clock::time_point::max();
  bool reportOpen = true, outputOpen = true, terminated = false, killed = false;
  while (reportOpen || outputOpen) {
    const Clock::time_point now = Clock::now();
    if (!terminated && (now >= deadline || interruptSignal_.load() != 0)) {
      terminated = true;
      end.how = interruptSignal_.load() != 0 ? ProcessEnd::How::Interrupted
                                             : ProcessEnd::How::TimedOut;
      // SIGTERM first, so that the check can name the call in flight.
      kill(-pid, end.how == ProcessEnd::How::TimedOut ? SIGTERM : SIGKILL);
      killAt = now + std::chrono::milliseconds(300);
    }
    if (terminated && !killed && now >= killAt) {
      killed = true;
      kill(-pid, SIGKILL);
    }
    const Clock::time_point next = terminated ? (killed ? now + std::chrono::seconds(1) : killAt)
                                              : deadline;
    const long long wait = std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1);
    pollfd fds[3] = {{report.read(), POLLIN, 0}, {output.read(), POLLIN, 0},
                     {interruptPipe_[0], POLLIN, 0}};
    if (!reportOpen) fds[0].fd = -1;
    if (!outputOpen) fds[1].fd = -1;
    if (terminated) fds[2].fd = -1;
    const int ready = poll(fds, 3, static_cast<int>(std::min<long long>(wait, 1000)));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if (reportOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
      reportOpen = drain(report.read(), end.report, 1 << 20);
    if (outputOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
      outputOpen = drain(output.read(), end.output, 4096);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  kill(-pid, SIGKILL); // whatever the check started and left behind
  removeSharedNames(pid);
  end.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (end.how == ProcessEnd::How::TimedOut || end.how == ProcessEnd::How::Interrupted) return end;
  if (WIFSIGNALED(status)) {
    end.how = ProcessEnd::How::Signalled;
    const char* name = signalName(WTERMSIG(status));
    end.signalName = name != nullptr ? name : "signal " + std::to_string(WTERMSIG(status));
  } else {
    end.how = ProcessEnd::How::Exited;
    end.exitCode = WEXITSTATUS(status);
  }
  return end;
}

void prepareCheckProcess(int reportFd) {
  reportFd_ = reportFd;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() == 1) _exit(1); // the parent is already gone
  // Room to report a stack overflow.
  static char alternateStack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = reportCallInFlightAndDie;
  action.sa_flags = SA_ONSTACK | SA_NODEFER | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTERM})
    sigaction(signal, &action, nullptr);
}

void writeReport(int fd, const std::string& text) { writeAll(fd, text.data(), text.size()); }

void endCheckProcess(int exitCode) { _exit(exitCode); }

void catchInterrupts() {
  interruptSignal_.store(0);
  if (interruptPipe_[0] < 0 && pipe2(interruptPipe_, O_CLOEXEC | O_NONBLOCK) != 0)
    interruptPipe_[0] = interruptPipe_[1] = -1;
  struct sigaction action {};
  action.sa_handler = stopChecksOnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void restoreInterrupts() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

int interruptSignal() { return interruptSignal_.load(); }

unsigned coreCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

std::string selfProgram(const char* argv0) {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return argv0;
  return std::string(path, static_cast<size_t>(length));
}

namespace {
size_t entriesIn(const char* folder) {
  DIR* directory = opendir(folder);
  if (directory == nullptr) return 0;
  size_t count = 0;
  while (dirent* entry = readdir(directory))
    if (entry->d_name[0] != '.') ++count;
  closedir(directory);
  return count;
}
} // namespace

size_t threadCount() { return entriesIn("/proc/self/task"); }

size_t openDescriptorCount() { return entriesIn("/proc/self/fd") - 1; } // less the listing's own

size_t heapBytesInUse() {
#ifdef QUEX_SANITIZER_ALLOCATOR
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

} // namespace quex::check
