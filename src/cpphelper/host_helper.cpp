// HostHelper: host information and documents through a QXHost table.
#include "text_fetch.h"

#include <quex/cpphelper/HostHelper.h>

namespace ExtensionCppHelper {

HostHelper* HostHelper::create(QXHost* host) { return new HostHelper(host); }

XMLDocument HostHelper::getHostInformation(int* errorCode) {
  std::string text;
  const QXStatus status =
      detail::fetchText(detail::kDocumentBufferSize, text, [&](char* b, size_t s, size_t* n) {
        return host->getHostInformation(host->owner, b, s, n, errorCode);
      });
  if (status != QX_OK) return XMLDocument();
  return XMLDocument::createFromString(host, text.c_str());
}

XMLDocument HostHelper::createNew(const char* rootName) {
  return XMLDocument::createNew(host, rootName);
}

XMLDocument HostHelper::createFromContents(const char* text) {
  return XMLDocument::createFromString(host, text);
}

} // namespace ExtensionCppHelper
