// @NAME@: a transformer. It passes every input record through and appends
// one integer field, the record's number. nextRecord pulls the next input
// record, so the output model repeats the input fields and adds its own.
// Written against qx.h alone: parameters and data models are read and made
// with the host's QXXML documents.
#include <quex/qx.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

enum ErrorCode { kBadModel = 1 };

QXHost* host = nullptr;

struct Component {
  QXContext* context = nullptr;
  std::string rowField = "row"; // name of the appended field (parameter RowField)
  size_t inputFields = 0;
  std::string outputModel;
  QXIterator* input = nullptr;
  std::int64_t row = 0;
};

Component& self(void* component) { return *static_cast<Component*>(component); }

// A document of the host's, released with it.
struct Dispose {
  void operator()(QXXML* document) const { document->dispose(document->owner); }
};
using Document = std::unique_ptr<QXXML, Dispose>;

QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

// Asks `get` under the text-return convention, growing the buffer once.
template <typename Get>
std::string fetchText(Get get) {
  std::string buffer(1024, '\0');
  size_t needed = 0;
  QXStatus status = get(&buffer[0], buffer.size(), &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER) {
    buffer.assign(needed, '\0');
    status = get(&buffer[0], buffer.size(), &needed);
  }
  return status == QX_OK ? std::string(buffer.c_str()) : std::string();
}

// One of the context's documents, parsed; empty when there is none.
template <typename Member>
Document contextDocument(QXContext* context, Member member) {
  int code = 0;
  std::string text = fetchText([&](char* buffer, size_t size, size_t* needed) {
    return (context->*member)(context->owner, buffer, size, needed, &code);
  });
  QXXML* document = nullptr;
  if (!text.empty()) host->createDocumentFromContents(host->owner, text.c_str(), &document);
  return Document(document);
}

std::string attribute(QXXML* element, const char* name) {
  return fetchText([&](char* buffer, size_t size, size_t* needed) {
    return element->getAttribute(element->owner, name, buffer, size, needed);
  });
}

// Calls `visit` with each element named `name` below `document`.
template <typename Visit>
void forEachElement(QXXML* document, const char* name, Visit visit) {
  QXXMLIterator* items = nullptr;
  if (document == nullptr || document->getElementIterator(document->owner, name, &items) != QX_OK)
    return;
  int more = 0;
  void* item = nullptr;
  while (items->hasMoreItems(items->owner, &more) == QX_OK && more &&
         items->nextItem(items->owner, &item) == QX_OK)
    visit(static_cast<QXXML*>(item));
}

QXXML* addField(QXXML* fields, const std::string& name, const std::string& storage) {
  QXXML* field = nullptr;
  fields->addElement(fields->owner, "Field", &field);
  field->addAttribute(field->owner, "name", name.c_str());
  field->addAttribute(field->owner, "storage", storage.c_str());
  return field;
}

} // namespace

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* theHost, int* errorCode) {
  host = theHost;
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char*, void** component,
                                              int* errorCode) {
  *errorCode = 0;
  Component* made = new (std::nothrow) Component;
  if (made == nullptr) return QX_ERR_MODULE_SPECIFIC;
  made->context = context;
  *component = made;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_destroy_component(void* component, int* errorCode) {
  delete static_cast<Component*>(component);
  *errorCode = 0;
  return QX_OK;
}

// Parameters: <Parameters><RowField name="..."/></Parameters>. The output
// model: every input field, then the row number.
QX_MODULE_EXPORT QXStatus qx_component_configure(void* component, int* errorCode) {
  Component& c = self(component);
  Document parameters = contextDocument(c.context, &QXContext::getParameters);
  forEachElement(parameters.get(), "RowField", [&](QXXML* element) {
    std::string name = attribute(element, "name");
    if (!name.empty()) c.rowField = name;
  });

  QXXML* made = nullptr;
  QXXML* fields = nullptr;
  if (host->createNewDocument(host->owner, "DataModel", &made) != QX_OK) {
    *errorCode = kBadModel;
    return QX_ERR_MODULE_SPECIFIC;
  }
  Document output(made);
  output->addElement(output->owner, "Fields", &fields);
  Document input = contextDocument(c.context, &QXContext::getDataModel);
  c.inputFields = 0;
  forEachElement(input.get(), "Field", [&](QXXML* field) {
    addField(fields, attribute(field, "name"), attribute(field, "storage"));
    ++c.inputFields;
  });
  addField(fields, c.rowField, "integer");
  c.outputModel = fetchText([&](char* buffer, size_t size, size_t* needed) {
    return output->doc2string(output->owner, buffer, size, needed);
  });
  *errorCode = c.outputModel.empty() ? kBadModel : 0;
  return c.outputModel.empty() ? QX_ERR_MODULE_SPECIFIC : QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void* component, int, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode) {
  *errorCode = 0;
  if (self(component).outputModel.empty()) return QX_ERR_NOT_CONFIGURED;
  return returnText(self(component).outputModel, buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator* input,
                                                      QXProgress*, int* errorCode) {
  self(component).input = input;
  self(component).row = 0;
  *errorCode = 0;
  return QX_OK;
}

// One output record per input record: the end of the input ends the output.
// Before beginExecution there is no input to pull from.
QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  Component& c = self(component);
  *errorCode = 0;
  if (c.input == nullptr) return QX_ERR_INVALID_OPERATION;
  QXStatus status = c.input->nextRecord(c.input->owner, errorCode);
  if (status == QX_OK) ++c.row;
  return status;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                                      size_t* length, int* errorCode) {
  Component& c = self(component);
  *errorCode = 0;
  if (c.input == nullptr || index > c.inputFields) return QX_ERR_INVALID_OPERATION;
  if (index < c.inputFields) // the input's bytes, valid until the next record
    return c.input->getRecordValue(c.input->owner, index, value, length, errorCode);
  *value = &c.row;
  *length = sizeof c.row;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* component, int* errorCode) {
  self(component).input = nullptr;
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void*, char* buffer, size_t bufferSize,
                                                      size_t* needed, int* errorCode) {
  if (*errorCode == kBadModel)
    return returnText("cannot make the output data model", buffer, bufferSize, needed);
  return QX_ERR_NO_ERROR_DETAIL;
}
