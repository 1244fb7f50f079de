#include "remote_values.h"

#include <cstring>

namespace Remote {

RemoteBuffer::RemoteBuffer(char* data, size_t capacity, size_t* needed)
    : role_(Role::Caller), data_(data), capacity_(capacity),
      needed_(needed != nullptr ? needed : &ownNeeded_) {}

RemoteBuffer::RemoteBuffer() : role_(Role::Serving), needed_(&ownNeeded_) {}

void RemoteBuffer::allocate(size_t capacity) {
  owned_ = capacity == 0 ? nullptr : std::make_unique<char[]>(capacity);
  data_ = owned_.get();
  capacity_ = capacity;
}

void RemoteValue::setNull() noexcept {
  null_ = true;
  length_ = 0;
}

void RemoteValue::set(const void* data, size_t length) {
  storage_.assign(length + 1, '\0');
  if (length > 0) std::memcpy(storage_.data(), data, length);
  length_ = length;
  null_ = false;
}

void RemoteValueArray::resize(size_t count) {
  if (count <= pointers_.size()) {
    count_ = count;
    return;
  }
  pointers_.assign(count, nullptr);
  storage_.clear();
  storage_.resize(count);
  lengths_.assign(count, 0);
  sizes_.assign(count, 0);
  nulls_.assign(count, 0);
  count_ = count;
}

char* RemoteValueArray::setLength(size_t index, size_t length) {
  lengths_[index] = length;
  if (length > sizes_[index] || storage_[index] == nullptr) {
    storage_[index] = std::make_unique<char[]>(length + 1); // zero-filled
    sizes_[index] = length;
  }
  pointers_[index] = storage_[index].get(); // it may have pointed into the block
  return pointers_[index];
}

char* RemoteValueArray::reserveBlock(size_t bytes) {
  if (bytes > blockSize_ || block_ == nullptr) {
    block_.reset(new char[bytes + 1]); // written before it is read
    blockSize_ = bytes;
  }
  return block_.get();
}

} // namespace Remote
