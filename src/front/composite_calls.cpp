// The ExtensionWrapper calls that do more than forward: initialisation with
// the module-information query, the bulk-fetch emulation and scoring.
#include "call_guard.h"
#include "module_state.h"

#include <cstdlib>
#include <cstring>
#include <new>

using quex::detail::currentTraceLevel;
using quex::detail::Entry;
using quex::detail::runGuarded;

namespace quex::detail {
namespace {

// Asks the module for its information once with 4096 bytes and once more with
// the size it named.
void fetchModuleInformation(ExtensionWrapper& wrapper, ModuleState& module, int* errorCode) {
  try {
    std::vector<char> buffer(4096);
    size_t needed = buffer.size();
    QXStatus status =
        wrapper.qx_getModuleInformation(buffer.data(), buffer.size(), &needed, errorCode);
    if (status == QX_ERR_INSUFFICIENT_BUFFER) {
      buffer.assign(needed, '\0');
      status = wrapper.qx_getModuleInformation(buffer.data(), buffer.size(), &needed, errorCode);
    }
    if (status == QX_OK && !buffer.empty())
      module.moduleInformation.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  } catch (...) {
    // An absurd needed size from the module (bad_alloc, length_error): the
    // information stays as it was.
  }
}

} // namespace
} // namespace quex::detail

QXStatus ExtensionWrapper::qx_initialise(QXHost* host, int* errorCode) {
  *errorCode = 0;
  if (currentTraceLevel() >= 1) QXCHK_enter("qx_initialise");
  quex::detail::ModuleState& module = *state_;
  quex::detail::ModuleProxy* proxy = module.proxyFor(Entry::initialise);
  if (proxy == nullptr && module.entries.initialise == nullptr) return QX_ERR_INVALID_OPERATION;
  const QXStatus status = runGuarded([&] {
    return proxy != nullptr ? proxy->qx_initialise(host, errorCode)
                            : module.entries.initialise(host, errorCode);
  });
  if (currentTraceLevel() >= 1) QXCHK_exit(status, *errorCode, "qx_initialise", nullptr);

  if (proxy != nullptr) {
    // Outside the guard on purpose: a child that cannot start is the host's to hear about.
    const QXStatus started =
        proxy->startModule(errorCode, &module.supportsInteraction, &module.moduleInformation);
    bool older = false;
    if (proxy->moduleShape(&older, nullptr)) module.olderGeneration = older;
    return started;
  }
  module.supportsInteraction = module.entries.beginInteraction != nullptr;
  if (module.entries.getModuleInformation != nullptr)
    quex::detail::fetchModuleInformation(*this, module, errorCode);
  return status;
}

namespace quex::detail {

QXStatus bulkFetchEmulated(ExtensionWrapper& wrapper, void* component, size_t capacity,
                           void** values, size_t* lengths, size_t* fieldCount,
                           size_t* recordCount, int* errorCode) {
  const size_t offset = *recordCount;
  *recordCount = 0;
  size_t counter = 0;
  if (*fieldCount > capacity) return QX_ERR_NO_DATA;
  while (wrapper.qx_component_nextRecord(component, errorCode) == QX_OK) {
    for (size_t field = 0; field < *fieldCount; ++field, ++counter) {
      void* pointer = nullptr;
      lengths[counter] = 0;
      wrapper.qx_component_getRecordValue(component, offset + field, &pointer,
                                          &lengths[counter], errorCode);
      values[counter] = nullptr;
      if (pointer == nullptr) continue;
      void* copy = std::malloc(lengths[counter] != 0 ? lengths[counter] : 1);
      if (copy == nullptr) {
        // Out of memory: hand back nothing rather than a half-filled batch.
        for (size_t i = 0; i < counter; ++i) std::free(values[i]);
        *recordCount = 0;
        return QX_ERR_EXCEPTION_THROWN;
      }
      std::memcpy(copy, pointer, lengths[counter]);
      values[counter] = copy;
    }
    ++*recordCount;
    if (counter + *fieldCount > capacity) break;
  }
  return *recordCount > 0 ? QX_OK : QX_ERR_NO_DATA;
}

} // namespace quex::detail

QXStatus ExtensionWrapper::qx_peer_score(void* component, const KSCommon::Record& record,
                                         std::vector<double>& scores,
                                         std::vector<std::vector<double>>& scoreRows,
                                         int* errorCode) {
  *errorCode = 0;
  const int level = currentTraceLevel();
  if (level >= 3) QXCHK_enter(this, component, "qx_peer_score");
  const QXStatus status = runGuarded([&] {
    void* arguments[] = {const_cast<KSCommon::Record*>(&record)};
    void** results = nullptr;
    const QXStatus called = qx_peer_call(component, "score", arguments, &results, errorCode);
    if (called != QX_OK) return called;
    if (results == nullptr || results[0] == nullptr || results[1] == nullptr)
      return QX_ERR_EXCEPTION_THROWN; // the module broke the "score" contract
    scores = *static_cast<const std::vector<double>*>(results[0]);
    scoreRows = *static_cast<const std::vector<std::vector<double>>*>(results[1]);
    return QX_OK;
  });
  if (currentTraceLevel() >= 3 || status != QX_OK)
    QXCHK_exit(this, status, component, *errorCode, "qx_peer_score", nullptr);
  return status;
}
