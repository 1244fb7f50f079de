// The call methods of ExtensionWrapper: one per module entry point.
#include "call_guard.h"
#include "module_state.h"

using quex::detail::componentCall;
using quex::detail::Entry;
using quex::detail::Gate;
using quex::detail::ModuleProxy;
using quex::detail::perRecordCall;
using quex::detail::plainCall;

QXStatus ExtensionWrapper::qx_cleanup(int* errorCode) {
  ModuleProxy* proxy = state_->proxyFor(Entry::cleanup);
  return plainCall("qx_cleanup", nullptr, proxy != nullptr || state_->entries.cleanup != nullptr,
                   errorCode, [&] {
                     return proxy != nullptr ? proxy->qx_cleanup(errorCode)
                                             : state_->entries.cleanup(errorCode);
                   });
}

QXStatus ExtensionWrapper::qx_getModuleInformation(char* buffer, size_t bufferSize,
                                                   size_t* needed, int* errorCode) {
  // A child-process module's information arrives with qx_initialise instead.
  const auto entry = state_->local(state_->entries.getModuleInformation);
  return plainCall("qx_getModuleInformation", buffer, entry != nullptr, errorCode,
                   [&] { return entry(buffer, bufferSize, needed, errorCode); });
}

QXStatus ExtensionWrapper::qx_create_component(QXContext* context, const char* text,
                                               void** component, int* errorCode) {
  ModuleProxy* proxy = state_->proxy.get();
  if (proxy == nullptr) {
    const auto entry = state_->entries.createComponent;
    return plainCall("qx_create_component", nullptr, entry != nullptr, errorCode,
                     [&] { return entry(context, text, component, errorCode); });
  }
  // In a child, a current-generation module makes its component as in
  // process; an older one knows only tarnext_create_peer.
  bool older = true;
  const bool known = proxy->moduleShape(&older, nullptr);
  const QXStatus status =
      plainCall("qx_create_component", nullptr, known && !older, errorCode,
                [&] { return proxy->qx_create_component(context, text, component, errorCode); });
  if (!(known && !older) && quex::detail::currentTraceLevel() >= 1)
    quex::detail::writeTraceLine(
        known ? "qx_create_component: the module is of the older generation; its components "
                "are made with tarnext_create_peer"
              : "qx_create_component: the child program did not tell the module's generation; "
                "components are made with tarnext_create_peer");
  return status;
}

QXStatus ExtensionWrapper::tarnext_create_peer(QXContext* context, int number, const char* text,
                                               void** peer, int* errorCode) {
  ModuleProxy* proxy = state_->proxyFor(Entry::createPeer);
  return plainCall("qx_create_peer", nullptr, proxy != nullptr || state_->entries.createPeer != nullptr,
                   errorCode, [&] {
                     return proxy != nullptr
                                ? proxy->tarnext_create_peer(context, number, text, peer,
                                                             errorCode)
                                : state_->entries.createPeer(context, number, text, peer, errorCode);
                   });
}

QXStatus ExtensionWrapper::qx_destroy_component(void* component, int* errorCode) {
  ModuleProxy* proxy = state_->proxyFor(Entry::destroyComponent);
  return plainCall("qx_destroy_component", nullptr,
                   proxy != nullptr || state_->entries.destroyComponent != nullptr, errorCode, [&] {
                     return proxy != nullptr
                                ? proxy->qx_destroy_component(component, errorCode)
                                : state_->entries.destroyComponent(component, errorCode);
                   });
}

QXStatus ExtensionWrapper::qx_component_configure(void* component, int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_configure", nullptr, state_->proxyFor(Entry::configure),
                                       &ModuleProxy::qx_component_configure, state_->entries.configure,
                                       component, errorCode);
}

QXStatus ExtensionWrapper::qx_component_getDataModel(void* component, int number, char* buffer,
                                                     size_t bufferSize, size_t* needed,
                                                     int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_getDataModel", buffer, state_->proxyFor(Entry::getDataModel),
                                       &ModuleProxy::qx_component_getDataModel,
                                       state_->entries.getDataModel, component, errorCode, number,
                                       buffer, bufferSize, needed);
}

