// Loading a module: opening its library, detecting its generation and
// resolving its entry points; the wrapper's life and copies.
#include "call_guard.h"
#include "../common/trace.h"
#include "../platform/dynamic_library.h"

#include <quex/front/ExtensionWrapper.h>

#include <unicode/unistr.h>

#include <utility>

namespace quex::detail {
// Shared by the copies of a wrapper; the library closes with the last of them.
class LoadedLibrary {
public:
  explicit LoadedLibrary(platform::DynamicLibrary library) : library_(std::move(library)) {}
  void* symbol(const char* name) const { return library_.symbol(name); }

private:
  platform::DynamicLibrary library_;
};
} // namespace quex::detail

ExtensionWrapper::ExtensionWrapper() { quex::detail::wrapperCreated(); }

ExtensionWrapper::ExtensionWrapper(const ExtensionWrapper& other)
    : entries_(other.entries_), library_(other.library_), error_(other.error_),
      name_(other.name_), path_(other.path_), childProgram_(other.childProgram_),
      proxy_(other.proxy_), supportsInteraction_(other.supportsInteraction_),
      olderGeneration_(other.olderGeneration_), moduleInformation_(other.moduleInformation_),
      contextSupport_(other.contextSupport_), bulkFetchValueCount_(other.bulkFetchValueCount_),
      childDeadline_(other.childDeadline_) {
  quex::detail::wrapperCreated();
}

ExtensionWrapper& ExtensionWrapper::operator=(const ExtensionWrapper& other) = default;

ExtensionWrapper::~ExtensionWrapper() {
  unload();
  quex::detail::wrapperDestroyed();
}

// The entries go with the library: a call after unload answers
// QX_ERR_INVALID_OPERATION instead of jumping into unmapped code.
void ExtensionWrapper::unload() {
  if (library_ == nullptr) return;
  entries_ = EntryPoints{};
  library_.reset();
}

bool ExtensionWrapper::functionExists(const char* name) const {
  return library_ != nullptr && name != nullptr && library_->symbol(name) != nullptr;
}

template <typename Fn>
bool ExtensionWrapper::openFunction(const char* currentName, const char* olderName,
                                    Fn& entry) const {
  const char* name = olderGeneration_ ? olderName : currentName;
  if (name == nullptr || library_ == nullptr) return false;
  entry = reinterpret_cast<Fn>(library_->symbol(name));
  return entry != nullptr;
}

bool ExtensionWrapper::load(const char* name, const char* path, const char* childProgram) {
  const std::string givenName = name != nullptr ? name : "";
  const std::string givenPath = path != nullptr ? path : "";
  name_ = givenName;
  path_ = givenPath;
  childProgram_.clear();
  proxy_.reset();

  if (childProgram != nullptr) {
    childProgram_ = childProgram;
    olderGeneration_ = false; // known once the module's first child has told
    proxy_ = quex::detail::createModuleProxy(name_, path_, childProgram_, contextSupport_);
    proxy_->setChildDeadline(childDeadline_);
    return true;
  }

  path_ += ".dll";
  quex::platform::DynamicLibrary::Failure failure;
  quex::platform::DynamicLibrary library =
      quex::platform::DynamicLibrary::open(icu::UnicodeString::fromUTF8(path_), failure);
  if (!library) {
    error_ = "cannot load library: " + givenName + " path=(" + givenPath + ") error=(" +
             std::to_string(failure.number) + ":" + failure.text + ")";
    if (quex::detail::currentTraceLevel() >= 1) quex::detail::writeTraceLine(error_);
    return false;
  }
  if (quex::detail::currentTraceLevel() >= 1)
    quex::detail::writeTraceLine("loaded library: (" + givenName + ")");

  // A new library replaces the old one whole: no entry may point into a
  // library that is about to close.
  entries_ = EntryPoints{};
  library_ = std::make_shared<quex::detail::LoadedLibrary>(std::move(library));
  olderGeneration_ = functionExists("tarnext_initialise");
  return resolveEntryPoints();
}

