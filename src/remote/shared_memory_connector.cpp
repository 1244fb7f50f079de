#include "shared_memory_connector.h"

#include "protocol/names.h"
#include "protocol/remote_call.h"

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
  const size_t capacity = std::min(chunkCapacity(), sendLimit_);
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
  if (total > RemoteCall::kMaxMessageSize) { // a broken peer: nothing is taken or acknowledged
    refusedLength_.store(total, std::memory_order_relaxed);
    return false;
  }
  const size_t capacity = chunkCapacity();
  uint64_t chunk = loadField(header().chunkLength);
  if (chunk == 0 || chunk > capacity || chunk > total) return false; // nothing the child could have sent

  // Gathered where the first listener offers room, else in a buffer kept for
  // the next message. Either is sized from the announced total, which the
  // limit above bounds; its pages are touched only as the chunks arrive.
  ConnectorListener* gatherer = listeners_.empty() ? nullptr : listeners_.front();
  unsigned char* message = gatherer != nullptr ? gatherer->assemblyArea(total) : nullptr;
  if (message == nullptr) {
    gatherer = nullptr;
    if (incoming_.size() < total) incoming_.resize(total);
    message = incoming_.data();
  }
  uint64_t received = 0;
  for (;;) {
    std::memcpy(message + received, dataArea(), chunk);
    received += chunk;
    if (received >= total) break;
    release(toRemote_);
    fromRemote_.wait();
    if (isClosed()) return false;
    chunk = loadField(header().chunkLength);
    if (chunk == 0 || chunk > capacity || chunk > total - received) return false;
  }
  for (ConnectorListener* listener : listeners_) {
    if (listener == gatherer)
      listener->messageAssembled(total);
    else
      listener->dataReceived(message, total);
  }
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
