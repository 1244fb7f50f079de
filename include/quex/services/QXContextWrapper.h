// QXContextWrapper: the documents, passwords and file paths of one component,
// served to the module through the QXContext table. Path expansion and the
// Java virtual machine go to the host's context support through the
// ExtensionWrapper that owns the component.
//
// Passwords, file paths and the decrypted parameters never reach the trace.
#ifndef QUEX_SERVICES_QXCONTEXTWRAPPER_H
#define QUEX_SERVICES_QXCONTEXTWRAPPER_H

#include <quex/export.h>
#include <quex/front/ExtensionWrapper.h>
#include <quex/qx.h>
#include <quex/services/TableList.h>

#include <cstddef>
#include <string>
#include <vector>

class QUEX_API QXContextWrapper {
public:
  explicit QXContextWrapper(ExtensionWrapper* extension);
  // Copies take every text, list and the extension, but no tables (TableList).
  QXContextWrapper(const QXContextWrapper& other) = default;
  QXContextWrapper& operator=(const QXContextWrapper& other) = default;
  ~QXContextWrapper();

  // ---- filled by the host ----
  void setParameterXML(const char* xml);
  void setDecryptedParameterXML(const char* xml); // what the module receives
  void setDataModelXML(const char* xml);
  void setOutputDataModelXML(const char* xml);
  void setContextInformationXML(const char* xml);
  void setSqlGenerationXML(const char* xml);
  void setPsmMergeInformationXML(const char* xml);
  const std::string& getParameterXML() const { return parameterXML_; }
  const std::string& getDataModelXML() const { return dataModelXML_; }

  // Appends the pair; an equal key added later wins at lookup.
  void addPassword(const char* key, const char* password);
  // Stores `password` under the first free key of PW0, PW1, ... and returns it.
  std::string addPassword(const char* password);
  void addFilePath(const char* key, const char* path);
  void clearFilePaths();

  // ---- module-facing, called through the table; *errorCode is 0 on return ----
  QXStatus getContextInformation(char* buffer, size_t bufferSize, size_t* needed,
                                 int* errorCode);
  QXStatus getParameters(char* buffer, size_t bufferSize, size_t* needed, int* errorCode);
  QXStatus getDataModel(char* buffer, size_t bufferSize, size_t* needed, int* errorCode);
  QXStatus getSQLGeneration(char* buffer, size_t bufferSize, size_t* needed, int* errorCode);
  QXStatus getPassword(const char* key, char* buffer, size_t bufferSize, size_t* needed,
                       int* errorCode);
  QXStatus getFilePath(const char* key, char* buffer, size_t bufferSize, size_t* needed,
                       int* errorCode);
  // QX_ERR_INVALID_OPERATION, untraced, while no output data model is set.
  QXStatus getOutputDataModel(char* buffer, size_t bufferSize, size_t* needed, int* errorCode);
  QXStatus getPsmMergeInformation(char* buffer, size_t bufferSize, size_t* needed,
                                  int* errorCode);
  // Refusals, also without an extension or context support: QX_ERR_OPEN_JVM,
  // QX_ERR_CLOSE_JVM, QX_ERR_EXPAND_FILE_PATH.
  QXStatus openJVM(void** jvm, const char* text, int* errorCode);
  QXStatus closeJVM(void* jvm, int* errorCode);
  QXStatus expandFilePath(const char* path, char* buffer, size_t bufferSize, size_t* needed,
                          int* errorCode);
  QXStatus expandFilePathExt(const char* path, unsigned int flags, char* buffer,
                             size_t bufferSize, size_t* needed, int* errorCode);

  // Called by QXContextFactory only; the wrapper owns the table from then on.
  void registerHandle(QXContext* table);
  size_t getHandleCount() const { return handles_.size(); }

private:
  QXStatus documentText(const std::string& text, const std::string& traceDetail,
                        const char* traceName, char* buffer, size_t bufferSize, size_t* needed,
                        int* errorCode);
  QXStatus lookUp(const std::vector<std::string>& keys, const std::vector<std::string>& values,
                  const char* key, const char* traceName, char* buffer, size_t bufferSize,
                  size_t* needed, int* errorCode);
  QXStatus expand(const char* traceName, const char* path, unsigned int flags, bool withFlags,
                  char* buffer, size_t bufferSize, size_t* needed, int* errorCode);

  std::string parameterXML_;
  std::string decryptedParameterXML_;
  std::string dataModelXML_;
  std::string outputDataModelXML_;
  std::string contextInformationXML_;
  std::string sqlGenerationXML_;
  std::string psmMergeInformationXML_;
  ExtensionWrapper* extension_ = nullptr;
  std::vector<std::string> filePathKeys_;
  std::vector<std::string> filePathValues_;
  std::vector<std::string> passwordKeys_;
  std::vector<std::string> passwordValues_;
  quex::TableList<QXContext> handles_;
};

#endif // QUEX_SERVICES_QXCONTEXTWRAPPER_H
