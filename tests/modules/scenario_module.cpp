// The scenario module (e2e_current, e2e_older): one module for the scenarios
// run both in-process and in a child process. The component's create text picks its output:
//   "observe"                        what the module saw of its host tables,
//                                    one line per output record
//   "records=N fields=F width=W"     N generated records of F values of W bytes
//                                    (field 1 of every third record is null)
//   "transcribe fields=F rewind=K bulk=K"
//                                    reads its whole input as a transformer
//                                    does, one output line per input record
//                                    (rewinding once after record K, fetching
//                                    in bulk once after record K)
//   "slow"                           records that never come until cancelled
//                                    (any other cancelled component's next read
//                                    answers status 12 too)
//   "crash-at=K" / "exit-at=K"       dies (signal or exit) at output record K
//   "crash-in=CALL" / "hang-in=CALL" dies by SIGSEGV in, or never returns from,
//                                    the entry point CALL (create, configure,
//                                    getDataModel, beginExecution, nextRecord,
//                                    endExecution, destroy)
//   "progress-for=MS records=N"      reports progress every 100 ms for MS ms
//                                    inside the first nextRecord, then makes N
//                                    records
//   "fail-at=K" / "throw-at=K"       the read of output record K fails once (status 1
//                                    with error code 31, or std::bad_alloc after
//                                    setting it to 32); the next read goes on with it
//   "late"                           configure calls the progress, iterator and channel
//                                    tables of the last execution and interaction, ended
//                                    or not, and keeps their statuses as request reply
//   "refuse"                         the component is not made (status 6)
//   "transform"                      one output record per input record, "t:" and its
//                                    first value; a failing input read fails the output
//   "hostile=KIND"                   its data model and its first progress report are a
//                                    hostile document (KIND: laughs, external, expansion);
//                                    then it reports as "observe" does; its lines are
//                                    what the two reports answered
// Built twice: current generation with its own bulk fetch, and older
// generation (SCRIPT_OLDER) without one; and once more (SCRIPT_HANG_INITIALISE)
// with an initialise that never returns.
#include <quex/qx.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#ifdef SCRIPT_OLDER
#define ENTRY(current, older) older
#else
#define ENTRY(current, older) current
#endif

