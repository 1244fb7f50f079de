#include "remote_values.h"

#include "value_copy.h"
#include "value_encoding.h"

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

size_t RemoteValueArray::decode(const unsigned char* bytes, size_t available, uint64_t count) {
  message_.reset();
  // Every value takes at least its null flag, so the count is bounded by the
  // bytes available before anything is allocated; and every value is kept in
  // no more bytes than it takes in the message (its NUL in place of its
  // length), so a block of `available` bytes holds them all.
  if (count > available) return malformed();
  if (available > blockSize_ || block_ == nullptr) {
    block_.reset(new char[available + 1]); // written before it is read
    blockSize_ = available;
  }
  return decodeInto(block_.get(), bytes, available, count);
}

size_t RemoteValueArray::decodeInPlace(std::shared_ptr<unsigned char[]> message, size_t offset,
                                       size_t available, uint64_t count) {
  message_.reset();
  if (count > available) return malformed();
  unsigned char* const from = message.get() + offset;
  resize(count);
  char** pointers = pointers_.data();
  size_t* lengths = lengths_.data();
  unsigned char* nulls = nulls_.data();
  unsigned char* at = from;
  const unsigned char* const end = from + available;
  // Where the last value read ends, if it needs its NUL there: the first byte
  // of the next header, written only once that header is read.
  unsigned char* pendingEnd = nullptr;
  for (uint64_t i = 0; i < count; ++i) {
    bool null = false;
    uint64_t length = 0;
    const unsigned char* bytes = protocol::decodeValueHeader(at, end, null, length);
    if (bytes == nullptr) return malformed();
    if (pendingEnd != nullptr) *pendingEnd = '\0';
    unsigned char* const value = at + (bytes - at); // the same byte, writable
    at = value + length;
    pendingEnd = null ? nullptr : at;
    pointers[i] = null ? nullptr : reinterpret_cast<char*>(value);
    lengths[i] = length;
    nulls[i] = null ? 1 : 0;
  }
  // What follows the last value is not a value's header: it moves back over
  // the last byte of its length, and its NUL ends where its bytes did.
  if (pendingEnd != nullptr) {
    char* const last = pointers[count - 1];
    moveValueBytes(last - 1, last, lengths[count - 1]);
    pointers[count - 1] = last - 1;
    pendingEnd[-1] = '\0';
  }
  message_ = std::move(message);
  return static_cast<size_t>(at - from);
}

void RemoteValueArray::release() noexcept {
  count_ = 0;
  message_.reset();
}

size_t RemoteValueArray::decodeInto(char* to, const unsigned char* from, size_t available,
                                    uint64_t count) {
  resize(count);
  // Raw pointers: the compiler cannot keep the vectors' data in registers
  // across the byte stores below.
  char* block = to;
  char** pointers = pointers_.data();
  size_t* lengths = lengths_.data();
  unsigned char* nulls = nulls_.data();
  const unsigned char* at = from;
  const unsigned char* const end = from + available;
  for (uint64_t i = 0; i < count; ++i) {
    bool null = false;
    uint64_t length = 0;
    at = protocol::decodeValueHeader(at, end, null, length);
    if (at == nullptr) return malformed();
    copyValueBytes(block, at, length);
    at += length;
    block[length] = '\0';
    pointers[i] = null ? nullptr : block;
    lengths[i] = length;
    nulls[i] = null ? 1 : 0;
    block += length + 1;
  }
  return static_cast<size_t>(at - from);
}

size_t RemoteValueArray::malformed() {
  resize(0);
  return kMalformed;
}

} // namespace Remote
