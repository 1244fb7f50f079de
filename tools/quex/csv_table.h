// A CSV file with a header row read as typed records: each column has a name
// and a storage, each value is encoded as the record-value conventions say.
#ifndef QUEX_TOOLS_QUEX_CSV_TABLE_H
#define QUEX_TOOLS_QUEX_CSV_TABLE_H

#include "csv.h"
#include "record_values.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace quex::csv {

struct Column {
  std::string name;
  values::Storage storage = values::Storage::String;
};

class Table {
public:
  enum class Result { Record, End, Malformed };

  // Opens `path` and reads its header; every column starts as a string. On
  // failure returns null and says why in `error`.
  static std::unique_ptr<Table> open(const std::string& path, std::string& error);

  const std::vector<Column>& columns() const { return columns_; }
  std::vector<Column>& columns() { return columns_; }

  // Reads the rest of the file once and gives every column the narrowest
  // storage that holds all its values (integer, then real, then string; a
  // column of nulls only is a string). Stops at, and reports, the first
  // malformed record unless `skipMalformed`. Leaves the table at its first record.
  bool inferStorages(std::string& error, bool skipMalformed = false);

  // Reads and encodes the next record. Malformed: a quoting error, a wrong
  // field count or a value that does not fit its column's storage; error()
  // says which, on line recordLine(), and the next call goes on after it.
  // Blank lines are skipped when there is more than one column.
  Result next();
  size_t recordLine() const { return reader_->recordLine(); }
  const std::string& error() const { return error_; }

  // The current record's value `index` (< columns().size()): null for a null value.
  const void* value(size_t index) const {
    return fields_[index].null ? nullptr : encoded_[index];
  }
  size_t length(size_t index) const { return lengths_[index]; }

  // Goes back to the first record after the header.
  void rewind();

private:
  Table() = default;
  bool readHeader(std::string& error);
  bool encode();

  std::string path_;
  std::ifstream file_;
  std::unique_ptr<Reader> reader_;
  std::vector<Column> columns_;
  std::vector<Field> fields_;
  std::vector<const void*> encoded_;
  std::vector<size_t> lengths_;
  std::vector<unsigned char> numbers_; // 8 bytes per column
  std::string error_;
};

// Values of several records kept together for a bulk fetch: record by record,
// field by field. The bytes stay valid until the next clear().
class RecordBatch {
public:
  void clear();
  void add(const Table& table);
  size_t valueCount() const { return lengths_.size(); }
  // Fills the first valueCount() entries of the two arrays.
  void exportTo(void** values, size_t* lengths);

private:
  std::string bytes_;
  std::vector<size_t> offsets_;
  std::vector<size_t> lengths_;
  std::vector<bool> nulls_;
};

} // namespace quex::csv

#endif // QUEX_TOOLS_QUEX_CSV_TABLE_H
