#include "shared_memory_connector.h"

#include "protocol/names.h"

#include "../platform/os_error.h"

#include <quex/remote/RemoteException.h>

#include <algorithm>
#include <cstring>

namespace Remote {
namespace {

using quex::platform::NamedSemaphore;
using quex::platform::SharedRegion;
using quex::platform::SystemError;

SharedRegion openRegion(const std::string& name, size_t size) {
  if (size <= kRegionHeaderSize)
    throw RemoteException("Error Creating File Mapping", quex::platform::invalidArgumentText());
  SharedRegion region = [&] {
    try {
      return SharedRegion::createOrOpen(name, size);
    } catch (const SystemError& error) {
      throw RemoteException("Error Creating File Mapping", error.text());
    }
  }();
  try {
    region.map();
  } catch (const SystemError& error) {
    throw RemoteException("Error Creating View Of File", error.text());
  }
  return region;
}

NamedSemaphore openSemaphore(const std::string& name) {
  try {
    return NamedSemaphore::createOrOpen(name);
  } catch (const SystemError& error) {
    throw RemoteException("Error Creating Semaphore", error.text());
  }
}

} // namespace

SharedMemoryConnector::SharedMemoryConnector(const std::string& baseName,
                                             const std::string& channelName, size_t regionSize)
    : region_(openRegion(protocol::regionName(baseName, channelName), regionSize)),
      toRemote_(openSemaphore(protocol::toRemoteSemaphoreName(baseName, channelName))),
      fromRemote_(openSemaphore(protocol::fromRemoteSemaphoreName(baseName, channelName))) {
  storeField(header().regionSize, regionSize);
}

RegionHeader& SharedMemoryConnector::header() const noexcept {
  return *static_cast<RegionHeader*>(region_.data());
}

unsigned char* SharedMemoryConnector::dataArea() const noexcept {
  return static_cast<unsigned char*>(region_.data()) + kRegionHeaderSize;
}

void SharedMemoryConnector::release(NamedSemaphore& semaphore) {
  try {
    semaphore.post();
  } catch (const SystemError& error) {
    throw RemoteException("Error Releasing Semaphore", error.text());
  }
}

bool SharedMemoryConnector::send(const void* data, size_t length) {
  if (isClosed()) return false;
  storeField(header().totalLength, length);
  if (length == 0) return true;
  const auto* bytes = static_cast<const unsigned char*>(data);
  const size_t capacity = chunkCapacity();
  size_t sent = 0;
  for (;;) {
    const size_t chunk = std::min(length - sent, capacity);
    storeField(header().chunkLength, chunk);
    std::memcpy(dataArea(), bytes + sent, chunk);
    sent += chunk;
    release(toRemote_);
    if (sent >= length) return true;
    fromRemote_.wait(); // the child has taken the chunk
    if (isClosed()) return false;
  }
}

bool SharedMemoryConnector::receive() {
  if (isClosed()) return false;
  fromRemote_.wait();
  if (isClosed()) return false;
  const uint64_t total = loadField(header().totalLength);
  if (total == 0) return false;
  const size_t capacity = chunkCapacity();
  const uint64_t first = loadField(header().chunkLength);
  if (first == 0 || first > capacity || first > total) return false; // nothing the child could have sent

  const unsigned char* message = dataArea();
  if (first < total) {
    // Gathered in a buffer that is kept for the next long message. It grows
    // with the bytes that actually arrived, never by the announced total alone.
    uint64_t received = 0;
    uint64_t chunk = first;
    for (;;) {
      if (incoming_.size() < received + chunk) incoming_.resize(received + chunk);
      std::memcpy(incoming_.data() + received, dataArea(), chunk);
      received += chunk;
      if (received >= total) break;
      release(toRemote_);
      fromRemote_.wait();
      if (isClosed()) return false;
      chunk = loadField(header().chunkLength);
      if (chunk == 0 || chunk > capacity || chunk > total - received) return false;
    }
    message = incoming_.data();
  }
  for (ConnectorListener* listener : listeners_) listener->dataReceived(message, total);
  return true;
}

void SharedMemoryConnector::close() {
  if (closed_.exchange(true, std::memory_order_acq_rel)) return;
  storeField(header().totalLength, 0);
  storeField(header().chunkLength, 0);
  // A wake-up already pending does the same job as this release.
  if (!fromRemote_.postIfZero())
    throw RemoteException("Error Releasing Semaphore", quex::platform::lastErrorText());
}

void SharedMemoryConnector::addListener(ConnectorListener* listener) {
  listeners_.push_back(listener);
}

void SharedMemoryConnector::unlinkNames() noexcept {
  region_.unlink();
  toRemote_.unlink();
  fromRemote_.unlink();
}

} // namespace Remote
