// QXContextWrapper: the host's filling operations and the module-facing
// operations behind the QXContext table.
//
// Secrets (passwords, file paths, the decrypted parameters) are never given to
// a trace check: their exit lines carry no detail, and getParameters shows the
// stored parameter XML instead of what it returned.
#include "service_support.h"

#include <quex/services/QXContextWrapper.h>

using quex::detail::currentTraceLevel;
using quex::detail::returnText;
using quex::detail::textOrEmpty;

namespace {

void traceExit(QXStatus status, const char* name, const char* detail) {
  if (currentTraceLevel() >= 1)
    quex::detail::traceExit(status, 0, name, status == QX_OK ? detail : nullptr);
}

} // namespace

QXContextWrapper::QXContextWrapper(ExtensionWrapper* extension) : extension_(extension) {}

QXContextWrapper::~QXContextWrapper() = default;

void QXContextWrapper::setParameterXML(const char* xml) { parameterXML_ = textOrEmpty(xml); }
void QXContextWrapper::setDecryptedParameterXML(const char* xml) {
  decryptedParameterXML_ = textOrEmpty(xml);
}
void QXContextWrapper::setDataModelXML(const char* xml) { dataModelXML_ = textOrEmpty(xml); }
void QXContextWrapper::setOutputDataModelXML(const char* xml) {
  outputDataModelXML_ = textOrEmpty(xml);
}
void QXContextWrapper::setContextInformationXML(const char* xml) {
  contextInformationXML_ = textOrEmpty(xml);
}
void QXContextWrapper::setSqlGenerationXML(const char* xml) {
  sqlGenerationXML_ = textOrEmpty(xml);
}
void QXContextWrapper::setPsmMergeInformationXML(const char* xml) {
  psmMergeInformationXML_ = textOrEmpty(xml);
}

void QXContextWrapper::addPassword(const char* key, const char* password) {
  passwordKeys_.push_back(textOrEmpty(key));
  passwordValues_.push_back(textOrEmpty(password));
}

std::string QXContextWrapper::addPassword(const char* password) {
  // The first free key from PW0 on, so gaps left by explicit keys are filled.
  for (unsigned long n = 0;; ++n) {
    std::string key = "PW" + std::to_string(n);
    bool taken = false;
    for (const std::string& existing : passwordKeys_)
      if (existing == key) {
        taken = true;
        break;
      }
    if (!taken) {
      addPassword(key.c_str(), password);
      return key;
    }
  }
}

void QXContextWrapper::addFilePath(const char* key, const char* path) {
  filePathKeys_.push_back(textOrEmpty(key));
  filePathValues_.push_back(textOrEmpty(path));
}

void QXContextWrapper::clearFilePaths() {
  filePathKeys_.clear();
  filePathValues_.clear();
}

void QXContextWrapper::registerHandle(QXContext* table) { handles_.add(table); }

QXStatus QXContextWrapper::documentText(const std::string& text, const std::string& traceDetail,
                                        const char* traceName, char* buffer, size_t bufferSize,
                                        size_t* needed, int* errorCode) {
  *errorCode = 0;
  quex::detail::traceEnter(traceName);
  const QXStatus status = returnText(text, buffer, bufferSize, needed);
  traceExit(status, traceName, traceDetail.c_str());
  return status;
}

QXStatus QXContextWrapper::getContextInformation(char* buffer, size_t bufferSize, size_t* needed,
                                                 int* errorCode) {
  return documentText(contextInformationXML_, contextInformationXML_,
                      "qx_context_getContextInformation", buffer, bufferSize, needed, errorCode);
}

QXStatus QXContextWrapper::getParameters(char* buffer, size_t bufferSize, size_t* needed,
                                         int* errorCode) {
  return documentText(decryptedParameterXML_, parameterXML_, "qx_context_getParameters", buffer,
                      bufferSize, needed, errorCode);
}

QXStatus QXContextWrapper::getDataModel(char* buffer, size_t bufferSize, size_t* needed,
                                        int* errorCode) {
  return documentText(dataModelXML_, dataModelXML_, "qx_context_getDataModel", buffer,
                      bufferSize, needed, errorCode);
}

QXStatus QXContextWrapper::getSQLGeneration(char* buffer, size_t bufferSize, size_t* needed,
                                            int* errorCode) {
  return documentText(sqlGenerationXML_, sqlGenerationXML_, "qx_context_getSQLGeneration",
                      buffer, bufferSize, needed, errorCode);
}

