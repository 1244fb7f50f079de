// Host-side doubles several test folders share. Progress reports and channel
// messages may arrive on a child process's own thread while the test thread
// reads, so every list they keep is locked.
#ifndef QUEX_TESTS_COMMON_HOST_DOUBLES_H
#define QUEX_TESTS_COMMON_HOST_DOUBLES_H

#include <quex/quex.hpp>

#include <mutex>
#include <string>
#include <vector>

template <typename Item>
class LockedList {
public:
  void add(Item item) {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back(std::move(item));
  }
  std::vector<Item> items() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return items_;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.clear();
  }

private:
  mutable std::mutex mutex_;
  std::vector<Item> items_;
};

class KeepingListener : public QXProgressListener {
public:
  void reportDiagnostic(QXDiagnostic* diagnostic) override { seen.add(*diagnostic); }
  LockedList<QXDiagnostic> seen;
};

class RecordingChannel : public QxChannelWrapper {
public:
  using QxChannelWrapper::QxChannelWrapper;
  QXStatus send(const char* text, size_t length, int* errorCode) override {
    messages.add(std::string(text, length));
    *errorCode = errorToLeave;
    return status;
  }
  LockedList<std::string> messages;
  QXStatus status = QX_OK;
  int errorToLeave = 4;
};

#endif // QUEX_TESTS_COMMON_HOST_DOUBLES_H
