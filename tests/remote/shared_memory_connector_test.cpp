// One channel between host and child: chunking, the acknowledgement rule,
// close during a send or receive, listeners, and regions that cannot be made.
#include "child_endpoint.h"
#include "remote_fixture.h"

#include "remote/protocol/remote_call.h"
#include "remote/shared_memory_connector.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace {

using Remote::SharedMemoryConnector;
using namespace std::chrono_literals;

constexpr size_t kMainSize = 1000000;
constexpr size_t kMainChunk = kMainSize - 24;
constexpr int kWaitMs = 20000; // generous: other builds share the machine

class Recorder : public Remote::ConnectorListener {
public:
  Recorder(std::vector<std::string>& order, std::string tag) : order_(order), tag_(std::move(tag)) {}
  void dataReceived(const void* data, size_t length) override {
    const auto* bytes = static_cast<const unsigned char*>(data);
    received.assign(bytes, bytes + length);
    order_.push_back(tag_);
  }
  std::vector<unsigned char> received;

private:
  std::vector<std::string>& order_;
  std::string tag_;
};

std::vector<unsigned char> pattern(size_t length) {
  std::vector<unsigned char> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<unsigned char>(i * 31 + i / 999);
  return bytes;
}

// A host connector on "main" and the child's side of it in this process.
class ConnectorTest : public remote_test::RemoteFixture {
protected:
  void SetUp() override {
    RemoteFixture::SetUp();
    base = remote_test::ownPrefix() + "77";
    host = std::make_unique<SharedMemoryConnector>(base, "main", kMainSize);
    child = std::make_unique<ChildEndpoint>(base, "main", kMainSize);
    host->addListener(&first);
  }
  void TearDown() override {
    child.reset();
    host.reset();
    RemoteFixture::TearDown();
  }

  std::string base;
  std::unique_ptr<SharedMemoryConnector> host;
  std::unique_ptr<ChildEndpoint> child;
  std::vector<std::string> order;
  Recorder first{order, "first"};
};

TEST_F(ConnectorTest, MessageOfExactlyOneChunk_IsSentWithoutWaitingForAnAcknowledgement) {
  EXPECT_EQ(Remote::loadField(child->header().regionSize), kMainSize);
  EXPECT_EQ(host->chunkCapacity(), kMainChunk);
  const auto message = pattern(kMainChunk);
  // Nobody receives yet: a send that waited would not come back.
  ASSERT_TRUE(host->send(message.data(), message.size()));
  EXPECT_EQ(child->toRemote().value(), 1);
  std::vector<unsigned char> received;
  ASSERT_TRUE(child->receive(received, kWaitMs));
  EXPECT_EQ(child->chunkLengths(), std::vector<size_t>{kMainChunk});
  EXPECT_EQ(received, message);
  EXPECT_EQ(child->fromRemote().value(), 0); // the last chunk is not acknowledged
}

