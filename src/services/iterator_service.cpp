// The QXIterator members and their factory. Below its trace level a member is
// one level test and one virtual call to the host's override; nothing is
// checked, copied or allocated on the way, so the per-record path stays thin.
#include "service_support.h"

#include <quex/services/QXIteratorFactory.h>
#include <quex/services/QXIteratorWrapper.h>

using quex::detail::currentTraceLevel;

QXIteratorWrapper::~QXIteratorWrapper() = default;

void QXIteratorWrapper::registerHandle(QXIterator* table) { handles_.add(table); }

namespace {

QXIteratorWrapper* iterator(void* owner) { return static_cast<QXIteratorWrapper*>(owner); }

// The traced shape, out of line so the record loop carries none of its weight.
template <typename... Args>
[[gnu::cold, gnu::noinline]] QXStatus tracedCall(const char* name,
                                                 QXStatus (QXIteratorWrapper::*operation)(Args...),
                                                 void* owner, int* errorCode,
                                                 Args... args) noexcept {
  return quex::detail::guardCallback([&] {
    quex::detail::traceEnter(name);
    const QXStatus status = (iterator(owner)->*operation)(args...);
    quex::detail::traceExit(status, *errorCode, name, nullptr);
    return status;
  });
}

// The level is read once per call, so a call's enter and exit lines always
// come as a pair. Below the member's level the call is the override's alone,
// guarded so that nothing it throws reaches the module.
constexpr int kRecordLevel = 3; // nextRecord, rewind
constexpr int kValueLevel = 4;  // getRecordValue, bulkFetch

#define QUEX_UNLIKELY(condition) __builtin_expect(static_cast<bool>(condition), 0)

QXStatus iteratorNextRecord(void* owner, int* errorCode) noexcept {
  if (QUEX_UNLIKELY(currentTraceLevel() >= kRecordLevel))
    return tracedCall("qx_iterator_nextRecord", &QXIteratorWrapper::nextRecord, owner, errorCode,
                      errorCode);
  try {
    return iterator(owner)->nextRecord(errorCode);
  } catch (...) {
    return QX_ERR_CALLBACK;
  }
}

QXStatus iteratorGetRecordValue(void* owner, size_t index, void** value, size_t* length,
                                int* errorCode) noexcept {
  if (QUEX_UNLIKELY(currentTraceLevel() >= kValueLevel))
    return tracedCall("qx_iterator_getRecordValue", &QXIteratorWrapper::getRecordValue, owner,
                      errorCode, index, value, length, errorCode);
  try {
    return iterator(owner)->getRecordValue(index, value, length, errorCode);
  } catch (...) {
    return QX_ERR_CALLBACK;
  }
}

QXStatus iteratorRewind(void* owner, int* errorCode) noexcept {
  if (QUEX_UNLIKELY(currentTraceLevel() >= kRecordLevel))
    return tracedCall("qx_iterator_rewind", &QXIteratorWrapper::rewind, owner, errorCode,
                      errorCode);
  try {
    return iterator(owner)->rewind(errorCode);
  } catch (...) {
    return QX_ERR_CALLBACK;
  }
}

QXStatus iteratorBulkFetch(void* owner, size_t capacity, void** values, size_t* lengths,
                           size_t* fieldCount, size_t* recordCount, int* errorCode) noexcept {
  if (QUEX_UNLIKELY(currentTraceLevel() >= kValueLevel))
    return tracedCall("qx_iterator_bulkFetch", &QXIteratorWrapper::bulkFetch, owner, errorCode,
                      capacity, values, lengths, fieldCount, recordCount, errorCode);
  try {
    return iterator(owner)->bulkFetch(capacity, values, lengths, fieldCount, recordCount,
                                      errorCode);
  } catch (...) {
    return QX_ERR_CALLBACK;
  }
}

#undef QUEX_UNLIKELY

} // namespace

QXIterator* QXIteratorFactory::create(QXIteratorWrapper* wrapper) {
  auto* table = new QXIterator{wrapper, &iteratorNextRecord, &iteratorGetRecordValue,
                               &iteratorRewind, &iteratorBulkFetch};
  wrapper->registerHandle(table);
  return table;
}
