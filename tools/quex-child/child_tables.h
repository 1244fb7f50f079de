// The callback tables the child hands its module. Each member turns into the
// host callback of the same meaning, keyed with the host's handle value; the
// documents the module makes are made here with the XML service, since the
// host refuses to make them for a child.
#ifndef QUEX_TOOLS_QUEX_CHILD_CHILD_TABLES_H
#define QUEX_TOOLS_QUEX_CHILD_CHILD_TABLES_H

#include "batched_input.h"
#include "host_link.h"

#include <quex/qx.h>

#include <deque>
#include <memory>

namespace quex::child {

// The owner of every table but the iterator's (a BatchedInput): the link and
// the host's handle value.
struct TableOwner {
  TableOwner(HostLink& link, uint64_t key) : link(link), key(key) {}
  HostLink& link;
  uint64_t key;
};

// Makes tables and keeps them, with their owners, for the child's whole life:
// a module may hold a table until the call that ends its use.
class ChildTables {
public:
  explicit ChildTables(HostLink& link) : link_(link) {}

  QXHost* host(uint64_t key);
  QXContext* context(uint64_t key);
  QXIterator* iterator(uint64_t key);
  QXProgress* progress(uint64_t key);
  QXChannel* channel(uint64_t key);
  // At the end of an execution: the inputs keep no batch, and a late read
  // reaches the host, which answers it as for any closed table.
  void closeInputs();

private:
  TableOwner* owner(uint64_t key);

  HostLink& link_;
  std::deque<TableOwner> owners_;
  std::deque<BatchedInput> inputs_;
  std::deque<QXHost> hosts_;
  std::deque<QXContext> contexts_;
  std::deque<QXIterator> iterators_;
  std::deque<QXProgress> progresses_;
  std::deque<QXChannel> channels_;
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_CHILD_TABLES_H
