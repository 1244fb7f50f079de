// A test module whose every answer comes from the ModuleScript the test hands
// over with qx_initialise. Built several times with different exports:
//   SCRIPT_OLDER        export the older-generation names
//   SCRIPT_OPTIONAL     export the optional entries (module information, bulk fetch, ...)
//   SCRIPT_INTERACTION  0: none of the four, 1: all four, 2: begin only, 3: all but begin
//   SCRIPT_NO_ERROR_DETAIL  leave out the required error-detail entry
#include "module_script.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#ifndef SCRIPT_INTERACTION
#define SCRIPT_INTERACTION 0
#endif

#ifdef SCRIPT_OLDER
#define ENTRY(current, older) QX_MODULE_EXPORT QXStatus older
#else
#define ENTRY(current, older) QX_MODULE_EXPORT QXStatus current
#endif

namespace {

ModuleScript* theScript = nullptr;

ModuleScript& script() {
  if (theScript == nullptr) throw std::logic_error("module not initialised");
  return *theScript;
}

// Counts the call, leaves the scripted error code, throws when told to, and
// answers the scripted status (0: go on with the entry's own work).
QXStatus scripted(Entry entry, int* errorCode) {
  ModuleScript& s = script();
  ++s.calls[entry];
  *errorCode = s.errorCode[entry];
  if (s.throws[entry]) throw std::runtime_error("scripted failure");
  return s.status[entry];
}

QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize, size_t* needed) {
  if (script().claimedNeeded != 0) {
    *needed = script().claimedNeeded;
    return QX_ERR_INSUFFICIENT_BUFFER;
  }
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return QX_OK;
}

QXStatus documentEntry(Entry entry, char* buffer, size_t bufferSize, size_t* needed,
                       int* errorCode) {
  if (QXStatus s = scripted(entry, errorCode)) return s;
  return returnText(script().document, buffer, bufferSize, needed);
}

} // namespace

// Entries that only answer from the script, and entries that also return the script's document.
#define PLAIN_ENTRY(current, older, entry)                                                         \
  ENTRY(current, older)(void*, int* errorCode) { return scripted(entry, errorCode); }
#define DOCUMENT_ENTRY(current, older, entry)                                                      \
  ENTRY(current, older)(void*, char* buffer, size_t bufferSize, size_t* needed, int* errorCode) {  \
    return documentEntry(entry, buffer, bufferSize, needed, errorCode);                            \
  }

ENTRY(qx_initialise, tarnext_initialise)(QXHost* host, int* errorCode) {
  *errorCode = 0;
  theScript = static_cast<ModuleScript*>(host->owner);
  return scripted(kInitialise, errorCode);
}

ENTRY(qx_cleanup, tarnext_cleanup)(int* errorCode) { return scripted(kCleanup, errorCode); }

#ifdef SCRIPT_OLDER
ENTRY(, tarnext_create_peer)(QXContext* context, int number, const char* text, void** peer,
                            int* errorCode) {
  if (QXStatus s = scripted(kCreatePeer, errorCode)) return s;
  script().context = context;
  script().createNumber = number;
  script().createText = text != nullptr ? text : "";
  *peer = theScript;
  return QX_OK;
}

ENTRY(, tarnext_peer_call)(void* component, const char* callName, void** arguments,
                          void*** results, int* errorCode) {
  if (QXStatus s = scripted(kPeerCall, errorCode)) return s;
  ModuleScript& self = *static_cast<ModuleScript*>(component);
  self.callName = callName;
  self.callArgument = arguments[0];
  *results = self.results;
  return QX_OK;
}

// Present to prove that an older-generation module is driven by its older names only.
QX_MODULE_EXPORT QXStatus qx_initialise(QXHost*, int*) { std::abort(); }
QX_MODULE_EXPORT QXStatus qx_create_component(QXContext*, const char*, void**, int*) {
  std::abort();
}
#else
ENTRY(qx_create_component, )(QXContext* context, const char* text, void** component,
                            int* errorCode) {
  if (QXStatus s = scripted(kCreateComponent, errorCode)) return s;
  script().context = context;
  script().createText = text != nullptr ? text : "";
  *component = theScript;
  return QX_OK;
}
#endif

PLAIN_ENTRY(qx_destroy_component, tarnext_destroy_peer, kDestroy)
PLAIN_ENTRY(qx_component_configure, tarnext_peer_configure, kConfigure)
PLAIN_ENTRY(qx_component_endExecution, tarnext_peer_endExecution, kEndExecution)

ENTRY(qx_component_getDataModel, tarnext_peer_getDataModel)(void*, int, char* buffer,
                                                            size_t bufferSize, size_t* needed,
                                                            int* errorCode) {
  return documentEntry(kGetDataModel, buffer, bufferSize, needed, errorCode);
}

ENTRY(qx_component_beginExecution, tarnext_peer_beginExecution)(void*, QXIterator* iterator,
                                                                QXProgress* progress,
                                                                int* errorCode) {
  if (QXStatus s = scripted(kBeginExecution, errorCode)) return s;
  script().iterator = iterator;
  script().progress = progress;
  script().currentRecord = 0;
  return QX_OK;
}

