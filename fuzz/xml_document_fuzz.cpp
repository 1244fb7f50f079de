// Reads arbitrary bytes as a document a module hands to the host, down every
// path such a document takes: a progress report through the host's QXProgress
// table to a listener, a data model as quex reads it, module information as
// quex prints it, and any document parsed, walked and serialised through the
// XML service. The parser's limits are on as in the library (no external
// resource, bounded entity expansion and nesting); a crash, a leak or a hang
// is a finding.
#include "data_model.h"
#include "xml_text.h"

#include <quex/quex.hpp>

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

class DrainingListener : public QXProgressListener {
public:
  void reportDiagnostic(QXDiagnostic* diagnostic) override {
    characters += diagnostic->getOutputText().size();
  }
  size_t characters = 0;
};

// Every element, attribute "name" and text of the tree, depth first, with an
// explicit stack of iterators (the service hands out each level's iterator).
void walk(QXXML* document) {
  std::vector<QXXMLIterator*> pending;
  QXXMLIterator* top = nullptr;
  if (document->getElementIterator(document->owner, "", &top) != QX_OK) return;
  pending.push_back(top);
  char buffer[64];
  while (!pending.empty()) {
    QXXMLIterator* iterator = pending.back();
    void* item = nullptr;
    if (iterator->nextItem(iterator->owner, &item) != QX_OK) {
      pending.pop_back();
      continue;
    }
    auto* element = static_cast<QXXML*>(item);
    size_t needed = 0;
    element->getName(element->owner, buffer, sizeof buffer, &needed);
    element->getAttribute(element->owner, "name", buffer, sizeof buffer, &needed);
    QXXMLIterator* texts = nullptr;
    if (element->getTextIterator(element->owner, &texts) == QX_OK)
      while (texts->nextItem(texts->owner, &item) == QX_OK) {
      }
    QXXMLIterator* children = nullptr;
    if (element->getElementIterator(element->owner, "", &children) == QX_OK)
      pending.push_back(children);
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QXXMLWrapper::startup();
  std::cout.setstate(std::ios::failbit); // the service prints each refused text
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Documents cross the C interface as zero-terminated texts.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* const document = text.c_str();

  static std::unique_ptr<QXHostWrapper> hostObject(QXHostWrapper::createHostWrapper());
  static QXHost* const host = QXHostFactory::create(hostObject.get());

  {
    ExtensionWrapper extension;
    QXProgressWrapper progress(&extension);
    QXProgress* table = QXProgressFactory::create(&progress);
    DrainingListener listener;
    progress.setProgressListener(&listener);
    int errorCode = 0;
    table->report(table->owner, document, size, &errorCode);
  }

  std::vector<quex::csv::Column> columns;
  std::string error;
  quex::tool::readDataModel(host, text, columns, error);

  const std::string printed = quex::tool::indentXml(text);
  if (printed.size() > 64 * text.size() + 64) __builtin_trap(); // printing stays linear

  QXXML* parsed = QXXMLFactory::createDocumentFromContents(document);
  walk(parsed);
  size_t needed = 0;
  if (parsed->doc2string(parsed->owner, nullptr, 0, &needed) == QX_ERR_INSUFFICIENT_BUFFER) {
    std::vector<char> buffer(needed);
    parsed->doc2string(parsed->owner, buffer.data(), buffer.size(), &needed);
  }
  parsed->dispose(parsed->owner);
  return 0;
}
