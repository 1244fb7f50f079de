// A correct little data reader, the records (n, n*n) for n = 1..200, with
// every optional entry a checker looks at, and one planted fault chosen at
// build time (FAULT_...). Each build must fail exactly the quex check that
// is there to catch its fault.
#include <quex/qx.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <errno.h>
#include <new>
#include <string>
#include <thread>

namespace {

constexpr int64_t kRecords = 200;

struct Reader {
  QXContext* context = nullptr;
  int64_t n = 0;
  int64_t square = 0;
  bool current = false;
  bool executing = false;
  std::atomic<bool> cancelled{false};
  int64_t values[2 * kRecords];
#ifdef FAULT_LEAK_PER_COMPONENT
  char* scratch = nullptr;
#endif
};

QXHost* theHost = nullptr;

#ifdef FAULT_CRASH_IN_CLEANUP
// Made once, freed by cleanup and not made again by a second initialise.
std::string* hostName = nullptr;
bool madeOnce = false;
#endif

#if defined(FAULT_CRASH_IN_CLEANUP) || defined(FAULT_CRASH_OUT_OF_ORDER)
// The death a read through a null pointer gives, raised directly: a build
// with the undefined-behaviour sanitizer would stop at the null read itself
// and exit, where the host's own signal handling is what is being checked.
[[noreturn]] void dieAsANullReadWould() {
  std::raise(SIGSEGV);
  std::abort();
}
#endif

Reader& self(void* component) { return *static_cast<Reader*>(component); }

QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

#ifdef FAULT_OVERRUN_BY_ONE
// Compares with the length instead of the length plus the terminator: a
// buffer one byte short gets the whole text and its zero byte.
QXStatus returnTextOverrunning(const std::string& text, char* buffer, size_t bufferSize,
                               size_t* needed) {
  *needed = text.size() + 1;
  if (bufferSize < text.size()) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return QX_OK;
}
#endif

#ifdef FAULT_NEEDED_WITHOUT_TERMINATOR
QXStatus returnTextShortNeeded(const std::string& text, char* buffer, size_t bufferSize,
                               size_t* needed) {
  *needed = text.size();
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.data(), text.size());
  if (bufferSize > text.size()) buffer[text.size()] = '\0';
  return QX_OK;
}
#endif

// 0, except for the fault that makes a module behave differently in quex-child.
int64_t squareOffset() {
#ifdef FAULT_OUTPUT_DIFFERS_IN_CHILD
  return std::strcmp(program_invocation_short_name, "quex-child") == 0 ? 1 : 0;
#else
  return 0;
#endif
}

} // namespace

#define EXPORT QX_MODULE_EXPORT

#ifdef FAULT_CRASH_WHILE_LOADING
// A static constructor that dies: the module crashes as it is opened.
namespace {
struct DiesWhenLoaded {
  DiesWhenLoaded() { std::raise(SIGSEGV); }
} diesWhenLoaded;
} // namespace
#endif

#ifdef FAULT_NEAR_MISS_NAME
EXPORT QXStatus qx_initialize(QXHost* host, int* errorCode) {
#else
EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) {
#endif
  *errorCode = 0;
  theHost = host;
#ifdef FAULT_HANG_IN_INITIALISE
  for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(50));
#endif
#ifdef FAULT_CRASH_IN_CLEANUP
  if (!madeOnce) {
    madeOnce = true;
    hostName = new std::string("host");
  }
#endif
  return QX_OK;
}

EXPORT QXStatus qx_cleanup(int* errorCode) {
  *errorCode = 0;
  theHost = nullptr;
#ifdef FAULT_CRASH_IN_CLEANUP
  if (hostName == nullptr) dieAsANullReadWould(); // null after the first cleanup
  delete hostName;
  hostName = nullptr;
#endif
  return QX_OK;
}

EXPORT QXStatus qx_getModuleInformation(char* buffer, size_t bufferSize, size_t* needed,
                                        int* errorCode) {
  *errorCode = 0;
  const std::string text = "<ModuleInformation><Module name=\"planted\" type=\"dataReader\"/>"
                           "</ModuleInformation>";
#ifdef FAULT_OVERRUN_BY_ONE
  return returnTextOverrunning(text, buffer, bufferSize, needed);
#else
  return returnText(text, buffer, bufferSize, needed);
#endif
}

EXPORT QXStatus qx_create_component(QXContext* context, const char*, void** component,
                                    int* errorCode) {
  *errorCode = 0;
  auto* reader = new (std::nothrow) Reader;
  if (reader == nullptr) return QX_ERR_MODULE_SPECIFIC;
  reader->context = context;
#ifdef FAULT_LEAK_PER_COMPONENT
  reader->scratch = static_cast<char*>(std::malloc(4096)); // never freed
  std::memset(reader->scratch, 1, 4096);
#endif
  *component = reader;
  return QX_OK;
}

EXPORT QXStatus qx_destroy_component(void* component, int* errorCode) {
  *errorCode = 0;
  delete static_cast<Reader*>(component);
  return QX_OK;
}

