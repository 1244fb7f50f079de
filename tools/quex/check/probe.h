// How a check drives a module: loaded and initialised the way quex run does
// it (in process or in child processes), every call marked as in flight and
// its status kept, and components made with the host's documents.
#ifndef QUEX_TOOLS_QUEX_CHECK_PROBE_H
#define QUEX_TOOLS_QUEX_CHECK_PROBE_H

#include "check.h"
#include "in_flight.h"

#include "csv_table.h"
#include "host_services.h"

#include <quex/quex.hpp>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quex::check {

using Value = std::optional<std::string>; // the bytes of a value; nullopt for null
using Record = std::vector<Value>;

// What reached the host from the module in this process: trace lines (the
// library's and the module's own texts), diagnostics and error texts.
class ModuleOutput {
public:
  void add(const std::string& text);
  std::string take();

private:
  std::mutex mutex_;
  std::string text_;
};
ModuleOutput& moduleOutput();

// "QX_ERR_NO_DATA (9)"
std::string statusText(QXStatus status);
// Whether the status is one of qx.h's named codes.
bool isNamedStatus(QXStatus status);

class Probe {
public:
  explicit Probe(const CheckOptions& options, bool inChild = false);
  ~Probe();
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  // Loads and initialises the module; false with the reason.
  bool start(std::string& why);
  // qx_cleanup, once; false with the reason.
  bool stop(std::string& why);

  ExtensionWrapper& wrapper() { return wrapper_; }
  QXHost* host() { return host_.table(); }
  const CheckOptions& options() const { return options_; }
  bool inChild() const { return inChild_; }
  const std::string& path() const { return path_; }

  // Runs `call` (returning a QXStatus) marked as `name` in flight, and keeps
  // the status.
  template <typename Call>
  QXStatus call(const char* name, Call call) {
    InFlight marked(name);
    QXStatus status = call();
    if (isNamedStatus(status)) return status;
    std::lock_guard<std::mutex> lock(statusesMutex_);
    unnamed_.emplace_back(name, status);
    return status;
  }
  // The first status outside qx.h's names the module answered so far, as
  // "qx_cleanup answered 77, which is not a status of qx.h"; empty if none.
  // (Only those calls are kept, so that long runs do not grow the heap.)
  std::string firstUnnamedStatus();
  // Whether the module's qx_initialise was called.
  bool initialiseCalled() const { return initialiseCalled_; }

  // "NAME answered STATUS, error code N: the module's text for it"
  std::string describe(const char* name, QXStatus status, int errorCode,
                       void* component = nullptr);

private:
  const CheckOptions& options_;
  bool inChild_;
  std::string path_;
  std::string childProgram_;
  tool::HostServices host_;
  tool::QuexContextSupport support_;
  ExtensionWrapper wrapper_;
  bool initialised_ = false;
  std::mutex statusesMutex_;
  std::vector<std::pair<const char*, QXStatus>> unnamed_;
  bool initialiseCalled_ = false;
};

// One component through its lifecycle. The destructor ends what was begun.
class Component {
public:
  explicit Component(Probe& probe);
  ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  // Passwords and file paths beyond the command line's, before create().
  void addPassword(const std::string& key, const std::string& value);
  void addFile(const std::string& key, const std::string& path);
  // Replaces the context table the component gets (secrecy checks); the
  // table must outlive the component.
  void useContext(QXContext* table) { contextOverride_ = table; }
  QXContext* madeContext() { return contextTable_; }

  bool create(std::string& why);
  bool configure(std::string& why);
  bool readDataModel(std::string& why);
  // `endless`: the input starts again at its end, so a transformer runs on.
  bool begin(std::string& why, bool endless = false);
  // create, configure, readDataModel, begin.
  bool prepare(std::string& why, bool endless = false);

  // One record with nextRecord and getRecordValue; `status` is nextRecord's.
  // False with the reason when a value cannot be read.
  bool readRecord(Record& record, QXStatus& status, std::string& why);
  // Every record up to the end (QX_ERR_NO_DATA), one value at a time or by
  // bulk fetch. False with the reason for any other end.
  bool readAll(std::vector<Record>& records, std::string& why, bool bulk = false);

  bool end(std::string& why);
  bool destroy(std::string& why);

  void* handle() const { return handle_; }
  size_t fieldCount() const { return fields_.size(); }
  const std::vector<csv::Column>& fields() const { return fields_; }
  // Diagnostics reported during execution, as "severity code: text".
  const std::vector<std::string>& diagnostics() const { return listener_.texts; }

private:
  struct Listener : QXProgressListener {
    void reportDiagnostic(QXDiagnostic* diagnostic) override;
    std::vector<std::string> texts;
  };
  bool ok(const char* name, QXStatus status, int errorCode, std::string& why);

  Probe& probe_;
  std::vector<tool::KeyValue> passwords_, files_;
  QXContext* contextOverride_ = nullptr;
  QXContext* contextTable_ = nullptr;
  std::unique_ptr<QXContextWrapper> context_;
  std::unique_ptr<csv::Table> input_;
  std::unique_ptr<QXIteratorWrapper> iterator_;
  std::unique_ptr<QXProgressWrapper> progress_;
  Listener listener_;
  std::vector<csv::Column> fields_;
  void* handle_ = nullptr;
  bool executing_ = false;
};

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_PROBE_H
