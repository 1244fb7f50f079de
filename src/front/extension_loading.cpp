// Loading a module: opening its library, detecting its generation and
// resolving its entry points; the wrapper's life and copies.
#include "call_guard.h"
#include "load_diagnosis.h"
#include "module_state.h"

#include "../common/trace.h"
#include "../platform/dynamic_library.h"
#include "../remote/module_proxy.h"

#include <utility>

namespace quex::detail {
// Shared by the copies of a wrapper; the library closes with the last of them.
class LoadedLibrary {
public:
  explicit LoadedLibrary(platform::DynamicLibrary library) : library_(std::move(library)) {}
  void* symbol(const char* name) const { return library_.symbol(name); }
  std::vector<std::string> exportedFunctionNames() const {
    return library_.exportedFunctionNames();
  }

private:
  platform::DynamicLibrary library_;
};

namespace {

void traceAtLevelOne(const std::string& line) {
  if (currentTraceLevel() >= 1) writeTraceLine(line);
}

// Looks the entries up in list order under the generation's names, stopping
// at the first missing required one; the interaction rule is checked before
// the late entries. False when the module is incomplete.
bool resolveEntryPoints(ModuleState& module) {
  EntryPoints& entries = module.entries;
  bool interactionChecked = false;
  for (const EntryRow& row : kEntryRows) {
    if (row.group == EntryGroup::Late && !interactionChecked) {
      interactionChecked = true;
      if (entries.beginInteraction != nullptr &&
          (entries.endInteraction == nullptr || entries.request == nullptr ||
           entries.getRequestReply == nullptr))
        return false;
    }
    const char* name = row.name(module.olderGeneration);
    if (name == nullptr) continue;
    void* symbol = module.library->symbol(name);
    row.store(entries, symbol);
    if (symbol == nullptr && row.group == EntryGroup::Required) return false;
  }
  return true;
}

} // namespace
} // namespace quex::detail

using quex::detail::currentTraceLevel;

ExtensionWrapper::ExtensionWrapper() : state_(std::make_unique<State>()) {
  quex::detail::wrapperCreated();
}

ExtensionWrapper::ExtensionWrapper(const ExtensionWrapper& other)
    : state_(std::make_unique<State>(*other.state_)) {
  quex::detail::wrapperCreated();
}

ExtensionWrapper& ExtensionWrapper::operator=(const ExtensionWrapper& other) {
  if (this != &other) *state_ = *other.state_;
  return *this;
}

ExtensionWrapper::~ExtensionWrapper() {
  unload();
  quex::detail::wrapperDestroyed();
}

// The entries go with the library: a call after unload answers
// QX_ERR_INVALID_OPERATION instead of jumping into unmapped code.
void ExtensionWrapper::unload() {
  if (state_->library == nullptr) return;
  state_->entries = quex::detail::EntryPoints{};
  state_->library.reset();
}

bool ExtensionWrapper::load(const char* name, const char* path, const char* childProgram) {
  State& module = *state_;
  const std::string givenName = name != nullptr ? name : "";
  const std::string givenPath = path != nullptr ? path : "";
  module.name = givenName;
  module.path = givenPath;
  module.childProgram.clear();
  module.diagnosis.clear();
  module.proxy.reset();

  if (childProgram != nullptr) {
    module.childProgram = childProgram;
    module.olderGeneration = false; // known once the module's first child has told
    module.proxy = quex::detail::createModuleProxy(module.name, module.path, module.childProgram,
                                                   module.contextSupport);
    module.proxy->setChildDeadline(module.childDeadline);
    return true;
  }

  module.path += ".dll";
  quex::platform::DynamicLibrary::Failure failure;
  quex::platform::DynamicLibrary library =
      quex::platform::DynamicLibrary::open(module.path, failure);
  if (!library) {
    module.error = "cannot load library: " + givenName + " path=(" + givenPath + ") error=(" +
                   std::to_string(failure.number) + ":" + failure.text + ")";
    module.diagnosis = quex::detail::describeOpenFailure(module.path, failure.text);
    quex::detail::traceAtLevelOne(module.error);
    quex::detail::traceAtLevelOne(module.diagnosis);
    return false;
  }
  quex::detail::traceAtLevelOne("loaded library: (" + givenName + ")");

  // A new library replaces the old one whole: no entry may point into a
  // library that is about to close.
  module.entries = quex::detail::EntryPoints{};
  module.library = std::make_shared<quex::detail::LoadedLibrary>(std::move(library));
  module.olderGeneration = module.library->symbol("tarnext_initialise") != nullptr;
  if (quex::detail::resolveEntryPoints(module)) return true;

  const quex::detail::LoadedLibrary& opened = *module.library;
  module.diagnosis = quex::detail::describeIncompleteModule(
      module.path, module.olderGeneration, opened.exportedFunctionNames(),
      [&](const char* entry) { return opened.symbol(entry) != nullptr; });
  quex::detail::traceAtLevelOne(module.diagnosis);
  return false;
}

