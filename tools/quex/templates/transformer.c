/* @NAME@: a transformer. It passes every input record through and appends
   one integer field, the record's number. nextRecord pulls the next input
   record, so the output model repeats the input fields and adds its own.
   Written against qx.h alone: parameters and data models are read and made
   with the host's QXXML documents. */
#include <quex/qx.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

enum { ERR_NO_MEMORY = 1, ERR_BAD_MODEL = 2 };

typedef struct Component {
  QXContext* context;
  char rowField[128];    /* name of the appended field (parameter RowField) */
  size_t inputFields;    /* fields of the input data model */
  char* outputModel;     /* output data model text */
  QXIterator* input;
  int64_t row;
} Component;

static QXHost* host;

/* Copies `text` out under the text-return convention. */
static QXStatus returnText(const char* text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = strlen(text) + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  memcpy(buffer, text, *needed);
  return QX_OK;
}

/* Fetches one of the context's documents (getParameters, getDataModel) into
   a parsed QXXML document; null when it cannot. */
typedef QXStatus (*ContextText)(void* owner, char* buffer, size_t size, size_t* needed, int* code);
static QXXML* contextDocument(QXContext* context, ContextText get) {
  size_t needed = 0;
  int code = 0;
  char probe[1];
  QXStatus status = get(context->owner, probe, sizeof probe, &needed, &code);
  if (status != QX_OK && status != QX_ERR_INSUFFICIENT_BUFFER) return NULL;
  char* text = malloc(needed > 0 ? needed : 1);
  if (text == NULL) return NULL;
  if (needed <= 1 || get(context->owner, text, needed, &needed, &code) != QX_OK) text[0] = '\0';
  QXXML* document = NULL;
  if (text[0] != '\0') host->createDocumentFromContents(host->owner, text, &document);
  free(text);
  return document;
}

/* Reads attribute `name` of `element` into `value` (at most `size` bytes). */
static int attribute(QXXML* element, const char* name, char* value, size_t size) {
  size_t needed = 0;
  return element->getAttribute(element->owner, name, value, size, &needed) == QX_OK;
}

/* <Parameters><RowField name="..."/></Parameters>; the default is "row". */
static void readParameters(Component* component) {
  strcpy(component->rowField, "row");
  QXXML* parameters = contextDocument(component->context, component->context->getParameters);
  if (parameters == NULL) return;
  QXXMLIterator* items = NULL;
  int more = 0;
  void* item = NULL;
  if (parameters->getElementIterator(parameters->owner, "RowField", &items) == QX_OK &&
      items->hasMoreItems(items->owner, &more) == QX_OK && more &&
      items->nextItem(items->owner, &item) == QX_OK) {
    char name[sizeof component->rowField];
    if (attribute((QXXML*)item, "name", name, sizeof name) && name[0] != '\0')
      strcpy(component->rowField, name);
  }
  parameters->dispose(parameters->owner);
}

/* The output model: every input field, then the row number. */
static QXStatus makeOutputModel(Component* component, int* errorCode) {
  QXXML* input = contextDocument(component->context, component->context->getDataModel);
  QXXML* output = NULL;
  QXXML* fields = NULL;
  QXXML* field = NULL;
  QXXMLIterator* items = NULL;
  int more = 0;
  void* item = NULL;
  char name[256], storage[32];
  size_t needed = 0;
  component->inputFields = 0;
  if (host->createNewDocument(host->owner, "DataModel", &output) != QX_OK) {
    if (input != NULL) input->dispose(input->owner);
    *errorCode = ERR_NO_MEMORY;
    return QX_ERR_MODULE_SPECIFIC;
  }
  output->addElement(output->owner, "Fields", &fields);
  if (input != NULL && input->getElementIterator(input->owner, "Field", &items) == QX_OK) {
    while (items->hasMoreItems(items->owner, &more) == QX_OK && more &&
           items->nextItem(items->owner, &item) == QX_OK) {
      if (!attribute((QXXML*)item, "name", name, sizeof name) ||
          !attribute((QXXML*)item, "storage", storage, sizeof storage))
        continue;
      fields->addElement(fields->owner, "Field", &field);
      field->addAttribute(field->owner, "name", name);
      field->addAttribute(field->owner, "storage", storage);
      component->inputFields++;
    }
  }
  if (input != NULL) input->dispose(input->owner);
  fields->addElement(fields->owner, "Field", &field);
  field->addAttribute(field->owner, "name", component->rowField);
  field->addAttribute(field->owner, "storage", "integer");
  output->doc2string(output->owner, NULL, 0, &needed);
  free(component->outputModel);
  component->outputModel = malloc(needed);
  QXStatus status = component->outputModel != NULL &&
                            output->doc2string(output->owner, component->outputModel, needed,
                                               &needed) == QX_OK
                        ? QX_OK
                        : QX_ERR_MODULE_SPECIFIC;
  output->dispose(output->owner);
  *errorCode = status == QX_OK ? 0 : ERR_BAD_MODEL;
  return status;
}

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* theHost, int* errorCode) {
  host = theHost;
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char* text,
                                              void** result, int* errorCode) {
  (void)text;
  Component* component = calloc(1, sizeof *component);
  if (component == NULL) {
    *errorCode = ERR_NO_MEMORY;
    return QX_ERR_MODULE_SPECIFIC;
  }
  component->context = context;
  *result = component;
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_destroy_component(void* component, int* errorCode) {
  free(((Component*)component)->outputModel);
  free(component);
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_configure(void* component, int* errorCode) {
  readParameters((Component*)component);
  return makeOutputModel((Component*)component, errorCode);
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void* component, int number, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode) {
  (void)number;
  *errorCode = 0;
  const char* model = ((Component*)component)->outputModel;
  if (model == NULL) return QX_ERR_NOT_CONFIGURED;
  return returnText(model, buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator* input,
                                                      QXProgress* progress, int* errorCode) {
  (void)progress;
  ((Component*)component)->input = input;
  ((Component*)component)->row = 0;
  *errorCode = 0;
  return QX_OK;
}

/* One output record per input record: the end of the input ends the output.
   Before beginExecution there is no input to pull from. */
QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  Component* self = (Component*)component;
  *errorCode = 0;
  if (self->input == NULL) return QX_ERR_INVALID_OPERATION;
  QXStatus status = self->input->nextRecord(self->input->owner, errorCode);
  if (status == QX_OK) self->row++;
  return status;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index,
                                                      void** value, size_t* length,
                                                      int* errorCode) {
  Component* self = (Component*)component;
  *errorCode = 0;
  if (self->input == NULL || index > self->inputFields) return QX_ERR_INVALID_OPERATION;
  if (index < self->inputFields) /* the input's bytes, valid until the next record */
    return self->input->getRecordValue(self->input->owner, index, value, length, errorCode);
  *value = &self->row;
  *length = sizeof self->row;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* component, int* errorCode) {
  ((Component*)component)->input = NULL;
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void* component, char* buffer,
                                                      size_t bufferSize, size_t* needed,
                                                      int* errorCode) {
  (void)component;
  switch (*errorCode) {
  case ERR_NO_MEMORY: return returnText("out of memory", buffer, bufferSize, needed);
  case ERR_BAD_MODEL: return returnText("cannot make the output data model", buffer, bufferSize, needed);
  default: return QX_ERR_NO_ERROR_DETAIL;
  }
}
