// The QXContext members and their factory: each member hands its arguments to
// the wrapper operation of the same name.
#include "service_support.h"

#include <quex/services/QXContextFactory.h>
#include <quex/services/QXContextWrapper.h>

namespace {

QXContextWrapper* context(void* owner) { return static_cast<QXContextWrapper*>(owner); }

// The members that return one of the context's documents.
template <QXStatus (QXContextWrapper::*operation)(char*, size_t, size_t*, int*)>
QXStatus documentMember(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                        int* errorCode) {
  return quex::detail::guardCallback(
      [&] { return (context(owner)->*operation)(buffer, bufferSize, needed, errorCode); });
}

// The members that look up a value by key.
template <QXStatus (QXContextWrapper::*operation)(const char*, char*, size_t, size_t*, int*)>
QXStatus keyedMember(void* owner, const char* key, char* buffer, size_t bufferSize,
                     size_t* needed, int* errorCode) {
  return quex::detail::guardCallback(
      [&] { return (context(owner)->*operation)(key, buffer, bufferSize, needed, errorCode); });
}

QXStatus contextOpenJVM(void* owner, void** jvm, const char* text, int* errorCode) {
  return quex::detail::guardCallback([&] { return context(owner)->openJVM(jvm, text, errorCode); });
}

QXStatus contextCloseJVM(void* owner, void* jvm, int* errorCode) {
  return quex::detail::guardCallback([&] { return context(owner)->closeJVM(jvm, errorCode); });
}

QXStatus contextExpandFilePathExt(void* owner, const char* path, unsigned int flags,
                                  char* buffer, size_t bufferSize, size_t* needed,
                                  int* errorCode) {
  return quex::detail::guardCallback([&] {
    return context(owner)->expandFilePathExt(path, flags, buffer, bufferSize, needed, errorCode);
  });
}

} // namespace

QXContext* QXContextFactory::create(QXContextWrapper* wrapper) {
  auto* table = new QXContext{
      wrapper,
      &documentMember<&QXContextWrapper::getContextInformation>,
      &documentMember<&QXContextWrapper::getParameters>,
      &documentMember<&QXContextWrapper::getDataModel>,
      &documentMember<&QXContextWrapper::getSQLGeneration>,
      &keyedMember<&QXContextWrapper::getPassword>,
      &keyedMember<&QXContextWrapper::getFilePath>,
      &documentMember<&QXContextWrapper::getOutputDataModel>,
      &documentMember<&QXContextWrapper::getPsmMergeInformation>,
      &contextOpenJVM,
      &contextCloseJVM,
      &keyedMember<&QXContextWrapper::expandFilePath>,
      &contextExpandFilePathExt,
  };
  wrapper->registerHandle(table);
  return table;
}
