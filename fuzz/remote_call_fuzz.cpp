// Decodes arbitrary bytes as a received message with every get* of
// RemoteCall, as the answer to a batch of input records, and as whole records
// a child read ahead of a bulk fetch, cut into answers. Input: one byte
// n, then n operation bytes, then the message.
// The buffer's bytes past the message are poisoned, so any read beyond the
// message's end is reported, not only reads beyond the allocation.
#include "remote/bulk_answers.h"
#include "remote/protocol/input_batch.h"
#include "remote/protocol/remote_call.h"

#include <quex/qx.h>

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

class PoisonedTail {
public:
  PoisonedTail(const Remote::RemoteCall& call, size_t messageLength) {
    size_t ignored = 0;
    start_ = static_cast<const char*>(call.data(ignored)) + messageLength;
    length_ = call.capacity() - messageLength;
    ASAN_POISON_MEMORY_REGION(start_, length_);
  }
  ~PoisonedTail() { ASAN_UNPOISON_MEMORY_REGION(start_, length_); }

private:
  const char* start_;
  size_t length_;
};

void runOperation(Remote::RemoteCall& call, uint8_t operation) {
  const size_t smallCapacity = operation >> 4; // 0 to 15 bytes of caller storage
  switch (operation % 14) {
  case 0: {
    bool value = false;
    call.getBool(value);
    break;
  }
  case 1: {
    int32_t value = 0;
    call.getInt(value);
    break;
  }
  case 2: {
    uint64_t value = 0;
    call.getSize(value);
    break;
  }
  case 3: {
    std::string text;
    call.getText(text);
    break;
  }
  case 4: {
    auto storage = std::make_unique<char[]>(smallCapacity);
    size_t needed = 0;
    Remote::RemoteBuffer buffer(storage.get(), smallCapacity, &needed);
    call.getBuffer(buffer);
    break;
  }
  case 5: {
    Remote::RemoteBuffer buffer(nullptr, 0, nullptr);
    call.getBuffer(buffer);
    break;
  }
  case 6: {
    Remote::RemoteBuffer served;
    if (call.getBuffer(served) && served.capacity() > 0) served.data()[served.capacity() - 1] = 0;
    break;
  }
  case 7: {
    Remote::RemoteValue value;
    if (call.getValue(value) && !value.isNull() && value.data()[value.length()] != '\0')
      __builtin_trap(); // a value is always followed by a NUL
    break;
  }
  case 8: {
    Remote::RemoteValue value(Remote::Role::Serving);
    call.getValue(value);
    break;
  }
  case 9: {
    // One array for every input, as a process keeps its batch: its block is
    // reused by messages of every size.
    static Remote::RemoteValueArray values;
    if (call.getValues(values)) {
      for (size_t i = 0; i < values.count(); ++i)
        if (!values.isNull(i) && values.data(i)[values.length(i)] != '\0') __builtin_trap();
    }
    break;
  }
  case 10: {
    Remote::RemoteValueArray values(Remote::Role::Serving);
    call.getValues(values);
    break;
  }
  case 11: {
    // The child's reading of a host's batch of input records: a batch it
    // accepts has exactly its counts' values, no more than it asked for.
    static Remote::RemoteValueArray values;
    Remote::protocol::InputBatchCounts counts;
    const uint64_t capacity = smallCapacity * 3;
    if (Remote::protocol::readInputBatch(call, capacity, values, counts) == nullptr &&
        Remote::protocol::checkInputBatch(QX_OK, counts, values) == nullptr) {
      if (values.count() > capacity || counts.fields * counts.records != values.count())
        __builtin_trap();
      for (size_t i = 0; i < values.count(); ++i)
        if (!values.isNull(i) && values.data(i)[values.length(i)] != '\0') __builtin_trap();
    }
    break;
  }
  case 12: {
    // The host's reading of a child's bulk fetch read ahead: whole records
    // it accepts are cut into answers for calls of other arguments, each
    // within the caller's `capacity` values.
    static Remote::RemoteValueArray values;
    uint64_t echoed = 0, width = 0, records = 0, whole = 0;
    if (!call.getSize(echoed) || !call.getValues(values) || !call.getSize(width) ||
        !call.getSize(records) || !call.getSize(whole) || whole == 0 ||
        !Remote::BulkAnswers::holdsWhole(width, records, values.count()))
      break;
    Remote::BulkAnswers answers;
    answers.store(width, records, true, QX_OK, 0);
    const Remote::BulkAnswers::Arguments arguments{smallCapacity + 1,
                                                   static_cast<uint64_t>(operation >> 6) + 1,
                                                   static_cast<uint64_t>(operation & 3)};
    std::vector<void*> out(arguments.capacity);
    std::vector<size_t> lengths(arguments.capacity);
    Remote::BulkAnswers::Answer answer;
    uint64_t handedOut = 0;
    while (answers.next(arguments, answer) && answer.records > 0) {
      if (answer.records * arguments.fieldCount > arguments.capacity) __builtin_trap();
      answers.cut(answer, arguments, values.values(), values.lengths(), out.data(),
                  lengths.data());
      handedOut += answer.records;
    }
    if (handedOut > records) __builtin_trap();
    break;
  }
  default: {
    std::string name;
    call.readName(name);
    break;
  }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t operations = std::min<size_t>(data[0], size - 1);
  const uint8_t* script = data + 1;
  const uint8_t* message = script + operations;
  const size_t length = size - 1 - operations;

  // One buffer for every input, as a connector's buffer lives on between
  // messages; receipt must reset all of its reading state.
  static Remote::RemoteCall call;
  call.dataReceived(message, length);
  PoisonedTail tail(call, length);
  std::string name;
  call.readName(name);
  for (size_t i = 0; i < operations; ++i) runOperation(call, script[i]);
  return 0;
}
