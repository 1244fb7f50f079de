#include "host_services.h"

#include <cstdio>
#include <cstring>

namespace quex::tool {

std::string hostInformationDocument() {
  return "<HostInformation>"
         "<Host name=\"quex\" version=\"" QUEX_VERSION "\" platform=\"linux\" "
         "locale=\"C\" externalEncoding=\"UTF-8\"/>"
         "</HostInformation>";
}

namespace {

QXStatus getHostInformation(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                            int* errorCode) {
  *errorCode = 0;
  const std::string& text = *static_cast<const std::string*>(owner);
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

QXStatus noDocuments(void*, const char*, QXXML** document) {
  *document = nullptr;
  return QX_ERR_NOT_IMPLEMENTED;
}

void traceText(void*, const char* text) { std::fprintf(stderr, "%s\n", text); }

} // namespace

HostServices::HostServices() : information_(hostInformationDocument()) {
  table_.owner = &information_;
  table_.getHostInformation = getHostInformation;
  table_.createNewDocument = noDocuments;
  table_.createDocumentFromContents = noDocuments;
  table_.trace = traceText;
}

} // namespace quex::tool
