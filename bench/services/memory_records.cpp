// The benchmark's host record source: fixed records, read round and round.
#include "memory_records.h"

#include <string>
#include <vector>

namespace {

class MemoryRecords : public QXIteratorWrapper {
public:
  explicit MemoryRecords(size_t fields) : QXIteratorWrapper(nullptr), fields_(fields) {
    for (size_t r = 0; r < 1000; ++r)
      for (size_t f = 0; f < fields_; ++f)
        values_.push_back("r" + std::to_string(r) + "f" + std::to_string(f));
  }
  QXStatus nextRecord(int* errorCode) override {
    *errorCode = 0;
    current_ = current_ + fields_ < values_.size() ? current_ + fields_ : 0;
    return QX_OK;
  }
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode) override {
    *errorCode = 0;
    const std::string& field = values_[current_ + index];
    *value = const_cast<char*>(field.data());
    *length = field.size();
    return QX_OK;
  }
  QXStatus rewind(int* errorCode) override {
    *errorCode = 0;
    current_ = 0;
    return QX_OK;
  }
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode) override {
    *errorCode = 0;
    size_t records = 0;
    for (size_t slot = 0; slot + fields_ <= capacity; slot += fields_, ++records) {
      nextRecord(errorCode);
      for (size_t f = 0; f < fields_; ++f)
        getRecordValue(f, &values[slot + f], &lengths[slot + f], errorCode);
    }
    *fieldCount = fields_;
    *recordCount = records;
    return QX_OK;
  }

private:
  const size_t fields_;
  std::vector<std::string> values_;
  size_t current_ = 0;
};

} // namespace

std::unique_ptr<QXIteratorWrapper> makeMemoryRecords(size_t fields) {
  return std::make_unique<MemoryRecords>(fields);
}
