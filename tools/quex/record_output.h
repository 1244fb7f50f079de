// Writes the component's output records as CSV (header row first) and, when
// standard error is a terminal that the records do not go to, keeps a live
// line of counts and rate there.
#ifndef QUEX_TOOLS_QUEX_RECORD_OUTPUT_H
#define QUEX_TOOLS_QUEX_RECORD_OUTPUT_H

#include "csv.h"
#include "csv_table.h"

#include <quex/quex.hpp>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace quex::tool {

class RecordOutput {
public:
  RecordOutput(std::ostream& out, bool toStandardOutput, std::vector<csv::Column> columns);

  size_t fieldCount() const { return columns_.size(); }
  size_t recordsWritten() const { return records_; }

  // The current record of the component, value by value. False (reported on
  // `err`) when a value cannot be read or has the wrong size for its storage.
  bool writeRecord(ExtensionWrapper& wrapper, void* component, std::ostream& err);
  // `recordCount` records of `fieldCount` values each, as a bulk fetch returns them.
  bool writeBatch(void* const* values, const size_t* lengths, size_t fieldCount,
                  size_t recordCount, size_t capacity, std::ostream& err);

  void showProgress(size_t recordsRead);
  void endProgress();
  void flush();

private:
  bool writeValue(size_t field, const void* value, size_t length, std::ostream& err);

  std::ostream& out_;
  std::vector<csv::Column> columns_;
  csv::Writer writer_;
  std::string text_; // reused for every value
  size_t records_ = 0;
  bool live_ = false;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_, lastShown_;
};

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_RECORD_OUTPUT_H
