#include "child_tables.h"
#include "xml_on_demand.h"

#include "remote/protocol/names.h"


#include <cstring>

using Remote::RemoteBuffer;
using Remote::RemoteCall;

namespace quex::child {
namespace {

namespace callback = Remote::protocol::callback;

TableOwner& of(void* owner) { return *static_cast<TableOwner*>(owner); }

QXStatus bufferCallback(void* owner, const char* name, char* buffer, size_t bufferSize,
                        size_t* needed, int* errorCode) {
  TableOwner& table = of(owner);
  RemoteBuffer remote(buffer, bufferSize, needed);
  return table.link.callMain(
      name, table.key, errorCode, [&](RemoteCall& call) { call.putBuffer(remote); },
      [&](RemoteCall& call) { call.getBuffer(remote); });
}

QXStatus keyedCallback(void* owner, const char* name, const char* key, char* buffer,
                       size_t bufferSize, size_t* needed, int* errorCode) {
  TableOwner& table = of(owner);
  RemoteBuffer remote(buffer, bufferSize, needed);
  return table.link.callMain(
      name, table.key, errorCode,
      [&](RemoteCall& call) {
        call.putText(key);
        call.putBuffer(remote);
      },
      [&](RemoteCall& call) {
        std::string echoed;
        call.getText(echoed);
        call.getBuffer(remote);
      });
}

// ---- QXHost ----

QXStatus hostInformation(void* owner, char* buffer, size_t size, size_t* needed, int* code) {
  return bufferCallback(owner, callback::kGetHostInformation, buffer, size, needed, code);
}

QXStatus newDocument(void*, const char* rootName, QXXML** document) {
  return xml::newDocument(rootName, document);
}

QXStatus documentFromContents(void*, const char* text, QXXML** document) {
  return xml::documentFromContents(text, document);
}

void hostTrace(void* owner, const char* text) {
  TableOwner& table = of(owner);
  table.link.callMain(
      callback::kTrace, table.key, nullptr, [&](RemoteCall& call) { call.putText(text); },
      [](RemoteCall& call) {
        std::string echoed;
        call.getText(echoed);
      });
}

// ---- QXContext ----

QXStatus contextInformation(void* o, char* b, size_t s, size_t* n, int* e) {
  return bufferCallback(o, callback::kGetContextInformation, b, s, n, e);
}
QXStatus parameters(void* o, char* b, size_t s, size_t* n, int* e) {
  return bufferCallback(o, callback::kGetParameters, b, s, n, e);
}
QXStatus dataModel(void* o, char* b, size_t s, size_t* n, int* e) {
  return bufferCallback(o, callback::kGetDataModel, b, s, n, e);
}
QXStatus sqlGeneration(void* o, char* b, size_t s, size_t* n, int* e) {
  return bufferCallback(o, callback::kGetSqlGeneration, b, s, n, e);
}
QXStatus outputDataModel(void* o, char* b, size_t s, size_t* n, int* e) {
  return bufferCallback(o, callback::kGetOutputDataModel, b, s, n, e);
}
QXStatus password(void* o, const char* k, char* b, size_t s, size_t* n, int* e) {
  return keyedCallback(o, callback::kGetPassword, k, b, s, n, e);
}
QXStatus filePath(void* o, const char* k, char* b, size_t s, size_t* n, int* e) {
  return keyedCallback(o, callback::kGetFilePath, k, b, s, n, e);
}

// The host serves these to in-process modules only; a child answers as the
// host does when it has no support for them.
QXStatus psmMergeInformation(void*, char*, size_t, size_t*, int* e) {
  *e = 0;
  return QX_ERR_INVALID_OPERATION;
}
QXStatus openJVM(void*, void** jvm, const char*, int* e) {
  *e = 0;
  *jvm = nullptr;
  return QX_ERR_OPEN_JVM;
}
QXStatus closeJVM(void*, void*, int* e) {
  *e = 0;
  return QX_ERR_CLOSE_JVM;
}
QXStatus expandFilePath(void*, const char*, char*, size_t, size_t*, int* e) {
  *e = 0;
  return QX_ERR_EXPAND_FILE_PATH;
}
QXStatus expandFilePathExt(void*, const char*, unsigned int, char*, size_t, size_t*, int* e) {
  *e = 0;
  return QX_ERR_EXPAND_FILE_PATH;
}

// ---- QXIterator ----

BatchedInput& input(void* owner) { return *static_cast<BatchedInput*>(owner); }

QXStatus nextRecord(void* owner, int* errorCode) { return input(owner).nextRecord(errorCode); }

QXStatus rewind(void* owner, int* errorCode) { return input(owner).rewind(errorCode); }

QXStatus recordValue(void* owner, size_t index, void** value, size_t* length, int* errorCode) {
  return input(owner).getRecordValue(index, value, length, errorCode);
}

QXStatus bulkFetch(void* owner, size_t capacity, void** values, size_t* lengths,
                   size_t* fieldCount, size_t* recordCount, int* errorCode) {
  return input(owner).bulkFetch(capacity, values, lengths, fieldCount, recordCount, errorCode);
}

// ---- QXProgress and QXChannel ----

QXStatus report(void* owner, const char* text, size_t length, int* errorCode) {
  TableOwner& table = of(owner);
  return table.link.callAsync(callback::kReport, table.key, text, length, errorCode);
}

QXStatus send(void* owner, const char* text, size_t length, int* errorCode) {
  TableOwner& table = of(owner);
  return table.link.callAsync(callback::kSend, table.key, text, length, errorCode);
}

} // namespace

TableOwner* ChildTables::owner(uint64_t key) { return &owners_.emplace_back(link_, key); }

QXHost* ChildTables::host(uint64_t key) {
  return &hosts_.emplace_back(
      QXHost{owner(key), &hostInformation, &newDocument, &documentFromContents, &hostTrace});
}

QXContext* ChildTables::context(uint64_t key) {
  return &contexts_.emplace_back(QXContext{owner(key), &contextInformation, &parameters,
                                           &dataModel, &sqlGeneration, &password, &filePath,
                                           &outputDataModel, &psmMergeInformation, &openJVM,
                                           &closeJVM, &expandFilePath, &expandFilePathExt});
}

QXIterator* ChildTables::iterator(uint64_t key) {
  BatchedInput* input = &inputs_.emplace_back(link_, key);
  return &iterators_.emplace_back(QXIterator{input, &nextRecord, &recordValue, &rewind,
                                             &bulkFetch});
}

void ChildTables::closeInputs() {
  for (BatchedInput& input : inputs_) input.close();
}

QXProgress* ChildTables::progress(uint64_t key) {
  return &progresses_.emplace_back(QXProgress{owner(key), &report});
}

QXChannel* ChildTables::channel(uint64_t key) {
  return &channels_.emplace_back(QXChannel{owner(key), &send});
}

} // namespace quex::child
