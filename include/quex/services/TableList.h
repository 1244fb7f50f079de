// TableList: the callback tables built for one wrapper, owned by it.
//
// A table belongs to the wrapper that built it and is freed exactly once, with
// that wrapper. So a copied wrapper starts with no tables, and assigning one
// wrapper to another keeps the target's own tables (they stay valid and are
// freed with the target).
#ifndef QUEX_SERVICES_TABLELIST_H
#define QUEX_SERVICES_TABLELIST_H

#include <cstddef>
#include <memory>
#include <vector>

namespace quex {

template <typename Table>
class TableList {
public:
  TableList() = default;
  TableList(const TableList&) {}
  TableList& operator=(const TableList&) { return *this; }
  ~TableList() = default;

  // Takes ownership of `table` at once, even if recording it fails.
  void add(Table* table) {
    std::unique_ptr<Table> owned(table);
    tables_.push_back(std::move(owned));
  }
  size_t size() const { return tables_.size(); }
  Table* operator[](size_t index) const { return tables_[index].get(); }

private:
  std::vector<std::unique_ptr<Table>> tables_;
};

} // namespace quex

#endif // QUEX_SERVICES_TABLELIST_H
