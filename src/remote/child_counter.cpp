#include "child_counter.h"

#include "protocol/names.h"

#include "../platform/child_process.h"
#include "../platform/shared_names.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

namespace Remote {
namespace {

constexpr char kPrefix[] = "tarn.quex.";
// How many numbers a host tries past names someone else holds.
constexpr int kBaseNameTries = 64;

std::mutex counterLock;
uint32_t childCounter = 0;
std::once_flag swept;

std::string baseNameOf(uint32_t number) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%ld.%u", kPrefix, quex::platform::currentProcessId(),
                static_cast<unsigned>(number));
  return name;
}

// The host's process id in a name of ours ("tarn.quex.<pid>.<n>.<channel>" or
// "tarn.quex.<pid>.<n>_<channel>.<direction>"); 0 for any other name.
long hostOf(const std::string& name) {
  constexpr size_t prefixLength = sizeof kPrefix - 1;
  if (name.compare(0, prefixLength, kPrefix) != 0) return 0;
  const size_t end = name.find_first_not_of("0123456789", prefixLength);
  if (end == prefixLength || end == std::string::npos || name[end] != '.' ||
      end - prefixLength > 18)
    return 0;
  return std::strtol(name.c_str() + prefixLength, nullptr, 10);
}

bool anyNameTaken(const std::string& base) {
  using quex::platform::SharedName;
  for (const char* channel : {protocol::kMainChannel, protocol::kAsyncFromRemoteChannel,
                              protocol::kAsyncToRemoteChannel}) {
    if (quex::platform::sharedNameExists(SharedName{protocol::regionName(base, channel), false}) ||
        quex::platform::sharedNameExists(
            SharedName{protocol::toRemoteSemaphoreName(base, channel), true}) ||
        quex::platform::sharedNameExists(
            SharedName{protocol::fromRemoteSemaphoreName(base, channel), true}))
      return true;
  }
  return false;
}

} // namespace

uint32_t nextChildNumber() {
  try {
    std::lock_guard<std::mutex> lock(counterLock);
    return ++childCounter;
  } catch (const std::system_error&) {
    throw "mutex acquire failed";
  }
}

void removeStaleNames() noexcept {
  try {
    const long self = quex::platform::currentProcessId();
    for (const quex::platform::SharedName& name : quex::platform::ownSharedNames()) {
      const long host = hostOf(name.name);
      if (host != 0 && host != self && !quex::platform::processExists(host))
        quex::platform::removeSharedName(name);
    }
  } catch (const std::exception&) {
    // A sweep that cannot run leaves the names for the next host.
  }
}

std::string nextBaseName() {
  std::call_once(swept, removeStaleNames);
  std::string base;
  for (int attempt = 0; attempt < kBaseNameTries; ++attempt) {
    base = baseNameOf(nextChildNumber());
    if (!anyNameTaken(base)) break; // held by another user, or a stale one of ours
  }
  return base;
}

} // namespace Remote
