// The seam between ExtensionWrapper and a module that runs in child processes.
// ExtensionWrapper forwards every component call to a ModuleProxy when the
// module was loaded with a child program; it sees only this abstract class and
// its factory, which lives with the child-process module.
#ifndef QUEX_SRC_REMOTE_MODULE_PROXY_H
#define QUEX_SRC_REMOTE_MODULE_PROXY_H

#include <quex/front/ExtensionWrapper.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace quex::detail {

class ModuleProxy {
public:
  virtual ~ModuleProxy() = default;

  virtual QXStatus qx_initialise(QXHost* host, int* errorCode) = 0;
  virtual QXStatus qx_cleanup(int* errorCode) = 0;
  // Runs the module's initialisation and module-information query in a child
  // process. Its exceptions reach the caller of ExtensionWrapper::qx_initialise.
  virtual QXStatus startModule(int* errorCode, bool* supportsInteraction,
                               std::string* moduleInformation) = 0;
  virtual QXStatus tarnext_create_peer(QXContext* context, int number, const char* text,
                                       void** peer, int* errorCode) = 0;
  // A current-generation module's component, made in its own child.
  virtual QXStatus qx_create_component(QXContext* context, const char* text, void** component,
                                       int* errorCode) = 0;
  // The module's generation and optional entries as its child reported them
  // at initialisation; false while unknown (before, or from a child that
  // does not tell).
  virtual bool moduleShape(bool* olderGeneration, std::vector<std::string>* optionalEntries) = 0;
  virtual QXStatus qx_destroy_component(void* component, int* errorCode) = 0;
  virtual QXStatus qx_component_configure(void* component, int* errorCode) = 0;
  virtual QXStatus qx_component_getDataModel(void* component, int number, char* buffer,
                                             size_t bufferSize, size_t* needed,
                                             int* errorCode) = 0;
  virtual QXStatus qx_component_getExecutionRequirements(void* component, char* buffer,
                                                         size_t bufferSize, size_t* needed,
                                                         int* errorCode) = 0;
  virtual QXStatus qx_component_getCatalogueInformation(void* component, const char* text,
                                                        char* buffer, size_t bufferSize,
                                                        size_t* needed, int* errorCode) = 0;
  virtual QXStatus qx_component_beginExecution(void* component, QXIterator* iterator,
                                               QXProgress* progress, int* errorCode) = 0;
  virtual QXStatus qx_component_endExecution(void* component, int* errorCode) = 0;
  virtual QXStatus qx_component_cancelExecution(void* component, int* errorCode) = 0;
  virtual QXStatus qx_component_nextRecord(void* component, int* errorCode) = 0;
  virtual QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                               size_t* length, int* errorCode) = 0;
  virtual QXStatus qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                          size_t* lengths, size_t* fieldCount,
                                          size_t* recordCount, int* errorCode) = 0;
  virtual QXStatus qx_component_getSQLGeneration(void* component, char* buffer,
                                                 size_t bufferSize, size_t* needed,
                                                 int* errorCode) = 0;
  virtual QXStatus qx_component_getErrorDetail(void* component, char* buffer,
                                               size_t bufferSize, size_t* needed,
                                               int* errorCode) = 0;
  virtual QXStatus qx_component_beginInteraction(void* component, QXChannel* channel,
                                                 int* errorCode) = 0;
  virtual QXStatus qx_component_endInteraction(void* component, int* errorCode) = 0;
  virtual QXStatus qx_component_request(void* component, const char* data, size_t length,
                                        int* errorCode) = 0;
  virtual QXStatus qx_component_getRequestReply(void* component, char* buffer,
                                                size_t bufferSize, size_t* needed,
                                                int* errorCode) = 0;

  // Supervision: the inactivity deadline of every child from now on (0: none),
  // and the kill of one component's child; the kill is safe from any thread.
  virtual void setChildDeadline(std::chrono::milliseconds deadline) = 0;
  virtual QXStatus killChild(void* component) = 0;
  // How the child of `component` ended; empty while it lives. For null: how
  // the child of the last module start was lost, if it was.
  virtual std::string childEnding(void* component) = 0;
};

// Makes the proxy for a child-process module (a Remote::RemoteModule).
std::shared_ptr<ModuleProxy> createModuleProxy(const std::string& name, const std::string& path,
                                               const std::string& childProgram,
                                               Extension::ContextSupport* support);

// Children kept started ahead of need for the modules in child processes, per
// child program; 0 (the default) keeps none.
void setWarmChildren(size_t count);
size_t warmChildren();

} // namespace quex::detail

#endif // QUEX_SRC_REMOTE_MODULE_PROXY_H
