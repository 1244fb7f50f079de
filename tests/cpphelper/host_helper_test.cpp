// HostHelper over a hand-assembled QXHost table.
#include "fake_host.h"

#include <memory>

using namespace ExtensionCppHelper;

TEST_F(HelperTest, HostInformation_LongerThanTheFirstBufferIsFetchedAfterOneResize) {
  fake.information = "<HostInformation>" + std::string(9000, 'h') + "</HostInformation>";
  std::unique_ptr<HostHelper> helper(HostHelper::create(fake.host()));
  int errorCode = -1;
  XMLDocument information = helper->getHostInformation(&errorCode);
  EXPECT_EQ(errorCode, 0);
  ASSERT_TRUE(information.isValid());
  EXPECT_EQ(fake.askedSizes, (std::vector<size_t>{8192, fake.information.size() + 1}));
  std::string name;
  information.getName(name);
  EXPECT_EQ(name, "HostInformation");
  EXPECT_EQ(information.getTextSections().next(), std::string(9000, 'h'));
}

TEST_F(HelperTest, HostInformation_ThatFitsIsFetchedOnce) {
  std::unique_ptr<HostHelper> helper(HostHelper::create(fake.host()));
  int errorCode = -1;
  XMLDocument information = helper->getHostInformation(&errorCode);
  ASSERT_TRUE(information.isValid());
  EXPECT_EQ(fake.askedSizes, (std::vector<size_t>{8192}));
}

TEST_F(HelperTest, HostInformationFailure_GivesADocumentWithoutHandleAndPassesTheErrorCode) {
  fake.informationStatus = QX_ERR_INVALID_OPERATION;
  std::unique_ptr<HostHelper> helper(HostHelper::create(fake.host()));
  int errorCode = 0;
  XMLDocument information = helper->getHostInformation(&errorCode);
  EXPECT_FALSE(information.isValid());
  EXPECT_EQ(errorCode, 42);
}

TEST_F(HelperTest, HostDocuments_AreMadeThroughTheTable_AndRefusalsThrow) {
  std::unique_ptr<HostHelper> helper(HostHelper::create(fake.host()));
  XMLDocument made = helper->createNew("made");
  XMLDocument parsed = helper->createFromContents("<parsed a='1'/>");
  std::string name;
  made.getName(name);
  EXPECT_EQ(name, "made");
  EXPECT_EQ(parsed.getAttribute("a"), "1");
  HostHelper* other = HostHelper::create(nullptr);
  *other = *helper; // copies the host pointer
  XMLDocument again = other->createNew("again");
  delete other;
  again.getName(name);
  EXPECT_EQ(name, "again");
  fake.createStatus = QX_ERR_INVALID_OPERATION;
  EXPECT_XML_EXCEPTION(helper->createNew("x"), "");
  EXPECT_XML_EXCEPTION(helper->createFromContents("<x/>"), "");
}
