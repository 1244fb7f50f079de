#include "host_services.h"

#include <filesystem>

namespace quex::tool {

std::string hostInformationDocument() {
  return "<HostInformation>"
         "<Host name=\"quex\" version=\"" QUEX_VERSION "\" platform=\"linux\" "
         "locale=\"C\" externalEncoding=\"UTF-8\"/>"
         "</HostInformation>";
}

HostServices::HostServices() : wrapper_(QXHostWrapper::createHostWrapper()) {
  wrapper_->setHostInformationXML(hostInformationDocument().c_str());
  table_ = QXHostFactory::create(wrapper_.get());
}

bool QuexContextSupport::expandFilePath(const std::string& path, unsigned int,
                                        std::string& expanded) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error || path.empty()) return false;
  expanded = absolute.lexically_normal().string();
  return true;
}

bool CsvInput::readRecord() {
  current_ = false;
  if (ended_ || table_ == nullptr || !failure_.empty()) return false;
  switch (table_->next()) {
  case csv::Table::Result::Record:
    ++recordsRead_;
    current_ = true;
    return true;
  case csv::Table::Result::Malformed:
    failure_ = "line " + std::to_string(table_->recordLine()) + ": " + table_->error();
    return false;
  case csv::Table::Result::End:
    return false;
  }
  return false;
}

QXStatus CsvInput::nextRecord(int* errorCode) {
  *errorCode = 0;
  if (readRecord()) return QX_OK;
  return failure_.empty() ? QX_ERR_NO_DATA : QX_ERR_CALLBACK;
}

QXStatus CsvInput::getRecordValue(size_t index, void** value, size_t* length, int* errorCode) {
  *errorCode = 0;
  if (!current_ || index >= table_->columns().size()) return QX_ERR_INVALID_OPERATION;
  *value = const_cast<void*>(table_->value(index)); // the module reads, never writes
  *length = table_->length(index);
  return QX_OK;
}

QXStatus CsvInput::rewind(int* errorCode) {
  *errorCode = 0;
  current_ = false;
  if (table_ != nullptr && failure_.empty()) table_->rewind();
  return QX_OK;
}

QXStatus CsvInput::bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                             size_t* recordCount, int* errorCode) {
  *errorCode = 0;
  *recordCount = 0;
  size_t fields = table_ == nullptr ? 0 : table_->columns().size();
  *fieldCount = fields;
  if (fields == 0 || capacity < fields) return QX_ERR_NO_DATA;
  batch_.clear();
  while (batch_.valueCount() + fields <= capacity && readRecord()) {
    batch_.add(*table_);
    ++*recordCount;
  }
  // The records before a malformed one are handed on; the next fetch reports
  // the failure, as nextRecord would after them.
  if (*recordCount == 0) return failure_.empty() ? QX_ERR_NO_DATA : QX_ERR_CALLBACK;
  batch_.exportTo(values, lengths);
  return QX_OK;
}

void DiagnosticPrinter::reportDiagnostic(QXDiagnostic* diagnostic) {
  static const char* const kSeverities[] = {"fatal", "error", "warning", "information",
                                            "unknown"};
  unsigned severity = static_cast<unsigned>(diagnostic->getSeverity());
  err_ << kSeverities[severity < 5 ? severity : 4];
  std::string source = diagnostic->getSource();
  if (!source.empty()) err_ << " " << source;
  err_ << " " << diagnostic->getCode() << ": " << diagnostic->getOutputText() << "\n";
  err_.flush();
}

QXStatus MessagePrinter::send(const char* text, size_t length, int* errorCode) {
  *errorCode = 0;
  err_ << "message: ";
  err_.write(text, static_cast<std::streamsize>(length));
  err_ << "\n";
  return QX_OK;
}

} // namespace quex::tool
