// Real Unicode through every operation, and the whole-file text operations.
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
  int has = 0;
  EXPECT_EQ(child->hasAttribute(child->owner, kAttribute, &has), QX_OK);
  EXPECT_EQ(has, 1);
  EXPECT_EQ(attributeOf(child, kAttribute), kValue);
  EXPECT_EQ(drainNames(elements(document, kName)), std::vector<std::string>{kName});
  EXPECT_EQ(drainTexts(texts(child)), std::vector<std::string>{kText});

  const std::string serialised = serialise(document);
  const std::string expected = std::string(kDeclaration) + "<" + kName + "><" + kName + " " +
                               kAttribute + "=\"" + kValue + "\">" + kText + "</" + kName + "></" +
                               kName + ">";
  EXPECT_EQ(serialised, expected);

  QXXML* reparsed = parse(serialised.c_str());
  EXPECT_EQ(serialise(reparsed), expected);
  QXXMLIterator* walk = elements(reparsed, "");
  void* item = nullptr;
  ASSERT_EQ(walk->nextItem(walk->owner, &item), QX_OK);
  EXPECT_EQ(attributeOf(static_cast<QXXML*>(item), kAttribute), kValue);
  EXPECT_EQ(drainTexts(texts(static_cast<QXXML*>(item))), std::vector<std::string>{kText});

  ASSERT_EQ(child->removeAttribute(child->owner, kAttribute), QX_OK);
  EXPECT_EQ(child->hasAttribute(child->owner, kAttribute, &has), QX_OK);
  EXPECT_EQ(has, 0);
}

TEST_F(XmlTest, LongUnicodeText_CrossesManyTranscoderBlocksIntact) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "\xE6\xBC\xA2\xF0\x9F\x98\x80" "a\xC3\xA9";
  QXXML* document = newDocument("r");
  ASSERT_EQ(document->addText(document->owner, text.c_str()), QX_OK);
  EXPECT_EQ(drainTexts(texts(document)), std::vector<std::string>{text});
}

class TextFileTest : public XmlTest {
protected:
  void SetUp() override {
    path = ::testing::TempDir() + "quex-xml-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".xml";
    std::remove(path.c_str());
  }
  void TearDown() override {
    std::remove(path.c_str());
    XmlTest::TearDown();
  }
  void write(const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string path;
};

TEST_F(TextFileTest, Load_SkipsEverythingBeforeTheFirstTagAndCountsTheZeroCharacter) {
  write("  <a/>");
  const std::string loaded = QXXMLWrapper::loadStringFromFile(path.c_str());
  EXPECT_EQ(loaded.size(), 5u);
  EXPECT_EQ(loaded, std::string("<a/>\0", 5));
}

TEST_F(TextFileTest, Load_OfAFileWithoutATagHoldsOnlyTheZeroCharacter_MissingFileIsEmpty) {
  write("no tags here");
  EXPECT_EQ(QXXMLWrapper::loadStringFromFile(path.c_str()), std::string("\0", 1));
  EXPECT_EQ(QXXMLWrapper::loadStringFromFile("/nonexistent/dir/file.xml"), std::string());
}

TEST_F(TextFileTest, SaveThenLoad_ReturnsTheTextPlusTheZeroCharacter_BinaryIntact) {
  const std::string text = std::string("<r>\r\n") + kText + "\x01\x7f</r>";
  QXXMLWrapper::saveStringToFile(path.c_str(), text.c_str());
  EXPECT_EQ(QXXMLWrapper::loadStringFromFile(path.c_str()), text + '\0');
  QXXMLWrapper::saveStringToFile(path.c_str(), "<s/>"); // truncates the longer file
  EXPECT_EQ(QXXMLWrapper::loadStringFromFile(path.c_str()), std::string("<s/>\0", 5));
  QXXMLWrapper::saveStringToFile("/nonexistent/dir/file.xml", "<x/>"); // ignored silently
}
