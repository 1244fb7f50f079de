// The wire format of RemoteCall: every form written byte for byte, read back,
// and reads of short or lying messages failing cleanly.
#include "remote/protocol/remote_call.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Remote::RemoteBuffer;
using Remote::RemoteCall;
using Remote::RemoteValue;
using Remote::RemoteValueArray;
using Remote::Role;
using Bytes = std::vector<unsigned char>;

Bytes written(const RemoteCall& call) {
  size_t length = 0;
  const auto* data = static_cast<const unsigned char*>(call.data(length));
  return Bytes(data, data + length);
}

Bytes le64(uint64_t value) {
  Bytes bytes;
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
  return bytes;
}

Bytes text(const std::string& value) { return Bytes(value.begin(), value.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(RemoteCallEncoding, EveryFormIsWrittenByteForByte) {
  RemoteCall call;
  call.putText("abc");
  call.putText("");
  call.putText(std::string("ab\0cd", 5)); // cut at the NUL
  EXPECT_EQ(written(call), concat({le64(3), text("abc"), le64(0), le64(2), text("ab")}));

  const uint64_t key = 0x1122334455667788u;
  const int errorCode = 0;
  call.beginCall("NextRecord");
  call.putSize(key);
  call.putInt(&errorCode);
  EXPECT_EQ(written(call), concat({le64(10), text("NextRecord"), le64(key), Bytes(4, 0)}));

  call.beginCall("return");
  call.putInt(-2);
  call.putInt(7);
  EXPECT_EQ(written(call),
            concat({le64(6), text("return"), Bytes{0xFE, 0xFF, 0xFF, 0xFF}, Bytes{7, 0, 0, 0}}));

  // A buffer in a call is its capacity; a reply without data is its needed
  // size and a zero flag. The caller's values are not sent; served ones are.
  char storage[16];
  size_t needed = 0;
  RemoteBuffer served;
  served.allocate(4);
  served.setNeeded(9);
  served.setFilled(false);
  call.reset();
  call.putBuffer(RemoteBuffer(storage, sizeof storage, &needed));
  call.putBuffer(served);
  call.putValue(RemoteValue(Role::Caller));
  call.putValues(RemoteValueArray(Role::Caller));
  call.putValues(RemoteValueArray(Role::Serving));
  EXPECT_EQ(written(call), concat({le64(16), le64(9), Bytes{0, 0, 0, 0}, le64(0)}));
}

class ReceivedMessage : public ::testing::Test {
protected:
  void receive(const Bytes& bytes) { call.dataReceived(bytes.data(), bytes.size()); }
  void receive(const RemoteCall& writer) { receive(written(writer)); }
  RemoteCall call;
};

TEST_F(ReceivedMessage, EveryKind_ReadsBackWhatWasWritten) {
  RemoteCall writer;
  writer.beginCall("Echo");
  writer.putBool(true);
  writer.putInt(-123456);
  writer.putSize(UINT64_MAX);
  writer.putText("hello");
  RemoteValue value(Role::Serving);
  value.set("v\0w", 3);
  writer.putValue(value);
  receive(writer);

  std::string name, hello;
  bool flag = false;
  int32_t number = 0;
  uint64_t size = 0;
  RemoteValue back;
  ASSERT_TRUE(call.readName(name) && call.getBool(flag) && call.getInt(number) &&
              call.getSize(size) && call.getText(hello) && call.getValue(back));
  EXPECT_EQ(name, "Echo");
  EXPECT_TRUE(flag);
  EXPECT_EQ(number, -123456);
  EXPECT_EQ(size, UINT64_MAX);
  EXPECT_EQ(hello, "hello");
  ASSERT_FALSE(back.isNull());
  ASSERT_EQ(back.length(), 3u);
  EXPECT_EQ(std::memcmp(back.data(), "v\0w\0", 4), 0);
  EXPECT_TRUE(call.ok());
}

// Whole messages inside one, as the one-trip component start sends its
// three calls: each comes back as if received alone, NUL bytes and all.
TEST_F(ReceivedMessage, MessagesInsideAMessage_ArriveWhole) {
  RemoteCall inner, writer;
  writer.beginCall("Outer");
  inner.beginCall("First");
  inner.putSize(0);
  inner.putInt(7);
  writer.putMessage(inner);
  inner.beginCall("Second");
  inner.putText("x");
  writer.putMessage(inner);
  writer.putInt(9);
  receive(writer);

  RemoteCall first, second;
  std::string name;
  int32_t number = 0, after = 0;
  uint64_t key = 1;
  ASSERT_TRUE(call.readName(name) && call.getMessage(first) && call.getMessage(second) &&
              call.getInt(after));
  EXPECT_TRUE(call.atEnd());
  EXPECT_EQ(after, 9);
  ASSERT_TRUE(first.readName(name) && first.getSize(key) && first.getInt(number));
  EXPECT_EQ(name, "First");
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(number, 7);
  EXPECT_TRUE(first.atEnd());
  std::string text;
  ASSERT_TRUE(second.readName(name) && second.getText(text));
  EXPECT_EQ(name, "Second");
  EXPECT_EQ(text, "x");
  EXPECT_TRUE(second.atEnd());
}

TEST_F(ReceivedMessage, TextWithNulInside_IsReadUpToTheNul_BoolByteTwoIsFalse) {
  receive(concat({le64(5), text("ab"), Bytes{0}, text("cd"), Bytes{2}}));
  std::string value;
  ASSERT_TRUE(call.getText(value));
  EXPECT_EQ(value, "ab");
  bool flag = true;
  ASSERT_TRUE(call.getBool(flag)); // the read went past all five bytes
  EXPECT_FALSE(flag);
}

TEST_F(ReceivedMessage, BufferReply_SetsNeededAndCopiesNoMoreThanCapacity) {
  receive(concat({le64(6), Bytes{1, 0, 0, 0}, text("abcdef"), le64(3), Bytes{0, 0, 0, 0}}));
  char small[4] = {'-', '-', '-', '-'};
  size_t needed = 0;
  RemoteBuffer first(small, 3, &needed);
  ASSERT_TRUE(call.getBuffer(first));
  EXPECT_EQ(needed, 6u);
  EXPECT_EQ(std::string(small, 4), "abc-");

  RemoteBuffer unfilled(small, sizeof small, nullptr);
  ASSERT_TRUE(call.getBuffer(unfilled));
  EXPECT_EQ(unfilled.needed(), 3u);
  EXPECT_FALSE(unfilled.filled());
  EXPECT_TRUE(call.ok());
}

TEST_F(ReceivedMessage, ServedBufferAndValueArray_RoundTrip) {
  receive(le64(32));
  RemoteBuffer served;
  ASSERT_TRUE(call.getBuffer(served));
  ASSERT_EQ(served.capacity(), 32u);
  std::memcpy(served.data(), "result", 7);
  served.setNeeded(7);
  served.setFilled(true);
  RemoteValueArray servedValues(Role::Serving);
  servedValues.resize(3);
  std::memcpy(servedValues.setLength(0, 2), "hi", 2);
  servedValues.setNull(1, true);
  servedValues.setLength(1, 0);
  servedValues.setLength(2, 0);
  RemoteCall reply;
  reply.putBuffer(served);
  reply.putValues(servedValues);
  receive(reply);

  char storage[8] = {};
  size_t needed = 0;
  RemoteBuffer caller(storage, sizeof storage, &needed);
  ASSERT_TRUE(call.getBuffer(caller));
  EXPECT_EQ(needed, 7u);
  EXPECT_STREQ(storage, "result");
  RemoteValueArray values;
  ASSERT_TRUE(call.getValues(values));
  ASSERT_EQ(values.count(), 3u);
  EXPECT_STREQ(values.data(0), "hi");
  EXPECT_TRUE(values.isNull(1));
  EXPECT_EQ(values.data(1), nullptr); // handed on as it is by a bulk fetch
  EXPECT_FALSE(values.isNull(2));
  EXPECT_EQ(values.length(2), 0u);
  const char* first = values.data(0);
  values.resize(2); // fits what is allocated: the entries keep their storage
  EXPECT_EQ(values.data(0), first);
  EXPECT_EQ(values.allocatedCount(), 3u);
}

// Received arrays are decoded where their message lies: a second, wider
// message must not leave entries of the first behind, the bytes after the
// values still read, and an entry set by hand afterwards gets storage of its
// own.
TEST_F(ReceivedMessage, ValueArrays_ReuseTheirBlockAcrossMessages) {
  RemoteValueArray values;
  receive(concat({le64(2), Bytes{0}, le64(1), text("a"), Bytes{1}, le64(9)}));
  ASSERT_TRUE(call.getValues(values));
  uint64_t after = 0;
  ASSERT_TRUE(call.getSize(after));
  EXPECT_EQ(after, 9u);
  EXPECT_STREQ(values.data(0), "a");
  EXPECT_TRUE(values.isNull(1));

  const std::string wide(5000, 'w');
  receive(concat({le64(3), Bytes{1}, Bytes{0}, le64(wide.size()), text(wide), Bytes{0}, le64(2),
                  text("xy")}));
  ASSERT_TRUE(call.getValues(values));
  ASSERT_EQ(values.count(), 3u);
  EXPECT_TRUE(values.isNull(0));
  EXPECT_EQ(std::string(values.data(1)), wide);
  EXPECT_STREQ(values.data(2), "xy");
  EXPECT_EQ(values.length(2), 2u);

  std::memcpy(values.setLength(2, 3), "new", 3);
  EXPECT_STREQ(values.data(1), wide.c_str()); // the block was not written over

  // A value that claims more bytes than are left fails the whole array.
  receive(concat({le64(2), Bytes{0}, le64(1), text("a"), Bytes{0}, le64(4), text("ab")}));
  EXPECT_FALSE(call.getValues(values));
  EXPECT_EQ(values.count(), 0u);
  EXPECT_FALSE(call.ok());
}

// The array keeps the message its values lie in: the next call written and
// the next message received on the same RemoteCall go elsewhere, and once
// the array lets go, the call gathers its next message in the same buffer
// again, so one buffer serves batch after batch.
TEST_F(ReceivedMessage, ValuesKeepTheirMessage_UntilTheArrayLetsGo) {
  const std::string wide(300000, 'v'); // past the initial capacity
  const Bytes batch = concat({le64(2), Bytes{0}, le64(wide.size()), text(wide), Bytes{0},
                              le64(3), text("xyz")});
  unsigned char* area = call.assemblyArea(batch.size());
  std::memcpy(area, batch.data(), batch.size());
  call.messageAssembled(batch.size());
  RemoteValueArray values;
  ASSERT_TRUE(call.getValues(values));

  call.beginCall("Next");
  call.putText(std::string(batch.size(), 'c'));
  receive(concat({le64(1), Bytes{0}, le64(4), text("late")}));
  unsigned char* elsewhere = call.assemblyArea(batch.size());
  EXPECT_NE(elsewhere, area);
  std::memset(elsewhere, 'e', batch.size());
  ASSERT_EQ(values.count(), 2u);
  EXPECT_EQ(std::string(values.data(0)), wide);
  EXPECT_STREQ(values.data(1), "xyz");

  values.release();
  EXPECT_EQ(values.count(), 0u);
  call.messageAssembled(0);
  call.reset();
  call.putText(std::string(batch.size() - 8, 'c')); // fits the buffer it has
  EXPECT_EQ(call.assemblyArea(batch.size()), elsewhere);
}

// Values are decoded where they lie, each ended by a NUL written over the
// next header: every length around the short moves' boundaries arrives whole
// and ends with a NUL (and, under the address sanitizer, no move reaches past
// the message).
TEST_F(ReceivedMessage, ValuesOfEveryShortLength_ArriveExactly) {
  RemoteValueArray served(Role::Serving);
  std::vector<std::string> sent;
  served.resize(41);
  for (size_t length = 0; length <= 40; ++length) {
    std::string value;
    for (size_t i = 0; i < length; ++i) value += static_cast<char>('A' + (length + i) % 26);
    std::memcpy(served.setLength(length, length), value.data(), length);
    sent.push_back(value);
  }
  RemoteCall reply;
  reply.putValues(served);
  receive(reply);
  RemoteValueArray values;
  ASSERT_TRUE(call.getValues(values));
  ASSERT_EQ(values.count(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    ASSERT_EQ(values.length(i), sent[i].size());
    EXPECT_EQ(std::string(values.data(i), values.length(i)), sent[i]) << "length " << i;
    EXPECT_EQ(values.data(i)[values.length(i)], '\0') << "length " << i;
  }
  // The last value moves back over its own header for its NUL: whatever its
  // length, the field after the values reads as it was sent.
  for (size_t last = 0; last < sent.size(); ++last) {
    RemoteValueArray pair(Role::Serving);
    pair.resize(2);
    pair.setNull(0, true);
    std::memcpy(pair.setLength(1, sent[last].size()), sent[last].data(), sent[last].size());
    RemoteCall message;
    message.putValues(pair);
    message.putSize(0x0102030405060708u);
    receive(message);
    ASSERT_TRUE(call.getValues(values));
    uint64_t after = 0;
    ASSERT_TRUE(call.getSize(after));
    EXPECT_EQ(after, 0x0102030405060708u) << "length " << last;
    EXPECT_EQ(std::string(values.data(1), values.length(1)), sent[last]) << "length " << last;
    EXPECT_EQ(values.data(1)[values.length(1)], '\0') << "length " << last;
  }
}

TEST_F(ReceivedMessage, ReadName_StartsAgainAtTheFront) {
  receive(concat({le64(4), text("Ping"), le64(5)}));
  std::string name;
  uint64_t key = 0;
  ASSERT_TRUE(call.readName(name) && call.getSize(key));
  key = 0;
  ASSERT_TRUE(call.readName(name) && call.getSize(key));
  EXPECT_EQ(name, "Ping");
  EXPECT_EQ(key, 5u);
}

// Every read past what its message holds fails, leaves its target empty or
// untouched and allocates nothing sized by the bad count.
TEST_F(ReceivedMessage, ReadsPastTheEnd_FailCleanly) {
  receive(Bytes{1, 2, 3});
  int32_t number = 42;
  EXPECT_FALSE(call.getInt(number));
  EXPECT_EQ(number, 0);
  EXPECT_FALSE(call.ok());
  bool flag = true;
  EXPECT_FALSE(call.getBool(flag)); // sticky although a byte is left

  receive(concat({le64(1000), text("short")}));
  std::string value = "old";
  EXPECT_FALSE(call.getText(value));
  EXPECT_EQ(value, "");

  receive(concat({le64(UINT64_MAX / 2), Bytes{1, 1, 1}}));
  RemoteValueArray values;
  EXPECT_FALSE(call.getValues(values));
  EXPECT_EQ(values.count(), 0u);
  EXPECT_EQ(values.allocatedCount(), 0u);

  receive(concat({le64(50), Bytes{1, 0, 0, 0}, text("abc")}));
  char storage[64] = "untouched";
  size_t needed = 0;
  RemoteBuffer caller(storage, sizeof storage, &needed);
  EXPECT_FALSE(call.getBuffer(caller));
  EXPECT_EQ(needed, 0u);
  EXPECT_STREQ(storage, "untouched");

  receive(le64(RemoteCall::kMaxServedBufferCapacity + 1));
  RemoteBuffer served;
  EXPECT_FALSE(call.getBuffer(served));
  EXPECT_EQ(served.capacity(), 0u);

  receive(concat({le64(12), text("return")})); // a message longer than what is left
  RemoteCall inner;
  EXPECT_FALSE(call.getMessage(inner));
  EXPECT_EQ(inner.remaining(), 0u);
}

} // namespace
