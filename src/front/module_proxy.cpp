#include "module_proxy.h"

namespace quex::detail {

std::shared_ptr<ModuleProxy> createModuleProxy(const std::string& /*name*/,
                                               const std::string& /*path*/,
                                               const std::string& /*childProgram*/,
                                               Extension::ContextSupport* /*support*/) {
  return nullptr;
}

} // namespace quex::detail
