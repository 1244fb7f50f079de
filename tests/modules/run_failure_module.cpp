// A current-generation module for quex's failure paths. It delivers records
// n = 1..1000 of one integer field; words in its parameters text change that:
//   interrupt     raises SIGINT while delivering record 3, as Ctrl-C would
//   short-values  gives 4-byte integer values
//   bad-model     gives an output data model that is not well-formed, and
//                 then one whose field has an unknown storage word
//   huge-model    answers the data model question with 13 and needed SIZE_MAX
//   hang          traces "probe: hanging" and never returns from the nextRecord
//                 of record 3, cancelled or not
//   crash         dies by SIGSEGV in the nextRecord of record 3
//   show-password configure fails with error code 5, whose text is the
//                 password under key "db"
//   chatter       writes "probe: chatter" on std::cout when configured
//   progress      reports progress every 100 ms for 3 s in the nextRecord of
//                 record 3: busy, but never silent
// Built with PROBE_CANCEL it exports qx_component_cancelExecution and traces
// "probe: cancel received" when it is called.
#include <quex/qx.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

namespace {

QXHost* theHost = nullptr;

struct Probe {
  QXContext* context = nullptr;
  QXProgress* progress = nullptr;
  std::string parameters;
  int64_t n = 0;
};
Probe theProbe;
std::atomic<bool> cancelled{false}; // set by quex's cancelling thread

bool has(const char* word) { return theProbe.parameters.find(word) != std::string::npos; }

QXStatus returnText(const char* text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = std::strlen(text) + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text, *needed);
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
  return QX_OK;
}
QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char*, void** component,
                                              int* errorCode) {
  *errorCode = 0;
  theProbe = Probe{};
  cancelled = false;
  theProbe.context = context;
  char buffer[256] = {};
  size_t needed = 0;
  if (context->getParameters(context->owner, buffer, sizeof buffer, &needed, errorCode) == QX_OK)
    theProbe.parameters = buffer;
  *component = &theProbe;
  return QX_OK;
}
QX_MODULE_EXPORT QXStatus qx_destroy_component(void*, int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}
QX_MODULE_EXPORT QXStatus qx_component_configure(void*, int* errorCode) {
  *errorCode = 0;
  if (has("chatter")) std::cout << "probe: chatter" << std::endl;
  if (!has("show-password")) return QX_OK;
  *errorCode = 5;
  return QX_ERR_MODULE_SPECIFIC;
}
QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void*, int, char* buffer, size_t bufferSize,
                                                    size_t* needed, int* errorCode) {
  *errorCode = 0;
  if (has("huge-model")) {
    *needed = SIZE_MAX;
    return QX_ERR_INSUFFICIENT_BUFFER;
  }
  if (has("bad-model"))
    return returnText(has("storage") ? "<DataModel><Field name=\"n\" storage=\"int\"/></DataModel>"
                                     : "<DataModel><Fields>",
                      buffer, bufferSize, needed);
  return returnText("<DataModel><Fields><Field name=\"n\" storage=\"integer\"/></Fields>"
                    "</DataModel>",
                    buffer, bufferSize, needed);
}
QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void*, QXIterator*, QXProgress* progress,
                                                      int* errorCode) {
  *errorCode = 0;
  theProbe.progress = progress;
  return QX_OK;
}
QX_MODULE_EXPORT QXStatus qx_component_endExecution(void*, int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}
#ifdef PROBE_CANCEL
QX_MODULE_EXPORT QXStatus qx_component_cancelExecution(void*, int* errorCode) {
  *errorCode = 0;
  cancelled = true;
  theHost->trace(theHost->owner, "probe: cancel received");
  return QX_OK;
}
#endif
QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void*, int* errorCode) {
  *errorCode = 0;
  if (cancelled) return QX_ERR_INTERRUPTED;
  if (theProbe.n == 1000) return QX_ERR_NO_DATA;
  ++theProbe.n;
  if (theProbe.n == 3 && has("interrupt")) std::raise(SIGINT);
  if (theProbe.n == 3 && has("hang")) {
    theHost->trace(theHost->owner, "probe: hanging");
    for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (theProbe.n == 3 && has("progress") && theProbe.progress != nullptr) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const char report[] = "<Progress/>";
      int code = 0;
      theProbe.progress->report(theProbe.progress->owner, report, sizeof report - 1, &code);
    }
  }
  if (theProbe.n == 3 && has("crash")) {
    std::signal(SIGSEGV, SIG_DFL); // no sanitizer report: the death is what is tested
    std::raise(SIGSEGV);
  }
  return QX_OK;
}
QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void*, size_t index, void** value,
                                                      size_t* length, int* errorCode) {
  *errorCode = 0;
  if (index != 0) return QX_ERR_INVALID_OPERATION;
  *value = &theProbe.n; // little-endian machine: the bytes are the convention's
  *length = has("short-values") ? 4 : 8;
  return QX_OK;
}
QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void*, char* buffer, size_t bufferSize,
                                                      size_t* needed, int* errorCode) {
  if (*errorCode != 5) return QX_ERR_NO_ERROR_DETAIL;
  char password[64] = {};
  size_t length = 0;
  int code = 0;
  QXContext* context = theProbe.context;
  if (context->getPassword(context->owner, "db", password, sizeof password, &length, &code) !=
      QX_OK)
    return QX_ERR_NO_ERROR_DETAIL;
  return returnText(("password=" + std::string(password)).c_str(), buffer, bufferSize, needed);
}
