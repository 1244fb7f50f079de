// A host that exits with children waiting in the warm pool: it keeps two
// ready for a module it never unloads (the wrapper is never destroyed) and
// returns from main as soon as they are ready, or, with a third argument,
// ends without running its exit handlers. It prints its process id first,
// so that the test can look for anything of it left behind.
#include "platform/child_process.h"
#include "remote/warm_pool.h"

#include <quex/quex.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

// Held here until the exit, so it is still in use (not leaked) when the
// exit handlers run.
static ExtensionWrapper* module = nullptr;

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) return 2;
  std::printf("%ld\n", quex::platform::currentProcessId());
  std::fflush(stdout);
  ExtensionWrapper::setWarmChildren(2);
  module = new ExtensionWrapper; // never destroyed: the exit must do the ending
  if (!module->load("e2e_current", argv[1], argv[2])) return 2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Remote::warm_pool::ready() < 2) {
    if (std::chrono::steady_clock::now() > deadline) return 4;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (argc == 4) std::_Exit(0);
  return 0;
}
