#include "remote_call.h"

#include "value_encoding.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Remote {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "numbers are encoded little-endian by copying them as they are");

namespace {

// Storage that is written before it is read: no zero fill, so the pages of a
// large message are touched only as its bytes arrive.
std::shared_ptr<unsigned char[]> uninitialised(size_t capacity) {
  return std::shared_ptr<unsigned char[]>(new unsigned char[capacity]);
}

} // namespace

RemoteCall::RemoteCall() : buffer_(uninitialised(kInitialCapacity)) {}

void RemoteCall::ownBuffer(size_t capacity, size_t keep) {
  const bool lent = buffer_.use_count() > 1;
  if (!lent && capacity <= capacity_) return;
  // A value array keeps a lent buffer as long as it needs it; one that is
  // not kept goes before its successor is made.
  if (keep == 0) {
    buffer_.reset();
    capacity_ = 0;
  }
  const size_t wanted = std::max(capacity, kInitialCapacity);
  auto fresh = uninitialised(wanted);
  if (keep > 0) std::memcpy(fresh.get(), buffer_.get(), keep);
  buffer_ = std::move(fresh);
  capacity_ = wanted;
}

void RemoteCall::startMessage(size_t length) noexcept {
  content_ = length;
  readPosition_ = 0;
  writePosition_ = 0;
  written_ = 0;
  ok_ = true;
}

void RemoteCall::dataReceived(const void* data, size_t length) {
  ownBuffer(length, 0);
  if (length > 0) std::memcpy(buffer_.get(), data, length);
  startMessage(length);
}

unsigned char* RemoteCall::assemblyArea(size_t length) {
  startMessage(0); // nothing reads until the whole message is in
  ownBuffer(length, 0);
  return buffer_.get();
}

void RemoteCall::messageAssembled(size_t length) { startMessage(length); }

void RemoteCall::reset() noexcept {
  written_ = 0;
  content_ = 0;
  readPosition_ = 0;
  writePosition_ = 0;
  ok_ = true;
}

void RemoteCall::beginCall(const char* name) {
  reset();
  putText(name);
}

const void* RemoteCall::data(size_t& length) const noexcept {
  length = written_;
  return buffer_.get();
}

bool RemoteCall::readName(std::string& name) {
  readPosition_ = 0;
  writePosition_ = 0;
  ok_ = true;
  return getText(name);
}

void RemoteCall::ensureRoom(size_t count) {
  const bool lent = buffer_.use_count() > 1;
  if (!lent && count <= capacity_ - writePosition_) return;
  if (count > SIZE_MAX / 2 - writePosition_) throw std::bad_alloc();
  const size_t needed = writePosition_ + count;
  // In place of a lent buffer, one as large as this message needs.
  ownBuffer(lent ? needed : std::max(needed, capacity_ * 2), std::max(writePosition_, content_));
}

void RemoteCall::write(const void* bytes, size_t count) {
  ensureRoom(count);
  if (count > 0) std::memcpy(buffer_.get() + writePosition_, bytes, count);
  writePosition_ += count;
  written_ = writePosition_;
  content_ = written_;
}

void RemoteCall::putBool(bool value) {
  const unsigned char byte = value ? 1 : 0;
  write(&byte, 1);
}

void RemoteCall::putInt(int32_t value) { write(&value, sizeof value); }

void RemoteCall::putInt(const int* value) { putInt(static_cast<int32_t>(*value)); }

void RemoteCall::putSize(uint64_t value) { write(&value, sizeof value); }

void RemoteCall::putText(const char* text) {
  const size_t length = text != nullptr ? std::strlen(text) : 0;
  putSize(length);
  write(text, length);
}

void RemoteCall::putText(const std::string& text) {
  const size_t length = ::strnlen(text.data(), text.size());
  putSize(length);
  write(text.data(), length);
}

void RemoteCall::putBuffer(const RemoteBuffer& buffer) {
  if (buffer.role() == Role::Caller) {
    putSize(buffer.capacity());
    return;
  }
  // A served operation that claims success must also have fitted its result.
  const bool filled = buffer.filled() && buffer.needed() <= buffer.capacity();
  putSize(buffer.needed());
  putInt(filled ? 1 : 0);
  if (filled && buffer.needed() > 0)
    write(buffer.data(), buffer.needed());
}

