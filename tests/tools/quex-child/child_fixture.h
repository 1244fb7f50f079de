// The host side of the child-process tests: a complete set of host services
// (host, context, input records, progress listener, channel) around one
// ExtensionWrapper, and the check that a test leaves nothing of ours behind:
// no shared-memory name, child process, descriptor or thread.
#ifndef QUEX_TESTS_CHILD_CHILD_FIXTURE_H
#define QUEX_TESTS_CHILD_CHILD_FIXTURE_H

#include "common/host_doubles.h"
#include "common/table_records.h"
#include "remote/remote_fixture.h"

#include <quex/quex.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace child_test {

class LineRecorder : public ExtensionWrapperTraceOutput {
public:
  explicit LineRecorder(std::shared_ptr<LockedList<std::string>> lines) : lines_(std::move(lines)) {}
  void trace(const char* line) override { lines_->add(line); }

private:
  std::shared_ptr<LockedList<std::string>> lines_;
};

class HostSupport : public Extension::ContextSupport {
public:
  class Resource : public ChildResource {
  public:
    explicit Resource(int* filled) : filled_(filled) {}
    void fillText(std::string& text) override {
      text = "resource";
      ++*filled_;
    }

  private:
    int* filled_;
  };

  bool expandFilePath(const std::string& path, unsigned int, std::string& expanded) override {
    expanded = path;
    return true;
  }
  ChildResource* acquireChildResource() override { return new Resource(&filled); }
  bool openJVM(void**, const char*) override { return false; }
  bool closeJVM(void*) override { return false; }
  int filled = 0;
};

// What this test process holds of the operating system at one moment.
struct Holdings {
  std::vector<std::string> sharedObjects;
  std::vector<long> children;
  size_t descriptors = 0;
  size_t threads = 0;
  static Holdings now();
};

std::string modulePath(const std::string& name);

class HostedModule : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Loads `name` in-process, or with `childProgram` in child processes.
  void load(const std::string& name, const char* childProgram);
  QXStatus initialise();
  // Makes a component the way the module's mode allows.
  QXStatus create(const std::string& text, void** component);
  QXIterator* iteratorTable() { return QXIteratorFactory::create(&records); }
  QXProgress* progressTable() { return QXProgressFactory::create(&progress); }
  QXChannel* channelTable() { return QxChannelFactory::create(&channel); }
  std::vector<std::string> traceLines() const { return lines->items(); }

  std::shared_ptr<LockedList<std::string>> lines = std::make_shared<LockedList<std::string>>();
  HostSupport support;
  ExtensionWrapper extension;
  bool inChild = false;
  std::unique_ptr<QXHostWrapper> host{QXHostWrapper::createHostWrapper()};
  QXContextWrapper context{&extension};
  TableRecords records{&extension, {{"a1", std::nullopt}, {"a2", "b2"}}};
  QXProgressWrapper progress{&extension};
  KeepingListener listener;
  RecordingChannel channel{&extension};

private:
  Holdings before_;
  std::unique_ptr<LineRecorder> output_;
};

} // namespace child_test

#endif // QUEX_TESTS_CHILD_CHILD_FIXTURE_H
