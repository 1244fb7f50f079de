#include "csv_table.h"

#include <cstring>

namespace quex::csv {

std::unique_ptr<Table> Table::open(const std::string& path, std::string& error) {
  std::unique_ptr<Table> table(new Table);
  table->path_ = path;
  table->file_.open(path, std::ios::binary);
  if (!table->file_) {
    error = "cannot open " + path + " for reading";
    return nullptr;
  }
  table->reader_ = std::make_unique<Reader>(table->file_);
  if (!table->readHeader(error)) return nullptr;
  return table;
}

bool Table::readHeader(std::string& error) {
  // A byte-order mark is not part of the first column's name.
  if (file_.peek() == 0xEF) {
    char mark[3] = {};
    file_.read(mark, 3);
    if (std::memcmp(mark, "\xEF\xBB\xBF", 3) != 0) file_.seekg(0);
  }
  Reader::Result result = reader_->next(fields_);
  if (result == Reader::Result::End) {
    error = path_ + ": the file is empty; a header row is needed";
    return false;
  }
  if (result == Reader::Result::Malformed) {
    error = path_ + " line " + std::to_string(reader_->recordLine()) + ": " + reader_->error();
    return false;
  }
  columns_.clear();
  for (const Field& field : fields_) {
    if (field.text.empty()) {
      error = path_ + ": the header row has an empty column name";
      return false;
    }
    columns_.push_back({field.text, values::Storage::String});
  }
  encoded_.resize(columns_.size());
  lengths_.resize(columns_.size());
  numbers_.resize(columns_.size() * values::kNumberSize);
  return true;
}

void Table::rewind() {
  file_.clear();
  file_.seekg(0);
  reader_ = std::make_unique<Reader>(file_);
  std::string ignored;
  std::vector<Column> kept = columns_;
  readHeader(ignored);
  columns_ = std::move(kept);
}

bool Table::inferStorages(std::string& error, bool skipMalformed) {
  std::vector<values::Storage> storages(columns_.size(), values::Storage::Integer);
  std::vector<bool> seen(columns_.size(), false);
  for (Column& column : columns_) column.storage = values::Storage::String;
  for (;;) {
    Result result = next(); // as strings every well-formed record encodes
    if (result == Result::End) break;
    if (result == Result::Malformed && skipMalformed) continue;
    if (result == Result::Malformed) {
      error = path_ + " line " + std::to_string(recordLine()) + ": " + error_;
      return false;
    }
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (fields_[i].null) continue;
      seen[i] = true;
      storages[i] = values::widen(storages[i], fields_[i].text);
    }
  }
  for (size_t i = 0; i < columns_.size(); ++i)
    columns_[i].storage = seen[i] ? storages[i] : values::Storage::String;
  rewind();
  return true;
}

Table::Result Table::next() {
  for (;;) {
    Reader::Result result = reader_->next(fields_);
    if (result == Reader::Result::End) return Result::End;
    if (result == Reader::Result::Malformed) {
      error_ = reader_->error();
      return Result::Malformed;
    }
    if (fields_.size() == 1 && fields_[0].null && columns_.size() > 1) continue; // blank line
    if (fields_.size() != columns_.size()) {
      error_ = std::to_string(fields_.size()) + " fields where the header has " +
               std::to_string(columns_.size());
      return Result::Malformed;
    }
    return encode() ? Result::Record : Result::Malformed;
  }
}

bool Table::encode() {
  for (size_t i = 0; i < columns_.size(); ++i) {
    const Field& field = fields_[i];
    if (field.null) {
      lengths_[i] = 0;
      continue;
    }
    unsigned char* number = &numbers_[i * values::kNumberSize];
    switch (columns_[i].storage) {
    case values::Storage::Integer:
      if (auto parsed = values::parseInteger(field.text)) {
        values::encodeInteger(*parsed, number);
        break;
      }
      error_ = "value '" + field.text + "' of field " + columns_[i].name + " is not an integer";
      return false;
    case values::Storage::Real:
      if (auto parsed = values::parseReal(field.text)) {
        values::encodeReal(*parsed, number);
        break;
      }
      error_ = "value '" + field.text + "' of field " + columns_[i].name + " is not a real";
      return false;
    default:
      encoded_[i] = field.text.data();
      lengths_[i] = field.text.size();
      continue;
    }
    encoded_[i] = number;
    lengths_[i] = values::kNumberSize;
  }
  return true;
}

void RecordBatch::clear() {
  bytes_.clear();
  offsets_.clear();
  lengths_.clear();
  nulls_.clear();
}

void RecordBatch::add(const Table& table) {
  for (size_t i = 0; i < table.columns().size(); ++i) {
    const void* value = table.value(i);
    offsets_.push_back(bytes_.size());
    lengths_.push_back(table.length(i));
    nulls_.push_back(value == nullptr);
    if (value != nullptr) bytes_.append(static_cast<const char*>(value), table.length(i));
  }
}

void RecordBatch::exportTo(void** values, size_t* lengths) {
  for (size_t i = 0; i < lengths_.size(); ++i) {
    values[i] = nulls_[i] ? nullptr : bytes_.data() + offsets_[i];
    lengths[i] = lengths_[i];
  }
}

} // namespace quex::csv
