// The minimal host loop: the same module and records as `quex run`, but the
// input records are made in memory and the output is only touched, not
// written, so what remains is the library's and the module's share.
//   quex_host_loop MODULE RECORDS PARAMETERS_XML_TEXT
// Prints "<records> records in <seconds> s: <rate> records/s".
#include <quex/quex.hpp>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// id integer, a real, b real, c integer, label string: as the generated CSV.
class MemoryInput : public QXIteratorWrapper {
public:
  MemoryInput(ExtensionWrapper* extension, size_t records)
      : QXIteratorWrapper(extension), records_(records) {}

  QXStatus nextRecord(int* errorCode) override {
    *errorCode = 0;
    if (row_ == records_) return QX_ERR_NO_DATA;
    ++row_;
    id_ = static_cast<int64_t>(row_);
    a_ = static_cast<double>(row_ % 1000) * 0.5;
    b_ = static_cast<double>(row_ % 7);
    c_ = static_cast<int64_t>(row_ % 100);
    return QX_OK;
  }
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode) override {
    *errorCode = 0;
    void* values[] = {&id_, &a_, &b_, &c_, label_};
    if (index >= 5) return QX_ERR_INVALID_OPERATION;
    *value = values[index]; // little-endian machine: native bytes are the convention's
    *length = index == 4 ? std::strlen(label_) : 8;
    return QX_OK;
  }
  QXStatus rewind(int* errorCode) override {
    *errorCode = 0;
    row_ = 0;
    return QX_OK;
  }
  QXStatus bulkFetch(size_t, void**, size_t*, size_t*, size_t* recordCount,
                     int* errorCode) override {
    *errorCode = 0;
    *recordCount = 0;
    return QX_ERR_INVALID_OPERATION;
  }

private:
  size_t records_, row_ = 0;
  int64_t id_ = 0, c_ = 0;
  double a_ = 0, b_ = 0;
  char label_[8] = "item";
};

int fail(const char* what, QXStatus status) {
  std::fprintf(stderr, "host loop: %s failed: %s\n", what, ExtensionWrapper::QXStatus2String(status));
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s MODULE RECORDS PARAMETERS_XML_TEXT\n", argv[0]);
    return 2;
  }
  const size_t records = std::strtoull(argv[2], nullptr, 10);
  QXXMLWrapper::startup();
  int exitCode = 0;
  {
    std::unique_ptr<QXHostWrapper> host(QXHostWrapper::createHostWrapper());
    ExtensionWrapper wrapper;
    if (!wrapper.load("module", argv[1], nullptr)) {
      std::fprintf(stderr, "host loop: cannot load %s\n", argv[1]);
      QXXMLWrapper::shutdown();
      return 1;
    }
    int errorCode = 0;
    QXStatus status = wrapper.qx_initialise(QXHostFactory::create(host.get()), &errorCode);
    if (status != QX_OK) return fail("qx_initialise", status);
    QXContextWrapper context(&wrapper);
    context.setDecryptedParameterXML(argv[3]);
    context.setDataModelXML("<DataModel><Fields><Field name=\"id\" storage=\"integer\"/>"
                            "<Field name=\"a\" storage=\"real\"/><Field name=\"b\" storage=\"real\"/>"
                            "<Field name=\"c\" storage=\"integer\"/>"
                            "<Field name=\"label\" storage=\"string\"/></Fields></DataModel>");
    void* component = nullptr;
    QXContext* table = QXContextFactory::create(&context);
    status = wrapper.isOlderGeneration()
                 ? wrapper.tarnext_create_peer(table, 0, "", &component, &errorCode)
                 : wrapper.qx_create_component(table, "", &component, &errorCode);
    if (status != QX_OK) return fail("create", status);
    if ((status = wrapper.qx_component_configure(component, &errorCode)) != QX_OK)
      return fail("configure", status);
    char model[4096];
    size_t needed = 0;
    if ((status = wrapper.qx_component_getDataModel(component, 0, model, sizeof model, &needed,
                                                    &errorCode)) != QX_OK)
      return fail("getDataModel", status);
    size_t fields = 0;
    for (const char* at = model; (at = std::strstr(at, "<Field ")) != nullptr; ++at) ++fields;

    MemoryInput input(&wrapper, records);
    QXProgressWrapper progress(&wrapper);
    progress.setProgressListener(nullptr);
    auto start = std::chrono::steady_clock::now();
    status = wrapper.qx_component_beginExecution(component, QXIteratorFactory::create(&input),
                                                 QXProgressFactory::create(&progress),
                                                 &errorCode);
    if (status != QX_OK) return fail("beginExecution", status);
    size_t delivered = 0, bytes = 0;
    while (wrapper.qx_component_nextRecord(component, &errorCode) == QX_OK) {
      ++delivered;
      for (size_t f = 0; f < fields; ++f) {
        void* value = nullptr;
        size_t length = 0;
        wrapper.qx_component_getRecordValue(component, f, &value, &length, &errorCode);
        bytes += value != nullptr ? length : 0;
      }
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    wrapper.qx_component_endExecution(component, &errorCode);
    wrapper.qx_destroy_component(component, &errorCode);
    wrapper.qx_cleanup(&errorCode);
    std::printf("%zu records (%zu value bytes) in %.3f s: %.0f records/s\n", delivered, bytes,
                seconds, static_cast<double>(delivered) / seconds);
    exitCode = delivered == records ? 0 : 1;
  }
  QXXMLWrapper::shutdown();
  return exitCode;
}
