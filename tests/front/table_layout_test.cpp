// The callback tables are binary interface: pointer-sized members in a fixed
// order with nothing in between. Checked when this file compiles.
#include <quex/qx.h>

#include <cstddef>
#include <initializer_list>

namespace {
constexpr size_t P = sizeof(void*);

// The offsets, listed in interface order, are 0, P, 2P, ... and fill the table.
constexpr bool slotted(size_t tableSize, std::initializer_list<size_t> offsets) {
  size_t slot = 0;
  for (size_t offset : offsets)
    if (offset != slot++ * P) return false;
  return tableSize == slot * P;
}
} // namespace

#define AT(T, m) offsetof(T, m)
static_assert(sizeof(QXStatus) == 4, "QXStatus is an unsigned 32-bit code");
static_assert(slotted(sizeof(QXHost), {AT(QXHost, owner), AT(QXHost, getHostInformation),
                                       AT(QXHost, createNewDocument),
                                       AT(QXHost, createDocumentFromContents), AT(QXHost, trace)}));
static_assert(slotted(sizeof(QXContext),
                      {AT(QXContext, owner), AT(QXContext, getContextInformation),
                       AT(QXContext, getParameters), AT(QXContext, getDataModel),
                       AT(QXContext, getSQLGeneration), AT(QXContext, getPassword),
                       AT(QXContext, getFilePath), AT(QXContext, getOutputDataModel),
                       AT(QXContext, getPsmMergeInformation), AT(QXContext, openJVM),
                       AT(QXContext, closeJVM), AT(QXContext, expandFilePath),
                       AT(QXContext, expandFilePathExt)}));
static_assert(slotted(sizeof(QXIterator),
                      {AT(QXIterator, owner), AT(QXIterator, nextRecord),
                       AT(QXIterator, getRecordValue), AT(QXIterator, rewind),
                       AT(QXIterator, bulkFetch)}));
static_assert(slotted(sizeof(QXProgress), {AT(QXProgress, owner), AT(QXProgress, report)}));
static_assert(slotted(sizeof(QXChannel), {AT(QXChannel, owner), AT(QXChannel, send)}));
static_assert(slotted(sizeof(QXXML),
                      {AT(QXXML, owner), AT(QXXML, dispose), AT(QXXML, doc2string),
                       AT(QXXML, getName), AT(QXXML, hasAttribute), AT(QXXML, getAttribute),
                       AT(QXXML, removeAttribute), AT(QXXML, getElementIterator),
                       AT(QXXML, getTextIterator), AT(QXXML, addAttribute),
                       AT(QXXML, addElement), AT(QXXML, addText)}));
static_assert(slotted(sizeof(QXXMLIterator),
                      {AT(QXXMLIterator, owner), AT(QXXMLIterator, hasMoreItems),
                       AT(QXXMLIterator, nextItem), AT(QXXMLIterator, deleteItem),
                       AT(QXXMLIterator, close)}));
#undef AT
