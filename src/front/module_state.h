// What an ExtensionWrapper knows about its module. Copies of a wrapper copy
// this whole: they share the open library and the proxy.
#ifndef QUEX_SRC_FRONT_MODULE_STATE_H
#define QUEX_SRC_FRONT_MODULE_STATE_H

#include "entry_points.h"

#include <quex/front/ExtensionWrapper.h>

#include <chrono>
#include <memory>
#include <string>

namespace quex::detail {

class LoadedLibrary;
class ModuleProxy;

struct ModuleState {
  EntryPoints entries;
  std::shared_ptr<LoadedLibrary> library; // set while loaded in-process
  std::string error;                      // the last open failure, as load reports it
  std::string diagnosis;                  // why the last load failed, in full
  std::string name;
  std::string path;
  std::string childProgram;
  std::shared_ptr<ModuleProxy> proxy; // set for a child-process module
  bool supportsInteraction = false;
  bool olderGeneration = false;
  std::string moduleInformation;
  Extension::ContextSupport* contextSupport = nullptr;
  size_t bulkFetchValueCount = 2000;
  std::chrono::milliseconds childDeadline{0};

  // The in-process entry for `entry`, or null when a proxy carries the module.
  template <typename Fn>
  Fn local(Fn entry) const {
    return proxy == nullptr ? entry : nullptr;
  }
  // The proxy when `entry` reaches a child-process module, else null.
  ModuleProxy* proxyFor(Entry entry) const {
    return entryRow(entry).remote ? proxy.get() : nullptr;
  }
};

// Bulk fetch for a module without its own: record by record, each value
// copied into a block the caller releases with free().
QXStatus bulkFetchEmulated(ExtensionWrapper& wrapper, void* component, size_t capacity,
                           void** values, size_t* lengths, size_t* fieldCount,
                           size_t* recordCount, int* errorCode);

} // namespace quex::detail

struct ExtensionWrapper::State : quex::detail::ModuleState {};

#endif // QUEX_SRC_FRONT_MODULE_STATE_H
