// The ExtensionWrapper calls that do more than forward: initialisation with
// the module-information query, the bulk-fetch emulation and scoring.
#include "call_guard.h"

#include <quex/front/ExtensionWrapper.h>

#include <cstdlib>
#include <cstring>
#include <new>

using quex::detail::currentTraceLevel;
using quex::detail::runGuarded;

QXStatus ExtensionWrapper::qx_initialise(QXHost* host, int* errorCode) {
  *errorCode = 0;
  if (currentTraceLevel() >= 1) QXCHK_enter("qx_initialise");
  quex::detail::ModuleProxy* proxy = proxy_.get();
  if (proxy == nullptr && entries_.initialise == nullptr) return QX_ERR_INVALID_OPERATION;
  const QXStatus status = runGuarded([&] {
    return proxy != nullptr ? proxy->qx_initialise(host, errorCode)
                            : entries_.initialise(host, errorCode);
  });
  if (currentTraceLevel() >= 1) QXCHK_exit(status, *errorCode, "qx_initialise", nullptr);

  if (proxy != nullptr) {
    // Outside the guard on purpose: a child that cannot start is the host's to hear about.
    const QXStatus started =
        proxy->startModule(errorCode, &supportsInteraction_, &moduleInformation_);
    bool older = false;
    if (proxy->moduleShape(&older, nullptr)) olderGeneration_ = older;
    return started;
  }
  supportsInteraction_ = entries_.beginInteraction != nullptr;
  if (entries_.getModuleInformation != nullptr) fetchModuleInformation(errorCode);
  return status;
}

void ExtensionWrapper::fetchModuleInformation(int* errorCode) {
  try {
    std::vector<char> buffer(4096);
    size_t needed = buffer.size();
    QXStatus status = qx_getModuleInformation(buffer.data(), buffer.size(), &needed, errorCode);
    if (status == QX_ERR_INSUFFICIENT_BUFFER) {
      buffer.assign(needed, '\0');
      status = qx_getModuleInformation(buffer.data(), buffer.size(), &needed, errorCode);
    }
    if (status == QX_OK && !buffer.empty())
      moduleInformation_.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  } catch (const std::bad_alloc&) {
    // An absurd needed size from the module: the information stays as it was.
  }
}

QXStatus ExtensionWrapper::bulkFetchEmulated(void* component, size_t capacity, void** values,
                                             size_t* lengths, size_t* fieldCount,
                                             size_t* recordCount, int* errorCode) {
  const size_t offset = *recordCount;
  *recordCount = 0;
  size_t counter = 0;
  if (*fieldCount > capacity) return QX_ERR_NO_DATA;
  while (qx_component_nextRecord(component, errorCode) == QX_OK) {
    for (size_t field = 0; field < *fieldCount; ++field, ++counter) {
      void* pointer = nullptr;
      lengths[counter] = 0;
      qx_component_getRecordValue(component, offset + field, &pointer, &lengths[counter],
                                  errorCode);
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
