// BufferHelper and AccessCount.
#include <quex/cpphelper/AccessCount.h>
#include <quex/cpphelper/BufferHelper.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using ExtensionCppHelper::AccessCount;
using ExtensionCppHelper::BufferHelper;

namespace {
// The buffer holds `size` bytes and all of them are zero.
void expectZeroed(const BufferHelper& buffer, uint64_t size) {
  ASSERT_EQ(static_cast<uint64_t>(buffer), size);
  const char* bytes = buffer;
  EXPECT_EQ(std::string(bytes, size), std::string(size, '\0'));
}
} // namespace

TEST(BufferHelper, StartsZeroFilledAt8192ByDefault_ResizeGivesFreshZeroBytes) {
  expectZeroed(BufferHelper(), 8192);
  BufferHelper buffer(64);
  expectZeroed(buffer, 64);
  EXPECT_EQ(static_cast<void*>(buffer), static_cast<void*>(static_cast<char*>(buffer)));
  std::memset(static_cast<char*>(buffer), 'x', 64);
  buffer.resize(100);
  expectZeroed(buffer, 100);
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
  BufferHelper& same = assigned;
  assigned = same;
  EXPECT_STREQ(static_cast<char*>(assigned), "first");
}

TEST(AccessCount, CountsSharersAndFreesTheCellWithTheLast) {
  AccessCount first;
  first.dec(); // nothing to count down
  EXPECT_EQ(first.value(), 0u);
  first.inc();
  AccessCount second;
  second = first;
  second.inc();
  EXPECT_EQ(first.value(), 2u);
  first.dec();
  EXPECT_EQ(second.value(), 1u);
  second.dec();
  EXPECT_EQ(second.value(), 0u); // freed: under the leak checker a lost cell would show
}
