// The header at the start of every shared region, shared with the child
// program. All fields are little-endian unsigned 64-bit; they are read and
// written atomically because the process monitor may close a channel while
// another thread uses it.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_REGION_HEADER_H
#define QUEX_SRC_REMOTE_PROTOCOL_REGION_HEADER_H

#include <cstddef>
#include <cstdint>

namespace Remote {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the region header is little-endian and is used in place");

struct RegionHeader {
  uint64_t regionSize;  // written by the host when it creates the region
  uint64_t totalLength; // of the message in transfer; 0: none, or closed
  uint64_t chunkLength; // bytes now in the data area
};

static_assert(sizeof(RegionHeader) == 24, "the data area starts at byte 24");
static_assert(offsetof(RegionHeader, regionSize) == 0);
static_assert(offsetof(RegionHeader, totalLength) == 8);
static_assert(offsetof(RegionHeader, chunkLength) == 16);

constexpr size_t kRegionHeaderSize = sizeof(RegionHeader);

inline uint64_t loadField(const uint64_t& field) {
  return __atomic_load_n(&field, __ATOMIC_ACQUIRE);
}
inline void storeField(uint64_t& field, uint64_t value) {
  __atomic_store_n(&field, value, __ATOMIC_RELEASE);
}

} // namespace Remote

#endif // QUEX_SRC_REMOTE_PROTOCOL_REGION_HEADER_H
