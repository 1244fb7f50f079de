// One message buffer: a remote call or reply being written, or the last
// message received on its connector being read. Reads never trust a count:
// every get* checks the bytes left first, and the first violation marks the
// whole message malformed (sticky until the next message).
//
// A received message is held once: the connector assembles it straight into
// this buffer, and getValues() decodes record values where they lie and lends
// the buffer to the value array. While the array holds it, the next message
// written or received goes to a buffer of its own.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_REMOTE_CALL_H
#define QUEX_SRC_REMOTE_PROTOCOL_REMOTE_CALL_H

#include "connector.h"
#include "remote_values.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace Remote {

class RemoteCall : public ConnectorListener {
public:
  static constexpr size_t kInitialCapacity = 100000;
  // The largest message either side accepts, and so the largest output
  // buffer a served call may ask for and the largest text a reply may say it
  // needs: a larger size is a broken peer, never an allocation.
  static constexpr uint64_t kMaxMessageSize = 256u << 20;
  static constexpr uint64_t kMaxServedBufferCapacity = kMaxMessageSize;

  RemoteCall();

  void dataReceived(const void* data, size_t length) override;
  unsigned char* assemblyArea(size_t length) override;
  void messageAssembled(size_t length) override;

  void beginCall(const char* name);
  void reset() noexcept;
  const void* data(size_t& length) const noexcept;
  size_t capacity() const noexcept { return capacity_; }
  // False once a read ran past the end or met an impossible count.
  bool ok() const noexcept { return ok_; }
  // Bytes of the received message not read yet.
  uint64_t remaining() const noexcept { return content_ - readPosition_; }
  // True when every byte of a well-read message has been read.
  bool atEnd() const noexcept { return ok_ && readPosition_ == content_; }
  // Reads the leading text from the start of the message.
  bool readName(std::string& name);

  void putBool(bool value);
  void putInt(int32_t value);
  void putInt(const int* value);
  void putSize(uint64_t value);
  void putText(const char* text);
  void putText(const std::string& text);
  void putBuffer(const RemoteBuffer& buffer);
  void putValue(const RemoteValue& value);
  void putValues(const RemoteValueArray& values);
  // The reply form of `count` values given as slots, as a module's bulk
  // fetch leaves them: a null pointer is a null value.
  void putValues(void* const* values, const size_t* lengths, size_t count);
  // One whole message inside this one: its length, then its bytes.
  void putMessage(const RemoteCall& message);

  // Each returns false (and leaves a zero or empty result) on a violation.
  bool getBool(bool& value) {
    value = false;
    const unsigned char* at = take(1);
    if (at == nullptr) return false;
    value = *at == 1;
    return true;
  }
  bool getInt(int32_t& value) { return getNumber(value); }
  bool getSize(uint64_t& value) { return getNumber(value); }
  bool getText(std::string& text);
  bool getBuffer(RemoteBuffer& buffer);
  bool getValue(RemoteValue& value);
  // Decodes the values in place: their bytes in this message are read once.
  bool getValues(RemoteValueArray& values);
  // Reads a message put with putMessage into `message`, as if received.
  bool getMessage(RemoteCall& message);

private:
  void write(const void* bytes, size_t count);
  void putEncodedValue(const void* data, size_t length);
  void ensureRoom(size_t count);
  // Makes sure the buffer is this object's alone and holds `capacity` bytes,
  // keeping the first `keep` bytes.
  void ownBuffer(size_t capacity, size_t keep);
  void startMessage(size_t length) noexcept;
  // Takes `count` bytes from the read position, or fails the message.
  const unsigned char* take(uint64_t count) {
    if (!ok_ || readPosition_ > content_ || count > remaining()) {
      fail();
      return nullptr;
    }
    const unsigned char* at = buffer_.get() + readPosition_;
    readPosition_ += count;
    return at;
  }
  template <typename Number>
  bool getNumber(Number& value) {
    value = 0;
    const unsigned char* at = take(sizeof value);
    if (at == nullptr) return false;
    std::memcpy(&value, at, sizeof value);
    return true;
  }

  bool fail() noexcept;

  // Shared only with a value array decoded from it (see getValues()).
  std::shared_ptr<unsigned char[]> buffer_;
  size_t capacity_ = kInitialCapacity;
  size_t written_ = 0;
  size_t content_ = 0; // bytes of the current message, received or written
  size_t readPosition_ = 0;
  size_t writePosition_ = 0;
  bool ok_ = true;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_PROTOCOL_REMOTE_CALL_H