TEST_F(ConnectorTest, MessageOfTwoMillionBytes_ArrivesWholeInThreeChunksBothWays) {
  const auto message = pattern(2000000);
  auto receiver = std::async(std::launch::async, [this] {
    std::vector<unsigned char> received;
    child->receive(received, kWaitMs);
    return received;
  });
  ASSERT_TRUE(host->send(message.data(), message.size()));
  ASSERT_EQ(receiver.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
  EXPECT_EQ(receiver.get(), message);
  EXPECT_EQ(child->chunkLengths(), (std::vector<size_t>{kMainChunk, kMainChunk, 48}));

  auto sender = std::async(std::launch::async, [this, &message] {
    return child->send(message.data(), message.size(), kWaitMs);
  });
  ASSERT_TRUE(host->receive());
  ASSERT_EQ(sender.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
  EXPECT_TRUE(sender.get());
  EXPECT_EQ(first.received, message);
}

TEST_F(ConnectorTest, ZeroLengthSend_ReturnsTrueAndReleasesNoSemaphore) {
  Remote::storeField(child->header().totalLength, 99);
  EXPECT_TRUE(host->send(nullptr, 0));
  EXPECT_EQ(Remote::loadField(child->header().totalLength), 0u);
  EXPECT_EQ(child->toRemote().value(), 0);
  EXPECT_EQ(child->fromRemote().value(), 0);
}

TEST_F(ConnectorTest, Close_WakesABlockedReceiveAndFailsLaterSends) {
  auto receiver = std::async(std::launch::async, [this] { return host->receive(); });
  EXPECT_EQ(receiver.wait_for(100ms), std::future_status::timeout); // really blocked
  host->close();
  ASSERT_EQ(receiver.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
  EXPECT_FALSE(receiver.get());
  const char byte = 1;
  EXPECT_FALSE(host->send(&byte, 1));
  EXPECT_EQ(child->toRemote().value(), 0);
  EXPECT_FALSE(host->receive());
  EXPECT_TRUE(order.empty());
  host->close(); // a second close changes nothing
}

TEST_F(ConnectorTest, CloseDuringALongSend_EndsTheSend) {
  const auto message = pattern(3 * kMainChunk);
  auto sender = std::async(std::launch::async,
                           [this, &message] { return host->send(message.data(), message.size()); });
  EXPECT_EQ(sender.wait_for(100ms), std::future_status::timeout); // waits for the child
  host->close();
  ASSERT_EQ(sender.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
  EXPECT_FALSE(sender.get());
}

TEST_F(ConnectorTest, TwoListeners_ReceiveTheSameBytesFirstAddedFirst_EvenAfterUnlinking) {
  host->unlinkNames();
  EXPECT_EQ(remote_test::ownSharedObjects(), std::vector<std::string>{});
  Recorder second(order, "second");
  host->addListener(&second);
  const auto message = pattern(1234);
  ASSERT_TRUE(child->send(message.data(), message.size(), kWaitMs));
  ASSERT_TRUE(host->receive());
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(first.received, message);
  EXPECT_EQ(second.received, message);
}

TEST_F(ConnectorTest, ReleaseWhileTheCountIsAtItsMaximum_Throws) {
  const char byte = 1;
  ASSERT_TRUE(host->send(&byte, 1)); // not taken by the child: the count stays 1
  const auto error = remote_test::thrown([&] { host->send(&byte, 1); });
  EXPECT_EQ(error.message, "Error Releasing Semaphore");
  EXPECT_FALSE(error.detail.empty());
}

TEST_F(ConnectorTest, ChunkLongerThanTheDataArea_FailsTheReceive) {
  Remote::storeField(child->header().totalLength, 2 * kMainSize);
  Remote::storeField(child->header().chunkLength, kMainSize);
  child->fromRemote().post();
  EXPECT_FALSE(host->receive());
  EXPECT_TRUE(order.empty());
}

// A message announced longer than any message may be is refused at once:
// nothing is acknowledged, no listener hears of it, and the length is kept
// for the report of the loss.
TEST_F(ConnectorTest, MessageAnnouncedPastTheLimit_IsRefusedUnacknowledged) {
  for (const uint64_t total : {Remote::RemoteCall::kMaxMessageSize + 1, uint64_t{UINT64_MAX}}) {
    SCOPED_TRACE(total);
    Remote::storeField(child->header().totalLength, total);
    Remote::storeField(child->header().chunkLength, kMainChunk);
    child->fromRemote().post();
    EXPECT_FALSE(host->receive());
    EXPECT_EQ(host->refusedLength(), total);
    EXPECT_EQ(child->toRemote().value(), 0);
    EXPECT_TRUE(order.empty());
  }
}

TEST(ConnectorNames, ImpossibleRegion_ThrowsTheCreationFailure) {
  const auto tooSmall = remote_test::thrown(
      [] { SharedMemoryConnector(remote_test::ownPrefix() + "79", "main", 10); });
  EXPECT_EQ(tooSmall.message, "Error Creating File Mapping");
  const auto badName = remote_test::thrown(
      [] { SharedMemoryConnector(remote_test::ownPrefix() + "79/x", "main", kMainSize); });
  EXPECT_EQ(badName.message, "Error Creating File Mapping");
  EXPECT_NE(badName.detail, "<unknown>");
  EXPECT_EQ(remote_test::ownSharedObjects(), std::vector<std::string>{});
}

} // namespace
