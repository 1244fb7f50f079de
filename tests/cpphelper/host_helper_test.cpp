// HostHelper over a hand-assembled QXHost table.
#include "fake_host.h"

#include <memory>

using namespace ExtensionCppHelper;

TEST_F(HelperTest, HostInformation_IsFetchedOnceWhenItFits_AfterOneResizeWhenLonger) {
  for (size_t length : {10, 9000}) {
    SCOPED_TRACE(length);
    fake.askedSizes.clear();
    fake.information = "<HostInformation>" + std::string(length, 'h') + "</HostInformation>";
    std::unique_ptr<HostHelper> helper(HostHelper::create(fake.host()));
    int errorCode = -1;
    XMLDocument information = helper->getHostInformation(&errorCode);
    EXPECT_EQ(errorCode, 0);
    ASSERT_TRUE(information.isValid());
    std::vector<size_t> asked{8192};
    if (length > 8000) asked.push_back(fake.information.size() + 1);
    EXPECT_EQ(fake.askedSizes, asked);
    EXPECT_EQ(nameOf(information), "HostInformation");
    EXPECT_EQ(information.getTextSections().next(), std::string(length, 'h'));
  }
}

TEST_F(HelperTest, HostInformationFailure_GivesADocumentWithoutHandleAndPassesTheErrorCode) {
  fake.informationStatus = QX_ERR_INVALID_OPERATION;
  std::unique_ptr<HostHelper> helper(HostHelper::create(fake.host()));
  int errorCode = 0;
  EXPECT_FALSE(helper->getHostInformation(&errorCode).isValid());
  EXPECT_EQ(errorCode, 42);
}

TEST_F(HelperTest, HostDocuments_AreMadeThroughTheTable_AndRefusalsThrow) {
  std::unique_ptr<HostHelper> helper(HostHelper::create(fake.host()));
  EXPECT_EQ(nameOf(helper->createNew("made")), "made");
  EXPECT_EQ(helper->createFromContents("<parsed a='1'/>").getAttribute("a"), "1");
  std::unique_ptr<HostHelper> other(HostHelper::create(nullptr));
  *other = *helper; // copies the host pointer
  XMLDocument again = other->createNew("again");
  other.reset();
  EXPECT_EQ(nameOf(again), "again");
  fake.createStatus = QX_ERR_INVALID_OPERATION;
  EXPECT_XML_EXCEPTION(helper->createNew("x"), "");
  EXPECT_XML_EXCEPTION(helper->createFromContents("<x/>"), "");
}