namespace {

QXHost* theHost = nullptr;
const int kInterruptedCode = 77;
const int kConfigureErrorCode = 42;
const int kReadErrorCode = 31;
const int kThrowErrorCode = 32;

struct Component {
  QXContext* context = nullptr;
  std::string failIn;  // the entry point that crashes or hangs
  bool hang = false;
  size_t progressFor = 0;
  QXChannel* channel = nullptr;
  QXIterator* input = nullptr;
  QXProgress* progress = nullptr;
  QXChannel* lastChannel = nullptr; // kept after the interaction ends
  std::string mode;
  std::string hostile; // the kind of hostile document it hands to the host
  size_t records = 0, fields = 1, width = 0, dieAt = 0, rewindAt = 0, bulkAt = 0;
  std::vector<std::string> observations;
  std::vector<std::string> current; // values of the current record
  size_t produced = 0;
  bool failed = false; // the read of fail-at / throw-at failed already
  // What ended a bulk fetch after its records; answered by the next one.
  QXStatus heldStatus = QX_OK;
  int heldErrorCode = 0;
  bool heldThrow = false;
  std::string reply;
  std::atomic<bool> cancelled{false};
};

QXStatus answerText(const std::string& text, char* buffer, size_t size, size_t* needed) {
  *needed = text.size() + 1;
  if (size < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

std::string said(const char* what, QXStatus status, int errorCode) {
  return std::string(what) + " status=" + std::to_string(status) +
         " errorCode=" + std::to_string(errorCode);
}

template <typename Call>
std::string fetched(const char* what, Call&& call) {
  size_t needed = 0;
  int errorCode = -1;
  char small[4];
  QXStatus status = call(small, sizeof small, &needed, &errorCode);
  if (status != QX_ERR_INSUFFICIENT_BUFFER) return said(what, status, errorCode);
  std::vector<char> buffer(needed);
  status = call(buffer.data(), buffer.size(), &needed, &errorCode);
  std::string line = said(what, status, errorCode);
  if (status == QX_OK) line += " text=" + std::string(buffer.data());
  return line;
}

// Dies or never returns when `call` is the entry point the script names.
void failIfNamed(const Component& c, const char* call) {
  if (c.failIn != call) return;
  if (!c.hang) {
    std::signal(SIGSEGV, SIG_DFL); // no sanitizer report: the death is what is tested
    std::raise(SIGSEGV);
  }
  for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Reports progress every 100 ms for `milliseconds`: busy, but never silent.
void keepReporting(const Component& c, size_t milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (c.progress == nullptr) continue;
    const char text[] = "<Progress/>";
    int errorCode = 0;
    c.progress->report(c.progress->owner, text, sizeof text - 1, &errorCode);
  }
}

size_t numberAfter(const std::string& text, const char* key) {
  const size_t at = text.find(key);
  return at == std::string::npos ? 0 : std::strtoul(text.c_str() + at + std::strlen(key), nullptr, 10);
}

std::string generated(size_t record, size_t field, size_t width) {
  std::string value = "r" + std::to_string(record) + "f" + std::to_string(field);
  if (value.size() < width) value.append(width - value.size(), '.');
  return value;
}

void observeContext(Component& c) {
  QXContext* x = c.context;
  c.observations.push_back(fetched("context.getParameters", [&](char* b, size_t s, size_t* n, int* e) {
    return x->getParameters(x->owner, b, s, n, e);
  }));
  c.observations.push_back(fetched("context.getPassword(db)", [&](char* b, size_t s, size_t* n, int* e) {
    return x->getPassword(x->owner, "db", b, s, n, e);
  }));
  c.observations.push_back(fetched("context.getPassword(none)", [&](char* b, size_t s, size_t* n, int* e) {
    return x->getPassword(x->owner, "none", b, s, n, e);
  }));
  c.observations.push_back(fetched("context.getFilePath(input)", [&](char* b, size_t s, size_t* n, int* e) {
    return x->getFilePath(x->owner, "input", b, s, n, e);
  }));
  c.observations.push_back(fetched("context.getDataModel", [&](char* b, size_t s, size_t* n, int* e) {
    return x->getDataModel(x->owner, b, s, n, e);
  }));
}

void observeIterator(Component& c, QXIterator* it) {
  int errorCode = -1;
  QXStatus status;
  while ((status = it->nextRecord(it->owner, &errorCode)) == QX_OK) {
    // The values of a record stay valid until the next record: all are
    // asked for first and read afterwards.
    void* values[3] = {};
    size_t lengths[3] = {};
    size_t fields = 0;
    for (; fields < 3; ++fields) {
      status = it->getRecordValue(it->owner, fields, &values[fields], &lengths[fields], &errorCode);
      if (status != QX_OK) break;
    }
    std::string line = "input";
    for (size_t index = 0; index < fields; ++index)
      line += values[index] == nullptr
                  ? " null"
                  : " " + std::string(static_cast<char*>(values[index]), lengths[index]);
    c.observations.push_back(line);
  }
  c.observations.push_back(said("input.end", status, errorCode));
  status = it->rewind(it->owner, &errorCode);
  c.observations.push_back(said("input.rewind", status, errorCode));
  void* values[8];
  size_t lengths[8];
  size_t fields = 0, count = 0;
  status = it->bulkFetch(it->owner, 8, values, lengths, &fields, &count, &errorCode);
  std::string line = said("input.bulk", status, errorCode) + " fields=" + std::to_string(fields) +
                     " records=" + std::to_string(count);
  for (size_t i = 0; status == QX_OK && i < fields * count && i < 8; ++i)
    line += values[i] == nullptr ? " null" : " " + std::string(static_cast<char*>(values[i]), lengths[i]);
  c.observations.push_back(line);
}

// A value as a line shows it: short ones as they are, long ones by length
// and checksum.
std::string shown(const void* value, size_t length) {
  if (value == nullptr) return "null/" + std::to_string(length);
  const auto* bytes = static_cast<const unsigned char*>(value);
  if (length <= 16) return "'" + std::string(reinterpret_cast<const char*>(bytes), length) + "'";
  uint32_t sum = 2166136261u;
  for (size_t i = 0; i < length; ++i) sum = (sum ^ bytes[i]) * 16777619u;
  return "long/" + std::to_string(length) + "/" + std::to_string(sum);
}

std::string shownRecordValue(QXIterator* it, size_t field) {
  void* value = nullptr;
  size_t length = 0;
  int errorCode = -1;
  const QXStatus status = it->getRecordValue(it->owner, field, &value, &length, &errorCode);
  std::string line = " " + std::to_string(status) + ":" + std::to_string(errorCode);
  if (status == QX_OK) line += ":" + shown(value, length);
  return line;
}

void transformInput(Component& c, QXIterator* it) {
  int errorCode = -1;
  QXStatus status;
  size_t read = 0;
  while ((status = it->nextRecord(it->owner, &errorCode)) == QX_OK) {
    ++read;
    std::string line = "record " + std::to_string(read) + " " + std::to_string(errorCode);
    for (size_t field = 0; field <= c.fields; ++field) line += shownRecordValue(it, field);
    c.observations.push_back(line);
    if (read == c.rewindAt) {
      status = it->rewind(it->owner, &errorCode);
      c.observations.push_back(said("rewind", status, errorCode));
    }
    if (read == c.bulkAt) {
      void* values[8];
      size_t lengths[8];
      size_t fields = 0, records = 0;
      status = it->bulkFetch(it->owner, 8, values, lengths, &fields, &records, &errorCode);
      line = said("bulk", status, errorCode) + " " + std::to_string(fields) + "x" +
             std::to_string(records);
      for (size_t i = 0; status == QX_OK && i < fields * records && i < 8; ++i)
        line += " " + shown(values[i], lengths[i]);
      c.observations.push_back(line);
    }
  }
  c.observations.push_back(said("end", status, errorCode));
  // Past the end: the input stays ended, and the last record's values stay.
  status = it->nextRecord(it->owner, &errorCode);
  c.observations.push_back(said("again", status, errorCode) + shownRecordValue(it, 0));
}

// Documents that reach beyond their text or expand far beyond it.
std::string hostileDocument(const std::string& kind) {
  const std::string diagnostic = "<Diagnostic code='9' severity='warning' source='e2e'><Message>";
  if (kind == "laughs") { // nine levels of ten references: 10^9 "lol"s
    std::string text = "<!DOCTYPE Progress [<!ENTITY a \"lol\">";
    for (char level = 'b'; level <= 'j'; ++level) {
      text += std::string("<!ENTITY ") + level + " \"";
      for (int i = 0; i < 10; ++i) text += std::string("&") + static_cast<char>(level - 1) + ";";
      text += "\">";
    }
    return text + "]><Progress>" + diagnostic + "&j;</Message></Diagnostic></Progress>";
  }
  if (kind == "external")
    return "<!DOCTYPE Progress [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><Progress>" +
           diagnostic + "&x;</Message></Diagnostic></Progress>";
  // A 100 KB entity referenced 1,990 times: within the count of references,
  // 200 MB once expanded.
  std::string text = "<!DOCTYPE Progress [<!ENTITY e \"" + std::string(100000, 'x') +
                     "\">]><Progress>" + diagnostic;
  for (int i = 0; i < 1990; ++i) text += "&e;";
  return text + "</Message></Diagnostic></Progress>";
}

void report(Component& c, QXProgress* progress) {
  const std::string text =
      "<Progress><Diagnostic code='7' severity='warning' source='e2e'>"
      "<Message>Read {0} lines</Message><Parameter>" + std::to_string(c.observations.size()) +
      "</Parameter></Diagnostic></Progress>";
  int errorCode = 55;
  const QXStatus status = progress->report(progress->owner, text.c_str(), text.size(), &errorCode);
  c.observations.push_back(said("progress.report", status, errorCode));
}

// Modes whose output is their lines of observations, one value a record.
bool observing(const Component& c) {
  return c.mode == "observe" || c.mode == "transcribe" || c.mode == "hostile";
}

// Makes the values of output record `record`; false after the last one.
QXStatus produce(Component& c, int* errorCode) {
  failIfNamed(c, "nextRecord");
  if (c.cancelled.load() && c.mode != "slow") {
    *errorCode = kInterruptedCode;
    return QX_ERR_INTERRUPTED;
  }
  if (c.progressFor != 0 && c.produced == 0) {
    keepReporting(c, c.progressFor);
    c.progressFor = 0;
  }
  if (c.dieAt != 0 && c.produced + 1 == c.dieAt && !c.failed) {
    if (c.mode == "fail" || c.mode == "throw") {
      c.failed = true;
      *errorCode = c.mode == "fail" ? kReadErrorCode : kThrowErrorCode;
      if (c.mode == "throw") throw std::bad_alloc();
      return QX_ERR_MODULE_SPECIFIC;
    }
    if (c.mode == "crash") {
      std::signal(SIGSEGV, SIG_DFL); // no sanitizer report: the death is what is tested
      std::raise(SIGSEGV);
    }
    std::exit(9);
  }
  if (c.mode == "slow") {
    while (!c.cancelled.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    *errorCode = kInterruptedCode;
    return QX_ERR_INTERRUPTED;
  }
  if (c.mode == "transform") {
    QXIterator* in = c.input;
    const QXStatus status = in->nextRecord(in->owner, errorCode);
    if (status != QX_OK) return status;
    void* value = nullptr;
    size_t length = 0;
    in->getRecordValue(in->owner, 0, &value, &length, errorCode);
    c.current.assign(1, "t:" + (value != nullptr ? std::string(static_cast<char*>(value), length)
                                                 : std::string("null")));
    ++c.produced;
    return QX_OK;
  }
  const size_t total = observing(c) ? c.observations.size() : c.records;
  if (c.produced >= total) return QX_ERR_NO_DATA;
  c.current.clear();
  if (observing(c)) {
    c.current.push_back(c.observations[c.produced]);
  } else {
    for (size_t f = 0; f < c.fields; ++f) c.current.push_back(generated(c.produced, f, c.width));
  }
  ++c.produced;
  return QX_OK;
}

bool isNull(const Component& c, size_t field) {
  return !observing(c) && field == 1 && c.produced % 3 == 0;
}

} // namespace

QX_MODULE_EXPORT QXStatus ENTRY(qx_initialise, tarnext_initialise)(QXHost* host, int* errorCode) {
  *errorCode = 0;
#ifdef SCRIPT_HANG_INITIALISE
  for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));
#endif
  theHost = host;
  host->trace(host->owner, "e2e: initialised");
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_cleanup, tarnext_cleanup)(int* errorCode) {
  *errorCode = 0;
  theHost = nullptr;
  return QX_OK;
}

// Longer than the first 4096-byte question, so the host asks twice.
QX_MODULE_EXPORT QXStatus ENTRY(qx_getModuleInformation, tarnext_getModuleInformation)(
    char* buffer, size_t size, size_t* needed, int* errorCode) {
  *errorCode = 0;
  return answerText("<ModuleInformation name='e2e'>" + std::string(5000, 'i') +
                        "</ModuleInformation>",
                    buffer, size, needed);
}

static QXStatus create(QXContext* context, const char* text, void** component, int* errorCode) {
  *errorCode = 0;
  if (text != nullptr && std::string(text) == "refuse") return QX_ERR_NOT_CONFIGURED;
  auto* c = new Component;
  c->context = context;
  const std::string script = text != nullptr ? text : "";
  c->mode = script.substr(0, script.find_first_of("=- "));
  c->records = numberAfter(script, "records=");
  c->fields = script.find("fields=") != std::string::npos ? numberAfter(script, "fields=") : 1;
  c->width = numberAfter(script, "width=");
  c->dieAt = numberAfter(script, "-at=");
  c->rewindAt = numberAfter(script, "rewind=");
  c->bulkAt = numberAfter(script, "bulk=");
  c->progressFor = numberAfter(script, "progress-for=");
  if (c->mode == "hostile") c->hostile = script.substr(script.find('=') + 1);
  const size_t in = script.find("-in=");
  if (in != std::string::npos) {
    c->hang = c->mode == "hang";
    c->failIn = script.substr(in + 4, script.find(' ', in) - in - 4);
  }
  failIfNamed(*c, "create");
  if (c->mode == "observe") {
    // The host table as a module sees it, then the context.
    c->observations.push_back(fetched("host.getHostInformation", [&](char* b, size_t s, size_t* n, int* e) {
      return theHost->getHostInformation(theHost->owner, b, s, n, e);
    }));
    QXXML* document = nullptr;
    const QXStatus made = theHost->createNewDocument(theHost->owner, "Made", &document);
    size_t needed = 0;
    char name[16] = {};
    const QXStatus named = document != nullptr
                               ? document->getName(document->owner, name, sizeof name, &needed)
                               : QX_ERR_XML;
    c->observations.push_back("host.createNewDocument status=" + std::to_string(made) +
                              " name=" + name + " named=" + std::to_string(named));
    if (document != nullptr) document->dispose(document->owner);
    if (context != nullptr) observeContext(*c);
  }
  *component = c;
  return QX_OK;
}

#ifdef SCRIPT_OLDER
QX_MODULE_EXPORT QXStatus tarnext_create_peer(QXContext* context, int number, const char* text,
                                              void** peer, int* errorCode) {
  const QXStatus status = create(context, text, peer, errorCode);
  if (status == QX_OK && number != 0)
    static_cast<Component*>(*peer)->observations.push_back("number=" + std::to_string(number));
  return status;
}
#else
QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char* text,
                                              void** component, int* errorCode) {
  return create(context, text, component, errorCode);
}
#endif

