// ExtensionWrapper: the host's handle on one extension module.
//
// Load a module in-process (its library is opened and its entry points
// resolved) or for a child process, then drive its components through the
// call methods below. Every call method resets the error code, traces its
// enter and exit lines at the process-wide trace level, turns exceptions out
// of the module into QX_ERR_EXCEPTION_THROWN and answers
// QX_ERR_INVALID_OPERATION for an entry point the module does not export.
#ifndef QUEX_FRONT_EXTENSIONWRAPPER_H
#define QUEX_FRONT_EXTENSIONWRAPPER_H

#include <quex/export.h>
#include <quex/qx.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace KSCommon {
class Record; // the host's record type; only its address reaches the module
}

// An object of the host handed to each child process the library starts.
class QUEX_API ChildResource {
public:
  virtual ~ChildResource();
  virtual void fillText(std::string& text) = 0;
};

namespace Extension {

// Implemented by the host: path expansion, Java virtual machine access and
// child-process start data for the components of a module.
class QUEX_API ContextSupport {
public:
  virtual ~ContextSupport();
  virtual bool expandFilePath(const std::string& path, unsigned int flags,
                              std::string& expanded) = 0;
  virtual ChildResource* acquireChildResource() = 0; // caller owns the result
  virtual bool openJVM(void** jvm, const char* text) = 0;
  virtual bool closeJVM(void* jvm) = 0;
};

} // namespace Extension

// Receives finished trace lines; implemented by the host. A line is valid only
// for the duration of the call. May be called from several threads when the
// host calls modules from several threads.
class QUEX_API ExtensionWrapperTraceOutput {
public:
  virtual void trace(const char* line) = 0;
  virtual ~ExtensionWrapperTraceOutput();
};

class QUEX_API ExtensionWrapper {
public:
  // ---- status names and process-wide tracing ----
  static const char* QXStatus2String(unsigned int status);
  static void setTraceLevel(int level);
  static int getTraceLevel();
  // The output is not owned by the setter; the last live ExtensionWrapper
  // deletes the current output when it is destroyed and clears the setting.
  static void setTraceOutput(ExtensionWrapperTraceOutput* output);
  static ExtensionWrapperTraceOutput* getTraceOutput();

  // The four trace checks; the host services use them with their own names.
  static void QXCHK_enter(const char* name);
  static void QXCHK_enter(ExtensionWrapper* wrapper, void* component, const char* name);
  static void QXCHK_exit(unsigned int status, int errorCode, const char* name,
                         const char* detail);
  static void QXCHK_exit(ExtensionWrapper* wrapper, unsigned int status, void* component,
                         int errorCode, const char* name, const char* detail);

  // ---- loading ----
  ExtensionWrapper();
  ExtensionWrapper(const ExtensionWrapper& other);
  ExtensionWrapper& operator=(const ExtensionWrapper& other);
  ~ExtensionWrapper();

  // Opens "<path>.dll" in-process, or, with a child program, prepares the
  // module for child processes and opens nothing. False on failure; getError()
  // holds the message when the library could not be opened.
  bool load(const char* name, const char* path, const char* childProgram);
  void unload();
  const std::string& getError() const;
  const std::string& getDllPath() const;
  // Why the last load failed, in one line or a few, for a person to read:
  // the file looked for and a likely misnamed one beside it ("found
  // libupper.so: modules are named NAME.dll"), or each required entry point
  // the library lacks with a likely misspelling of it. Empty after a load
  // that succeeded; load writes it at trace level 1 as well.
  const std::string& getLoadDiagnosis() const;

  // ---- module information and host support ----
  std::string getModuleInformation() const;
  bool supportsInteraction() const;
  bool useBulkFetch() const;
  size_t getBulkFetchValueCount() const;
  bool isOlderGeneration() const;
  // Export names of the optional entry points the loaded module provides, in
  // entry-table order. For a module in child processes: as its child found
  // them at qx_initialise (empty before, or when the child does not tell);
  // isOlderGeneration() then tells the module's generation the same way.
  std::vector<std::string> optionalEntries() const;
  void setContextSupport(Extension::ContextSupport* support);
  Extension::ContextSupport* getContextSupport() const;
  // Forwarders to the context support; false when none is set.
  bool expandFilePath(const std::string& path, std::string& expanded) const;
  bool expandFilePathExt(const std::string& path, unsigned int flags,
                         std::string& expanded) const;
  bool openJVM(void** jvm, const char* text) const;
  bool closeJVM(void* jvm) const;

