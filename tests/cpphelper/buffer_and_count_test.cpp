// BufferHelper and AccessCount.
#include <quex/cpphelper/AccessCount.h>
#include <quex/cpphelper/BufferHelper.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using ExtensionCppHelper::AccessCount;
using ExtensionCppHelper::BufferHelper;

namespace {
bool allZero(const BufferHelper& buffer) {
  const char* bytes = buffer;
  for (uint64_t i = 0; i < static_cast<uint64_t>(buffer); ++i)
    if (bytes[i] != 0) return false;
  return true;
}
} // namespace

TEST(BufferHelper, StartsZeroFilled_ResizeGivesFreshZeroBytes) {
  BufferHelper buffer(64);
  EXPECT_EQ(static_cast<uint64_t>(buffer), 64u);
  EXPECT_TRUE(allZero(buffer));
  std::memset(static_cast<char*>(buffer), 'x', 64);
  buffer.resize(100);
  EXPECT_EQ(static_cast<uint64_t>(buffer), 100u);
  EXPECT_TRUE(allZero(buffer));
}

TEST(BufferHelper, DefaultSizeIs8192) {
  BufferHelper buffer;
  EXPECT_EQ(static_cast<uint64_t>(buffer), 8192u);
  EXPECT_TRUE(allZero(buffer));
  EXPECT_EQ(static_cast<void*>(buffer), static_cast<void*>(static_cast<char*>(buffer)));
}

TEST(BufferHelper, CopiesOwnTheirOwnBytes) {
  BufferHelper original(16);
  std::strcpy(static_cast<char*>(original), "first");
  BufferHelper copy(original);
  BufferHelper assigned(4);
  assigned = original;
  std::strcpy(static_cast<char*>(original), "changed");
  EXPECT_STREQ(static_cast<char*>(copy), "first");
  EXPECT_STREQ(static_cast<char*>(assigned), "first");
  EXPECT_EQ(static_cast<uint64_t>(assigned), 16u);
  EXPECT_NE(static_cast<char*>(copy), static_cast<char*>(original));
  BufferHelper& same = assigned;
  assigned = same;
  EXPECT_STREQ(static_cast<char*>(assigned), "first");
}

TEST(AccessCount, CountsSharersAndFreesTheCellWithTheLast) {
  AccessCount first;
  EXPECT_EQ(first.value(), 0u);
  first.dec();
  EXPECT_EQ(first.value(), 0u);
  first.inc();
  EXPECT_EQ(first.value(), 1u);
  AccessCount second;
  second = first;
  second.inc();
  EXPECT_EQ(first.value(), 2u);
  EXPECT_EQ(second.value(), 2u);
  first.dec();
  EXPECT_EQ(second.value(), 1u);
  second.dec();
  EXPECT_EQ(second.value(), 0u); // freed: under the leak checker a lost cell would show
}
