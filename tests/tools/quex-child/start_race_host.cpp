// A host that loads the scenario module in child processes and initialises
// it, which starts one child for the module information, and ends: the
// start-up race test kills it at random points of that start. Exits 0 when
// the whole start went through.
#include <quex/quex.hpp>

#include <memory>

int main() {
  QXXMLWrapper::startup();
  int result = 0;
  {
    ExtensionWrapper extension;
    std::unique_ptr<QXHostWrapper> host(QXHostWrapper::createHostWrapper());
    int errorCode = 0;
    if (!extension.load("e2e_current", QUEX_TEST_MODULE_DIR "/e2e_current", QUEX_CHILD_PROGRAM))
      result = 2;
    else if (extension.qx_initialise(QXHostFactory::create(host.get()), &errorCode) != QX_OK)
      result = 3;
    extension.qx_cleanup(&errorCode);
  }
  QXXMLWrapper::shutdown();
  return result;
}
