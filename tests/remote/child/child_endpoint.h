// The child's side of one channel: opens the host's region and semaphores and
// runs the mirror image of the host's chunked signalling. Used by the test
// child program and, in-process, by the connector tests.
#ifndef QUEX_TESTS_REMOTE_CHILD_ENDPOINT_H
#define QUEX_TESTS_REMOTE_CHILD_ENDPOINT_H

#include "platform/named_semaphore.h"
#include "platform/shared_region.h"
#include "remote/protocol/region_header.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ChildEndpoint {
public:
  // Opens existing objects; throws quex::platform::SystemError.
  ChildEndpoint(const std::string& baseName, const std::string& channelName, size_t regionSize);

  // Waits for the next message from the host and acknowledges every chunk but
  // the last. With `timeoutMs` < 0 it waits until the host process is gone
  // (then returns false); otherwise it gives up after that long.
  bool receive(std::vector<unsigned char>& message, int timeoutMs = -1);
  // Sends one message to the host, waiting for its acknowledgement between
  // chunks; false when a wait timed out or the host went away.
  bool send(const void* data, size_t length, int timeoutMs = -1);
  // Sends a message of `length` bytes that `fill(area, count)` writes `count`
  // bytes at a time, in order: a large message never has to be held whole.
  bool sendMade(uint64_t length, const std::function<void(unsigned char*, size_t)>& fill,
                int timeoutMs = -1);

  Remote::RegionHeader& header() const;
  size_t chunkCapacity() const { return region_.size() - Remote::kRegionHeaderSize; }
  quex::platform::NamedSemaphore& toRemote() { return toRemote_; }
  quex::platform::NamedSemaphore& fromRemote() { return fromRemote_; }
  // Lengths of the chunks of the last received message, in order.
  const std::vector<size_t>& chunkLengths() const { return chunkLengths_; }

private:
  bool waitToRemote(int timeoutMs);

  quex::platform::SharedRegion region_;
  quex::platform::NamedSemaphore toRemote_;
  quex::platform::NamedSemaphore fromRemote_;
  long hostProcess_;
  std::vector<size_t> chunkLengths_;
};

#endif // QUEX_TESTS_REMOTE_CHILD_ENDPOINT_H
