// The argument kinds of a remote call that carry data back: a caller's output
// buffer, one record value and an array of record values. Each exists in two
// roles: caller side (writes the call form, reads the reply form) and serving
// side (reads the call form, writes the reply form).
#ifndef QUEX_SRC_REMOTE_PROTOCOL_REMOTE_VALUES_H
#define QUEX_SRC_REMOTE_PROTOCOL_REMOTE_VALUES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Remote {

enum class Role { Caller, Serving };

class RemoteBuffer {
public:
  // Wraps the caller's storage; `needed` may be null (an internal slot is used).
  RemoteBuffer(char* data, size_t capacity, size_t* needed);
  // Serving side: storage is allocated when the call form is read.
  RemoteBuffer();

  Role role() const noexcept { return role_; }
  char* data() noexcept { return data_; }
  const char* data() const noexcept { return data_; }
  size_t capacity() const noexcept { return capacity_; }
  size_t needed() const noexcept { return *needed_; }
  void setNeeded(size_t needed) noexcept { *needed_ = needed; }
  bool filled() const noexcept { return filled_; }
  // Serving side: true exactly when the served operation returned QX_OK.
  void setFilled(bool filled) noexcept { filled_ = filled; }
  // Serving side: storage of `capacity` bytes for the served operation.
  void allocate(size_t capacity);

private:
  Role role_;
  char* data_ = nullptr;
  size_t capacity_ = 0;
  size_t ownNeeded_ = 0;
  size_t* needed_;
  bool filled_ = false;
  std::unique_ptr<char[]> owned_;
};

class RemoteValue {
public:
  explicit RemoteValue(Role role = Role::Caller) : role_(role) {}

  Role role() const noexcept { return role_; }
  bool isNull() const noexcept { return null_; }
  size_t length() const noexcept { return length_; }
  // The value followed by a NUL; null for a null value.
  const char* data() const noexcept { return null_ ? nullptr : storage_.data(); }
  void setNull() noexcept;
  // Copies `length` bytes in and keeps a NUL after them.
  void set(const void* data, size_t length);

private:
  Role role_;
  std::vector<char> storage_;
  size_t length_ = 0;
  bool null_ = true;
};

class RemoteValueArray {
public:
  explicit RemoteValueArray(Role role = Role::Caller) : role_(role) {}

  Role role() const noexcept { return role_; }
  size_t count() const noexcept { return count_; }
  size_t allocatedCount() const noexcept { return pointers_.size(); }
  // Keeps the entries' storage when `count` fits what is allocated.
  void resize(size_t count);
  // Records `length` for entry `index` and returns its own storage, at least
  // length + 1 zero-filled bytes when it had to grow.
  char* setLength(size_t index, size_t length);
  void setNull(size_t index, bool null) noexcept { nulls_[index] = null ? 1 : 0; }

  // Reads `count` values in their reply form from the `available` bytes at
  // `bytes` and returns how many bytes they took, or kMalformed (the array is
  // then empty) when they do not fit. A decoded null entry has no data and
  // length 0, so values() and lengths() can be handed on as they are.
  static constexpr size_t kMalformed = SIZE_MAX;
  size_t decode(const unsigned char* bytes, size_t available, uint64_t count);
  // The same for the values at `offset` in `message`, decoded where they lie:
  // each value stays where its bytes are, and its NUL goes over the first byte
  // of the next value's header once that header is read; the last value moves
  // back one byte over its own header for its NUL. The array keeps the message
  // until it decodes or lets go of the next. No byte outside the values' own
  // range is written.
  size_t decodeInPlace(std::shared_ptr<unsigned char[]> message, size_t offset, size_t available,
                       uint64_t count);
  // Lets go of the values and of the message they lie in.
  void release() noexcept;

  bool isNull(size_t index) const noexcept { return nulls_[index] != 0; }
  size_t length(size_t index) const noexcept { return lengths_[index]; }
  const char* data(size_t index) const noexcept { return pointers_[index]; }
  // The parallel arrays, for callers that hand them on as they are.
  char* const* values() const noexcept { return pointers_.data(); }
  const size_t* lengths() const noexcept { return lengths_.data(); }

private:
  size_t malformed();
  // Decodes from `from` into `to`, a block apart from it.
  size_t decodeInto(char* to, const unsigned char* from, size_t available, uint64_t count);

  Role role_;
  size_t count_ = 0;
  std::vector<char*> pointers_;
  std::vector<std::unique_ptr<char[]>> storage_;
  std::vector<size_t> lengths_;
  std::vector<size_t> sizes_;
  std::vector<unsigned char> nulls_;
  // Values decoded by copying live in one block kept between messages;
  // values decoded in place, in the message they came in.
  std::unique_ptr<char[]> block_;
  size_t blockSize_ = 0;
  std::shared_ptr<unsigned char[]> message_;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_PROTOCOL_REMOTE_VALUES_H
