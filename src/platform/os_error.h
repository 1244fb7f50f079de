// One way to read and describe a failed system call: the call's name and the
// errno it left, captured at once so later calls cannot overwrite it.
#ifndef QUEX_SRC_PLATFORM_OS_ERROR_H
#define QUEX_SRC_PLATFORM_OS_ERROR_H

#include <cerrno>
#include <stdexcept>
#include <string>

namespace quex::platform {

// The system's text for an error number, or "<unknown>" when there is none.
std::string errorText(int number);

class SystemError : public std::runtime_error {
public:
  SystemError(const char* call, int number)
      : std::runtime_error(std::string(call) + ": " + errorText(number)), call_(call),
        number_(number) {}
  const char* call() const noexcept { return call_; }
  int number() const noexcept { return number_; }
  std::string text() const { return errorText(number_); }

private:
  const char* call_;
  int number_;
};

// The system's text for the error the last failed call of this thread left.
std::string lastErrorText();
// The system's text for an argument the system would refuse.
std::string invalidArgumentText();

// Throws SystemError for `call` with the current errno.
[[noreturn]] void throwLastError(const char* call);

// Runs `operation` again while it fails with EINTR; returns its last result.
template <typename Operation>
auto retryOnInterrupt(Operation operation) {
  for (;;) {
    auto result = operation();
    if (result == -1 && errno == EINTR) continue;
    return result;
  }
}

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_OS_ERROR_H