QXStatus ExtensionWrapper::qx_component_getExecutionRequirements(void* component, char* buffer,
                                                                 size_t bufferSize,
                                                                 size_t* needed,
                                                                 int* errorCode) {
  return componentCall<Gate::Standard>(
      this, "qx_component_getExecutionRequirements", buffer, state_->proxyFor(Entry::getExecutionRequirements),
      &ModuleProxy::qx_component_getExecutionRequirements, state_->entries.getExecutionRequirements,
      component, errorCode, buffer, bufferSize, needed);
}

QXStatus ExtensionWrapper::qx_component_getCatalogueInformation(void* component,
                                                                const char* text, char* buffer,
                                                                size_t bufferSize,
                                                                size_t* needed,
                                                                int* errorCode) {
  return componentCall<Gate::Standard>(
      this, "qx_component_getCatalogueInformation", buffer, state_->proxyFor(Entry::getCatalogueInformation),
      &ModuleProxy::qx_component_getCatalogueInformation, state_->entries.getCatalogueInformation,
      component, errorCode, text, buffer, bufferSize, needed);
}

QXStatus ExtensionWrapper::qx_component_beginExecution(void* component, QXIterator* iterator,
                                                       QXProgress* progress, int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_beginExecution", nullptr,
                                       state_->proxyFor(Entry::beginExecution), &ModuleProxy::qx_component_beginExecution,
                                       state_->entries.beginExecution, component, errorCode, iterator,
                                       progress);
}

QXStatus ExtensionWrapper::qx_component_endExecution(void* component, int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_endExecution", nullptr, state_->proxyFor(Entry::endExecution),
                                       &ModuleProxy::qx_component_endExecution,
                                       state_->entries.endExecution, component, errorCode);
}

QXStatus ExtensionWrapper::qx_component_cancelExecution(void* component, int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_cancelExecution", nullptr,
                                       state_->proxyFor(Entry::cancelExecution), &ModuleProxy::qx_component_cancelExecution,
                                       state_->entries.cancelExecution, component, errorCode);
}

QXStatus ExtensionWrapper::qx_component_nextRecord(void* component, int* errorCode) {
  return perRecordCall(this, "qx_component_nextRecord", state_->proxyFor(Entry::nextRecord),
                       &ModuleProxy::qx_component_nextRecord, state_->entries.nextRecord, component,
                       errorCode);
}

QXStatus ExtensionWrapper::qx_component_getRecordValue(void* component, size_t index,
                                                       void** value, size_t* length,
                                                       int* errorCode) {
  return perRecordCall(this, "qx_component_getRecordValue", state_->proxyFor(Entry::getRecordValue),
                       &ModuleProxy::qx_component_getRecordValue, state_->entries.getRecordValue,
                       component, errorCode, index, value, length);
}

QXStatus ExtensionWrapper::qx_component_bulkFetch(void* component, size_t capacity,
                                                  void** values, size_t* lengths,
                                                  size_t* fieldCount, size_t* recordCount,
                                                  int* errorCode) {
  if (state_->proxy == nullptr && state_->entries.bulkFetch == nullptr)
    return quex::detail::bulkFetchEmulated(*this, component, capacity, values, lengths,
                                           fieldCount, recordCount, errorCode);
  return perRecordCall(this, "qx_component_bulkFetch", state_->proxyFor(Entry::bulkFetch),
                       &ModuleProxy::qx_component_bulkFetch, state_->entries.bulkFetch, component,
                       errorCode, capacity, values, lengths, fieldCount, recordCount);
}

QXStatus ExtensionWrapper::qx_component_getSQLGeneration(void* component, char* buffer,
                                                         size_t bufferSize, size_t* needed,
                                                         int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_getSQLGeneration", buffer,
                                       state_->proxyFor(Entry::getSQLGeneration), &ModuleProxy::qx_component_getSQLGeneration,
                                       state_->entries.getSQLGeneration, component, errorCode, buffer,
                                       bufferSize, needed);
}

