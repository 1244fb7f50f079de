// The child's end of a channel, for the scripted test child and the
// in-process connector tests.
#include "child_endpoint.h"

#include "platform/child_process.h"
#include "remote/protocol/names.h"

#include <algorithm>
#include <cstring>

using quex::platform::NamedSemaphore;
using quex::platform::SharedRegion;

namespace {

SharedRegion mapRegion(const std::string& name, size_t size) {
  SharedRegion region = SharedRegion::openExisting(name, size);
  region.map();
  return region;
}

} // namespace

ChildEndpoint::ChildEndpoint(const std::string& baseName, const std::string& channelName,
                             size_t regionSize)
    : region_(mapRegion(Remote::protocol::regionName(baseName, channelName), regionSize)),
      toRemote_(NamedSemaphore::openExisting(
          Remote::protocol::toRemoteSemaphoreName(baseName, channelName))),
      fromRemote_(NamedSemaphore::openExisting(
          Remote::protocol::fromRemoteSemaphoreName(baseName, channelName))),
      hostProcess_(quex::platform::parentProcessId()) {}

Remote::RegionHeader& ChildEndpoint::header() const {
  return *static_cast<Remote::RegionHeader*>(region_.data());
}

bool ChildEndpoint::waitToRemote(int timeoutMs) {
  if (timeoutMs >= 0) return toRemote_.waitFor(timeoutMs);
  while (!toRemote_.waitFor(500))
    if (quex::platform::parentProcessId() != hostProcess_) return false;
  return true;
}

bool ChildEndpoint::receive(std::vector<unsigned char>& message, int timeoutMs) {
  chunkLengths_.clear();
  if (!waitToRemote(timeoutMs)) return false;
  const uint64_t total = Remote::loadField(header().totalLength);
  message.resize(total);
  const auto* data = static_cast<const unsigned char*>(region_.data()) + Remote::kRegionHeaderSize;
  uint64_t received = 0;
  for (;;) {
    const uint64_t chunk =
        std::min<uint64_t>(Remote::loadField(header().chunkLength), total - received);
    chunkLengths_.push_back(chunk);
    std::memcpy(message.data() + received, data, chunk);
    received += chunk;
    if (received >= total || chunk == 0) break;
    fromRemote_.post();
    if (!waitToRemote(timeoutMs)) return false;
  }
  return true;
}

bool ChildEndpoint::send(const void* data, size_t length, int timeoutMs) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t sent = 0;
  return sendMade(
      length,
      [&](unsigned char* area, size_t count) {
        std::memcpy(area, bytes + sent, count);
        sent += count;
      },
      timeoutMs);
}

bool ChildEndpoint::sendMade(uint64_t length,
                             const std::function<void(unsigned char*, size_t)>& fill,
                             int timeoutMs) {
  Remote::storeField(header().totalLength, length);
  auto* area = static_cast<unsigned char*>(region_.data()) + Remote::kRegionHeaderSize;
  uint64_t sent = 0;
  for (;;) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length - sent, chunkCapacity()));
    Remote::storeField(header().chunkLength, chunk);
    fill(area, chunk);
    sent += chunk;
    fromRemote_.post();
    if (sent >= length) return true;
    if (!waitToRemote(timeoutMs)) return false;
  }
}
