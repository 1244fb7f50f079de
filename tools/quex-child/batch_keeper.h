// Keeps the records of the batch being read in the main channel's data area
// (remote/protocol/kept_batch.h), so that the host still gets those a module
// produced before it crashed. The serving thread keeps each whole record; a
// callback on "main", which may write over the kept part, lends the area and
// gives it back. All of it runs under the link's lock of "main".
#ifndef QUEX_TOOLS_QUEX_CHILD_BATCH_KEEPER_H
#define QUEX_TOOLS_QUEX_CHILD_BATCH_KEEPER_H

#include "batch_reply.h"

#include "remote/protocol/kept_batch.h"

#include <cstddef>
#include <cstdint>

namespace quex::child {

class BatchKeeper {
public:
  BatchKeeper(unsigned char* dataArea, size_t capacity)
      : block_(Remote::protocol::keptBatchIn(dataArea, capacity)),
        room_(block_ != nullptr ? Remote::protocol::keptBatchRoom(capacity) : 0) {}

  // A batch starts: nothing of it is kept yet.
  void begin() noexcept {
    kept_ = false;
    copied_ = 0;
  }
  // `rows` whole records of `valuesPerRow` values are encoded in `batch`:
  // copies what is new of them and commits the counts. Records past the room
  // are not kept; the last commit stands for them. `whole`: the records hold
  // every value the module gave for them.
  void keep(const BatchReply& batch, uint64_t valuesPerRow, uint64_t rows, bool whole) noexcept;
  // The bytes of values the block can keep; 0 when the area has no block.
  size_t room() const noexcept { return room_; }
  // A message on "main" may now write over the kept records.
  void lend() noexcept;
  // The messages of the callback reached `reach` bytes into the area.
  void giveBack(size_t reach) noexcept;
  // The reply goes, or the records read are let go: the host is not to take
  // them for kept records any more.
  void end() noexcept;

private:
  Remote::protocol::KeptBatch* const block_;
  const size_t room_;
  bool kept_ = false;   // the mark is set for this batch
  uint64_t mark_ = 0;   // the mark this batch's records have
  size_t copied_ = 0;   // value bytes already in the block
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_BATCH_KEEPER_H
