#include "probe.h"

#include "data_model.h"
#include "module_session.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quex::check {

std::atomic<const char*> callInFlight{nullptr};

namespace {

// The library's trace lines and the module's trace texts, kept for the checks.
class CaptureTrace : public ExtensionWrapperTraceOutput {
public:
  void trace(const char* line) override { moduleOutput().add(std::string(line) + "\n"); }
};

// The CSV input that starts again at its end: a transformer never runs dry.
class EndlessInput : public tool::CsvInput {
public:
  using CsvInput::CsvInput;
  QXStatus nextRecord(int* errorCode) override {
    QXStatus status = CsvInput::nextRecord(errorCode);
    if (status != QX_ERR_NO_DATA || recordsRead() == 0) return status;
    CsvInput::rewind(errorCode);
    return CsvInput::nextRecord(errorCode);
  }
  // A module in quex-child reads its input in batches: they never run dry either.
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    QXStatus status =
        CsvInput::bulkFetch(capacity, values, lengths, fieldCount, recordCount, errorCode);
    if (status != QX_ERR_NO_DATA || recordsRead() == 0) return status;
    CsvInput::rewind(errorCode);
    return CsvInput::bulkFetch(capacity, values, lengths, fieldCount, recordCount, errorCode);
  }
};

bool readWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  text = contents.str();
  return static_cast<bool>(in);
}

} // namespace

void ModuleOutput::add(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  text_ += text;
}

std::string ModuleOutput::take() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::move(text_);
}

ModuleOutput& moduleOutput() {
  static ModuleOutput output;
  return output;
}

std::string statusText(QXStatus status) {
  return std::string(ExtensionWrapper::QXStatus2String(status)) + " (" + std::to_string(status) +
         ")";
}

bool isNamedStatus(QXStatus status) {
  return status <= QX_ERR_REMOTE || status == QX_ERR_EXPAND_FILE_PATH ||
         status == QX_ERR_OPEN_JVM || status == QX_ERR_CLOSE_JVM;
}

Probe::Probe(const CheckOptions& options, bool inChild)
    : options_(options), inChild_(inChild),
      path_(tool::resolveModulePath(options.documents.module)) {
  if (ExtensionWrapper::getTraceOutput() == nullptr)
    ExtensionWrapper::setTraceOutput(new CaptureTrace); // the last wrapper deletes it
  wrapper_.setContextSupport(&support_);
  if (inChild_) childProgram_ = tool::childProgram(options.child);
}

Probe::~Probe() {
  std::string ignored;
  stop(ignored);
  InFlight marked("unloading the module");
  wrapper_.unload();
}

bool Probe::start(std::string& why) {
  bool loaded;
  {
    InFlight marked("loading the module");
    loaded = wrapper_.load(tool::moduleName(path_).c_str(), path_.c_str(),
                           inChild_ ? childProgram_.c_str() : nullptr);
  }
  if (!loaded) {
    why = wrapper_.getError();
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
    if (why.empty())
      why = path_ + ".dll does not load as a module: a required entry point is missing, or "
                    "only part of the four interaction entries is exported";
    return false;
  }
  int errorCode = 0;
  QXStatus status = QX_OK;
  initialiseCalled_ = true;
  try {
    status = call("qx_initialise", [&] { return wrapper_.qx_initialise(host(), &errorCode); });
  } catch (const Remote::RemoteException& error) {
    why = "cannot start the child program " + childProgram_ + ": " + error.message;
    return false;
  } catch (...) {
    why = "cannot start the child program " + childProgram_;
    return false;
  }
  if (status != QX_OK) {
    why = describe("qx_initialise", status, errorCode);
    return false;
  }
  initialised_ = true;
  return true;
}

bool Probe::stop(std::string& why) {
  if (!initialised_) return true;
  initialised_ = false;
  int errorCode = 0;
  QXStatus status = call("qx_cleanup", [&] { return wrapper_.qx_cleanup(&errorCode); });
  if (status == QX_OK) return true;
  why = describe("qx_cleanup", status, errorCode);
  return false;
}

std::string Probe::firstUnnamedStatus() {
  std::lock_guard<std::mutex> lock(statusesMutex_);
  if (unnamed_.empty()) return {};
  return std::string(unnamed_.front().first) + " answered " +
         std::to_string(unnamed_.front().second) + ", which is not a status of qx.h";
}

std::string Probe::describe(const char* name, QXStatus status, int errorCode, void* component) {
  std::string text = std::string(name) + " answered " + statusText(status);
  if (errorCode != 0) text += ", error code " + std::to_string(errorCode);
  if (component != nullptr && status == QX_ERR_MODULE_SPECIFIC) {
    std::string detail;
    QXStatus detailStatus = tool::fetchText(detail, [&](char* buffer, size_t size, size_t* needed) {
      int code = errorCode;
      InFlight marked("qx_component_getErrorDetail");
      return wrapper_.qx_component_getErrorDetail(component, buffer, size, needed, &code);
    });
    if (detailStatus == QX_OK && !detail.empty()) text += ": " + detail;
  }
  return text;
}

