// csvsource: a data reader of the current generation. Reads the CSV file
// given under the file-path key "input", with a header row; the storage of
// each column is inferred (integer, real, string) unless its parameters name it:
//   <Parameters><DataModel><Fields><Field name="zip" storage="string"/></Fields></DataModel></Parameters>
// Malformed rows are skipped with a warning that names their line; the end of
// the file brings one information diagnostic with the totals.
#include "../common/module_support.h"

#include "csv_table.h"

#include <atomic>
#include <memory>

namespace {

using examples::helper::XMLDocument;

const char kSource[] = "csvsource";

// Module-specific error codes, with texts through qx_component_getErrorDetail.
enum ErrorCode : int {
  kNoInputKey = 1,
  kCannotExpand = 2,
  kCannotOpen = 3,
  kUnknownField = 4,
  kUnknownStorage = 5,
  kBadParameters = 6,
};
// Diagnostic codes.
enum DiagnosticCode : int { kMalformedRow = 10, kTotals = 11 };

QXHost* theHost = nullptr;

struct Source {
  QXContext* context = nullptr;
  examples::ErrorTexts errors;
  std::unique_ptr<quex::csv::Table> table;
  quex::csv::RecordBatch batch;
  QXProgress* progress = nullptr;
  bool current = false;
  std::atomic<bool> cancelled{false}; // set from the host's cancelling thread
  bool totalsReported = false;
  size_t records = 0;
  size_t malformed = 0;

  // Reads rows until one is well-formed; false at the end of the file.
  bool advance();
  QXStatus configure(int* errorCode);
};

Source& source(void* component) { return *static_cast<Source*>(component); }

bool Source::advance() {
  current = false;
  if (table == nullptr) return false;
  for (;;) {
    switch (table->next()) {
    case quex::csv::Table::Result::Record:
      ++records;
      current = true;
      return true;
    case quex::csv::Table::Result::Malformed:
      ++malformed;
      examples::reportDiagnostic(theHost, progress, kMalformedRow, "warning", kSource,
                                 "line {0}: {1}; the row is skipped",
                                 {std::to_string(table->recordLine()), table->error()});
      continue;
    case quex::csv::Table::Result::End:
      if (!totalsReported) {
        totalsReported = true;
        examples::reportDiagnostic(theHost, progress, kTotals, "information", kSource,
                                   "{0} records read, {1} malformed rows skipped",
                                   {std::to_string(records), std::to_string(malformed)});
      }
      return false;
    }
  }
}

QXStatus Source::configure(int* errorCode) {
  std::string path, expanded;
  QXStatus status = examples::fetchText(path, [&](char* buffer, size_t size, size_t* needed) {
    return context->getFilePath(context->owner, "input", buffer, size, needed, errorCode);
  });
  if (status != QX_OK)
    return errors.fail(kNoInputKey,
                       "no input file: give one under the file-path key \"input\" "
                       "(quex: --file input=PATH)",
                       errorCode);
  status = examples::fetchText(expanded, [&](char* buffer, size_t size, size_t* needed) {
    return context->expandFilePath(context->owner, path.c_str(), buffer, size, needed, errorCode);
  });
  // A module in a child process has no path expansion: the path as given
  // still names the file, since the child shares the host's working folder.
  if (status == QX_ERR_EXPAND_FILE_PATH && *errorCode == 0)
    expanded = path;
  else if (status != QX_OK)
    return errors.fail(kCannotExpand, "the host cannot expand the path " + path, errorCode);
  std::string why;
  table = quex::csv::Table::open(expanded, why);
  if (table == nullptr) return errors.fail(kCannotOpen, why, errorCode);
  table->inferStorages(why, true);

  std::string parameters;
  status = examples::fetchText(parameters, [&](char* buffer, size_t size, size_t* needed) {
    return context->getParameters(context->owner, buffer, size, needed, errorCode);
  });
  if (status != QX_OK || parameters.empty()) return QX_OK;
  std::vector<examples::FieldDeclaration> declared;
  try {
    declared = examples::readFields(XMLDocument::createFromString(theHost, parameters.c_str()));
  } catch (const examples::helper::XMLException&) {
    return errors.fail(kBadParameters, "the parameters are not a well-formed document",
                       errorCode);
  }
  for (const examples::FieldDeclaration& field : declared) {
    quex::csv::Column* column = nullptr;
    for (quex::csv::Column& candidate : table->columns())
      if (candidate.name == field.name) column = &candidate;
    if (column == nullptr)
      return errors.fail(kUnknownField,
                         "the parameters name field '" + field.name + "', which " + expanded +
                             " does not have",
                         errorCode);
    auto storage = quex::values::storageFromWord(field.storage);
    if (!storage)
      return errors.fail(kUnknownStorage,
                         "field '" + field.name + "' has unknown storage '" + field.storage + "'",
                         errorCode);
    column->storage = *storage;
  }
  return QX_OK;
}

} // namespace

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) {
  *errorCode = 0;
  theHost = host;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) {
  *errorCode = 0;
  theHost = nullptr;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_getModuleInformation(char* buffer, size_t bufferSize,
                                                  size_t* needed, int* errorCode) {
  *errorCode = 0;
  return examples::returnText(
      "<ModuleInformation><Module name=\"csvsource\" type=\"dataReader\" version=\"1.0\">"
      "<Description>Reads a CSV file with a header row (file-path key \"input\")</Description>"
      "</Module></ModuleInformation>",
      buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char*, void** component,
                                              int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    auto made = std::make_unique<Source>();
    made->context = context;
    *component = made.release(); // back in qx_destroy_component
    return QX_OK;
  });
}

