// The QXIterator members and their factory. Each member is one virtual call to
// the host's override between two trace-level tests; nothing is checked,
// copied or allocated on the way, so the per-record path stays thin.
#include "service_support.h"

#include <quex/services/QXIteratorFactory.h>
#include <quex/services/QXIteratorWrapper.h>

using quex::detail::currentTraceLevel;

QXIteratorWrapper::~QXIteratorWrapper() = default;

void QXIteratorWrapper::registerHandle(QXIterator* table) { handles_.add(table); }

namespace {

QXIteratorWrapper* iterator(void* owner) { return static_cast<QXIteratorWrapper*>(owner); }

[[gnu::cold, gnu::noinline]] void traceEnter(const char* name) {
  ExtensionWrapper::QXCHK_enter(name);
}

[[gnu::cold, gnu::noinline]] void traceExit(QXStatus status, int errorCode, const char* name) {
  ExtensionWrapper::QXCHK_exit(status, errorCode, name, nullptr);
}

// The shared shape: trace from `level`, call the override, trace again.
template <int level, typename Call>
inline QXStatus iteratorCall(const char* name, int* errorCode, Call&& call) noexcept {
  return quex::detail::guardCallback([&] {
    if (__builtin_expect(currentTraceLevel() >= level, 0)) traceEnter(name);
    const QXStatus status = call();
    if (__builtin_expect(currentTraceLevel() >= level, 0)) traceExit(status, *errorCode, name);
    return status;
  });
}

QXStatus iteratorNextRecord(void* owner, int* errorCode) {
  return iteratorCall<3>("qx_iterator_nextRecord", errorCode,
                         [&] { return iterator(owner)->nextRecord(errorCode); });
}

QXStatus iteratorGetRecordValue(void* owner, size_t index, void** value, size_t* length,
                                int* errorCode) {
  return iteratorCall<4>("qx_iterator_getRecordValue", errorCode, [&] {
    return iterator(owner)->getRecordValue(index, value, length, errorCode);
  });
}

QXStatus iteratorRewind(void* owner, int* errorCode) {
  return iteratorCall<3>("qx_iterator_rewind", errorCode,
                         [&] { return iterator(owner)->rewind(errorCode); });
}

QXStatus iteratorBulkFetch(void* owner, size_t capacity, void** values, size_t* lengths,
                           size_t* fieldCount, size_t* recordCount, int* errorCode) {
  return iteratorCall<4>("qx_iterator_bulkFetch", errorCode, [&] {
    return iterator(owner)->bulkFetch(capacity, values, lengths, fieldCount, recordCount,
                                      errorCode);
  });
}

} // namespace

QXIterator* QXIteratorFactory::create(QXIteratorWrapper* wrapper) {
  auto* table = new QXIterator{wrapper, &iteratorNextRecord, &iteratorGetRecordValue,
                               &iteratorRewind, &iteratorBulkFetch};
  wrapper->registerHandle(table);
  return table;
}
