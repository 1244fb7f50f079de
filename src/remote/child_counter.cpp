#include "child_counter.h"

#include "../platform/child_process.h"

#include <cstdio>
#include <mutex>
#include <system_error>

namespace Remote {
namespace {

std::mutex counterLock;
uint32_t childCounter = 0;

} // namespace

uint32_t nextChildNumber() {
  try {
    std::lock_guard<std::mutex> lock(counterLock);
    return ++childCounter;
  } catch (const std::system_error&) {
    throw "mutex acquire failed";
  }
}

std::string nextBaseName() {
  const uint32_t number = nextChildNumber();
  char name[64];
  std::snprintf(name, sizeof name, "tarn.quex.%ld.%u", quex::platform::currentProcessId(),
                static_cast<unsigned>(number));
  return name;
}

} // namespace Remote
