// The module call in flight in this process, read by the crash and timeout
// handlers (check_process_posix.cpp) to say where a check died.
#ifndef QUEX_TOOLS_QUEX_CHECK_IN_FLIGHT_H
#define QUEX_TOOLS_QUEX_CHECK_IN_FLIGHT_H

#include <atomic>

namespace quex::check {

// A static text (an entry point's name) or null between calls.
extern std::atomic<const char*> callInFlight;

// Marks `name` as in flight for its lifetime.
class InFlight {
public:
  explicit InFlight(const char* name) : previous_(callInFlight.exchange(name)) {}
  ~InFlight() { callInFlight.store(previous_); }
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;

private:
  const char* previous_;
};

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_IN_FLIGHT_H