void Component::Listener::reportDiagnostic(QXDiagnostic* diagnostic) {
  texts.push_back(std::to_string(static_cast<int>(diagnostic->getSeverity())) + " " +
                  std::to_string(diagnostic->getCode()) + ": " + diagnostic->getOutputText());
  moduleOutput().add(texts.back() + "\n");
}

Component::Component(Probe& probe) : probe_(probe) {}

Component::~Component() {
  std::string ignored;
  if (executing_) end(ignored);
  destroy(ignored);
}

void Component::addPassword(const std::string& key, const std::string& value) {
  passwords_.emplace_back(key, value);
}

void Component::addFile(const std::string& key, const std::string& path) {
  files_.emplace_back(key, path);
}

bool Component::ok(const char* name, QXStatus status, int errorCode, std::string& why) {
  if (status == QX_OK) return true;
  why = probe_.describe(name, status, errorCode, handle_);
  return false;
}

bool Component::create(std::string& why) {
  const tool::RunOptions& documents = probe_.options().documents;
  std::string parameters, contextInformation;
  if (!documents.params.empty() && !readWholeFile(documents.params, parameters)) {
    why = "cannot read " + documents.params;
    return false;
  }
  if (!documents.context.empty() && !readWholeFile(documents.context, contextInformation)) {
    why = "cannot read " + documents.context;
    return false;
  }
  std::vector<csv::Column> inputColumns;
  if (!documents.input.empty()) {
    std::string error;
    input_ = csv::Table::open(documents.input, error);
    if (!input_) {
      why = error;
      return false;
    }
    if (!input_->inferStorages(error)) {
      why = documents.input + ": " + error;
      return false;
    }
    if (!documents.inputModel.empty()) {
      std::string model;
      std::vector<csv::Column> declared;
      if (!readWholeFile(documents.inputModel, model) ||
          !tool::readDataModel(probe_.host(), model, declared, error) ||
          declared.size() != input_->columns().size()) {
        why = documents.inputModel + " does not describe " + documents.input;
        return false;
      }
      for (size_t i = 0; i < declared.size(); ++i)
        input_->columns()[i].storage = declared[i].storage;
    }
    inputColumns = input_->columns();
  }
  context_ = std::make_unique<QXContextWrapper>(&probe_.wrapper());
  context_->setParameterXML(parameters.c_str());
  context_->setDecryptedParameterXML(parameters.c_str());
  context_->setContextInformationXML(contextInformation.c_str());
  context_->setDataModelXML(tool::makeDataModel(inputColumns).c_str());
  for (const auto& pair : documents.passwords)
    context_->addPassword(pair.first.c_str(), pair.second.c_str());
  for (const auto& pair : passwords_) context_->addPassword(pair.first.c_str(), pair.second.c_str());
  for (const auto& pair : documents.files)
    context_->addFilePath(pair.first.c_str(), pair.second.c_str());
  for (const auto& pair : files_) context_->addFilePath(pair.first.c_str(), pair.second.c_str());
  contextTable_ = QXContextFactory::create(context_.get());
  QXContext* table = contextOverride_ != nullptr ? contextOverride_ : contextTable_;

  ExtensionWrapper& wrapper = probe_.wrapper();
  int errorCode = 0;
  QXStatus status;
  if (wrapper.isOlderGeneration() || probe_.inChild()) {
    status = probe_.call("tarnext_create_peer", [&] {
      return wrapper.tarnext_create_peer(table, 0, "", &handle_, &errorCode);
    });
    if (status != QX_OK && handle_ != nullptr && probe_.inChild()) {
      int ignored = 0;
      wrapper.qx_destroy_component(handle_, &ignored); // ends the child
      handle_ = nullptr;
    }
    return ok("tarnext_create_peer", status, errorCode, why);
  }
  status = probe_.call("qx_create_component",
                       [&] { return wrapper.qx_create_component(table, "", &handle_, &errorCode); });
  if (status != QX_OK) handle_ = nullptr;
  return ok("qx_create_component", status, errorCode, why);
}

bool Component::configure(std::string& why) {
  int errorCode = 0;
  QXStatus status = probe_.call("qx_component_configure", [&] {
    return probe_.wrapper().qx_component_configure(handle_, &errorCode);
  });
  return ok("qx_component_configure", status, errorCode, why);
}

bool Component::readDataModel(std::string& why) {
  int errorCode = 0;
  std::string model;
  QXStatus status = tool::fetchText(model, [&](char* buffer, size_t size, size_t* needed) {
    return probe_.call("qx_component_getDataModel", [&] {
      return probe_.wrapper().qx_component_getDataModel(handle_, 0, buffer, size, needed,
                                                        &errorCode);
    });
  });
  if (!ok("qx_component_getDataModel", status, errorCode, why)) return false;
  context_->setOutputDataModelXML(model.c_str());
  std::string error;
  if (!tool::readDataModel(probe_.host(), model, fields_, error)) {
    why = "the output data model: " + error;
    return false;
  }
  return true;
}

