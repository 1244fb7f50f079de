#include "batch_keeper.h"

#include <cstring>

namespace quex::child {

using Remote::loadField;
using Remote::storeField;
using Remote::protocol::kKeptBatchMark;
using Remote::protocol::kKeptBatchOffset;

void BatchKeeper::keep(const BatchReply& batch, uint64_t valuesPerRow, uint64_t rows,
                       bool whole) noexcept {
  const size_t bytes = batch.valueBytes();
  if (block_ == nullptr || bytes > room_) return;
  // Only what is new since the last commit is copied; the counts follow the
  // values, and the record count last, so a death between the stores leaves
  // a smaller batch that still decodes.
  std::memcpy(Remote::protocol::keptValues(block_) + copied_, batch.values() + copied_,
              bytes - copied_);
  copied_ = bytes;
  if (!kept_) {
    mark_ = whole ? Remote::protocol::kKeptWholeMark : kKeptBatchMark;
    storeField(block_->records, 0);
    storeField(block_->valuesPerRow, valuesPerRow);
  }
  storeField(block_->bytes, bytes);
  storeField(block_->records, rows);
  if (!kept_) storeField(block_->mark, mark_);
  kept_ = true;
}

void BatchKeeper::lend() noexcept {
  if (kept_) storeField(block_->mark, 0);
}

void BatchKeeper::giveBack(size_t reach) noexcept {
  if (!kept_) return;
  if (reach <= kKeptBatchOffset) {
    storeField(block_->mark, mark_);
    return;
  }
  kept_ = false; // the next record writes the whole batch again
  copied_ = 0;
}

void BatchKeeper::end() noexcept {
  if (kept_) storeField(block_->mark, 0);
  kept_ = false;
  copied_ = 0;
}

} // namespace quex::child
