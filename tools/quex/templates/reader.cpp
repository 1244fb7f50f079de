// @NAME@: a reader. It reads the text file given to the component under the
// key "input" (quex run ... --file input=PATH) and delivers one record per
// line: the line number and the line's text. Written against qx.h alone.
#include <quex/qx.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

namespace {

enum ErrorCode { kNoInput = 1, kCannotOpen = 2 };

const char kOutputModel[] = "<DataModel><Fields>"
                            "<Field name=\"line\" storage=\"integer\"/>"
                            "<Field name=\"text\" storage=\"string\"/>"
                            "</Fields></DataModel>";

struct Component {
  QXContext* context = nullptr;
  std::string path;
  std::ifstream file;
  std::int64_t line = 0;
  std::string text; // the current line
};

Component& self(void* component) { return *static_cast<Component*>(component); }

QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

// Asks `get` under the text-return convention, growing the buffer once.
template <typename Get>
QXStatus fetchText(std::string& text, Get get) {
  std::string buffer(256, '\0');
  size_t needed = 0;
  QXStatus status = get(&buffer[0], buffer.size(), &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER) {
    buffer.assign(needed, '\0');
    status = get(&buffer[0], buffer.size(), &needed);
  }
  if (status == QX_OK) text.assign(buffer.c_str());
  return status;
}

} // namespace

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost*, int* errorCode) {
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

// The file path under "input", expanded by the host when it can (a module in
// a child process gets no expansion and uses the path as given).
QX_MODULE_EXPORT QXStatus qx_component_configure(void* component, int* errorCode) {
  QXContext* context = self(component).context;
  std::string given;
  if (fetchText(given, [&](char* buffer, size_t size, size_t* needed) {
        return context->getFilePath(context->owner, "input", buffer, size, needed, errorCode);
      }) != QX_OK) {
    *errorCode = kNoInput;
    return QX_ERR_MODULE_SPECIFIC;
  }
  if (fetchText(self(component).path, [&](char* buffer, size_t size, size_t* needed) {
        return context->expandFilePath(context->owner, given.c_str(), buffer, size, needed,
                                       errorCode);
      }) != QX_OK)
    self(component).path = given;
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void*, int, char* buffer, size_t bufferSize,
                                                    size_t* needed, int* errorCode) {
  *errorCode = 0;
  return returnText(kOutputModel, buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator*, QXProgress*,
                                                      int* errorCode) {
  Component& c = self(component);
  c.file = std::ifstream(c.path);
  c.line = 0;
  *errorCode = c.file ? 0 : kCannotOpen;
  return c.file ? QX_OK : QX_ERR_MODULE_SPECIFIC;
}

QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  Component& c = self(component);
  *errorCode = 0;
  if (!std::getline(c.file, c.text)) return QX_ERR_NO_DATA;
  if (!c.text.empty() && c.text.back() == '\r') c.text.pop_back();
  ++c.line;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                                      size_t* length, int* errorCode) {
  Component& c = self(component);
  *errorCode = 0;
  if (index == 0) {
    *value = &c.line;
    *length = sizeof c.line;
  } else if (index == 1) {
    *value = &c.text[0];
    *length = c.text.size();
  } else {
    return QX_ERR_INVALID_OPERATION;
  }
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* component, int* errorCode) {
  self(component).file.close();
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void* component, char* buffer,
                                                      size_t bufferSize, size_t* needed,
                                                      int* errorCode) {
  switch (*errorCode) {
  case kNoInput:
    return returnText("no input file: give one with --file input=PATH", buffer, bufferSize,
                      needed);
  case kCannotOpen:
    return returnText("cannot open " + self(component).path, buffer, bufferSize, needed);
  default:
    return QX_ERR_NO_ERROR_DETAIL;
  }
}
