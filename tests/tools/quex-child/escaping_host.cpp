// A host that lets the library's exception end it: it loads a module with a
// child program that does not exist and calls qx_initialise without a try
// block, so the exception reaches std::terminate and nothing of the host
// unwinds. It prints its process id first, so that the test can look for
// names it left in /dev/shm.
#include "platform/child_process.h"

#include <quex/quex.hpp>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::printf("%ld\n", quex::platform::currentProcessId());
  std::fflush(stdout);
  QXXMLWrapper::startup();
  std::unique_ptr<QXHostWrapper> host(QXHostWrapper::createHostWrapper());
  ExtensionWrapper module;
  if (!module.load("e2e_current", argv[1], "/nonexistent/quex-child")) return 2;
  int errorCode = 0;
  module.qx_initialise(QXHostFactory::create(host.get()), &errorCode); // throws
  return 0;
}