QXStatus QXContextWrapper::getOutputDataModel(char* buffer, size_t bufferSize, size_t* needed,
                                              int* errorCode) {
  if (outputDataModelXML_.empty()) {
    *errorCode = 0;
    return QX_ERR_INVALID_OPERATION;
  }
  return documentText(outputDataModelXML_, outputDataModelXML_, "qx_context_getOutputDataModel",
                      buffer, bufferSize, needed, errorCode);
}

QXStatus QXContextWrapper::getPsmMergeInformation(char* buffer, size_t bufferSize,
                                                  size_t* needed, int* errorCode) {
  return documentText(psmMergeInformationXML_, psmMergeInformationXML_,
                      "qx_component_getPsmMergeInformation", buffer, bufferSize, needed,
                      errorCode);
}

QXStatus QXContextWrapper::lookUp(const std::vector<std::string>& keys,
                                  const std::vector<std::string>& values, const char* key,
                                  const char* traceName, char* buffer, size_t bufferSize,
                                  size_t* needed, int* errorCode) {
  *errorCode = 0;
  quex::detail::traceEnter(traceName);
  // Every entry is compared, so the last of several equal keys wins.
  const std::string* found = nullptr;
  if (key != nullptr)
    for (size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == key) found = &values[i];
  if (found == nullptr) return QX_ERR_CANNOT_MATCH_KEY;
  const QXStatus status = returnText(*found, buffer, bufferSize, needed);
  traceExit(status, traceName, nullptr);
  return status;
}

QXStatus QXContextWrapper::getPassword(const char* key, char* buffer, size_t bufferSize,
                                       size_t* needed, int* errorCode) {
  return lookUp(passwordKeys_, passwordValues_, key, "qx_context_getPassword", buffer,
                bufferSize, needed, errorCode);
}

QXStatus QXContextWrapper::getFilePath(const char* key, char* buffer, size_t bufferSize,
                                       size_t* needed, int* errorCode) {
  return lookUp(filePathKeys_, filePathValues_, key, "qx_context_getFilePath", buffer,
                bufferSize, needed, errorCode);
}

QXStatus QXContextWrapper::expand(const char* traceName, const char* path, unsigned int flags,
                                  bool withFlags, char* buffer, size_t bufferSize,
                                  size_t* needed, int* errorCode) {
  *errorCode = 0;
  quex::detail::traceEnter(traceName);
  std::string expanded;
  const bool done =
      extension_ != nullptr && path != nullptr &&
      (withFlags ? extension_->expandFilePathExt(path, flags, expanded)
                 : extension_->expandFilePath(path, expanded));
  const QXStatus status =
      done ? returnText(expanded, buffer, bufferSize, needed) : QX_ERR_EXPAND_FILE_PATH;
  traceExit(status, traceName, nullptr);
  return status;
}

QXStatus QXContextWrapper::expandFilePath(const char* path, char* buffer, size_t bufferSize,
                                          size_t* needed, int* errorCode) {
  return expand("qx_context_expandFilePath", path, 0, false, buffer, bufferSize, needed,
                errorCode);
}

QXStatus QXContextWrapper::expandFilePathExt(const char* path, unsigned int flags, char* buffer,
                                             size_t bufferSize, size_t* needed,
                                             int* errorCode) {
  return expand("qx_context_expandFilePathExt", path, flags, true, buffer, bufferSize, needed,
                errorCode);
}

QXStatus QXContextWrapper::openJVM(void** jvm, const char* text, int* errorCode) {
  quex::detail::traceEnter("qx_context_openJVM");
  const bool opened = extension_ != nullptr && extension_->openJVM(jvm, text);
  *errorCode = 0;
  const QXStatus status = opened ? QX_OK : QX_ERR_OPEN_JVM;
  traceExit(status, "qx_context_openJVM", nullptr);
  return status;
}

QXStatus QXContextWrapper::closeJVM(void* jvm, int* errorCode) {
  quex::detail::traceEnter("qx_context_closeJVM");
  const bool closed = extension_ != nullptr && extension_->closeJVM(jvm);
  *errorCode = 0;
  const QXStatus status = closed ? QX_OK : QX_ERR_CLOSE_JVM;
  traceExit(status, "qx_context_closeJVM", nullptr);
  return status;
}