QX_MODULE_EXPORT QXStatus ENTRY(qx_destroy_component, tarnext_destroy_peer)(void* component,
                                                                             int* errorCode) {
  *errorCode = 0;
  failIfNamed(*static_cast<Component*>(component), "destroy");
  delete static_cast<Component*>(component);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_configure, tarnext_peer_configure)(void* component,
                                                                                 int* errorCode) {
  auto* c = static_cast<Component*>(component);
  failIfNamed(*c, "configure");
  if (c->mode == "fail") {
    *errorCode = kConfigureErrorCode;
    return QX_ERR_MODULE_SPECIFIC;
  }
  if (c->mode == "late") { // a module that does not stop when told
    int code = 0;
    const char* text = "<Progress/>";
    const QXStatus reported =
        c->progress != nullptr ? c->progress->report(c->progress->owner, text, 11, &code) : 99;
    const QXStatus read = c->input != nullptr ? c->input->nextRecord(c->input->owner, &code) : 99;
    const QXStatus sent = c->lastChannel != nullptr
                              ? c->lastChannel->send(c->lastChannel->owner, "late", 4, &code)
                              : 99;
    c->reply = "report=" + std::to_string(reported) + " next=" + std::to_string(read) +
               " send=" + std::to_string(sent);
  }
  *errorCode = 0;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_getDataModel, tarnext_peer_getDataModel)(
    void* component, int number, char* buffer, size_t size, size_t* needed, int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  failIfNamed(*c, "getDataModel");
  if (c->mode == "hostile") return answerText(hostileDocument(c->hostile), buffer, size, needed);
  return answerText("<DataModel number='" + std::to_string(number) + "' fields='" +
                        std::to_string(c->fields) + "'/>",
                    buffer, size, needed);
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_getExecutionRequirements,
                                tarnext_peer_getExecutionRequirements)(void*, char* buffer,
                                                                       size_t size, size_t* needed,
                                                                       int* errorCode) {
  *errorCode = 0;
  return answerText("<ExecutionRequirements/>", buffer, size, needed);
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_getCatalogueInformation,
                                tarnext_peer_getCatalogueInformation)(void*, const char* text,
                                                                      char* buffer, size_t size,
                                                                      size_t* needed,
                                                                      int* errorCode) {
  *errorCode = 0;
  return answerText(std::string("<Catalogue of='") + text + "'/>", buffer, size, needed);
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_getSQLGeneration, tarnext_peer_getSQLGeneration)(
    void*, char*, size_t, size_t*, int* errorCode) {
  *errorCode = 0;
  return QX_ERR_NO_SQL;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_beginExecution, tarnext_peer_beginExecution)(
    void* component, QXIterator* iterator, QXProgress* progress, int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  failIfNamed(*c, "beginExecution");
  c->produced = 0;
  c->cancelled = false;
  c->input = iterator;
  c->progress = progress;
  if (c->mode == "observe") {
    if (iterator != nullptr) observeIterator(*c, iterator);
    if (progress != nullptr) report(*c, progress);
  }
  if (c->mode == "hostile" && progress != nullptr) {
    const std::string text = hostileDocument(c->hostile);
    int reportCode = 55;
    const QXStatus status = progress->report(progress->owner, text.c_str(), text.size(), &reportCode);
    c->observations.push_back(said("hostile.report", status, reportCode));
    report(*c, progress); // the host goes on
  }
  if (c->mode == "transcribe" && iterator != nullptr) {
    c->observations.clear();
    transformInput(*c, iterator);
  }
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_endExecution, tarnext_peer_endExecution)(
    void* component, int* errorCode) {
  *errorCode = 0;
  failIfNamed(*static_cast<Component*>(component), "endExecution");
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_cancelExecution, tarnext_peer_cancelExecution)(
    void* component, int* errorCode) {
  *errorCode = 0;
  static_cast<Component*>(component)->cancelled = true;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_nextRecord, tarnext_peer_nextRecord)(
    void* component, int* errorCode) {
  *errorCode = 0;
  return produce(*static_cast<Component*>(component), errorCode);
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_getRecordValue, tarnext_peer_getRecordValue)(
    void* component, size_t index, void** value, size_t* length, int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  if (c->produced == 0 || index >= c->current.size()) {
    *errorCode = 3;
    return QX_ERR_NO_DATA;
  }
  if (isNull(*c, index)) {
    *value = nullptr;
    *length = 0;
    return QX_OK;
  }
  *value = &c->current[index][0];
  *length = c->current[index].size();
  return QX_OK;
}