const std::string& ExtensionWrapper::getError() const { return state_->error; }
const std::string& ExtensionWrapper::getDllPath() const { return state_->path; }
const std::string& ExtensionWrapper::getLoadDiagnosis() const { return state_->diagnosis; }
std::string ExtensionWrapper::getModuleInformation() const { return state_->moduleInformation; }
bool ExtensionWrapper::supportsInteraction() const { return state_->supportsInteraction; }
bool ExtensionWrapper::useBulkFetch() const {
  return state_->proxy != nullptr || state_->entries.bulkFetch != nullptr;
}
size_t ExtensionWrapper::getBulkFetchValueCount() const { return state_->bulkFetchValueCount; }
bool ExtensionWrapper::isOlderGeneration() const { return state_->olderGeneration; }
void ExtensionWrapper::setContextSupport(Extension::ContextSupport* support) {
  state_->contextSupport = support;
}
Extension::ContextSupport* ExtensionWrapper::getContextSupport() const {
  return state_->contextSupport;
}

void ExtensionWrapper::setChildDeadline(std::chrono::milliseconds deadline) {
  state_->childDeadline = deadline.count() > 0 ? deadline : std::chrono::milliseconds(0);
  if (state_->proxy != nullptr) state_->proxy->setChildDeadline(state_->childDeadline);
}

std::chrono::milliseconds ExtensionWrapper::getChildDeadline() const {
  return state_->childDeadline;
}

void ExtensionWrapper::setWarmChildren(size_t count) { quex::detail::setWarmChildren(count); }

size_t ExtensionWrapper::getWarmChildren() { return quex::detail::warmChildren(); }

QXStatus ExtensionWrapper::killChild(void* component) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  if (state_->proxy == nullptr) return QX_ERR_INVALID_OPERATION;
  return quex::detail::runGuarded([&] { return state_->proxy->killChild(component); });
}

std::string ExtensionWrapper::childEnding(void* component) const {
  if (state_->proxy == nullptr) return {};
  try {
    return state_->proxy->childEnding(component);
  } catch (...) {
    return {};
  }
}

bool ExtensionWrapper::expandFilePath(const std::string& path, std::string& expanded) const {
  return state_->contextSupport != nullptr && state_->contextSupport->expandFilePath(path, 0, expanded);
}

bool ExtensionWrapper::expandFilePathExt(const std::string& path, unsigned int flags,
                                         std::string& expanded) const {
  return state_->contextSupport != nullptr && state_->contextSupport->expandFilePath(path, flags, expanded);
}

bool ExtensionWrapper::openJVM(void** jvm, const char* text) const {
  return state_->contextSupport != nullptr && state_->contextSupport->openJVM(jvm, text);
}

bool ExtensionWrapper::closeJVM(void* jvm) const {
  return state_->contextSupport != nullptr && state_->contextSupport->closeJVM(jvm);
}

// In entry-table order, for a person reading what the module offers.
std::vector<std::string> ExtensionWrapper::optionalEntries() const {
  if (state_->proxy != nullptr) { // as the module's child found them
    std::vector<std::string> names;
    state_->proxy->moduleShape(nullptr, &names);
    return names;
  }
  std::vector<std::string> names;
  for (int number = 1; number <= static_cast<int>(quex::detail::kEntryCount); ++number) {
    for (const quex::detail::EntryRow& row : quex::detail::kEntryRows) {
      const char* name = row.name(state_->olderGeneration);
      if (row.number == number && row.group != quex::detail::EntryGroup::Required &&
          name != nullptr && row.present(state_->entries))
        names.emplace_back(name);
    }
  }
  return names;
}
