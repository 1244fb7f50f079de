// QXIteratorWrapper: the input records of one execution. The host derives
// from it; the QXIterator table carries each module call to the override,
// passing arguments, statuses and error codes through unchanged.
#ifndef QUEX_SERVICES_QXITERATORWRAPPER_H
#define QUEX_SERVICES_QXITERATORWRAPPER_H

#include <quex/export.h>
#include <quex/front/ExtensionWrapper.h>
#include <quex/qx.h>
#include <quex/services/TableList.h>

#include <cstddef>

class QUEX_API QXIteratorWrapper {
public:
  explicit QXIteratorWrapper(ExtensionWrapper* extension) : extension_(extension) {}
  // Copies share the extension but start without tables (TableList).
  QXIteratorWrapper(const QXIteratorWrapper& other) = default;
  QXIteratorWrapper& operator=(const QXIteratorWrapper& other) = default;
  virtual ~QXIteratorWrapper();

  virtual QXStatus nextRecord(int* errorCode) = 0;
  // *value points at the bytes of field `index` of the current record, null for
  // a null value; the bytes stay the host's.
  virtual QXStatus getRecordValue(size_t index, void** value, size_t* length,
                                  int* errorCode) = 0;
  virtual QXStatus rewind(int* errorCode) = 0;
  // Fills the first *fieldCount x *recordCount entries of the two parallel
  // arrays of `capacity` entries.
  virtual QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths,
                             size_t* fieldCount, size_t* recordCount, int* errorCode) = 0;

  ExtensionWrapper* getExtension() const { return extension_; }

  // Called by QXIteratorFactory only; the wrapper owns the table from then on.
  void registerHandle(QXIterator* table);
  size_t getHandleCount() const { return handles_.size(); }

private:
  ExtensionWrapper* extension_;
  quex::TableList<QXIterator> handles_;
};

#endif // QUEX_SERVICES_QXITERATORWRAPPER_H
