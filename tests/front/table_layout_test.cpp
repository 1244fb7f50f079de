// The callback tables are binary interface: pointer-sized members in a fixed order.
#include <quex/qx.h>

#include <gtest/gtest.h>

#include <cstddef>

namespace {
constexpr size_t P = sizeof(void*);
}

static_assert(sizeof(QXStatus) == 4, "QXStatus is an unsigned 32-bit code");
static_assert(sizeof(QXHost) == 5 * P, "QXHost has 5 members");
static_assert(sizeof(QXContext) == 13 * P, "QXContext has 13 members");
static_assert(sizeof(QXIterator) == 5 * P, "QXIterator has 5 members");
static_assert(sizeof(QXProgress) == 2 * P, "QXProgress has 2 members");
static_assert(sizeof(QXChannel) == 2 * P, "QXChannel has 2 members");
static_assert(sizeof(QXXML) == 12 * P, "QXXML has 12 members");
static_assert(sizeof(QXXMLIterator) == 5 * P, "QXXMLIterator has 5 members");

TEST(TableLayout, MembersSitAtTheirBinaryInterfaceSlots) {
  EXPECT_EQ(offsetof(QXHost, owner), 0 * P);
  EXPECT_EQ(offsetof(QXHost, getHostInformation), 1 * P);
  EXPECT_EQ(offsetof(QXHost, createNewDocument), 2 * P);
  EXPECT_EQ(offsetof(QXHost, createDocumentFromContents), 3 * P);
  EXPECT_EQ(offsetof(QXHost, trace), 4 * P);

  EXPECT_EQ(offsetof(QXContext, getContextInformation), 1 * P);
  EXPECT_EQ(offsetof(QXContext, getParameters), 2 * P);
  EXPECT_EQ(offsetof(QXContext, getDataModel), 3 * P);
  EXPECT_EQ(offsetof(QXContext, getSQLGeneration), 4 * P);
  EXPECT_EQ(offsetof(QXContext, getPassword), 5 * P);
  EXPECT_EQ(offsetof(QXContext, getFilePath), 6 * P);
  EXPECT_EQ(offsetof(QXContext, getOutputDataModel), 7 * P);
  EXPECT_EQ(offsetof(QXContext, getPsmMergeInformation), 8 * P);
  EXPECT_EQ(offsetof(QXContext, openJVM), 9 * P);
  EXPECT_EQ(offsetof(QXContext, closeJVM), 10 * P);
  EXPECT_EQ(offsetof(QXContext, expandFilePath), 11 * P);
  EXPECT_EQ(offsetof(QXContext, expandFilePathExt), 12 * P);

  EXPECT_EQ(offsetof(QXIterator, nextRecord), 1 * P);
  EXPECT_EQ(offsetof(QXIterator, getRecordValue), 2 * P);
  EXPECT_EQ(offsetof(QXIterator, rewind), 3 * P);
  EXPECT_EQ(offsetof(QXIterator, bulkFetch), 4 * P);

  EXPECT_EQ(offsetof(QXProgress, report), 1 * P);
  EXPECT_EQ(offsetof(QXChannel, send), 1 * P);

  EXPECT_EQ(offsetof(QXXML, dispose), 1 * P);
  EXPECT_EQ(offsetof(QXXML, doc2string), 2 * P);
  EXPECT_EQ(offsetof(QXXML, getName), 3 * P);
  EXPECT_EQ(offsetof(QXXML, hasAttribute), 4 * P);
  EXPECT_EQ(offsetof(QXXML, getAttribute), 5 * P);
  EXPECT_EQ(offsetof(QXXML, removeAttribute), 6 * P);
  EXPECT_EQ(offsetof(QXXML, getElementIterator), 7 * P);
  EXPECT_EQ(offsetof(QXXML, getTextIterator), 8 * P);
  EXPECT_EQ(offsetof(QXXML, addAttribute), 9 * P);
  EXPECT_EQ(offsetof(QXXML, addElement), 10 * P);
  EXPECT_EQ(offsetof(QXXML, addText), 11 * P);

  EXPECT_EQ(offsetof(QXXMLIterator, hasMoreItems), 1 * P);
  EXPECT_EQ(offsetof(QXXMLIterator, nextItem), 2 * P);
  EXPECT_EQ(offsetof(QXXMLIterator, deleteItem), 3 * P);
  EXPECT_EQ(offsetof(QXXMLIterator, close), 4 * P);
}

TEST(TableLayout, StatusCodesKeepTheirValues) {
  EXPECT_EQ(QX_OK, 0u);
  EXPECT_EQ(QX_ERR_INSUFFICIENT_BUFFER, 13u);
  EXPECT_EQ(QX_ERR_EXCEPTION_THROWN, 18u);
  EXPECT_EQ(QX_ERR_REMOTE, 23u);
  EXPECT_EQ(QX_ERR_EXPAND_FILE_PATH, 25u);
  EXPECT_EQ(QX_ERR_OPEN_JVM, 39u);
  EXPECT_EQ(QX_ERR_CLOSE_JVM, 41u);
}
