// AccessCount - the count of objects sharing one handle, so that the last of
// them releases it. Not atomic: all sharers stay on one thread.
#ifndef QUEX_CPPHELPER_ACCESSCOUNT_H
#define QUEX_CPPHELPER_ACCESSCOUNT_H

#include <quex/export.h>

#include <cstdint>

namespace ExtensionCppHelper {

class QUEX_API AccessCount {
public:
  AccessCount() = default;
  // Copies share the count without changing it; the sharer calls inc itself.
  AccessCount(const AccessCount&) = default;
  AccessCount& operator=(const AccessCount&) = default;

  // Starts a count of 1, or adds 1 to the shared one.
  void inc();
  // Subtracts 1; at 0 frees the count, after which value() reads 0.
  void dec() noexcept;
  uint32_t value() const noexcept { return counter != nullptr ? *counter : 0; }

private:
  uint32_t* counter = nullptr;
};

} // namespace ExtensionCppHelper

#endif // QUEX_CPPHELPER_ACCESSCOUNT_H
