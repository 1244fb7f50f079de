#include "xml_on_demand.h"
#include "beside_program.h"

#include "platform/dynamic_library.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace quex::child::xml {
namespace {

using MakeDocument = QXStatus (*)(const char*, QXXML**);
using Action = void (*)();

constexpr char kLibraryFile[] = "libquex-child-xml.so";
constexpr char kParserLibrary[] = "libquex.so.0";

struct Service {
  std::mutex mutex;
  bool tried = false;
  platform::DynamicLibrary library;
  MakeDocument newDocument = nullptr;
  MakeDocument documentFromContents = nullptr;
  Action stop = nullptr;
};

Service& service() {
  static Service* const instance = new Service; // lives until the process ends
  return *instance;
}

// Opens and starts the service once; false when it is not there.
bool opened(Service& s) {
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.tried) return s.newDocument != nullptr;
  s.tried = true;
  const std::string path = besideThisProgram(kLibraryFile);
  platform::DynamicLibrary::Failure failure;
  platform::DynamicLibrary library = platform::DynamicLibrary::open(path, failure);
  auto start = library ? reinterpret_cast<Action>(library.symbol("quex_child_xml_start")) : nullptr;
  auto stop = library ? reinterpret_cast<Action>(library.symbol("quex_child_xml_stop")) : nullptr;
  auto make = library ? reinterpret_cast<MakeDocument>(library.symbol("quex_child_xml_new_document"))
                      : nullptr;
  auto parse = library ? reinterpret_cast<MakeDocument>(
                             library.symbol("quex_child_xml_document_from_contents"))
                       : nullptr;
  if (start == nullptr || stop == nullptr || make == nullptr || parse == nullptr) {
    std::fprintf(stderr, "quex-child: no XML service: cannot use %s%s%s\n", path.c_str(),
                 failure.text.empty() ? "" : ": ", failure.text.c_str());
    return false;
  }
  start();
  s.library = std::move(library);
  s.newDocument = make;
  s.documentFromContents = parse;
  s.stop = stop;
  return true;
}

} // namespace

QXStatus newDocument(const char* rootName, QXXML** document) {
  Service& s = service();
  return opened(s) ? s.newDocument(rootName, document) : QX_ERR_XML;
}

QXStatus documentFromContents(const char* text, QXXML** document) {
  Service& s = service();
  return opened(s) ? s.documentFromContents(text, document) : QX_ERR_XML;
}

void startIfParserLoaded() {
  if (platform::isLoaded(kParserLibrary)) opened(service());
}

void stop() {
  Service& s = service();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.stop != nullptr) s.stop();
  s.stop = nullptr;
  s.newDocument = nullptr;
  s.documentFromContents = nullptr;
}

} // namespace quex::child::xml
