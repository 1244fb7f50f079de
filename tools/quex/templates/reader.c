/* @NAME@: a reader. It reads the text file given to the component under the
   key "input" (quex run ... --file input=PATH) and delivers one record per
   line: the line number and the line's text. Written against qx.h alone. */
#include <quex/qx.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { ERR_NO_MEMORY = 1, ERR_NO_INPUT = 2, ERR_CANNOT_OPEN = 3 };

static const char kOutputModel[] =
    "<DataModel><Fields>"
    "<Field name=\"line\" storage=\"integer\"/>"
    "<Field name=\"text\" storage=\"string\"/>"
    "</Fields></DataModel>";

typedef struct Component {
  QXContext* context;
  char path[4096];
  FILE* file;
  int64_t line;
  char text[4096]; /* the current line, without its line break */
  size_t length;
} Component;

static QXStatus returnText(const char* text, char* buffer, size_t bufferSize, size_t* needed) {
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
  Component* self = (Component*)component;
  if (self->file != NULL) fclose(self->file);
  free(self);
  *errorCode = 0;
  return QX_OK;
}

/* The file path under "input", expanded by the host when it can (a module in
   a child process gets no expansion and uses the path as given). */
QX_MODULE_EXPORT QXStatus qx_component_configure(void* component, int* errorCode) {
  Component* self = (Component*)component;
  QXContext* context = self->context;
  char given[sizeof self->path];
  size_t needed = 0;
  *errorCode = 0;
  if (context->getFilePath(context->owner, "input", given, sizeof given, &needed, errorCode) !=
      QX_OK) {
    *errorCode = ERR_NO_INPUT;
    return QX_ERR_MODULE_SPECIFIC;
  }
  if (context->expandFilePath(context->owner, given, self->path, sizeof self->path, &needed,
                              errorCode) != QX_OK)
    strcpy(self->path, given);
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void* component, int number, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode) {
  (void)component;
  (void)number;
  *errorCode = 0;
  return returnText(kOutputModel, buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator* input,
                                                      QXProgress* progress, int* errorCode) {
  Component* self = (Component*)component;
  (void)input;
  (void)progress;
  *errorCode = 0;
  if (self->file != NULL) fclose(self->file);
  self->file = fopen(self->path, "r");
  self->line = 0;
  if (self->file == NULL) {
    *errorCode = ERR_CANNOT_OPEN;
    return QX_ERR_MODULE_SPECIFIC;
  }
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  Component* self = (Component*)component;
  *errorCode = 0;
  if (self->file == NULL || fgets(self->text, sizeof self->text, self->file) == NULL)
    return QX_ERR_NO_DATA;
  self->length = strcspn(self->text, "\r\n");
  self->line++;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index,
                                                      void** value, size_t* length,
                                                      int* errorCode) {
  Component* self = (Component*)component;
  *errorCode = 0;
  switch (index) {
  case 0: *value = &self->line; *length = sizeof self->line; return QX_OK;
  case 1: *value = self->text; *length = self->length; return QX_OK;
  default: return QX_ERR_INVALID_OPERATION;
  }
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* component, int* errorCode) {
  Component* self = (Component*)component;
  if (self->file != NULL) fclose(self->file);
  self->file = NULL;
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void* component, char* buffer,
                                                      size_t bufferSize, size_t* needed,
                                                      int* errorCode) {
  Component* self = (Component*)component;
  switch (*errorCode) {
  case ERR_NO_MEMORY: return returnText("out of memory", buffer, bufferSize, needed);
  case ERR_NO_INPUT: return returnText("no input file: give one with --file input=PATH", buffer, bufferSize, needed);
  case ERR_CANNOT_OPEN: {
    char message[sizeof self->path + 16];
    snprintf(message, sizeof message, "cannot open %s", self->path);
    return returnText(message, buffer, bufferSize, needed);
  }
  default: return QX_ERR_NO_ERROR_DETAIL;
  }
}