void RemoteCall::putEncodedValue(const void* data, size_t length) {
  const size_t size = protocol::encodedValueSize(data, length);
  ensureRoom(size);
  protocol::encodeValue(buffer_.get() + writePosition_, data, length);
  writePosition_ += size;
  written_ = writePosition_;
  content_ = written_;
}

void RemoteCall::putValue(const RemoteValue& value) {
  if (value.role() == Role::Caller) return;
  putEncodedValue(value.data(), value.length());
}

void RemoteCall::putValues(const RemoteValueArray& values) {
  if (values.role() == Role::Caller) return;
  putSize(values.count());
  for (size_t i = 0; i < values.count(); ++i)
    putEncodedValue(values.isNull(i) ? nullptr : values.data(i), values.length(i));
}

void RemoteCall::putValues(void* const* values, const size_t* lengths, size_t count) {
  putSize(count);
  size_t size = 0;
  for (size_t i = 0; i < count; ++i)
    size += protocol::encodedValueSize(values[i], values[i] != nullptr ? lengths[i] : 0);
  ensureRoom(size); // once for the batch
  unsigned char* at = buffer_.get() + writePosition_;
  for (size_t i = 0; i < count; ++i) {
    const size_t length = values[i] != nullptr ? lengths[i] : 0;
    protocol::encodeValue(at, values[i], length);
    at += protocol::encodedValueSize(values[i], length);
  }
  writePosition_ += size;
  written_ = writePosition_;
  content_ = written_;
}

void RemoteCall::putMessage(const RemoteCall& message) {
  size_t length = 0;
  const void* bytes = message.data(length);
  putSize(length);
  write(bytes, length);
}

bool RemoteCall::getMessage(RemoteCall& message) {
  uint64_t length = 0;
  if (!getSize(length)) return false;
  const unsigned char* at = take(length);
  if (at == nullptr) return false;
  message.dataReceived(at, length);
  return true;
}

bool RemoteCall::fail() noexcept {
  ok_ = false;
  return false;
}

bool RemoteCall::getText(std::string& text) {
  text.clear();
  uint64_t length = 0;
  if (!getSize(length)) return false;
  const unsigned char* at = take(length);
  if (at == nullptr) return false;
  const auto* chars = reinterpret_cast<const char*>(at);
  text.assign(chars, ::strnlen(chars, length));
  return true;
}

bool RemoteCall::getBuffer(RemoteBuffer& buffer) {
  if (buffer.role() == Role::Serving) {
    uint64_t capacity = 0;
    if (!getSize(capacity)) return false;
    if (capacity > kMaxServedBufferCapacity) return fail();
    buffer.allocate(capacity);
    return true;
  }
  uint64_t needed = 0;
  int32_t filled = 0;
  if (!getSize(needed) || !getInt(filled)) return false;
  if (needed > kMaxServedBufferCapacity) return fail(); // no reply could carry it
  const unsigned char* at = nullptr;
  if (filled != 0 && needed > 0) {
    at = take(needed);
    if (at == nullptr) return false;
  }
  buffer.setNeeded(needed);
  buffer.setFilled(filled != 0);
  if (at != nullptr && buffer.data() != nullptr)
    std::memcpy(buffer.data(), at, std::min<uint64_t>(needed, buffer.capacity()));
  return true;
}

bool RemoteCall::getValue(RemoteValue& value) {
  if (value.role() == Role::Serving) return ok_;
  value.setNull();
  bool null = false;
  if (!getBool(null)) return false;
  if (null) return true;
  uint64_t length = 0;
  if (!getSize(length)) return false;
  const unsigned char* at = take(length);
  if (at == nullptr) return false;
  value.set(at, length);
  return true;
}

bool RemoteCall::getValues(RemoteValueArray& values) {
  if (values.role() == Role::Serving) return ok_;
  uint64_t count = 0;
  if (!getSize(count)) return false;
  const size_t used = values.decodeInPlace(buffer_, readPosition_, remaining(), count);
  if (used == RemoteValueArray::kMalformed) return fail();
  readPosition_ += used;
  return true;
}

} // namespace Remote
