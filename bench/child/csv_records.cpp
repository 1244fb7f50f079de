// csv_records: the module side of the end-to-end benchmark, doing per record
// what quex's example modules do. Created with the path of a CSV file of
// id,quantity,price,name,category rows, a component reads it as a reader
// does: each record parsed and encoded by quex's CSV table (integer, integer,
// real, string, string). Created with "derive", it is a transformer: each
// output record is the next input record, read through the host's iterator,
// with two values worked out from it: quantity * price (real) and
// "category/name" (string).
#include "csv_table.h"
#include "record_values.h"

#include <quex/qx.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr size_t kInputFields = 5;
constexpr size_t kDerivedFields = kInputFields + 2;

struct Component {
  std::unique_ptr<quex::csv::Table> table; // a reader's file; null for "derive"
  QXIterator* input = nullptr;
  bool current = false;
  // A transformer's current record: the input values (valid until the
  // input's next record) and the two worked out here.
  const void* values[kDerivedFields] = {};
  size_t lengths[kDerivedFields] = {};
  unsigned char total[quex::values::kNumberSize] = {};
  std::string label;
};

Component& component(void* handle) { return *static_cast<Component*>(handle); }

QXStatus derived(Component& c, int* errorCode) {
  QXIterator* in = c.input;
  if (in == nullptr) return QX_ERR_NO_DATA;
  const QXStatus status = in->nextRecord(in->owner, errorCode);
  if (status != QX_OK) return status;
  for (size_t f = 0; f < kInputFields; ++f) {
    void* value = nullptr;
    size_t length = 0;
    if (in->getRecordValue(in->owner, f, &value, &length, errorCode) != QX_OK)
      return QX_ERR_CALLBACK;
    c.values[f] = value;
    c.lengths[f] = length;
  }
  if (c.values[1] == nullptr || c.values[2] == nullptr || c.lengths[1] != 8 || c.lengths[2] != 8)
    return QX_ERR_CALLBACK;
  quex::values::encodeReal(static_cast<double>(quex::values::decodeInteger(c.values[1])) *
                               quex::values::decodeReal(c.values[2]),
                           c.total);
  c.label.assign(static_cast<const char*>(c.values[4]), c.values[4] ? c.lengths[4] : 0);
  c.label += '/';
  c.label.append(static_cast<const char*>(c.values[3]), c.values[3] ? c.lengths[3] : 0);
  c.values[5] = c.total;
  c.lengths[5] = sizeof c.total;
  c.values[6] = c.label.data();
  c.lengths[6] = c.label.size();
  return QX_OK;
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

QX_MODULE_EXPORT QXStatus qx_create_component(QXContext*, const char* text, void** handle,
                                              int* errorCode) {
  *errorCode = 0;
  auto made = std::unique_ptr<Component>(new (std::nothrow) Component);
  if (made == nullptr || text == nullptr) return QX_ERR_EXCEPTION_THROWN;
  if (std::strcmp(text, "derive") != 0) {
    std::string error;
    made->table = quex::csv::Table::open(text, error);
    if (made->table == nullptr || !made->table->inferStorages(error)) return QX_ERR_NO_DATA;
  }
  *handle = made.release(); // back in qx_destroy_component
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_destroy_component(void* handle, int* errorCode) {
  *errorCode = 0;
  std::unique_ptr<Component> owned(&component(handle));
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_configure(void*, int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void*, int, char* buffer, size_t size,
                                                    size_t* needed, int* errorCode) {
  static const char model[] = "<DataModel/>";
  *errorCode = 0;
  *needed = sizeof model;
  if (size < sizeof model) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, model, sizeof model);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void* handle, QXIterator* iterator,
                                                      QXProgress*, int* errorCode) {
  *errorCode = 0;
  Component& c = component(handle);
  c.input = iterator;
  c.current = false;
  if (c.table != nullptr) c.table->rewind();
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void* handle, int* errorCode) {
  *errorCode = 0;
  component(handle).input = nullptr;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* handle, int* errorCode) {
  *errorCode = 0;
  Component& c = component(handle);
  c.current = false;
  QXStatus status = QX_ERR_NO_DATA;
  if (c.table == nullptr) {
    status = derived(c, errorCode);
  } else {
    const quex::csv::Table::Result read = c.table->next();
    status = read == quex::csv::Table::Result::Record ? QX_OK
             : read == quex::csv::Table::Result::End  ? QX_ERR_NO_DATA
                                                      : QX_ERR_CALLBACK;
  }
  c.current = status == QX_OK;
  return status;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* handle, size_t index, void** value,
                                                      size_t* length, int* errorCode) {
  *errorCode = 0;
  Component& c = component(handle);
  if (!c.current) return QX_ERR_INVALID_OPERATION;
  if (c.table != nullptr) {
    if (index >= c.table->columns().size()) return QX_ERR_INVALID_OPERATION;
    *value = const_cast<void*>(c.table->value(index));
    *length = c.table->length(index);
    return QX_OK;
  }
  if (index >= kDerivedFields) return QX_ERR_INVALID_OPERATION;
  *value = const_cast<void*>(c.values[index]);
  *length = c.lengths[index];
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void*, char*, size_t, size_t*,
                                                      int* errorCode) {
  *errorCode = 0;
  return QX_ERR_NO_ERROR_DETAIL;
}
