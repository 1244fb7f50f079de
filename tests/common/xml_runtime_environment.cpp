// The XML runtime, started once for the whole test program as a host does.
#include <quex/quex.hpp>

#include <gtest/gtest.h>

namespace {

class XmlRuntime : public ::testing::Environment {
public:
  void SetUp() override { QXXMLWrapper::startup(); }
  void TearDown() override { QXXMLWrapper::shutdown(); }
};

[[maybe_unused]] ::testing::Environment* const runtime =
    ::testing::AddGlobalTestEnvironment(new XmlRuntime);

} // namespace
