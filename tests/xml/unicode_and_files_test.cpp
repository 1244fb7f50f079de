// Real Unicode through every operation, and the whole-file text operations.
#include "common/scratch_name.h"
#include "xml_fixture.h"

#include <cstdio>
#include <fstream>

namespace {
// Accents and CJK in names; characters outside the Basic Multilingual Plane,
// which names may not hold, in values and texts.
const char* const kName = "\xC3\xA9l\xC3\xA9ment_\xE6\xBC\xA2\xE5\xAD\x97";
const char* const kAttribute = "\xC3\xBC\xC3\xA7";
const char* const kValue = "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80\xF0\x9D\x84\x9E";
const char* const kText = "\xF0\x9F\x8E\xB5 na\xC3\xAFve \xE6\x97\xA5\xE6\x9C\xAC";
} // namespace

TEST_F(XmlTest, UnicodeNamesValuesAndTexts_RoundTripByteForByteThroughEveryOperation) {
  QXXML* document = newDocument(kName);
  EXPECT_EQ(nameOf(document), kName);
  QXXML* child = addElement(document, kName);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(child->addAttribute(child->owner, kAttribute, kValue), QX_OK);
  ASSERT_EQ(child->addText(child->owner, kText), QX_OK);
  EXPECT_EQ(drainNames(elements(document, kName)), Names{kName});
  const std::string expected = declared(std::string("<") + kName + "><" + kName + " " +
                                        kAttribute + "=\"" + kValue + "\">" + kText + "</" +
                                        kName + "></" + kName + ">");
  EXPECT_EQ(serialise(document), expected);

  QXXML* reparsed = parse(expected.c_str());
  EXPECT_EQ(serialise(reparsed), expected);
  void* item = nullptr;
  QXXMLIterator* walk = elements(reparsed, "");
  ASSERT_EQ(walk->nextItem(walk->owner, &item), QX_OK);
  for (QXXML* element : {child, static_cast<QXXML*>(item)}) {
    EXPECT_EQ(attributeOf(element, kAttribute), kValue);
    EXPECT_EQ(drainTexts(texts(element)), Names{kText});
    int has = 0;
    EXPECT_EQ(element->hasAttribute(element->owner, kAttribute, &has), QX_OK);
    EXPECT_EQ(has, 1);
    ASSERT_EQ(element->removeAttribute(element->owner, kAttribute), QX_OK);
    EXPECT_EQ(element->hasAttribute(element->owner, kAttribute, &has), QX_OK);
    EXPECT_EQ(has, 0);
  }
}

TEST_F(XmlTest, LongUnicodeText_CrossesManyTranscoderBlocksIntact) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "\xE6\xBC\xA2\xF0\x9F\x98\x80" "a\xC3\xA9";
  QXXML* document = newDocument("r");
  ASSERT_EQ(document->addText(document->owner, text.c_str()), QX_OK);
  EXPECT_EQ(drainTexts(texts(document)), Names{text});
}

TEST(TextFiles, LoadSkipsToTheFirstTagAndAddsTheZeroCharacter_SaveWritesBytesAsGiven) {
  const std::string path = ::testing::TempDir() + "quex-xml-text-files-" + processTag() + ".xml";
  const std::string binary = std::string("<r>\r\n") + kText + "\x01\x7f</r>";
  const struct { std::string bytes, loaded; } rows[] = {
      {"  <a/>", std::string("<a/>\0", 5)}, {"no tags here", std::string("\0", 1)},
      {binary, binary + '\0'}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bytes);
    std::ofstream(path, std::ios::binary) << row.bytes;
    EXPECT_EQ(QXXMLWrapper::loadStringFromFile(path.c_str()), row.loaded);
  }
  QXXMLWrapper::saveStringToFile(path.c_str(), binary.c_str());
  EXPECT_EQ(QXXMLWrapper::loadStringFromFile(path.c_str()), binary + '\0');
  QXXMLWrapper::saveStringToFile(path.c_str(), "<s/>"); // truncates the longer file
  EXPECT_EQ(QXXMLWrapper::loadStringFromFile(path.c_str()), std::string("<s/>\0", 5));
  std::remove(path.c_str());
  EXPECT_EQ(QXXMLWrapper::loadStringFromFile("/nonexistent/dir/file.xml"), std::string());
  QXXMLWrapper::saveStringToFile("/nonexistent/dir/file.xml", "<x/>"); // ignored silently
}
