// RemoteModule: a module that runs in child processes. A short-lived child
// answers the module information at initialisation; every component then
// lives in a child of its own, whose Process object is the component handle
// the host holds. Each operation sends one remote call over the component's
// "main" channel (or the cancel channel) and serves the child's callbacks
// until the reply arrives.
#ifndef QUEX_SRC_REMOTE_REMOTE_MODULE_H
#define QUEX_SRC_REMOTE_REMOTE_MODULE_H

#include "bulk_answers.h"
#include "module_proxy.h"
#include "warm_pool.h"

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace Remote {

class Process;
class RemoteCall;

class RemoteModule : public quex::detail::ModuleProxy {
public:
  RemoteModule(std::string name, std::string path, std::string childProgram,
               Extension::ContextSupport* support);
  ~RemoteModule() override;
  RemoteModule(const RemoteModule&) = delete;
  RemoteModule& operator=(const RemoteModule&) = delete;

  QXStatus qx_initialise(QXHost* host, int* errorCode) override;
  QXStatus qx_cleanup(int* errorCode) override;
  QXStatus startModule(int* errorCode, bool* supportsInteraction,
                       std::string* moduleInformation) override;
  QXStatus tarnext_create_peer(QXContext* context, int number, const char* text, void** peer,
                               int* errorCode) override;
  QXStatus qx_create_component(QXContext* context, const char* text, void** component,
                               int* errorCode) override;
  bool moduleShape(bool* olderGeneration, std::vector<std::string>* optionalEntries) override;
  QXStatus qx_destroy_component(void* component, int* errorCode) override;
  QXStatus qx_component_configure(void* component, int* errorCode) override;
  QXStatus qx_component_getDataModel(void* component, int number, char* buffer,
                                     size_t bufferSize, size_t* needed, int* errorCode) override;
  QXStatus qx_component_getExecutionRequirements(void* component, char* buffer,
                                                 size_t bufferSize, size_t* needed,
                                                 int* errorCode) override;
  QXStatus qx_component_getCatalogueInformation(void* component, const char* text, char* buffer,
                                                size_t bufferSize, size_t* needed,
                                                int* errorCode) override;
  QXStatus qx_component_beginExecution(void* component, QXIterator* iterator,
                                       QXProgress* progress, int* errorCode) override;
  QXStatus qx_component_endExecution(void* component, int* errorCode) override;
  QXStatus qx_component_cancelExecution(void* component, int* errorCode) override;
  QXStatus qx_component_nextRecord(void* component, int* errorCode) override;
  QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                       size_t* length, int* errorCode) override;
  QXStatus qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                  size_t* lengths, size_t* fieldCount, size_t* recordCount,
                                  int* errorCode) override;
  QXStatus qx_component_getSQLGeneration(void* component, char* buffer, size_t bufferSize,
                                         size_t* needed, int* errorCode) override;
  QXStatus qx_component_getErrorDetail(void* component, char* buffer, size_t bufferSize,
                                       size_t* needed, int* errorCode) override;
  QXStatus qx_component_beginInteraction(void* component, QXChannel* channel,
                                         int* errorCode) override;
  QXStatus qx_component_endInteraction(void* component, int* errorCode) override;
  QXStatus qx_component_request(void* component, const char* data, size_t length,
                                int* errorCode) override;
  QXStatus qx_component_getRequestReply(void* component, char* buffer, size_t bufferSize,
                                        size_t* needed, int* errorCode) override;

  void setChildDeadline(std::chrono::milliseconds deadline) override;
  QXStatus killChild(void* component) override;
  std::string childEnding(void* component) override;

private:
  // The module as the child found it: generation and optional entries.
  struct ModuleShape {
    bool known = false;
    bool older = false;
    std::vector<std::string> optional;
  };
  static void readModuleShape(RemoteCall& call, ModuleShape& shape);
  QXStatus createComponent(QXContext* context, int number, const char* text, void** peer,
                           int* errorCode, const char* hostCall);
  std::chrono::milliseconds childDeadline();
  // "_define_target_library" and "qx_initialise" on a new child, one by one.
  QXStatus connect(Process& process, int* errorCode, bool* supportsInteraction);
  // The three start calls of a component as one message; false when the
  // child refused it (nothing ran), else `connected` and `created` tell.
  bool startInOneTrip(Process& process, QXContext* context, int number, const char* text,
                      int* errorCode, QXStatus& connected, QXStatus& created);
  void putDefinition(RemoteCall& call, bool supportsInteraction);
  QXStatus readDefinition(Process& process, RemoteCall& reply, bool* supportsInteraction);
  QXStatus queryModuleInformation(Process& process, int* errorCode, std::string* information);
  QXStatus fetchBatch(Process& process, int* errorCode);
  QXStatus exchangeBulkFetch(Process& process, const BulkAnswers::Arguments& arguments,
                             int* errorCode);

  std::mutex namesLock_; // the child echoes the names back and they are kept
  std::string name_;
  std::string path_;
  // The child program and the names as given: what the warm pool keeps
  // children ready for, which the child's echo never changes.
  const warm_pool::Library library_;
  Extension::ContextSupport* support_;
  QXHost* host_ = nullptr;
  ModuleShape shape_; // under namesLock_
  // The live components, so that a kill from another thread reaches only a
  // component that exists, and a new deadline reaches every one.
  std::mutex componentsLock_;
  std::vector<Process*> components_;
  std::chrono::milliseconds deadline_{0};
  std::string startEnding_; // how the child of the last qx_initialise was lost
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_REMOTE_MODULE_H
