#include "module_proxy.h"

#include "../remote/remote_module.h"

namespace quex::detail {

std::shared_ptr<ModuleProxy> createModuleProxy(const std::string& name, const std::string& path,
                                               const std::string& childProgram,
                                               Extension::ContextSupport* support) {
  return std::make_shared<Remote::RemoteModule>(name, path, childProgram, support);
}

} // namespace quex::detail
