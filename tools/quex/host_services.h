// What quex serves a module: the host table over the library's host service,
// path expansion, the input records, the diagnostics printer and the
// interaction channel.
#ifndef QUEX_TOOLS_QUEX_HOST_SERVICES_H
#define QUEX_TOOLS_QUEX_HOST_SERVICES_H

#include "csv_table.h"

#include <quex/quex.hpp>

#include <atomic>
#include <memory>
#include <ostream>
#include <string>

namespace quex::tool {

// The host information document quex sends (see docs/host-conventions.md).
std::string hostInformationDocument();

// Starts the XML runtime for its lifetime.
class XmlRuntime {
public:
  XmlRuntime() { QXXMLWrapper::startup(); }
  ~XmlRuntime() { QXXMLWrapper::shutdown(); }
  XmlRuntime(const XmlRuntime&) = delete;
  XmlRuntime& operator=(const XmlRuntime&) = delete;
};

// The QXHost table of quex: host information, documents, and the module's
// trace texts (they reach standard error through the library-wide output).
class HostServices {
public:
  HostServices();
  QXHost* table() { return table_; }

private:
  std::unique_ptr<QXHostWrapper> wrapper_;
  QXHost* table_ = nullptr; // freed by the wrapper
};

// Paths are expanded to absolute paths against the working directory. quex
// starts no child processes and has no Java virtual machine.
class QuexContextSupport : public Extension::ContextSupport {
public:
  bool expandFilePath(const std::string& path, unsigned int flags,
                      std::string& expanded) override;
  ChildResource* acquireChildResource() override { return nullptr; }
  bool openJVM(void**, const char*) override { return false; }
  bool closeJVM(void*) override { return false; }
};

// The input records: a CSV table (or nothing) behind the iterator table.
class CsvInput : public QXIteratorWrapper {
public:
  CsvInput(ExtensionWrapper* extension, csv::Table* table)
      : QXIteratorWrapper(extension), table_(table) {}

  QXStatus nextRecord(int* errorCode) override;
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode) override;
  QXStatus rewind(int* errorCode) override;
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override;

  // After cancellation the input ends: every read answers QX_ERR_NO_DATA.
  // Called from the thread that cancels.
  void endInput() { ended_.store(true); }
  size_t recordsRead() const { return recordsRead_; }
  // Set when a malformed record stopped the input; says where and why.
  const std::string& failure() const { return failure_; }

private:
  bool readRecord(); // false at the end or on a malformed record

  csv::Table* table_;
  csv::RecordBatch batch_;
  bool current_ = false;
  std::atomic<bool> ended_{false};
  size_t recordsRead_ = 0;
  std::string failure_;
};

// Prints diagnostics as "severity source code: text".
class DiagnosticPrinter : public QXProgressListener {
public:
  explicit DiagnosticPrinter(std::ostream& err) : err_(err) {}
  void reportDiagnostic(QXDiagnostic* diagnostic) override;

private:
  std::ostream& err_;
};

// Prints what the module sends during an interaction as "message: TEXT".
class MessagePrinter : public QxChannelWrapper {
public:
  MessagePrinter(ExtensionWrapper* extension, std::ostream& err)
      : QxChannelWrapper(extension), err_(err) {}
  QXStatus send(const char* text, size_t length, int* errorCode) override;

private:
  std::ostream& err_;
};

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_HOST_SERVICES_H
