#include "runnable_thread.h"

#include "../platform/os_error.h"

namespace Remote {

quex::platform::Thread startThread(Runnable& runnable) {
  try {
    return quex::platform::Thread([&runnable] {
      try {
        runnable.run();
      } catch (...) {
        // A thread of this subsystem ends quietly; its owner sees the closed channel.
      }
    });
  } catch (const quex::platform::SystemError&) {
    throw "start error";
  }
}

void joinThread(quex::platform::Thread& thread) {
  try {
    thread.join();
  } catch (const quex::platform::SystemError&) {
    throw "join error";
  }
}

} // namespace Remote