  // ---- supervision of a module in child processes ----
  // A child that sends nothing (no reply, callback, progress report or
  // channel message) for `deadline` while the host waits for it during a call
  // is killed; that call and every later one on its component answer
  // QX_ERR_REMOTE. Any message restarts the clock. 0, the default, waits
  // without limit. Applies to the live components and every later child; a
  // module in the host process cannot be bounded and ignores it.
  void setChildDeadline(std::chrono::milliseconds deadline);
  std::chrono::milliseconds getChildDeadline() const;
  // Keeps up to `count` children of each module library started ahead of
  // need while a module of that library is loaded, with the library loaded
  // in them (its initialisers run then; no entry point is called), so that a
  // component's create (and qx_initialise) finds its child running and pays
  // only its calls; the context support's child resource is acquired then
  // and handed to it. 0, the default, starts every child on demand; lowering
  // the count ends children waiting beyond it. Those left end with the last
  // module of their library, or when the host exits. Applies process-wide.
  static void setWarmChildren(size_t count);
  static size_t getWarmChildren();
  // Kills the child of `component` at once; the call in flight, if any, and
  // every later call on the component answer QX_ERR_REMOTE, and
  // qx_destroy_component still releases it. Safe from any thread while the
  // component exists. QX_ERR_INVALID_HANDLE for a handle that is not a live
  // component of this module, QX_ERR_INVALID_OPERATION in-process.
  QXStatus killChild(void* component);
  // Once the child of `component` is gone, how it went, in one sentence: the
  // signal by name and number, the exit code, or who killed it; the call the
  // host had in flight; the records delivered in the current execution. E.g.
  // "child process 4242 ended by signal SIGSEGV (11) during
  // qx_component_nextRecord, after 4400 records delivered". Empty while the
  // child lives, for a destroyed component and in-process. For a null
  // component: how the child that qx_initialise started ended, if it did not
  // end as asked.
  std::string childEnding(void* component) const;

  // ---- module calls ----
  QXStatus qx_initialise(QXHost* host, int* errorCode);
  QXStatus qx_cleanup(int* errorCode);
  QXStatus qx_getModuleInformation(char* buffer, size_t bufferSize, size_t* needed,
                                   int* errorCode);
  QXStatus qx_create_component(QXContext* context, const char* text, void** component,
                               int* errorCode);
  // For a child-process module *peer is set even when the creation fails:
  // that child has ended already, but the handle holds the host's ends of its
  // channels until qx_destroy_component, which the host calls in every case.
  QXStatus tarnext_create_peer(QXContext* context, int number, const char* text, void** peer,
                               int* errorCode);
  QXStatus qx_destroy_component(void* component, int* errorCode);
  QXStatus qx_component_configure(void* component, int* errorCode);
  QXStatus qx_component_getDataModel(void* component, int number, char* buffer,
                                     size_t bufferSize, size_t* needed, int* errorCode);
  QXStatus qx_component_getExecutionRequirements(void* component, char* buffer,
                                                 size_t bufferSize, size_t* needed,
                                                 int* errorCode);
  QXStatus qx_component_getCatalogueInformation(void* component, const char* text, char* buffer,
                                                size_t bufferSize, size_t* needed,
                                                int* errorCode);
  QXStatus qx_component_beginExecution(void* component, QXIterator* iterator,
                                       QXProgress* progress, int* errorCode);
  QXStatus qx_component_endExecution(void* component, int* errorCode);
  QXStatus qx_component_cancelExecution(void* component, int* errorCode);
  QXStatus qx_component_nextRecord(void* component, int* errorCode);
  QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                       size_t* length, int* errorCode);
  // Without the module's own bulk fetch, the values are copied one by one into
  // blocks the caller releases with free().
  QXStatus qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                  size_t* lengths, size_t* fieldCount, size_t* recordCount,
                                  int* errorCode);
  QXStatus qx_component_getSQLGeneration(void* component, char* buffer, size_t bufferSize,
                                         size_t* needed, int* errorCode);
  // *errorCode carries in the module-specific code whose text is wanted.
  QXStatus qx_component_getErrorDetail(void* component, char* buffer, size_t bufferSize,
                                       size_t* needed, int* errorCode);
  QXStatus qx_component_beginInteraction(void* component, QXChannel* channel, int* errorCode);
  QXStatus qx_component_endInteraction(void* component, int* errorCode);
  QXStatus qx_component_request(void* component, const char* data, size_t length,
                                int* errorCode);
  QXStatus qx_component_getRequestReply(void* component, char* buffer, size_t bufferSize,
                                        size_t* needed, int* errorCode);
  QXStatus qx_component_getPsmControlInformation(void* component, char* buffer,
                                                 size_t bufferSize, size_t* needed,
                                                 int* errorCode);
  QXStatus qx_component_psmMerge(void* component, int* errorCode);
  QXStatus qx_peer_call(void* component, const char* callName, void** arguments,
                        void*** results, int* errorCode);
  QXStatus qx_peer_score(void* component, const KSCommon::Record& record,
                         std::vector<double>& scores,
                         std::vector<std::vector<double>>& scoreRows, int* errorCode);

private:
  struct State; // the module's library or proxy, entry points, names and texts
  std::unique_ptr<State> state_;
};

#endif // QUEX_FRONT_EXTENSIONWRAPPER_H
