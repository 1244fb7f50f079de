// The reply to a bulk fetch of `count` one-value records, made a chunk at a
// time so that a child can send hundreds of megabytes without holding them:
// "return", status 0, the echoed capacity, the values, one field per record,
// `count` records and error code 0. The values share the bytes left after
// the fixed parts so that the whole message is `total` bytes long; value i is
// filled with the letter 'a' + i % 26.
#ifndef QUEX_TESTS_REMOTE_CHILD_MADE_VALUES_REPLY_H
#define QUEX_TESTS_REMOTE_CHILD_MADE_VALUES_REPLY_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class MadeValuesReply {
public:
  static constexpr uint64_t kValueHeader = 1 + sizeof(uint64_t);

  // False when `total` cannot hold `count` values after the fixed parts.
  bool begin(uint64_t count, uint64_t total) {
    head_.clear();
    tail_.clear();
    putText(head_, "return");
    put(head_, int32_t{0});
    put(head_, count);
    put(head_, count);
    put(tail_, uint64_t{1});
    put(tail_, count);
    put(tail_, int32_t{0});
    const uint64_t fixed = head_.size() + tail_.size() + count * kValueHeader;
    if (count == 0 || total < fixed) return false;
    count_ = count;
    total_ = total;
    length_ = (total - fixed) / count;
    lastLength_ = total - fixed - length_ * (count - 1);
    at_ = 0;
    return true;
  }
  uint64_t size() const { return total_; }
  uint64_t valueLength(uint64_t index) const {
    return index + 1 == count_ ? lastLength_ : length_;
  }

  // Writes the next `count` bytes of the message at `out`.
  void fill(unsigned char* out, size_t count) {
    while (count > 0) {
      const size_t made = next(out, count);
      out += made;
      count -= made;
      at_ += made;
    }
  }

private:
  template <typename Number>
  static void put(std::vector<unsigned char>& bytes, Number value) {
    const auto* raw = reinterpret_cast<const unsigned char*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
  }
  static void putText(std::vector<unsigned char>& bytes, const char* text) {
    put(bytes, static_cast<uint64_t>(std::strlen(text)));
    bytes.insert(bytes.end(), text, text + std::strlen(text));
  }

  // Makes at most `room` bytes from the current position; returns how many.
  size_t next(unsigned char* out, size_t room) {
    const uint64_t valuesEnd = total_ - tail_.size();
    if (at_ < head_.size()) return copy(out, room, head_, at_);
    if (at_ >= valuesEnd) return copy(out, room, tail_, at_ - valuesEnd);
    // Every value but the last has the same length, so its start is a product.
    const uint64_t offset = at_ - head_.size();
    const uint64_t stride = kValueHeader + length_;
    const uint64_t index = std::min(offset / stride, count_ - 1);
    const uint64_t within = offset - index * stride;
    if (within < kValueHeader) {
      std::vector<unsigned char> header{0};
      put(header, valueLength(index));
      return copy(out, room, header, within);
    }
    const uint64_t left = kValueHeader + valueLength(index) - within;
    const size_t made = static_cast<size_t>(std::min<uint64_t>(left, room));
    std::memset(out, 'a' + static_cast<int>(index % 26), made);
    return made;
  }
  static size_t copy(unsigned char* out, size_t room, const std::vector<unsigned char>& from,
                     uint64_t offset) {
    const size_t made = static_cast<size_t>(std::min<uint64_t>(from.size() - offset, room));
    std::memcpy(out, from.data() + offset, made);
    return made;
  }

  std::vector<unsigned char> head_;
  std::vector<unsigned char> tail_;
  uint64_t count_ = 0;
  uint64_t total_ = 0;
  uint64_t length_ = 0;
  uint64_t lastLength_ = 0;
  uint64_t at_ = 0;
};

#endif // QUEX_TESTS_REMOTE_CHILD_MADE_VALUES_REPLY_H