QXStatus ExtensionWrapper::qx_component_getErrorDetail(void* component, char* buffer,
                                                       size_t bufferSize, size_t* needed,
                                                       int* errorCode) {
  // *errorCode carries in the code whose text is asked for: not reset.
  return componentCall<Gate::Standard, false>(
      this, "qx_component_getErrorDetail", buffer, state_->proxyFor(Entry::getErrorDetail),
      &ModuleProxy::qx_component_getErrorDetail, state_->entries.getErrorDetail, component, errorCode,
      buffer, bufferSize, needed);
}

QXStatus ExtensionWrapper::qx_component_beginInteraction(void* component, QXChannel* channel,
                                                         int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_beginInteraction", nullptr,
                                       state_->proxyFor(Entry::beginInteraction), &ModuleProxy::qx_component_beginInteraction,
                                       state_->entries.beginInteraction, component, errorCode, channel);
}

QXStatus ExtensionWrapper::qx_component_endInteraction(void* component, int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_endInteraction", nullptr,
                                       state_->proxyFor(Entry::endInteraction), &ModuleProxy::qx_component_endInteraction,
                                       state_->entries.endInteraction, component, errorCode);
}

QXStatus ExtensionWrapper::qx_component_request(void* component, const char* data,
                                                size_t length, int* errorCode) {
  return componentCall<Gate::Standard>(this, "qx_component_request", nullptr, state_->proxyFor(Entry::request),
                                       &ModuleProxy::qx_component_request, state_->entries.request,
                                       component, errorCode, data, length);
}

QXStatus ExtensionWrapper::qx_component_getRequestReply(void* component, char* buffer,
                                                        size_t bufferSize, size_t* needed,
                                                        int* errorCode) {
  // Replies are not traced.
  return componentCall<Gate::Standard>(this, "qx_component_getRequestReply", nullptr,
                                       state_->proxyFor(Entry::getRequestReply), &ModuleProxy::qx_component_getRequestReply,
                                       state_->entries.getRequestReply, component, errorCode, buffer,
                                       bufferSize, needed);
}

namespace {
// The trace line of a call that has no out-of-process form.
void traceNoChildForm(const char* name) {
  if (quex::detail::currentTraceLevel() >= 1)
    quex::detail::writeTraceLine(std::string(name) +
                                 " has no out-of-process form: QX_ERR_INVALID_OPERATION");
}
} // namespace

// These two have no child-process counterpart: with a proxy they answer
// QX_ERR_INVALID_OPERATION after the enter line, and say why.
QXStatus ExtensionWrapper::qx_component_getPsmControlInformation(void* component, char* buffer,
                                                                 size_t bufferSize,
                                                                 size_t* needed,
                                                                 int* errorCode) {
  using Call = QXStatus (ModuleProxy::*)(void*, char*, size_t, size_t*, int*);
  const auto entry = state_->local(state_->entries.getPsmControlInformation);
  const QXStatus status = componentCall<Gate::Standard>(
      this, "qx_component_getPsmControlInformation", buffer, nullptr, Call{}, entry, component,
      errorCode, buffer, bufferSize, needed);
  if (state_->proxy != nullptr) traceNoChildForm("qx_component_getPsmControlInformation");
  return status;
}

QXStatus ExtensionWrapper::qx_component_psmMerge(void* component, int* errorCode) {
  using Call = QXStatus (ModuleProxy::*)(void*, int*);
  const auto entry = state_->local(state_->entries.psmMerge);
  const QXStatus status = componentCall<Gate::Standard>(
      this, "qx_component_psmMerge", nullptr, nullptr, Call{}, entry, component, errorCode);
  if (state_->proxy != nullptr) traceNoChildForm("qx_component_psmMerge");
  return status;
}

QXStatus ExtensionWrapper::qx_peer_call(void* component, const char* callName,
                                        void** arguments, void*** results, int* errorCode) {
  // The generic call reaches in-process older-generation modules only.
  using Call = QXStatus (ModuleProxy::*)(void*, const char*, void**, void***, int*);
  const auto entry = state_->local(state_->entries.peerCall);
  return componentCall<Gate::PerRecord>(this, "qx_peer_call", nullptr, nullptr, Call{}, entry,
                                        component, errorCode, callName, arguments, results);
}