#ifndef SCRIPT_OLDER
// Whole records into `capacity` slots; 13 with the width of one record when
// not even one fits. A read that fails after some records ends the fetch
// there, and the failure is the answer of the next fetch; the end of the
// data is read again then (a cancel may have come since).
QX_MODULE_EXPORT QXStatus qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                                 size_t* lengths, size_t* fieldCount,
                                                 size_t* recordCount, int* errorCode) {
  auto* c = static_cast<Component*>(component);
  *recordCount = 0;
  if (c->heldThrow) {
    c->heldThrow = false;
    *errorCode = kThrowErrorCode;
    throw std::bad_alloc();
  }
  if (c->heldStatus != QX_OK) {
    const QXStatus held = c->heldStatus;
    *errorCode = c->heldErrorCode;
    c->heldStatus = QX_OK;
    return held;
  }
  *fieldCount = observing(*c) ? 1 : c->fields;
  if (*fieldCount > capacity) return QX_ERR_INSUFFICIENT_BUFFER;
  static thread_local std::vector<std::string> kept; // stays valid until the next fetch
  kept.clear();
  kept.reserve(capacity);
  while ((*recordCount + 1) * *fieldCount <= capacity) {
    QXStatus status = QX_OK;
    try {
      status = produce(*c, errorCode);
    } catch (...) {
      if (*recordCount == 0) throw;
      c->heldThrow = true; // the records first, the failure with the next fetch
      break;
    }
    if (status != QX_OK) {
      if (*recordCount == 0) return status;
      if (status != QX_ERR_NO_DATA) { // the end is asked for again, a failure is held
        c->heldStatus = status;
        c->heldErrorCode = *errorCode;
      }
      break;
    }
    for (size_t f = 0; f < *fieldCount; ++f) {
      const size_t slot = *recordCount * *fieldCount + f;
      kept.push_back(c->current[f]);
      values[slot] = isNull(*c, f) ? nullptr : &kept.back()[0];
      lengths[slot] = isNull(*c, f) ? 0 : kept.back().size();
    }
    ++*recordCount;
  }
  *errorCode = 0;
  return QX_OK;
}
#endif

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_getErrorDetail, tarnext_peer_getErrorDetail)(
    void*, char* buffer, size_t size, size_t* needed, int* errorCode) {
  if (*errorCode != kConfigureErrorCode) return QX_ERR_NO_ERROR_DETAIL;
  return answerText("configuration refused (42)", buffer, size, needed);
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_beginInteraction, tarnext_peer_beginInteraction)(
    void* component, QXChannel* channel, int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  c->channel = channel;
  c->lastChannel = channel;
  int sent = 0;
  return channel->send(channel->owner, "ready", 5, &sent);
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_endInteraction, tarnext_peer_endInteraction)(
    void* component, int* errorCode) {
  *errorCode = 0;
  static_cast<Component*>(component)->channel = nullptr;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_request, tarnext_peer_request)(
    void* component, const char* data, size_t length, int* errorCode) {
  auto* c = static_cast<Component*>(component);
  if (c->channel == nullptr) return QX_ERR_NOT_INTERACTING;
  c->reply = "reply:" + std::string(data, length);
  return c->channel->send(c->channel->owner, data, length, errorCode);
}

QX_MODULE_EXPORT QXStatus ENTRY(qx_component_getRequestReply, tarnext_peer_getRequestReply)(
    void* component, char* buffer, size_t size, size_t* needed, int* errorCode) {
  *errorCode = 0;
  return answerText(static_cast<Component*>(component)->reply, buffer, size, needed);
}