ENTRY(qx_component_nextRecord, tarnext_peer_nextRecord)(void*, int* errorCode) {
  if (QXStatus s = scripted(kNextRecord, errorCode)) return s;
  ModuleScript& self = script();
  if (self.currentRecord >= self.records.size()) return QX_ERR_NO_DATA;
  ++self.currentRecord;
  return QX_OK;
}

ENTRY(qx_component_getRecordValue, tarnext_peer_getRecordValue)(void*, size_t index,
                                                                void** value, size_t* length,
                                                                int* errorCode) {
  if (QXStatus s = scripted(kGetRecordValue, errorCode)) return s;
  ModuleScript& self = script();
  self.valueIndexes.push_back(index);
  if (self.currentRecord == 0 || index >= self.records[self.currentRecord - 1].size())
    return QX_ERR_NO_DATA;
  auto& field = self.records[self.currentRecord - 1][index];
  *value = field ? field->data() : nullptr;
  *length = field ? field->size() : kNullValueLength;
  return QX_OK;
}

#ifndef SCRIPT_NO_ERROR_DETAIL
ENTRY(qx_component_getErrorDetail, tarnext_peer_getErrorDetail)(void*, char* buffer,
                                                                size_t bufferSize,
                                                                size_t* needed,
                                                                int* errorCode) {
  ModuleScript& self = script();
  self.detailCodes.push_back(*errorCode);
  self.detailBufferSizes.push_back(bufferSize);
  const int asked = *errorCode;
  if (QXStatus s = scripted(kGetErrorDetail, errorCode)) return s;
  *errorCode = asked;
  auto text = self.errorTexts.find(asked);
  if (text == self.errorTexts.end()) return QX_ERR_NO_ERROR_DETAIL;
  return returnText(text->second, buffer, bufferSize, needed);
}
#endif

#ifdef SCRIPT_OPTIONAL
ENTRY(qx_getModuleInformation, tarnext_getModuleInformation)(char* buffer, size_t bufferSize,
                                                             size_t* needed, int* errorCode) {
  script().moduleInformationBufferSizes.push_back(bufferSize);
  if (QXStatus s = scripted(kGetModuleInformation, errorCode)) return s;
  return returnText(script().moduleInformation, buffer, bufferSize, needed);
}

DOCUMENT_ENTRY(qx_component_getExecutionRequirements, tarnext_peer_getExecutionRequirements,
               kGetExecutionRequirements)
DOCUMENT_ENTRY(qx_component_getSQLGeneration, tarnext_peer_getSQLGeneration, kGetSQLGeneration)
DOCUMENT_ENTRY(qx_component_getPsmControlInformation, tarnext_peer_getPsmControlInformation,
               kGetPsmControlInformation)
PLAIN_ENTRY(qx_component_cancelExecution, tarnext_peer_cancelExecution, kCancelExecution)
PLAIN_ENTRY(qx_component_psmMerge, tarnext_peer_psmMerge, kPsmMerge)

ENTRY(qx_component_getCatalogueInformation, tarnext_peer_getCatalogueInformation)(
    void*, const char* text, char* buffer, size_t bufferSize, size_t* needed, int* errorCode) {
  script().catalogueText = text != nullptr ? text : "";
  return documentEntry(kGetCatalogueInformation, buffer, bufferSize, needed, errorCode);
}

ENTRY(qx_component_bulkFetch, tarnext_peer_bulkFetch)(void*, size_t capacity, void** values,
                                                      size_t* lengths, size_t* fieldCount,
                                                      size_t* recordCount, int* errorCode) {
  if (QXStatus s = scripted(kBulkFetch, errorCode)) return s;
  ModuleScript& self = script();
  *recordCount = 0;
  size_t slot = 0;
  while (self.currentRecord < self.records.size()) {
    auto& record = self.records[self.currentRecord];
    if (slot + record.size() > capacity) break;
    *fieldCount = record.size();
    for (auto& field : record) {
      values[slot] = field ? field->data() : nullptr;
      lengths[slot++] = field ? field->size() : kNullValueLength;
    }
    ++self.currentRecord;
    ++*recordCount;
  }
  return *recordCount > 0 ? QX_OK : QX_ERR_NO_DATA;
}

#endif

#if SCRIPT_INTERACTION == 1 || SCRIPT_INTERACTION == 2
ENTRY(qx_component_beginInteraction, tarnext_peer_beginInteraction)(void*, QXChannel* channel,
                                                                    int* errorCode) {
  if (QXStatus s = scripted(kBeginInteraction, errorCode)) return s;
  script().channel = channel;
  return QX_OK;
}
#endif

#if SCRIPT_INTERACTION == 1 || SCRIPT_INTERACTION == 3
PLAIN_ENTRY(qx_component_endInteraction, tarnext_peer_endInteraction, kEndInteraction)

ENTRY(qx_component_request, tarnext_peer_request)(void*, const char* data, size_t length,
                                                  int* errorCode) {
  if (QXStatus s = scripted(kRequest, errorCode)) return s;
  script().request.assign(data, length);
  return QX_OK;
}

ENTRY(qx_component_getRequestReply, tarnext_peer_getRequestReply)(void*, char* buffer,
                                                                  size_t bufferSize,
                                                                  size_t* needed,
                                                                  int* errorCode) {
  if (QXStatus s = scripted(kGetRequestReply, errorCode)) return s;
  return returnText(script().reply, buffer, bufferSize, needed);
}
#endif
