#include "warm_pool.h"

#include "protocol/names.h"

#include "../platform/thread.h"

#include <quex/remote/RemoteException.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace Remote::warm_pool {
namespace {

// A child that has not answered its first call by then is killed: the filler
// must not wait forever on a program that hangs.
constexpr std::chrono::milliseconds kFirstAnswerDeadline{10000};
// A taken child's replacement starts this long after the take. Started at
// once, it competed for the processor with the start of the component just
// taken: on two cores a warm start took half as long again.
constexpr std::chrono::milliseconds kRefillDelay{10};

struct Ready {
  Library library;
  Process::Owned<> process;
};

struct Pool {
  std::mutex lock;
  std::condition_variable wake;
  size_t size = 0;
  std::map<Library, size_t> modules; // live modules per library
  std::set<Library> failing;         // not refilled until a module asks again
  std::deque<Ready> ready;
  size_t taken = 0;
  size_t failed = 0;
  std::chrono::steady_clock::time_point lastTake; // the refill waits a little after it
  quex::platform::Thread filler;
  bool fillerRuns = false;
  uint64_t generation = 0; // a filler ends once this is not its own any more
  bool exiting = false; // the host is exiting: nothing starts any more
};

// Lives until the process ends: modules held by static objects may leave
// after the exit handler has emptied it.
Pool& pool() {
  static Pool* const instance = new Pool;
  return *instance;
}

size_t readyOf(const Pool& p, const Library& library) {
  return static_cast<size_t>(std::count_if(p.ready.begin(), p.ready.end(),
                                           [&](const Ready& r) { return r.library == library; }));
}

// A library that lacks ready children and may get one; null when none does.
const Library* libraryToFill(const Pool& p) {
  for (const auto& [library, count] : p.modules)
    if (count > 0 && p.failing.count(library) == 0 && readyOf(p, library) < p.size)
      return &library;
  return nullptr;
}

void end(Process::Owned<> process) noexcept {
  if (!process) return;
  try {
    process->terminate();
  } catch (...) {
    // Destroying the process kills and reaps the child in any case.
  }
  process.reset();
}

void endAll(std::vector<Process::Owned<>> processes) noexcept {
  for (Process::Owned<>& process : processes) end(std::move(process));
}

// Starts a child and makes its first exchange, in which the child loads the
// library; null when it does not answer or cannot load it.
Process::Owned<> startReady(const Library& library) noexcept {
  try {
    Process::Owned<> process = Process::create<Process>(library.program.c_str(), nullptr);
    process->setDeadline(kFirstAnswerDeadline);
    process->start();
    RemoteCall& call = process->mainCall();
    call.beginCall(protocol::call::kPing);
    call.putSize(0);
    call.putText(library.name);
    call.putText(library.path);
    int32_t status = -1;
    bool loaded = false;
    if (!process->call() || !call.getInt(status) || status != QX_OK || !call.getBool(loaded) ||
        !loaded) {
      end(std::move(process));
      return nullptr;
    }
    process->setDeadline(std::chrono::milliseconds(0));
    process->prefaultMainChannel(); // the child did the same before it answered
    return process;
  } catch (...) {
    return nullptr;
  }
}

void fill(uint64_t generation) {
  Pool& p = pool();
  std::unique_lock<std::mutex> lock(p.lock);
  for (;;) {
    p.wake.wait(lock,
                [&] { return p.generation != generation || libraryToFill(p) != nullptr; });
    if (p.generation != generation) return;
    const auto due = p.lastTake + kRefillDelay;
    if (std::chrono::steady_clock::now() < due) {
      p.wake.wait_until(lock, due, [&] { return p.generation != generation; });
      continue;
    }
    const Library library = *libraryToFill(p);
    lock.unlock();
    Process::Owned<> process = startReady(library);
    lock.lock();
    if (!process) {
      p.failing.insert(library);
      ++p.failed;
      continue;
    }
    if (p.generation != generation || p.modules.count(library) == 0 ||
        readyOf(p, library) >= p.size) {
      lock.unlock();
      end(std::move(process));
      lock.lock();
      continue;
    }
    p.ready.push_back(Ready{library, std::move(process)});
  }
}

// Takes out the ready children for ending: all of them, or those of libraries
// no module uses any more and those beyond the size. Called with the lock
// held; the caller ends them after releasing it.
std::vector<Process::Owned<>> unneeded(Pool& p, bool all) {
  std::vector<Process::Owned<>> gone;
  std::map<Library, size_t> kept;
  for (auto it = p.ready.begin(); it != p.ready.end();) {
    if (all || p.modules.count(it->library) == 0 || ++kept[it->library] > p.size) {
      gone.push_back(std::move(it->process));
      it = p.ready.erase(it);
    } else {
      ++it;
    }
  }
  return gone;
}

// Whether the filler should run: a size, a module, and a host not exiting.
bool wanted(const Pool& p) { return p.size > 0 && !p.modules.empty() && !p.exiting; }

// Brings the filler in line with wanted() and ends what is not needed; takes
// the lock itself.
void settle(bool all = false) {
  Pool& p = pool();
  quex::platform::Thread stopped;
  std::vector<Process::Owned<>> gone;
  {
    std::lock_guard<std::mutex> lock(p.lock);
    const bool keep = wanted(p) && !all;
    gone = unneeded(p, !keep);
    if (p.fillerRuns && !keep) {
      ++p.generation;
      p.fillerRuns = false;
      stopped = std::move(p.filler);
    } else if (!p.fillerRuns && keep) {
      static std::once_flag exitHandler;
      std::call_once(exitHandler, [] { std::atexit([] {
        {
          std::lock_guard<std::mutex> lock(pool().lock);
          pool().exiting = true;
        }
        settle(true);
      }); });
      const uint64_t generation = ++p.generation;
      p.fillerRuns = true;
      p.filler = quex::platform::Thread([generation] { fill(generation); });
    }
  }
  p.wake.notify_all();
  if (stopped.joinable()) {
    try {
      stopped.join();
    } catch (...) {
    }
  }
  endAll(std::move(gone));
}

} // namespace

