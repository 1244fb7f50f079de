#include "child_channel.h"

#include "remote/protocol/names.h"
#include "remote/protocol/region_header.h"

#include <algorithm>
#include <cstring>

using quex::platform::NamedSemaphore;
using quex::platform::SharedRegion;

namespace quex::child {
namespace {

SharedRegion mapRegion(const std::string& name, size_t size) {
  SharedRegion region = SharedRegion::openExisting(name, size);
  region.map();
  return region;
}

} // namespace

ChildChannel::ChildChannel(const std::string& baseName, const std::string& channelName,
                           size_t regionSize)
    : region_(mapRegion(Remote::protocol::regionName(baseName, channelName), regionSize)),
      toRemote_(NamedSemaphore::openExisting(
          Remote::protocol::toRemoteSemaphoreName(baseName, channelName))),
      fromRemote_(NamedSemaphore::openExisting(
          Remote::protocol::fromRemoteSemaphoreName(baseName, channelName))) {}

unsigned char* ChildChannel::dataArea() noexcept {
  return static_cast<unsigned char*>(region_.data()) + Remote::kRegionHeaderSize;
}

size_t ChildChannel::dataCapacity() const noexcept {
  return region_.size() - Remote::kRegionHeaderSize;
}

bool ChildChannel::waitForHost(const std::atomic<bool>* stop) {
  if (stop == nullptr) {
    toRemote_.wait();
    return true;
  }
  while (!stop->load(std::memory_order_acquire)) {
    if (toRemote_.waitFor(kPollMilliseconds)) return !stop->load(std::memory_order_acquire);
    if (whileWaiting_) whileWaiting_();
  }
  return false;
}

bool ChildChannel::receive(Remote::RemoteCall& call, const std::atomic<bool>* stop) {
  if (!waitForHost(stop)) return false;
  auto& header = *static_cast<Remote::RegionHeader*>(region_.data());
  const auto* area = static_cast<const unsigned char*>(region_.data()) + Remote::kRegionHeaderSize;
  const size_t capacity = region_.size() - Remote::kRegionHeaderSize;
  const uint64_t total = Remote::loadField(header.totalLength);
  if (total == 0) return false;
  incoming_.resize(total);
  uint64_t received = 0;
  for (;;) {
    const uint64_t chunk = std::min<uint64_t>(
        std::min<uint64_t>(Remote::loadField(header.chunkLength), capacity), total - received);
    std::memcpy(incoming_.data() + received, area, chunk);
    reached(chunk);
    received += chunk;
    if (received >= total || chunk == 0) break;
    fromRemote_.post(); // acknowledge every chunk but the last
    if (!waitForHost(stop)) return false;
  }
  call.dataReceived(incoming_.data(), received);
  return received == total;
}

bool ChildChannel::send(const Remote::RemoteCall& call, const std::atomic<bool>* stop) {
  size_t length = 0;
  const void* data = call.data(length);
  return send(data, length, stop);
}

bool ChildChannel::send(const void* data, size_t length, const std::atomic<bool>* stop) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  auto& header = *static_cast<Remote::RegionHeader*>(region_.data());
  auto* area = static_cast<unsigned char*>(region_.data()) + Remote::kRegionHeaderSize;
  const size_t capacity = region_.size() - Remote::kRegionHeaderSize;
  Remote::storeField(header.totalLength, length);
  size_t sent = 0;
  for (;;) {
    const size_t chunk = std::min(length - sent, capacity);
    std::memcpy(area, bytes + sent, chunk);
    reached(chunk);
    Remote::storeField(header.chunkLength, chunk);
    sent += chunk;
    fromRemote_.post();
    if (sent >= length) return true;
    if (!waitForHost(stop)) return false;
  }
}

} // namespace quex::child
