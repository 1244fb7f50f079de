#include "call_ring.h"

#include "../common/trace.h"

namespace Remote {

std::string CallRing::describe(Clock::time_point now) const {
  std::string text;
  for (size_t step = 1; step <= kEntries; ++step) {
    const Entry& entry = entries_[(newest_ + step) % kEntries];
    if (entry.call == nullptr) continue;
    if (!text.empty()) text += ", ";
    text += entry.call;
    text += ' ';
    text += quex::detail::statusName(entry.status);
    if (entry.repeats > 1) text += " x" + std::to_string(entry.repeats);
    const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(now - entry.at);
    text += " (" + std::to_string(ago.count()) + " ms ago)";
  }
  return text;
}

} // namespace Remote
