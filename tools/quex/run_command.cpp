// quex run MODULE [options]: one component through its whole lifecycle.
#include "commands.h"
#include "data_model.h"
#include "interrupt_watch.h"
#include "module_session.h"
#include "record_output.h"
#include "xml_text.h"

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>

namespace quex::tool {

namespace {

bool readWholeFile(const std::string& path, std::string& text, std::ostream& err) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  if (in) contents << in.rdbuf();
  if (!in || in.bad()) {
    err << "quex: cannot read " << path << "\n";
    return false;
  }
  text = contents.str();
  return true;
}

// Everything a run holds, in the order it must be released: the component
// before the services it calls, the module after its components.
class Run {
public:
  Run(const RunOptions& options, std::ostream& out, std::ostream& err)
      : options_(options), out_(out), err_(err), interrupts_(wrapper_, options.inChild, err) {}
  ~Run() { finish(); }

  int execute();
  // Ends what was begun, in reverse order; false when a call failed.
  bool finish();
  // Why quex killed the child; empty if it did not.
  std::string killReason() const { return interrupts_.killReason(); }

private:
  bool prepareInput();
  bool createComponent();
  // `errorCode` is read after `status` was computed (by reference, on purpose).
  bool call(const char* what, QXStatus status, const int& errorCode);
  int fetchOutput(RecordOutput& output);
  bool interact();

  const RunOptions& options_;
  std::ostream& out_;
  std::ostream& err_;