void setSize(size_t count) {
  {
    std::lock_guard<std::mutex> lock(pool().lock);
    pool().size = count;
  }
  settle();
}

size_t size() {
  std::lock_guard<std::mutex> lock(pool().lock);
  return pool().size;
}

void join(const Library& library) {
  {
    std::lock_guard<std::mutex> lock(pool().lock);
    ++pool().modules[library];
    pool().failing.erase(library);
  }
  settle();
}

void leave(const Library& library) {
  {
    std::lock_guard<std::mutex> lock(pool().lock);
    const auto users = pool().modules.find(library);
    if (users == pool().modules.end()) return;
    if (--users->second == 0) pool().modules.erase(users);
  }
  settle();
}

Process::Owned<> take(const Library& library) {
  Pool& p = pool();
  std::vector<Process::Owned<>> dead;
  Process::Owned<> chosen;
  {
    std::lock_guard<std::mutex> lock(p.lock);
    p.failing.erase(library);
    for (auto it = p.ready.begin(); it != p.ready.end();) {
      if (!(it->library == library)) {
        ++it;
        continue;
      }
      Process::Owned<> process = std::move(it->process);
      it = p.ready.erase(it);
      // A child that died while it waited is of no use: its monitor has
      // written how it ended.
      if (!process->ending().empty()) {
        dead.push_back(std::move(process));
        continue;
      }
      chosen = std::move(process);
      ++p.taken;
      p.lastTake = std::chrono::steady_clock::now();
      break;
    }
  }
  p.wake.notify_all();
  endAll(std::move(dead));
  return chosen;
}

size_t ready() {
  std::lock_guard<std::mutex> lock(pool().lock);
  return pool().ready.size();
}

size_t taken() {
  std::lock_guard<std::mutex> lock(pool().lock);
  return pool().taken;
}

size_t failed() {
  std::lock_guard<std::mutex> lock(pool().lock);
  return pool().failed;
}

} // namespace Remote::warm_pool
