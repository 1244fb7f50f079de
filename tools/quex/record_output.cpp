#include "record_output.h"

#include "terminal.h"

#include <cstdio>

namespace quex::tool {

RecordOutput::RecordOutput(std::ostream& out, bool toStandardOutput,
                           std::vector<csv::Column> columns)
    : out_(out), columns_(std::move(columns)), writer_(out),
      live_(standardErrorIsTerminal() &&
            !(toStandardOutput && standardOutputIsTerminal())),
      start_(std::chrono::steady_clock::now()), lastShown_(start_) {
  for (const csv::Column& column : columns_) writer_.field(column.name);
  writer_.endRecord();
}

bool RecordOutput::writeValue(size_t field, const void* value, size_t length, std::ostream& err) {
  if (value == nullptr) {
    writer_.nullField();
    return true;
  }
  text_.clear();
  if (!values::appendText(columns_[field].storage, value, length, text_)) {
    err << "quex: output record " << records_ + 1 << ": field " << columns_[field].name << " ("
        << values::storageWord(columns_[field].storage) << ") has a value of " << length
        << " bytes; integer and real values have 8\n";
    return false;
  }
  writer_.field(text_);
  return true;
}

bool RecordOutput::writeRecord(ExtensionWrapper& wrapper, void* component, std::ostream& err) {
  for (size_t field = 0; field < columns_.size(); ++field) {
    void* value = nullptr;
    size_t length = 0;
    int errorCode = 0;
    QXStatus status =
        wrapper.qx_component_getRecordValue(component, field, &value, &length, &errorCode);
    if (status != QX_OK) {
      err << "quex: qx_component_getRecordValue failed for field " << columns_[field].name
          << ": " << ExtensionWrapper::QXStatus2String(status) << " (" << status
          << "), error code " << errorCode << "\n";
      return false;
    }
    if (!writeValue(field, value, length, err)) return false;
  }
  writer_.endRecord();
  ++records_;
  return true;
}

bool RecordOutput::writeBatch(void* const* values, const size_t* lengths, size_t fieldCount,
                              size_t recordCount, size_t capacity, std::ostream& err) {
  if (fieldCount != columns_.size() || recordCount > capacity / fieldCount) {
    err << "quex: qx_component_bulkFetch returned " << recordCount << " records of "
        << fieldCount << " fields; the data model has " << columns_.size()
        << " fields and the capacity was " << capacity << " values\n";
    return false;
  }
  for (size_t record = 0; record < recordCount; ++record) {
    for (size_t field = 0; field < fieldCount; ++field) {
      size_t at = record * fieldCount + field;
      if (!writeValue(field, values[at], lengths[at], err)) return false;
    }
    writer_.endRecord();
    ++records_;
  }
  return true;
}

void RecordOutput::showProgress(size_t recordsRead) {
  if (!live_) return;
  auto now = std::chrono::steady_clock::now();
  if (now - lastShown_ < std::chrono::milliseconds(200)) return;
  lastShown_ = now;
  double seconds = std::chrono::duration<double>(now - start_).count();
  std::fprintf(stderr, "\rread %zu  written %zu  %.0f records/s ", recordsRead, records_,
               seconds > 0 ? static_cast<double>(records_) / seconds : 0.0);
  std::fflush(stderr);
  shown_ = true;
}

void RecordOutput::endProgress() {
  if (shown_) std::fprintf(stderr, "\r\033[K");
  shown_ = false;
}

void RecordOutput::flush() {
  endProgress();
  out_.flush();
}

} // namespace quex::tool
