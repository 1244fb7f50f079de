// The last calls the host made on one component: name, status and when, in a
// fixed ring that needs no allocation. A call repeated with the same status
// (the record loop) only counts up the newest entry, so a note costs a
// comparison and an increment, and the ring still reaches back past the
// record loop. Written and read by the thread that calls the component; only
// describe() formats, and only when a trace line asks for it.
#ifndef QUEX_SRC_REMOTE_CALL_RING_H
#define QUEX_SRC_REMOTE_CALL_RING_H

#include <quex/qx.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace Remote {

class CallRing {
public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kEntries = 16;

  // `call` has static storage: the same call is the same pointer.
  void note(const char* call, QXStatus status) noexcept {
    Entry& newest = entries_[newest_];
    if (newest.call == call && newest.status == status) {
      ++newest.repeats;
      return;
    }
    noteNew(call, status);
  }

  // "NAME STATUS [xN] (T ms ago), ..." from the oldest entry kept; empty
  // when nothing was noted.
  std::string describe(Clock::time_point now) const;

private:
  struct Entry {
    const char* call = nullptr;
    QXStatus status = QX_OK;
    uint64_t repeats = 0;
    Clock::time_point at;
  };

  [[gnu::noinline]] void noteNew(const char* call, QXStatus status) noexcept {
    if (entries_[newest_].call != nullptr) newest_ = (newest_ + 1) % kEntries;
    entries_[newest_] = Entry{call, status, 1, Clock::now()};
  }

  std::array<Entry, kEntries> entries_{};
  size_t newest_ = 0;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_CALL_RING_H
