#include "data_model.h"
#include "xml_text.h"

#include <memory>

namespace quex::tool {

std::string makeDataModel(const std::vector<csv::Column>& columns) {
  std::string document = "<DataModel><Fields>";
  for (const csv::Column& column : columns)
    document += "<Field name=\"" + escapeXml(column.name) + "\" storage=\"" +
                values::storageWord(column.storage) + "\"/>";
  return document + "</Fields></DataModel>";
}

namespace {

// The document goes when the holder does.
struct DocumentRelease {
  void operator()(QXXML* document) const { document->dispose(document->owner); }
};
using DocumentHolder = std::unique_ptr<QXXML, DocumentRelease>;

bool attribute(QXXML* element, const char* name, std::string& value) {
  std::string buffer(64, '\0');
  size_t needed = 0;
  QXStatus status = element->getAttribute(element->owner, name, buffer.data(), buffer.size(),
                                          &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
    buffer.assign(needed, '\0');
    status = element->getAttribute(element->owner, name, buffer.data(), buffer.size(), &needed);
  }
  if (status != QX_OK) return false;
  value.assign(buffer.c_str());
  return true;
}

} // namespace

bool readDataModel(QXHost* host, const std::string& document, std::vector<csv::Column>& columns,
                   std::string& error) {
  columns.clear();
  QXXML* made = nullptr;
  if (host->createDocumentFromContents(host->owner, document.c_str(), &made) != QX_OK ||
      made == nullptr) {
    error = "the data model document could not be made";
    return false;
  }
  DocumentHolder holder(made);
  QXXMLIterator* fields = nullptr;
  if (made->getElementIterator(made->owner, "Field", &fields) != QX_OK || fields == nullptr) {
    error = "the data model document is not well-formed XML";
    return false;
  }
  for (;;) {
    void* item = nullptr;
    if (fields->nextItem(fields->owner, &item) != QX_OK || item == nullptr) break;
    auto* field = static_cast<QXXML*>(item);
    csv::Column column;
    std::string storage;
    if (!attribute(field, "name", column.name) || !attribute(field, "storage", storage)) {
      error = "a field of the data model cannot be read";
      return false;
    }
    if (column.name.empty()) {
      error = "field " + std::to_string(columns.size() + 1) + " of the data model has no name";
      return false;
    }
    auto known = values::storageFromWord(storage);
    if (!known) {
      error = "field " + column.name + " of the data model has storage '" + storage +
              "'; known are integer, real, string, date, time and timestamp";
      return false;
    }
    column.storage = *known;
    columns.push_back(std::move(column));
  }
  fields->close(fields->owner);
  return true;
}

} // namespace quex::tool
