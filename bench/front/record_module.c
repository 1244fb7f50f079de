/* The cheapest module that still answers the per-record calls: every record
   exists and every value is the same eight bytes. */
#include <quex/qx.h>

static const long long value = 42;

static QXStatus ok(int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) { (void)host; return ok(errorCode); }
QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) { return ok(errorCode); }
QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char* text,
                                              void** component, int* errorCode) {
  (void)context;
  (void)text;
  *component = (void*)&value;
  return ok(errorCode);
}
QX_MODULE_EXPORT QXStatus qx_destroy_component(void* c, int* errorCode) { (void)c; return ok(errorCode); }
QX_MODULE_EXPORT QXStatus qx_component_configure(void* c, int* errorCode) { (void)c; return ok(errorCode); }
QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void* c, int n, char* b, size_t s, size_t* needed,
                                                    int* errorCode) {
  (void)c; (void)n; (void)b; (void)s;
  *needed = 1;
  if (s < 1) return QX_ERR_INSUFFICIENT_BUFFER;
  b[0] = 0;
  return ok(errorCode);
}
QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* c, QXIterator* i, QXProgress* p,
                                                      int* errorCode) {
  (void)c; (void)i; (void)p;
  return ok(errorCode);
}
QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* c, int* errorCode) { (void)c; return ok(errorCode); }
QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* c, int* errorCode) { (void)c; return ok(errorCode); }
QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* c, size_t index, void** v, size_t* length,
                                                      int* errorCode) {
  (void)index;
  *v = c;
  *length = sizeof value;
  return ok(errorCode);
}
QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void* c, char* b, size_t s, size_t* needed,
                                                      int* errorCode) {
  (void)c; (void)b; (void)s; (void)needed; (void)errorCode;
  return QX_ERR_NO_ERROR_DETAIL;
}
