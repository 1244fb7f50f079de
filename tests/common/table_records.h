// An input iterator over a table of records held in memory, a null field
// being an empty optional: the host's record source of the scenario tests,
// with the bulk fetch a host may offer.
#ifndef QUEX_TESTS_COMMON_TABLE_RECORDS_H
#define QUEX_TESTS_COMMON_TABLE_RECORDS_H

#include <quex/quex.hpp>

#include <optional>
#include <string>
#include <vector>

using Record = std::vector<std::optional<std::string>>;

class TableRecords : public QXIteratorWrapper {
public:
  TableRecords(ExtensionWrapper* extension, std::vector<Record> records)
      : QXIteratorWrapper(extension), records_(std::move(records)) {}

  QXStatus nextRecord(int* errorCode) override {
    ++nextRecordCalls;
    *errorCode = 0;
    if (position_ >= records_.size()) return QX_ERR_NO_DATA;
    if (position_ + 1 == failAt) {
      failAt = 0;
      *errorCode = 31;
      return QX_ERR_MODULE_SPECIFIC;
    }
    ++position_;
    return QX_OK;
  }
  // A field beyond the record answers QX_ERR_NO_DATA with error code 99.
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode) override {
    if (position_ == 0 || index >= records_[position_ - 1].size()) {
      *errorCode = 99;
      return QX_ERR_NO_DATA;
    }
    *errorCode = 0;
    give(records_[position_ - 1][index], value, length);
    return QX_OK;
  }
  QXStatus rewind(int* errorCode) override {
    *errorCode = 0;
    position_ = 0;
    return QX_OK;
  }
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    ++bulkFetchCalls;
    *errorCode = 0;
    if (!bulkSupported) return QX_ERR_NOT_IMPLEMENTED;
    if (position_ >= records_.size()) return QX_ERR_NO_DATA;
    if (position_ + 1 == failAt) { // as nextRecord: the read of that record fails once
      failAt = 0;
      *errorCode = 31;
      return QX_ERR_MODULE_SPECIFIC;
    }
    const size_t fields = records_[0].size();
    size_t fetched = 0;
    for (; position_ < records_.size() && position_ + 1 != failAt &&
           (fetched + 1) * fields <= capacity;
         ++position_, ++fetched)
      for (size_t f = 0, at = fetched * fields; f < fields; ++f, ++at)
        give(records_[position_][f], &values[at], &lengths[at]);
    *fieldCount = fields;
    *recordCount = fetched;
    return QX_OK;
  }

  // The read of record `failAt` (1-based) fails once with status 1 and error
  // code 31; 0 for never.
  size_t failAt = 0;
  // A host iterator without a bulk fetch answers QX_ERR_NOT_IMPLEMENTED.
  bool bulkSupported = true;
  // How often the module's reads reached this iterator.
  size_t nextRecordCalls = 0;
  size_t bulkFetchCalls = 0;

private:
  static void give(const std::optional<std::string>& field, void** value, size_t* length) {
    *value = field ? const_cast<char*>(field->data()) : nullptr;
    *length = field ? field->size() : 0;
  }
  std::vector<Record> records_;
  size_t position_ = 0;
};

#endif // QUEX_TESTS_COMMON_TABLE_RECORDS_H
