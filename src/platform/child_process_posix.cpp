#include "child_process.h"

#include "os_error.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

extern char** environ;

namespace quex::platform {

long currentProcessId() noexcept { return static_cast<long>(getpid()); }
long parentProcessId() noexcept { return static_cast<long>(getppid()); }

bool dieWithParent() noexcept { return prctl(PR_SET_PDEATHSIG, SIGKILL) == 0; }
void stopDyingWithParent() noexcept { prctl(PR_SET_PDEATHSIG, 0); }
bool standardOutputToError() noexcept { return dup2(STDERR_FILENO, STDOUT_FILENO) == STDOUT_FILENO; }

std::string signalName(int number) {
  const char* abbreviation = sigabbrev_np(number);
  if (abbreviation == nullptr) return "signal " + std::to_string(number);
  return std::string("SIG") + abbreviation;
}

struct ChildProcess::State {
  pid_t pid = -1;
  int pidfd = -1; // -1 where the kernel has no pidfd_open: waitpid polling
  int wakeFd = -1; // an eventfd that ends a wait early
  std::atomic<bool> woken{false}; // the same for waitpid polling
  std::mutex reapLock;
  bool reaped = false;
  std::optional<Ending> ending;

  ~State() {
    if (pidfd >= 0) close(pidfd);
    if (wakeFd >= 0) close(wakeFd);
  }

  // Reaps the child if it has ended; true once it is reaped.
  bool tryReap() noexcept {
    std::lock_guard<std::mutex> lock(reapLock);
    if (reaped) return true;
    int status = 0;
    const pid_t result = retryOnInterrupt([&] { return waitpid(pid, &status, WNOHANG); });
    if (result == pid) noteEnding(status);
    if (result == pid || (result == -1 && errno == ECHILD)) reaped = true;
    return reaped;
  }

  void noteEnding(int status) noexcept {
    if (WIFEXITED(status)) ending = Ending{false, WEXITSTATUS(status)};
    else if (WIFSIGNALED(status)) ending = Ending{true, WTERMSIG(status)};
  }

  void killAndReap() noexcept {
    std::lock_guard<std::mutex> lock(reapLock);
    if (reaped) return;
    ::kill(pid, SIGKILL);
    int status = 0;
    if (retryOnInterrupt([&] { return waitpid(pid, &status, 0); }) == pid) noteEnding(status);
    reaped = true;
  }
};

ChildProcess::ChildProcess() noexcept = default;
ChildProcess::ChildProcess(ChildProcess&& other) noexcept = default;

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    ChildProcess old(std::move(*this));
    state_ = std::move(other.state_);
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  if (state_) state_->killAndReap();
}

ChildProcess ChildProcess::spawn(const std::string& program, const std::string& argument) {
  std::vector<char> programText(program.begin(), program.end());
  programText.push_back('\0');
  std::vector<char> argumentText(argument.begin(), argument.end());
  argumentText.push_back('\0');
  char* argv[] = {programText.data(), argumentText.data(), nullptr};

  // The child gets its standard streams and nothing else of this process:
  // not the host's open files, nor descriptors another thread opened without
  // close-on-exec.
  posix_spawn_file_actions_t actions;
  int error = posix_spawn_file_actions_init(&actions);
  if (error != 0) throw SystemError("posix_spawn_file_actions_init", error);
  error = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  pid_t pid = -1;
  if (error == 0)
    error = posix_spawn(&pid, programText.data(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw SystemError("posix_spawn", error);

  ChildProcess child;
  child.state_ = std::make_unique<State>();
  child.state_->pid = pid;
  const long pidfd = syscall(SYS_pidfd_open, pid, 0);
  if (pidfd >= 0) {
    child.state_->pidfd = static_cast<int>(pidfd);
    fcntl(child.state_->pidfd, F_SETFD, FD_CLOEXEC);
    child.state_->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  }
  return child;
}

ChildProcess::operator bool() const noexcept { return state_ != nullptr; }

long ChildProcess::id() const noexcept { return state_ ? static_cast<long>(state_->pid) : -1; }

bool ChildProcess::exited() const noexcept {
  if (!state_) return true;
  std::lock_guard<std::mutex> lock(state_->reapLock);
  return state_->reaped;
}

std::optional<ChildProcess::Ending> ChildProcess::ending() const noexcept {
  if (!state_) return std::nullopt;
  std::lock_guard<std::mutex> lock(state_->reapLock);
  return state_->ending;
}

ChildProcess::WaitResult ChildProcess::waitForExit(int milliseconds) noexcept {
  if (!state_) return WaitResult::Failed;
  if (state_->tryReap()) return WaitResult::Exited;
  if (state_->pidfd >= 0) {
    pollfd watched[2] = {{state_->pidfd, POLLIN, 0}, {state_->wakeFd, POLLIN, 0}};
    const nfds_t count = state_->wakeFd >= 0 ? 2 : 1;
    const int ready = retryOnInterrupt([&] { return poll(watched, count, milliseconds); });
    if (ready < 0) return WaitResult::Failed;
    if (ready == 0) return WaitResult::TimedOut;
    if ((watched[0].revents & POLLIN) == 0) { // woken: take the wake-up, report a time-out
      eventfd_t taken = 0;
      eventfd_read(state_->wakeFd, &taken);
      return WaitResult::TimedOut;
    }
    return state_->tryReap() ? WaitResult::Exited : WaitResult::Failed;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (state_->tryReap()) return WaitResult::Exited;
    if (state_->woken.exchange(false)) return WaitResult::TimedOut;
  }
  return WaitResult::TimedOut;
}

void ChildProcess::wake() noexcept {
  if (!state_) return;
  if (state_->wakeFd >= 0) eventfd_write(state_->wakeFd, 1);
  state_->woken.store(true);
}

void ChildProcess::kill() noexcept {
  if (!state_) return;
  std::lock_guard<std::mutex> lock(state_->reapLock);
  if (!state_->reaped) ::kill(state_->pid, SIGKILL);
}

} // namespace quex::platform
