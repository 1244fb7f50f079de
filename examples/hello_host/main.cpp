// hello_host: the smallest useful host. Loads a module, runs one component
// through its lifecycle and prints what it did.
//   hello_host MODULE_PATH_WITHOUT_DLL [COUNT] [TRACE_LEVEL]
#include <quex/quex.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class StderrTrace : public ExtensionWrapperTraceOutput {
public:
  void trace(const char* line) override { std::fprintf(stderr, "trace: %s\n", line); }
};

// Asks for a text under the text-return convention: once, then with the size needed.
template <typename Call>
QXStatus fetchText(std::string& text, Call call) {
  std::vector<char> buffer(256);
  size_t needed = 0;
  QXStatus status = call(buffer.data(), buffer.size(), &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER) {
    buffer.assign(needed, '\0');
    status = call(buffer.data(), buffer.size(), &needed);
  }
  if (status == QX_OK) text = buffer.data();
  return status;
}

int fail(ExtensionWrapper& wrapper, void* component, const char* what, QXStatus status,
         int errorCode) {
  std::string detail;
  if (component != nullptr && status == QX_ERR_MODULE_SPECIFIC)
    fetchText(detail, [&](char* b, size_t s, size_t* n) {
      int code = errorCode;
      return wrapper.qx_component_getErrorDetail(component, b, s, n, &code);
    });
  std::fprintf(stderr, "%s failed: %s (error code %d) %s\n", what,
               ExtensionWrapper::QXStatus2String(status), errorCode, detail.c_str());
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s MODULE_PATH_WITHOUT_DLL [COUNT] [TRACE_LEVEL]\n", argv[0]);
    return 2;
  }
  const char* count = argc > 2 ? argv[2] : "5";
  ExtensionWrapper::setTraceOutput(new StderrTrace); // the last wrapper deletes it
  ExtensionWrapper::setTraceLevel(argc > 3 ? std::atoi(argv[3]) : 0);

  ExtensionWrapper wrapper;
  if (!wrapper.load("example", argv[1], nullptr)) {
    std::fprintf(stderr, "%s\n", wrapper.getError().empty() ? "the module lacks a required entry"
                                                            : wrapper.getError().c_str());
    return 1;
  }
  QXHost host{}; // this host offers no callbacks
  int errorCode = 0;
  QXStatus status = wrapper.qx_initialise(&host, &errorCode);
  if (status != QX_OK) return fail(wrapper, nullptr, "qx_initialise", status, errorCode);
  std::printf("module information: %s\n", wrapper.getModuleInformation().c_str());

  void* component = nullptr;
  status = wrapper.qx_create_component(nullptr, count, &component, &errorCode);
  if (status != QX_OK) return fail(wrapper, nullptr, "qx_create_component", status, errorCode);
  status = wrapper.qx_component_configure(component, &errorCode);
  if (status != QX_OK) return fail(wrapper, component, "configure", status, errorCode);

  std::string dataModel;
  status = fetchText(dataModel, [&](char* b, size_t s, size_t* n) {
    return wrapper.qx_component_getDataModel(component, 0, b, s, n, &errorCode);
  });
  if (status != QX_OK) return fail(wrapper, component, "getDataModel", status, errorCode);
  std::printf("data model: %s\n", dataModel.c_str());

  status = wrapper.qx_component_beginExecution(component, nullptr, nullptr, &errorCode);
  if (status != QX_OK) return fail(wrapper, component, "beginExecution", status, errorCode);
  size_t records = 0;
  while (wrapper.qx_component_nextRecord(component, &errorCode) == QX_OK) {
    std::printf("record %zu:", ++records);
    for (size_t field = 0;; ++field) {
      void* value = nullptr;
      size_t length = 0;
      if (wrapper.qx_component_getRecordValue(component, field, &value, &length, &errorCode) !=
          QX_OK)
        break;
      int64_t number = 0;
      if (value != nullptr && length == sizeof number) {
        std::memcpy(&number, value, sizeof number);
        std::printf(" %lld", static_cast<long long>(number));
      } else {
        std::printf(" ?");
      }
    }
    std::printf("\n");
  }
  wrapper.qx_component_endExecution(component, &errorCode);
  wrapper.qx_destroy_component(component, &errorCode);
  wrapper.qx_cleanup(&errorCode);
  std::printf("%zu records read\n", records);
  return 0;
}