  HostServices host_;
  QuexContextSupport support_;
  ExtensionWrapper wrapper_;
  InterruptWatch interrupts_; // after the wrapper it kills through, before what it cancels
  bool initialised_ = false;
  std::unique_ptr<csv::Table> input_;
  std::vector<csv::Column> inputColumns_;
  std::unique_ptr<QXContextWrapper> context_;
  std::unique_ptr<CsvInput> iterator_;
  std::unique_ptr<QXProgressWrapper> progress_;
  std::unique_ptr<DiagnosticPrinter> printer_;
  void* component_ = nullptr;
  bool executing_ = false;
  bool childGone_ = false; // its ending was reported
};

bool Run::call(const char* what, QXStatus status, const int& errorCode) {
  if (status == QX_OK) return true;
  if (status == QX_ERR_REMOTE) {
    // A lost child is told once, in its own words; the calls that fail after
    // it have nothing to add.
    if (childGone_) return false;
    const std::string ending = wrapper_.childEnding(component_);
    if (!ending.empty()) {
      childGone_ = true;
      const std::string reason = interrupts_.killReason();
      err_ << "quex: " << (reason.empty() ? "" : "stopped after " + reason + ": ") << ending
           << "\n";
      return false;
    }
  }
  reportFailure(wrapper_, component_, what, status, errorCode, err_);
  return false;
}

bool Run::prepareInput() {
  if (options_.input.empty()) return true;
  std::string error;
  input_ = csv::Table::open(options_.input, error);
  if (!input_) {
    err_ << "quex: " << error << "\n";
    return false;
  }
  if (options_.inputModel.empty()) {
    if (!input_->inferStorages(error)) {
      err_ << "quex: " << error << "\n";
      return false;
    }
    return true;
  }
  std::string model;
  if (!readWholeFile(options_.inputModel, model, err_)) return false;
  std::vector<csv::Column> declared;
  if (!readDataModel(host_.table(), model, declared, error)) {
    err_ << "quex: " << options_.inputModel << ": " << error << "\n";
    return false;
  }
  if (declared.size() != input_->columns().size()) {
    err_ << "quex: " << options_.inputModel << " has " << declared.size() << " fields, "
         << options_.input << " has " << input_->columns().size() << " columns\n";
    return false;
  }
  for (size_t i = 0; i < declared.size(); ++i) input_->columns()[i].storage = declared[i].storage;
  return true;
}

bool Run::createComponent() {
  std::string parameters, contextInformation;
  if (!options_.params.empty() && !readWholeFile(options_.params, parameters, err_)) return false;
  if (!options_.context.empty() && !readWholeFile(options_.context, contextInformation, err_))
    return false;
  context_ = std::make_unique<QXContextWrapper>(&wrapper_);
  context_->setParameterXML(parameters.c_str());
  context_->setDecryptedParameterXML(parameters.c_str()); // quex has no encryption
  context_->setContextInformationXML(contextInformation.c_str());
  context_->setDataModelXML(makeDataModel(input_ ? input_->columns() : inputColumns_).c_str());
  for (const KeyValue& password : options_.passwords)
    context_->addPassword(password.first.c_str(), password.second.c_str());
  for (const KeyValue& file : options_.files)
    context_->addFilePath(file.first.c_str(), file.second.c_str());
  QXContext* table = QXContextFactory::create(context_.get());

  int errorCode = 0;
  // The same call in both modes; a child program that does not tell the
  // module's generation leaves only tarnext_create_peer.
  bool peer = wrapper_.isOlderGeneration();
  QXStatus status = peer ? wrapper_.tarnext_create_peer(table, 0, "", &component_, &errorCode)
                         : wrapper_.qx_create_component(table, "", &component_, &errorCode);
  if (!peer && status == QX_ERR_INVALID_OPERATION && options_.inChild) {
    peer = true;
    status = wrapper_.tarnext_create_peer(table, 0, "", &component_, &errorCode);
  }
  const bool created =
      call(peer ? "tarnext_create_peer" : "qx_create_component", status, errorCode);
  interrupts_.created(component_);
  return created;
}

int Run::fetchOutput(RecordOutput& output) {
  int errorCode = 0;
  const bool bulk = wrapper_.useBulkFetch() && output.fieldCount() > 0 &&
                    output.fieldCount() <= wrapper_.getBulkFetchValueCount();
  std::vector<void*> values(bulk ? wrapper_.getBulkFetchValueCount() : 0);
  std::vector<size_t> lengths(values.size());
  for (;;) {
    QXStatus status;
    if (bulk) {
      size_t fieldCount = output.fieldCount(), recordCount = 0;
      status = wrapper_.qx_component_bulkFetch(component_, values.size(), values.data(),
                                               lengths.data(), &fieldCount, &recordCount,
                                               &errorCode);
      if (status == QX_OK && recordCount == 0) status = QX_ERR_NO_DATA;
      if (status == QX_OK && !output.writeBatch(values.data(), lengths.data(), fieldCount,
                                                recordCount, values.size(), err_))
        return kExitFailed;
    } else {
      status = wrapper_.qx_component_nextRecord(component_, &errorCode);
      if (status == QX_OK && !output.writeRecord(wrapper_, component_, err_)) return kExitFailed;
    }
    output.showProgress(iterator_->recordsRead());
    // After Ctrl-C not one more record is asked for, whatever the module does.
    if (interrupts_.interrupted()) break;
    if (status == QX_OK) continue;
    if (!iterator_->failure().empty()) {
      err_ << "quex: " << options_.input << " " << iterator_->failure() << "\n";
      return kExitUsage;
    }
    if (status == QX_ERR_NO_DATA) return kExitOk;
    call(bulk ? "qx_component_bulkFetch" : "qx_component_nextRecord", status, errorCode);
    return kExitFailed;
  }
  output.endProgress();
  const QXStatus cancelled = interrupts_.finishCancel(&errorCode);
  if (!killReason().empty()) {
    call("qx_component_nextRecord", QX_ERR_REMOTE, errorCode); // says how the child ended
    return kExitCancelled;
  }
  // Without a cancel entry the module is simply read no further.
  if (cancelled != QX_ERR_INVALID_OPERATION &&
      !call("qx_component_cancelExecution", cancelled, errorCode))
    return kExitFailed;
  err_ << "quex: cancelled after " << output.recordsWritten() << " records\n";
  return kExitCancelled;
}

bool Run::interact() {
  MessagePrinter channel(&wrapper_, err_);
  QXChannel* table = QxChannelFactory::create(&channel);
  int errorCode = 0;
  if (!call("qx_component_beginInteraction",
            wrapper_.qx_component_beginInteraction(component_, table, &errorCode), errorCode))
    return false;
  const std::string& request = *options_.request;
  std::string reply;
  bool ok =
      call("qx_component_request",
           wrapper_.qx_component_request(component_, request.data(), request.size(), &errorCode),
           errorCode) &&
      call("qx_component_getRequestReply",
           fetchText(reply,
                     [&](char* buffer, size_t size, size_t* needed) {
                       return wrapper_.qx_component_getRequestReply(component_, buffer, size,
                                                                    needed, &errorCode);
                     }),
           errorCode);
  ok = call("qx_component_endInteraction",
            wrapper_.qx_component_endInteraction(component_, &errorCode), errorCode) &&
       ok;
  if (ok) (options_.output.empty() ? err_ : out_) << indentXml(reply);
  return ok;
}

int Run::execute() {
  if (!prepareInput()) return kExitUsage;
  std::ofstream file;
  if (!options_.output.empty()) {
    file.open(options_.output, std::ios::binary | std::ios::trunc);
    if (!file) {
      err_ << "quex: cannot write " << options_.output << "\n";
      return kExitUsage;
    }
  }
  wrapper_.setContextSupport(&support_);
  wrapper_.setChildDeadline(std::chrono::milliseconds(
      static_cast<long long>(options_.deadlineSeconds * 1000 + 0.5)));
  ExtensionWrapper::setWarmChildren(options_.warmChildren);
  const std::string program = options_.inChild ? childProgram(options_.child) : std::string();
  if (!loadAndInitialise(wrapper_, host_, options_.module, err_,
                         options_.inChild ? program.c_str() : nullptr))
    return kExitFailed;
  initialised_ = true;
  if (!createComponent()) return kExitFailed;

  int errorCode = 0;
  if (!call("qx_component_configure", wrapper_.qx_component_configure(component_, &errorCode),
            errorCode))
    return kExitFailed;
  std::string dataModel;
  if (!call("qx_component_getDataModel",
            fetchText(dataModel,
                      [&](char* buffer, size_t size, size_t* needed) {
                        return wrapper_.qx_component_getDataModel(component_, 0, buffer, size,
                                                                  needed, &errorCode);
                      }),
            errorCode))
    return kExitFailed;
  context_->setOutputDataModelXML(dataModel.c_str());
  std::vector<csv::Column> outputColumns;
  std::string error;
  if (!readDataModel(host_.table(), dataModel, outputColumns, error)) {
    err_ << "quex: the module's output data model: " << error << "\n";
    return kExitFailed;
  }

  iterator_ = std::make_unique<CsvInput>(&wrapper_, input_.get());
  progress_ = std::make_unique<QXProgressWrapper>(&wrapper_);
  printer_ = std::make_unique<DiagnosticPrinter>(err_);
  progress_->setProgressListener(printer_.get());
  interrupts_.executing(iterator_.get());
  if (!call("qx_component_beginExecution",
            wrapper_.qx_component_beginExecution(component_,
                                                 QXIteratorFactory::create(iterator_.get()),
                                                 QXProgressFactory::create(progress_.get()),
                                                 &errorCode),
            errorCode))
    return kExitFailed;
  executing_ = true;

  RecordOutput output(file.is_open() ? static_cast<std::ostream&>(file) : out_, !file.is_open(),
                      outputColumns);
  int exitCode = fetchOutput(output);
  output.flush();
  executing_ = false;
  interrupts_.executed();
  bool ended = call("qx_component_endExecution",
                    wrapper_.qx_component_endExecution(component_, &errorCode), errorCode);
  if (exitCode != kExitOk) return exitCode;
  if (!ended) return kExitFailed;
  if (options_.request && !interact()) return kExitFailed;
  if (file.is_open() && !file.flush()) {
    err_ << "quex: cannot write " << options_.output << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

bool Run::finish() {
  int errorCode = 0;
  bool ok = true;
  if (executing_) {
    executing_ = false;
    ok = call("qx_component_endExecution",
              wrapper_.qx_component_endExecution(component_, &errorCode), errorCode);
  }
  if (component_ != nullptr) {
    // Whatever the destroy answers, the handle is gone: its failure is
    // reported without asking the component for details.
    void* const component = component_;
    component_ = nullptr;
    ok = call("qx_destroy_component", wrapper_.qx_destroy_component(component, &errorCode),
              errorCode) && ok;
  }
  if (initialised_) {
    initialised_ = false;
    ok = call("qx_cleanup", wrapper_.qx_cleanup(&errorCode), errorCode) && ok;
  }
  wrapper_.unload();
  return ok;
}

} // namespace

int runRun(const RunOptions& options, std::ostream& out, std::ostream& err) {
  XmlRuntime xml;
  traceToStandardError(options.trace);
  int exitCode = kExitOk;
  {
    Run run(options, out, err);
    exitCode = run.execute();
    if (!run.finish() && exitCode == kExitOk) exitCode = kExitFailed;
    if (!run.killReason().empty()) exitCode = kExitCancelled; // ended by Ctrl-C
  }
  return exitCode;
}

} // namespace quex::tool
