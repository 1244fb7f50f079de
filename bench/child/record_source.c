/* record_source: a module whose components produce the number of records
   named by their create text, each of 5 eight-byte values, one by one and in
   bulk. With the create text "transform" a component is a transformer: each
   output record is the next input record, read through the host's iterator
   one value at a time, with its first value doubled. */
#include <quex/qx.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#define FIELDS 5

typedef struct {
  int transform;
  QXIterator* input;
  uint64_t total;
  uint64_t produced;
  uint64_t current[FIELDS];
  uint64_t* batch; /* the values of the last bulk fetch */
  size_t batchCapacity;
} Source;

static QXStatus ok(int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

static QXStatus transformed(Source* s) {
  QXIterator* in = s->input;
  int errorCode = 0;
  size_t f;
  QXStatus status;
  if (in == NULL) return QX_ERR_NO_DATA;
  status = in->nextRecord(in->owner, &errorCode);
  if (status != QX_OK) return status;
  for (f = 0; f < FIELDS; ++f) {
    void* value = NULL;
    size_t length = 0;
    status = in->getRecordValue(in->owner, f, &value, &length, &errorCode);
    if (status != QX_OK || value == NULL || length != sizeof(uint64_t)) return QX_ERR_CALLBACK;
    memcpy(&s->current[f], value, sizeof(uint64_t));
  }
  s->current[0] *= 2;
  ++s->produced;
  return QX_OK;
}

static QXStatus produce(Source* s) {
  size_t f;
  if (s->transform) return transformed(s);
  if (s->produced >= s->total) return QX_ERR_NO_DATA;
  for (f = 0; f < FIELDS; ++f) s->current[f] = s->produced * FIELDS + f;
  ++s->produced;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) {
  (void)host;
  return ok(errorCode);
}
QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) { return ok(errorCode); }

QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char* text,
                                              void** component, int* errorCode) {
  Source* s = calloc(1, sizeof *s);
  (void)context;
  if (s == NULL) return QX_ERR_EXCEPTION_THROWN;
  s->transform = text != NULL && strcmp(text, "transform") == 0;
  s->total = s->transform ? 0 : strtoull(text != NULL ? text : "0", NULL, 10);
  *component = s;
  return ok(errorCode);
}

QX_MODULE_EXPORT QXStatus qx_destroy_component(void* component, int* errorCode) {
  Source* s = component;
  free(s->batch);
  free(s);
  return ok(errorCode);
}

QX_MODULE_EXPORT QXStatus qx_component_configure(void* component, int* errorCode) {
  (void)component;
  return ok(errorCode);
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void* component, int number, char* buffer,
                                                    size_t size, size_t* needed, int* errorCode) {
  static const char model[] = "<DataModel/>";
  (void)component;
  (void)number;
  *needed = sizeof model;
  *errorCode = 0;
  if (size < sizeof model) return QX_ERR_INSUFFICIENT_BUFFER;
  memcpy(buffer, model, sizeof model);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator* iterator,
                                                      QXProgress* progress, int* errorCode) {
  (void)progress;
  ((Source*)component)->input = iterator;
  ((Source*)component)->produced = 0;
  return ok(errorCode);
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* component, int* errorCode) {
  (void)component;
  return ok(errorCode);
}

QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  *errorCode = 0;
  return produce(component);
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                                      size_t* length, int* errorCode) {
  Source* s = component;
  *errorCode = 0;
  if (index >= FIELDS || s->produced == 0) return QX_ERR_NO_DATA;
  *value = &s->current[index];
  *length = sizeof s->current[index];
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                                 size_t* lengths, size_t* fieldCount,
                                                 size_t* recordCount, int* errorCode) {
  Source* s = component;
  size_t i;
  *errorCode = 0;
  *fieldCount = FIELDS;
  *recordCount = 0;
  if (capacity < FIELDS) return QX_ERR_INSUFFICIENT_BUFFER;
  if (s->batchCapacity < capacity) {
    uint64_t* grown = realloc(s->batch, capacity * sizeof *grown);
    if (grown == NULL) return QX_ERR_EXCEPTION_THROWN;
    s->batch = grown;
    s->batchCapacity = capacity;
  }
  while ((*recordCount + 1) * FIELDS <= capacity && produce(s) == QX_OK) {
    for (i = 0; i < FIELDS; ++i) {
      const size_t slot = *recordCount * FIELDS + i;
      s->batch[slot] = s->current[i];
      values[slot] = &s->batch[slot];
      lengths[slot] = sizeof s->batch[slot];
    }
    ++*recordCount;
  }
  return *recordCount > 0 ? QX_OK : QX_ERR_NO_DATA;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void* component, char* buffer, size_t size,
                                                      size_t* needed, int* errorCode) {
  (void)component;
  (void)buffer;
  (void)size;
  (void)needed;
  (void)errorCode;
  return QX_ERR_NO_ERROR_DETAIL;
}
