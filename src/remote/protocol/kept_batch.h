// The records of a batch the child is still reading, kept where the host can
// find them if the child dies before its reply goes. They lie in the main
// channel's data area from a fixed offset: the first half stays free for the
// messages of the callbacks the child makes while it reads (input records,
// host and context calls), which fill the area from its start, and for the
// host's calls, which the host sends in chunks that end before the block.
// After every whole record the child writes that record's values there and
// then the counts; it clears the mark before its reply goes, so a set mark
// always means records the host has not had. The host decodes what was kept
// only when the child is lost, and once.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_KEPT_BATCH_H
#define QUEX_SRC_REMOTE_PROTOCOL_KEPT_BATCH_H

#include "region_header.h"

#include <cstddef>
#include <cstdint>

namespace Remote::protocol {

struct KeptBatch {
  uint64_t mark;         // kKeptBatchMark while the fields below describe records
  uint64_t valuesPerRow;
  uint64_t bytes;        // of the encoded values that follow this block
  uint64_t records;      // whole records among them, written after `bytes`
};

// Offset of the block in the data area; the region offset stays 8-aligned.
inline constexpr size_t kKeptBatchOffset = 500000;
inline constexpr uint64_t kKeptBatchMark = 0x6b65707442617463; // "ctaBtpek"
// The same for records kept whole: every value of each, none skipped.
inline constexpr uint64_t kKeptWholeMark = 0x6b65707457686f6c; // "lohWtpek"

static_assert((kRegionHeaderSize + kKeptBatchOffset) % alignof(uint64_t) == 0);
static_assert(sizeof(KeptBatch) == 32);

// The block in a data area of `capacity` bytes, or null when the area is too
// small to keep anything.
inline KeptBatch* keptBatchIn(unsigned char* dataArea, size_t capacity) noexcept {
  if (capacity <= kKeptBatchOffset + sizeof(KeptBatch)) return nullptr;
  return reinterpret_cast<KeptBatch*>(dataArea + kKeptBatchOffset);
}

// The bytes of values the block of such an area can keep.
inline size_t keptBatchRoom(size_t capacity) noexcept {
  return capacity - kKeptBatchOffset - sizeof(KeptBatch);
}

inline unsigned char* keptValues(KeptBatch* block) noexcept {
  return reinterpret_cast<unsigned char*>(block + 1);
}

} // namespace Remote::protocol

#endif // QUEX_SRC_REMOTE_PROTOCOL_KEPT_BATCH_H
