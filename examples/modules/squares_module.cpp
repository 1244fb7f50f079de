// squares: a small current-generation data reader. It produces the records
// (n, n*n) for n = 1..count, where count comes from the text given to
// qx_create_component (default 5). Written against qx.h alone.
#include <quex/qx.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Squares {
  int64_t count = 5;
  int64_t n = 0;
  int64_t square = 0;
};

QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

Squares& self(void* component) { return *static_cast<Squares*>(component); }

} // namespace

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost*, int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_getModuleInformation(char* buffer, size_t bufferSize,
                                                  size_t* needed, int* errorCode) {
  *errorCode = 0;
  return returnText("<ModuleInformation name=\"squares\" kind=\"data reader\"/>", buffer,
                    bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_create_component(QXContext*, const char* text, void** component,
                                              int* errorCode) {
  *errorCode = 0;
  auto* squares = new (std::nothrow) Squares;
  if (squares == nullptr) return QX_ERR_MODULE_SPECIFIC;
  if (text != nullptr && *text != '\0') squares->count = std::strtoll(text, nullptr, 10);
  *component = squares;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_destroy_component(void* component, int* errorCode) {
  *errorCode = 0;
  delete static_cast<Squares*>(component);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_configure(void*, int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void*, int, char* buffer, size_t bufferSize,
                                                    size_t* needed, int* errorCode) {
  *errorCode = 0;
  return returnText("<DataModel><Fields><Field name=\"n\" storage=\"integer\"/>"
                    "<Field name=\"square\" storage=\"integer\"/></Fields></DataModel>",
                    buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator*, QXProgress*,
                                                      int* errorCode) {
  *errorCode = 0;
  self(component).n = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void*, int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  *errorCode = 0;
  Squares& s = self(component);
  if (s.n >= s.count) return QX_ERR_NO_DATA;
  ++s.n;
  s.square = s.n * s.n;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index,
                                                      void** value, size_t* length,
                                                      int* errorCode) {
  *errorCode = 0;
  if (index > 1) return QX_ERR_NO_DATA;
  Squares& s = self(component);
  *value = index == 0 ? &s.n : &s.square;
  *length = sizeof(int64_t);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void*, char* buffer, size_t bufferSize,
                                                      size_t* needed, int* errorCode) {
  return returnText("squares reports no module-specific errors (code " +
                        std::to_string(*errorCode) + ")",
                    buffer, bufferSize, needed);
}