QX_MODULE_EXPORT QXStatus qx_destroy_component(void* component, int* errorCode) {
  *errorCode = 0;
  std::unique_ptr<Source> owned(static_cast<Source*>(component));
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_configure(void* component, int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] { return source(component).configure(errorCode); });
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void* component, int, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    Source& s = source(component);
    if (s.table == nullptr) return QX_ERR_NOT_CONFIGURED;
    std::vector<examples::FieldDeclaration> fields;
    for (const quex::csv::Column& column : s.table->columns())
      fields.push_back({column.name, quex::values::storageWord(column.storage)});
    return examples::returnText(examples::makeDataModel(theHost, fields), buffer, bufferSize,
                                needed);
  });
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator*,
                                                      QXProgress* progress, int* errorCode) {
  *errorCode = 0;
  Source& s = source(component);
  if (s.table == nullptr) return QX_ERR_NOT_CONFIGURED;
  s.table->rewind();
  s.progress = progress;
  s.current = s.totalsReported = false;
  s.cancelled = false;
  s.records = s.malformed = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* component, int* errorCode) {
  *errorCode = 0;
  source(component).progress = nullptr;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_cancelExecution(void* component, int* errorCode) {
  *errorCode = 0;
  source(component).cancelled = true;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    Source& s = source(component);
    if (s.cancelled) return QX_ERR_INTERRUPTED;
    return s.advance() ? QX_OK : QX_ERR_NO_DATA;
  });
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index,
                                                      void** value, size_t* length,
                                                      int* errorCode) {
  *errorCode = 0;
  Source& s = source(component);
  if (!s.current || index >= s.table->columns().size()) return QX_ERR_INVALID_OPERATION;
  *value = const_cast<void*>(s.table->value(index));
  *length = s.table->length(index);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                                 size_t* lengths, size_t* fieldCount,
                                                 size_t* recordCount, int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    Source& s = source(component);
    *recordCount = 0;
    if (s.table == nullptr) return QX_ERR_NOT_CONFIGURED;
    if (s.cancelled) return QX_ERR_INTERRUPTED;
    const size_t fields = s.table->columns().size();
    *fieldCount = fields;
    if (fields == 0 || capacity < fields) return QX_ERR_NO_DATA;
    s.batch.clear();
    while (s.batch.valueCount() + fields <= capacity && s.advance()) {
      s.batch.add(*s.table);
      ++*recordCount;
    }
    s.current = false; // values of the batch only
    if (*recordCount == 0) return QX_ERR_NO_DATA;
    s.batch.exportTo(values, lengths);
    return QX_OK;
  });
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void* component, char* buffer,
                                                      size_t bufferSize, size_t* needed,
                                                      int* errorCode) {
  return source(component).errors.detail(*errorCode, buffer, bufferSize, needed);
}
