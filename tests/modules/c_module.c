/* A current-generation module written in C99 against qx.h alone: it proves
   the header serves C module writers. Components count the records they have
   delivered; there are three records of one 8-byte integer each. */
#include <quex/qx.h>

#include <stdint.h>
#include <string.h>

#ifdef C_MODULE_CREATE_CHECK
/* The variant xml_direct: a check of the create text, defined in C++ beside it. */
QXStatus c_module_create_check(const char* text);
#endif

static const char moduleInformation[] = "<ModuleInformation name=\"c_module\"/>";
static int64_t component_state = 0;

static QXStatus return_text(const char* text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = strlen(text) + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  memcpy(buffer, text, *needed);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) {
  (void)host;
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
  return return_text(moduleInformation, buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char* text,
                                              void** component, int* errorCode) {
  (void)context;
  (void)text;
  *errorCode = 0;
#ifdef C_MODULE_CREATE_CHECK
  if (c_module_create_check(text) != QX_OK) return QX_ERR_XML;
#endif
  component_state = 0;
  *component = &component_state;
  return QX_OK;
}

/* Entries with nothing to do but succeed. */
#define SUCCEEDING_ENTRY(name)                                                                     \
  QX_MODULE_EXPORT QXStatus name(void* component, int* errorCode) {                                \
    (void)component;                                                                               \
    *errorCode = 0;                                                                                \
    return QX_OK;                                                                                  \
  }
SUCCEEDING_ENTRY(qx_destroy_component)
SUCCEEDING_ENTRY(qx_component_configure)
SUCCEEDING_ENTRY(qx_component_endExecution)

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void* component, int number, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode) {
  (void)component;
  (void)number;
  *errorCode = 0;
  return return_text("<DataModel><Fields><Field name=\"n\" storage=\"integer\"/></Fields></DataModel>",
                     buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator* iterator,
                                                      QXProgress* progress, int* errorCode) {
  (void)iterator;
  (void)progress;
  *errorCode = 0;
  *(int64_t*)component = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  int64_t* delivered = (int64_t*)component;
  *errorCode = 0;
  if (*delivered >= 3) return QX_ERR_NO_DATA;
  ++*delivered;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index,
                                                      void** value, size_t* length,
                                                      int* errorCode) {
  *errorCode = 0;
  if (index != 0) return QX_ERR_NO_DATA;
  *value = component;
  *length = sizeof(int64_t);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void* component, char* buffer,
                                                      size_t bufferSize, size_t* needed,
                                                      int* errorCode) {
  (void)component;
  (void)errorCode;
  return return_text("c_module has no errors", buffer, bufferSize, needed);
}