bool Component::begin(std::string& why, bool endless) {
  ExtensionWrapper* wrapper = &probe_.wrapper();
  if (endless)
    iterator_ = std::make_unique<EndlessInput>(wrapper, input_.get());
  else
    iterator_ = std::make_unique<tool::CsvInput>(wrapper, input_.get());
  progress_ = std::make_unique<QXProgressWrapper>(wrapper);
  progress_->setProgressListener(&listener_);
  QXIterator* iterator = QXIteratorFactory::create(iterator_.get());
  QXProgress* progress = QXProgressFactory::create(progress_.get());
  int errorCode = 0;
  QXStatus status = probe_.call("qx_component_beginExecution", [&] {
    return wrapper->qx_component_beginExecution(handle_, iterator, progress, &errorCode);
  });
  executing_ = status == QX_OK;
  return ok("qx_component_beginExecution", status, errorCode, why);
}

bool Component::prepare(std::string& why, bool endless) {
  return create(why) && configure(why) && readDataModel(why) && begin(why, endless);
}

bool Component::readRecord(Record& record, QXStatus& status, std::string& why) {
  ExtensionWrapper& wrapper = probe_.wrapper();
  int errorCode = 0;
  record.clear();
  status = probe_.call("qx_component_nextRecord",
                       [&] { return wrapper.qx_component_nextRecord(handle_, &errorCode); });
  if (status != QX_OK) return true;
  for (size_t field = 0; field < fields_.size(); ++field) {
    void* value = nullptr;
    size_t length = 0;
    QXStatus valueStatus = probe_.call("qx_component_getRecordValue", [&] {
      return wrapper.qx_component_getRecordValue(handle_, field, &value, &length, &errorCode);
    });
    if (valueStatus != QX_OK) {
      why = probe_.describe("qx_component_getRecordValue", valueStatus, errorCode, handle_) +
            " for field " + std::to_string(field) + " (" + fields_[field].name + ")";
      return false;
    }
    if (value == nullptr)
      record.emplace_back(std::nullopt);
    else
      record.emplace_back(std::string(static_cast<const char*>(value), length));
  }
  return true;
}

bool Component::readAll(std::vector<Record>& records, std::string& why, bool bulk) {
  records.clear();
  ExtensionWrapper& wrapper = probe_.wrapper();
  if (!bulk) {
    for (;;) {
      Record record;
      QXStatus status = QX_OK;
      if (!readRecord(record, status, why)) return false;
      if (status == QX_ERR_NO_DATA) return true;
      if (status != QX_OK) {
        why = probe_.describe("qx_component_nextRecord", status, 0, handle_) + " after " +
              std::to_string(records.size()) + " records";
        return false;
      }
      records.push_back(std::move(record));
    }
  }
  const size_t capacity = std::max<size_t>(2000, fields_.size());
  std::vector<void*> values(capacity);
  std::vector<size_t> lengths(capacity);
  for (;;) {
    size_t fieldCount = fields_.size(), recordCount = 0;
    int errorCode = 0;
    QXStatus status = probe_.call("qx_component_bulkFetch", [&] {
      return wrapper.qx_component_bulkFetch(handle_, capacity, values.data(), lengths.data(),
                                            &fieldCount, &recordCount, &errorCode);
    });
    if (status == QX_ERR_NO_DATA || (status == QX_OK && recordCount == 0)) return true;
    if (status != QX_OK) {
      why = probe_.describe("qx_component_bulkFetch", status, errorCode, handle_) + " after " +
            std::to_string(records.size()) + " records";
      return false;
    }
    if (fieldCount != fields_.size() || fieldCount * recordCount > capacity) {
      why = "qx_component_bulkFetch delivered " + std::to_string(recordCount) + " records of " +
            std::to_string(fieldCount) + " values into room for " + std::to_string(capacity) +
            " values; the data model has " + std::to_string(fields_.size()) + " fields";
      return false;
    }
    for (size_t r = 0; r < recordCount; ++r) {
      Record record;
      for (size_t f = 0; f < fieldCount; ++f) {
        const size_t i = r * fieldCount + f;
        if (values[i] == nullptr)
          record.emplace_back(std::nullopt);
        else
          record.emplace_back(std::string(static_cast<const char*>(values[i]), lengths[i]));
      }
      records.push_back(std::move(record));
    }
    // Values copied by the library's emulation are the caller's to free.
    if (!wrapper.useBulkFetch())
      for (size_t i = 0; i < fieldCount * recordCount; ++i) std::free(values[i]);
  }
}

bool Component::end(std::string& why) {
  if (!executing_) return true;
  executing_ = false;
  int errorCode = 0;
  QXStatus status = probe_.call("qx_component_endExecution", [&] {
    return probe_.wrapper().qx_component_endExecution(handle_, &errorCode);
  });
  return ok("qx_component_endExecution", status, errorCode, why);
}

bool Component::destroy(std::string& why) {
  if (handle_ == nullptr) return true;
  int errorCode = 0;
  void* handle = handle_;
  handle_ = nullptr;
  QXStatus status = probe_.call("qx_destroy_component", [&] {
    return probe_.wrapper().qx_destroy_component(handle, &errorCode);
  });
  return ok("qx_destroy_component", status, errorCode, why);
}

} // namespace quex::check
