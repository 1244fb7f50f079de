// The lifecycle: the normal sequence with the host's documents, every call
// out of order, the end of the records, indexes past the field count, and
// the values of each record against the data model.
#include "check.h"
#include "probe.h"

#include "record_values.h"

namespace quex::check {

namespace {

Verdict normalSequence(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  std::vector<Record> records;
  size_t fields = 0;
  {
    Component component(probe);
    if (!component.prepare(why) || !component.readAll(records, why) || !component.end(why) ||
        !component.destroy(why))
      return Verdict::fail(why);
    fields = component.fieldCount();
  }
  if (!probe.stop(why)) return Verdict::fail(why);
  const std::string unnamed = probe.firstUnnamedStatus();
  if (!unnamed.empty()) return Verdict::fail(unnamed);
  return Verdict::pass(std::to_string(records.size()) + " records of " + std::to_string(fields) +
                       " fields");
}

// Calls made out of order only need to answer: any status but a crash.
Verdict outOfOrder(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  ExtensionWrapper& wrapper = probe.wrapper();
  int errorCode = 0;
  void* value = nullptr;
  size_t length = 0;
  {
    Component fresh(probe);
    if (!fresh.create(why)) return Verdict::skip(why);
    void* handle = fresh.handle();
    char buffer[64];
    size_t needed = 0;
    probe.call("qx_component_nextRecord before qx_component_configure",
               [&] { return wrapper.qx_component_nextRecord(handle, &errorCode); });
    probe.call("qx_component_getRecordValue before qx_component_configure", [&] {
      return wrapper.qx_component_getRecordValue(handle, 0, &value, &length, &errorCode);
    });
    probe.call("qx_component_endExecution before qx_component_beginExecution",
               [&] { return wrapper.qx_component_endExecution(handle, &errorCode); });
    probe.call("qx_component_cancelExecution before qx_component_beginExecution",
               [&] { return wrapper.qx_component_cancelExecution(handle, &errorCode); });
    if (!fresh.configure(why)) return Verdict::skip(why);
    probe.call("qx_component_nextRecord before qx_component_beginExecution",
               [&] { return wrapper.qx_component_nextRecord(handle, &errorCode); });
    probe.call("qx_component_getRecordValue before qx_component_beginExecution", [&] {
      return wrapper.qx_component_getRecordValue(handle, 0, &value, &length, &errorCode);
    });
    probe.call("qx_component_getDataModel with a zero-size buffer", [&] {
      return wrapper.qx_component_getDataModel(handle, 0, buffer, 0, &needed, &errorCode);
    });
  }
  {
    Component running(probe);
    if (!running.prepare(why)) return Verdict::skip(why);
    void* handle = running.handle();
    probe.call("qx_component_getRecordValue before the first qx_component_nextRecord", [&] {
      return wrapper.qx_component_getRecordValue(handle, 0, &value, &length, &errorCode);
    });
    std::vector<Record> records;
    if (!running.readAll(records, why)) return Verdict::skip(why);
    probe.call("qx_component_getRecordValue after the last record", [&] {
      return wrapper.qx_component_getRecordValue(handle, 0, &value, &length, &errorCode);
    });
    if (!running.end(why)) return Verdict::skip(why);
    probe.call("qx_component_nextRecord after qx_component_endExecution",
               [&] { return wrapper.qx_component_nextRecord(handle, &errorCode); });
    probe.call("qx_component_getRecordValue after qx_component_endExecution", [&] {
      return wrapper.qx_component_getRecordValue(handle, 0, &value, &length, &errorCode);
    });
    probe.call("qx_component_endExecution a second time",
               [&] { return wrapper.qx_component_endExecution(handle, &errorCode); });
    probe.call("qx_component_cancelExecution after qx_component_endExecution",
               [&] { return wrapper.qx_component_cancelExecution(handle, &errorCode); });
  }
  const std::string unnamed = probe.firstUnnamedStatus();
  return unnamed.empty() ? Verdict::pass() : Verdict::fail(unnamed);
}

Verdict noDataAfterEnd(const CheckOptions& options) {
  Probe probe(options);
  Component component(probe);
  std::string why;
  std::vector<Record> records;
  if (!probe.start(why) || !component.prepare(why) || !component.readAll(records, why))
    return Verdict::skip(why);
  for (int again = 1; again <= 3; ++again) {
    int errorCode = 0;
    QXStatus status = probe.call("qx_component_nextRecord after QX_ERR_NO_DATA", [&] {
      return probe.wrapper().qx_component_nextRecord(component.handle(), &errorCode);
    });
    if (status != QX_ERR_NO_DATA)
      return Verdict::fail("qx_component_nextRecord answered " + statusText(status) + " on call " +
                           std::to_string(again) + " after the end of the records; it must keep "
                                                   "answering QX_ERR_NO_DATA (9)");
  }
  return Verdict::pass();
}

Verdict indexPastFields(const CheckOptions& options) {
  Probe probe(options);
  Component component(probe);
  std::string why;
  if (!probe.start(why) || !component.prepare(why)) return Verdict::skip(why);
  Record record;
  QXStatus status = QX_OK;
  if (!component.readRecord(record, status, why)) return Verdict::skip(why);
  if (status != QX_OK) return Verdict::skip("the component gives no record");
  const size_t fields = component.fieldCount();
  for (size_t index : {fields, fields + 1, fields + 1000, static_cast<size_t>(-1)}) {
    void* value = nullptr;
    size_t length = 0;
    int errorCode = 0;
    status = probe.call("qx_component_getRecordValue past the field count", [&] {
      return probe.wrapper().qx_component_getRecordValue(component.handle(), index, &value,
                                                         &length, &errorCode);
    });
    if (status == QX_OK)
      return Verdict::fail("qx_component_getRecordValue answered QX_OK for index " +
                           std::to_string(index) + " of a record of " + std::to_string(fields) +
                           " fields; an index past the field count must answer an error status");
  }
  return Verdict::pass();
}

Verdict valuesPerRecord(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  std::vector<Record> records;
  std::vector<csv::Column> fields;
  {
    Component component(probe);
    if (!component.prepare(why)) return Verdict::skip(why);
    if (!component.readAll(records, why)) return Verdict::fail(why);
    fields = component.fields();
  }
  for (size_t r = 0; r < records.size(); ++r) {
    for (size_t f = 0; f < fields.size(); ++f) {
      const Value& value = records[r][f];
      if (value && !values::isText(fields[f].storage) && value->size() != values::kNumberSize)
        return Verdict::fail("record " + std::to_string(r + 1) + ", field " + fields[f].name +
                             ": a value of storage " + values::storageWord(fields[f].storage) +
                             " has " + std::to_string(value->size()) + " bytes, not 8");
    }
  }
  if (probe.wrapper().useBulkFetch()) {
    Component bulk(probe);
    std::vector<Record> fetched;
    if (!bulk.prepare(why)) return Verdict::skip(why);
    if (!bulk.readAll(fetched, why, true)) return Verdict::fail(why);
  }
  return Verdict::pass(std::to_string(fields.size()) + " values in each of " +
                       std::to_string(records.size()) + " records");
}

} // namespace

std::vector<Check> lifecycleChecks() {
  return {
      {"lifecycle.normal",
       "Create, configure, data model, execute, every record, end, destroy: all answer QX_OK",
       Severity::Error, normalSequence},
      {"lifecycle.out-of-order",
       "Calls out of order (records before execution, after its end, ...) answer a status",
       Severity::Error, outOfOrder},
      {"lifecycle.no-data-after-end", "nextRecord keeps answering QX_ERR_NO_DATA after the end",
       Severity::Error, noDataAfterEnd},
      {"lifecycle.index-past-fields",
       "getRecordValue with an index past the field count answers an error status",
       Severity::Error, indexPastFields},
      {"lifecycle.values-per-record",
       "Every record has the data model's fields, numbers in 8 bytes, also by bulk fetch",
       Severity::Error, valuesPerRecord},
  };
}

} // namespace quex::check
