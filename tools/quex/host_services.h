// The QXHost table quex gives a module: the host information document that
// describes quex, and the module's trace texts on standard error.
#ifndef QUEX_TOOLS_QUEX_HOST_SERVICES_H
#define QUEX_TOOLS_QUEX_HOST_SERVICES_H

#include <quex/qx.h>

#include <string>

namespace quex::tool {

// The host information document quex sends (see docs/host-conventions.md).
std::string hostInformationDocument();

class HostServices {
public:
  HostServices();
  HostServices(const HostServices&) = delete;
  HostServices& operator=(const HostServices&) = delete;

  QXHost* table() { return &table_; }

private:
  std::string information_;
  QXHost table_{};
};

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_HOST_SERVICES_H