bool ExtensionWrapper::resolveEntryPoints() {
  EntryPoints& e = entries_;
  if (!openFunction("qx_initialise", "tarnext_initialise", e.initialise)) return false;
  if (olderGeneration_) {
    if (!openFunction(nullptr, "tarnext_create_peer", e.createPeer)) return false;
    openFunction(nullptr, "tarnext_peer_call", e.peerCall);
  } else if (!openFunction("qx_create_component", nullptr, e.createComponent)) {
    return false;
  }
  const bool required =
      openFunction("qx_destroy_component", "tarnext_destroy_peer", e.destroyComponent) &&
      openFunction("qx_component_configure", "tarnext_peer_configure", e.configure) &&
      openFunction("qx_component_getDataModel", "tarnext_peer_getDataModel", e.getDataModel) &&
      openFunction("qx_component_beginExecution", "tarnext_peer_beginExecution",
                   e.beginExecution) &&
      openFunction("qx_component_nextRecord", "tarnext_peer_nextRecord", e.nextRecord) &&
      openFunction("qx_component_getRecordValue", "tarnext_peer_getRecordValue",
                   e.getRecordValue) &&
      openFunction("qx_component_getErrorDetail", "tarnext_peer_getErrorDetail",
                   e.getErrorDetail) &&
      openFunction("qx_component_endExecution", "tarnext_peer_endExecution", e.endExecution) &&
      openFunction("qx_cleanup", "tarnext_cleanup", e.cleanup);
  if (!required) return false;

  openFunction("qx_component_cancelExecution", "tarnext_peer_cancelExecution",
               e.cancelExecution);
  openFunction("qx_component_getSQLGeneration", "tarnext_peer_getSQLGeneration",
               e.getSQLGeneration);
  openFunction("qx_component_getExecutionRequirements", "tarnext_peer_getExecutionRequirements",
               e.getExecutionRequirements);
  openFunction("qx_component_getCatalogueInformation", "tarnext_peer_getCatalogueInformation",
               e.getCatalogueInformation);
  openFunction("qx_component_bulkFetch", "tarnext_peer_bulkFetch", e.bulkFetch);
  openFunction("qx_getModuleInformation", "tarnext_getModuleInformation",
               e.getModuleInformation);
  openFunction("qx_component_beginInteraction", "tarnext_peer_beginInteraction",
               e.beginInteraction);
  openFunction("qx_component_endInteraction", "tarnext_peer_endInteraction", e.endInteraction);
  openFunction("qx_component_request", "tarnext_peer_request", e.request);
  openFunction("qx_component_getRequestReply", "tarnext_peer_getRequestReply",
               e.getRequestReply);
  if (e.beginInteraction != nullptr &&
      (e.endInteraction == nullptr || e.request == nullptr || e.getRequestReply == nullptr))
    return false;

  openFunction("qx_component_getPsmControlInformation", "tarnext_peer_getPsmControlInformation",
               e.getPsmControlInformation);
  openFunction("qx_component_psmMerge", "tarnext_peer_psmMerge", e.psmMerge);
  return true;
}

void ExtensionWrapper::setChildDeadline(std::chrono::milliseconds deadline) {
  childDeadline_ = deadline.count() > 0 ? deadline : std::chrono::milliseconds(0);
  if (proxy_ != nullptr) proxy_->setChildDeadline(childDeadline_);
}

QXStatus ExtensionWrapper::killChild(void* component) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  if (proxy_ == nullptr) return QX_ERR_INVALID_OPERATION;
  return quex::detail::runGuarded([&] { return proxy_->killChild(component); });
}

std::string ExtensionWrapper::childEnding(void* component) const {
  if (component == nullptr || proxy_ == nullptr) return {};
  try {
    return proxy_->childEnding(component);
  } catch (...) {
    return {};
  }
}

bool ExtensionWrapper::expandFilePath(const std::string& path, std::string& expanded) const {
  return contextSupport_ != nullptr && contextSupport_->expandFilePath(path, 0, expanded);
}

bool ExtensionWrapper::expandFilePathExt(const std::string& path, unsigned int flags,
                                         std::string& expanded) const {
  return contextSupport_ != nullptr && contextSupport_->expandFilePath(path, flags, expanded);
}

bool ExtensionWrapper::openJVM(void** jvm, const char* text) const {
  return contextSupport_ != nullptr && contextSupport_->openJVM(jvm, text);
}

bool ExtensionWrapper::closeJVM(void* jvm) const {
  return contextSupport_ != nullptr && contextSupport_->closeJVM(jvm);
}

std::vector<std::string> ExtensionWrapper::optionalEntries() const {
  if (proxy_ != nullptr) { // as the module's child found them
    std::vector<std::string> names;
    proxy_->moduleShape(nullptr, &names);
    return names;
  }
  const bool older = olderGeneration_;
  const EntryPoints& e = entries_;
  const struct {
    bool present;
    const char* current;
    const char* olderName;
  } optional[] = {
      {e.getModuleInformation != nullptr, "qx_getModuleInformation",
       "tarnext_getModuleInformation"},
      {e.getExecutionRequirements != nullptr, "qx_component_getExecutionRequirements",
       "tarnext_peer_getExecutionRequirements"},
      {e.getCatalogueInformation != nullptr, "qx_component_getCatalogueInformation",
       "tarnext_peer_getCatalogueInformation"},
      {e.cancelExecution != nullptr, "qx_component_cancelExecution",
       "tarnext_peer_cancelExecution"},
      {e.bulkFetch != nullptr, "qx_component_bulkFetch", "tarnext_peer_bulkFetch"},
      {e.getSQLGeneration != nullptr, "qx_component_getSQLGeneration",
       "tarnext_peer_getSQLGeneration"},
      {e.beginInteraction != nullptr, "qx_component_beginInteraction",
       "tarnext_peer_beginInteraction"},
      {e.endInteraction != nullptr, "qx_component_endInteraction", "tarnext_peer_endInteraction"},
      {e.request != nullptr, "qx_component_request", "tarnext_peer_request"},
      {e.getRequestReply != nullptr, "qx_component_getRequestReply",
       "tarnext_peer_getRequestReply"},
      {e.getPsmControlInformation != nullptr, "qx_component_getPsmControlInformation",
       "tarnext_peer_getPsmControlInformation"},
      {e.psmMerge != nullptr, "qx_component_psmMerge", "tarnext_peer_psmMerge"},
      {e.peerCall != nullptr, nullptr, "tarnext_peer_call"},
  };
  std::vector<std::string> names;
  for (const auto& entry : optional) {
    const char* name = older ? entry.olderName : entry.current;
    if (entry.present && name != nullptr) names.emplace_back(name);
  }
  return names;
}
