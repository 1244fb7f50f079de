#include "module_session.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

namespace quex::tool {

namespace {

class StandardErrorTrace : public ExtensionWrapperTraceOutput {
public:
  void trace(const char* line) override { std::fprintf(stderr, "%s\n", line); }
};

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string withoutDll(std::string path) {
  if (endsWith(path, ".dll")) path.resize(path.size() - 4);
  return path;
}

} // namespace

std::string resolveModulePath(const std::string& module) {
  namespace fs = std::filesystem;
  std::string path = withoutDll(module);
  if (path.find('/') != std::string::npos) return path;
  std::error_code ignored;
  if (fs::exists(path + ".dll", ignored)) return "./" + path;
  for (const std::string& folder : QuexInstallation::moduleFolders())
    if (fs::exists(folder + "/" + path + ".dll", ignored)) return folder + "/" + path;
  // A folder that holds the module under the name a build gave it by default
  // (libNAME.so): the loader's diagnosis then names the rule.
  for (const std::string& folder : QuexInstallation::moduleFolders())
    for (const std::string& misnamed : {"lib" + path + ".so", path + ".so"})
      if (fs::exists(folder + "/" + misnamed, ignored)) return folder + "/" + path;
  return path; // the loader's message will say it is not there
}

std::vector<std::string> availableModuleNames() {
  namespace fs = std::filesystem;
  std::set<std::string> names;
  for (const std::string& folder : QuexInstallation::moduleFolders()) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
      if (entry->path().extension() == ".dll") names.insert(entry->path().stem().string());
  }
  return {names.begin(), names.end()};
}

std::string moduleName(const std::string& path) {
  size_t slash = path.rfind('/');
  return withoutDll(slash == std::string::npos ? path : path.substr(slash + 1));
}

void traceToStandardError(int level) {
  ExtensionWrapper::setTraceOutput(new StandardErrorTrace); // the last wrapper deletes it
  ExtensionWrapper::setTraceLevel(level);
}

std::string childProgram(const std::string& requested) {
  return requested.empty() ? QuexInstallation::childProgram() : requested;
}

bool loadAndInitialise(ExtensionWrapper& wrapper, HostServices& host, const std::string& module,
                       std::ostream& err, const char* childProgram) {
  std::string path = resolveModulePath(module);
  if (!wrapper.load(moduleName(path).c_str(), path.c_str(), childProgram)) {
    std::string message =
        !wrapper.getLoadDiagnosis().empty() ? wrapper.getLoadDiagnosis() : wrapper.getError();
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
      message.pop_back();
    if (path.find('/') == std::string::npos && !wrapper.getError().empty()) {
      // Not found in any folder quex searches: say which.
      message = "no module " + path + ": looked for " + path + ".dll in the current folder";
      for (const std::string& folder : QuexInstallation::moduleFolders())
        message += ", " + folder;
    }
    err << "quex: " << (message.empty() ? path + ".dll cannot be loaded" : message) << "\n";
    return false;
  }
  int errorCode = 0;
  QXStatus status = QX_OK;
  try {
    status = wrapper.qx_initialise(host.table(), &errorCode);
  } catch (const Remote::RemoteException& error) {
    err << "quex: cannot start the child program " << childProgram << ": " << error.message
        << " (" << error.detail << ")\n";
    return false;
  } catch (...) {
    err << "quex: cannot start the child program " << childProgram << "\n";
    return false;
  }
  if (status != QX_OK) {
    const std::string ending = wrapper.childEnding(nullptr); // a lost child says why itself
    if (status == QX_ERR_REMOTE && !ending.empty())
      err << "quex: " << ending << "\n";
    else
      reportFailure(wrapper, nullptr, "qx_initialise", status, errorCode, err);
    return false;
  }
  return true;
}

void reportFailure(ExtensionWrapper& wrapper, void* component, const char* what,
                   QXStatus status, int errorCode, std::ostream& err) {
  err << "quex: " << what << " failed: " << ExtensionWrapper::QXStatus2String(status) << " ("
      << status << "), error code " << errorCode;
  if (component != nullptr) {
    std::string detail;
    QXStatus detailStatus = fetchText(detail, [&](char* buffer, size_t size, size_t* needed) {
      int code = errorCode;
      return wrapper.qx_component_getErrorDetail(component, buffer, size, needed, &code);
    });
    if (detailStatus == QX_OK && !detail.empty()) err << ": " << detail;
  }
  err << "\n";
}

} // namespace quex::tool
