// The host's side of the records a child keeps while it reads a batch: the
// count the monitor reports at a death, and the decoding of what was kept
// once the child is lost.
#include "process.h"

#include "protocol/kept_batch.h"
#include "protocol/value_encoding.h"

#include <algorithm>

namespace Remote {
namespace {

protocol::KeptBatch* keptBatchOf(const SharedMemoryConnector& main) noexcept {
  return protocol::keptBatchIn(main.dataArea(), main.chunkCapacity());
}

bool isMark(uint64_t mark) noexcept {
  return mark == protocol::kKeptBatchMark || mark == protocol::kKeptWholeMark;
}

} // namespace

uint64_t Process::keptRecords() const noexcept {
  const protocol::KeptBatch* block = keptBatchOf(main_);
  if (block == nullptr || !isMark(loadField(block->mark))) return 0;
  return loadField(block->records);
}

bool Process::takeKeptBatch(RemoteValueArray& values, uint64_t capacity, uint64_t& valuesPerRow,
                            uint64_t& rows, bool& whole) {
  valuesPerRow = rows = 0;
  protocol::KeptBatch* block = keptBatchOf(main_);
  if (block == nullptr) return false;
  const uint64_t mark = loadField(block->mark);
  if (!isMark(mark)) return false;
  whole = mark == protocol::kKeptWholeMark;
  storeField(block->mark, 0); // handed out once
  // A child that died between its stores left a record count its bytes
  // hold: it writes the bytes' count first.
  const uint64_t records = loadField(block->records);
  const uint64_t fields = loadField(block->valuesPerRow);
  const uint64_t bytes = loadField(block->bytes);
  const uint64_t room = protocol::keptBatchRoom(main_.chunkCapacity());
  const uint64_t limit = std::min<uint64_t>(capacity, protocol::kMaxBatchValues);
  if (records == 0 || fields == 0 || records > protocol::recordsThatFit(fields, limit) ||
      bytes > room)
    return false;
  if (values.decode(protocol::keptValues(block), bytes, fields * records) ==
      RemoteValueArray::kMalformed)
    return false;
  valuesPerRow = fields;
  rows = records;
  return true;
}

} // namespace Remote