EXPORT QXStatus qx_component_configure(void* component, int* errorCode) {
  *errorCode = 0;
#ifdef FAULT_PASSWORD_IN_TRACE
  Reader& r = self(component);
  char password[256];
  size_t needed = 0;
  if (r.context->getPassword(r.context->owner, "database", password, sizeof password, &needed,
                             errorCode) == QX_OK)
    theHost->trace(theHost->owner, (std::string("connecting with password ") + password).c_str());
  *errorCode = 0;
#else
  (void)component;
#endif
  return QX_OK;
}

EXPORT QXStatus qx_component_getDataModel(void*, int, char* buffer, size_t bufferSize,
                                          size_t* needed, int* errorCode) {
  *errorCode = 0;
  const std::string text = "<DataModel><Fields><Field name=\"n\" storage=\"integer\"/>"
                           "<Field name=\"square\" storage=\"integer\"/></Fields></DataModel>";
#ifdef FAULT_NEEDED_WITHOUT_TERMINATOR
  return returnTextShortNeeded(text, buffer, bufferSize, needed);
#else
  return returnText(text, buffer, bufferSize, needed);
#endif
}

EXPORT QXStatus qx_component_beginExecution(void* component, QXIterator*, QXProgress*,
                                            int* errorCode) {
  *errorCode = 0;
  Reader& r = self(component);
  r.n = 0;
  r.current = false;
  r.executing = true;
  r.cancelled = false;
  return QX_OK;
}

EXPORT QXStatus qx_component_endExecution(void* component, int* errorCode) {
  *errorCode = 0;
  Reader& r = self(component);
  r.executing = r.current = false;
  return QX_OK;
}

EXPORT QXStatus qx_component_cancelExecution(void* component, int* errorCode) {
  *errorCode = 0;
  self(component).cancelled = true;
  return QX_OK;
}

EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  *errorCode = 0;
  Reader& r = self(component);
  if (!r.executing) return QX_ERR_NOT_EXECUTING;
  if (r.cancelled) {
#ifdef FAULT_HANG_IN_NEXT_RECORD
    // Waits for a producer that a cancel has already stopped.
    for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(50));
#endif
    return QX_ERR_INTERRUPTED;
  }
  if (r.n >= kRecords) {
    r.current = false;
    return QX_ERR_NO_DATA;
  }
  ++r.n;
  r.square = r.n * r.n;
  r.square += squareOffset();
  r.current = true;
  return QX_OK;
}

EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index, void** value,
                                            size_t* length, int* errorCode) {
  *errorCode = 0;
  Reader& r = self(component);
#ifdef FAULT_CRASH_OUT_OF_ORDER
  // Trusts the host to have read a record first.
  int64_t* row = r.current ? &r.n : nullptr;
  if (index > 1) return QX_ERR_INVALID_OPERATION;
  *value = index == 0 ? row : row + (&r.square - &r.n);
  *length = sizeof(int64_t);
  if (row == nullptr) dieAsANullReadWould(); // the null row before any record
  if (*row < 0) return QX_ERR_NO_DATA;
  return QX_OK;
#else
  if (!r.current) return QX_ERR_NO_DATA;
  if (index > 1) return QX_ERR_INVALID_OPERATION;
  *value = index == 0 ? &r.n : &r.square;
  *length = sizeof(int64_t);
  return QX_OK;
#endif
}

EXPORT QXStatus qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                       size_t* lengths, size_t* fieldCount, size_t* recordCount,
                                       int* errorCode) {
  *errorCode = 0;
  Reader& r = self(component);
  *fieldCount = 2;
  *recordCount = 0;
  if (!r.executing) return QX_ERR_NOT_EXECUTING;
  if (r.cancelled) return QX_ERR_INTERRUPTED;
  size_t used = 0;
  while (used + 2 <= capacity && r.n < kRecords) {
    ++r.n;
    int64_t* slot = &r.values[2 * (*recordCount)];
    slot[0] = r.n;
    slot[1] = r.n * r.n + squareOffset();
#ifdef FAULT_BULK_DIFFERS
    if (r.n == 3) slot[1] = 10; // a stale value of the previous record
#endif
    values[used] = &slot[0];
    values[used + 1] = &slot[1];
    lengths[used] = lengths[used + 1] = sizeof(int64_t);
    used += 2;
    ++*recordCount;
    if (*recordCount == kRecords) break;
  }
  r.current = false;
  return *recordCount == 0 ? QX_ERR_NO_DATA : QX_OK;
}

#ifndef FAULT_MISSING_EXPORT
EXPORT QXStatus qx_component_getErrorDetail(void*, char* buffer, size_t bufferSize,
                                            size_t* needed, int* errorCode) {
  if (*errorCode != 1) return QX_ERR_NO_ERROR_DETAIL;
  return returnText("the planted module's only error", buffer, bufferSize, needed);
}
#endif
