// Shared set-up of the services tests: the recording trace output, a host's
// context support and fetching a text through the text-return convention.
#ifndef QUEX_TESTS_SERVICES_SERVICES_FIXTURE_H
#define QUEX_TESTS_SERVICES_SERVICES_FIXTURE_H

#include "common/host_doubles.h"
#include "common/recording_trace_output.h"

#include <quex/quex.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using ServicesTest = TraceRecordingTest;

// The host's context support: expands "~/x" to "/home/probe/x#<flags>" and
// hands out one Java machine, or refuses all when `allow` is false.
class FakeContextSupport : public Extension::ContextSupport {
public:
  bool expandFilePath(const std::string& path, unsigned int flags,
                      std::string& expanded) override {
    expanded = "/home/probe" + path.substr(1) + "#" + std::to_string(flags);
    return allow;
  }
  ChildResource* acquireChildResource() override { return nullptr; }
  bool openJVM(void** jvm, const char* text) override {
    seenTexts.push_back(text);
    *jvm = allow ? &machine : nullptr;
    return allow;
  }
  bool closeJVM(void* jvm) override {
    closed = jvm;
    return allow && jvm == &machine;
  }

  bool allow = true;
  int machine = 0;
  void* closed = nullptr;
  std::vector<std::string> seenTexts;
};

// A fetch through the text-return convention with a buffer of `size` bytes.
struct TextAnswer {
  QXStatus status = 0;
  size_t needed = 0;
  std::string text; // the buffer's content up to its first zero byte
  int errorCode = -1;
};

// Calls `member(owner, args..., buffer, size, &needed, &errorCode)` with a
// buffer of `size` bytes (one more, filled with '#', to see overruns).
template <typename Member, typename... Args>
TextAnswer fetchText(Member member, void* owner, size_t size, Args... args) {
  TextAnswer answer;
  std::vector<char> buffer(size + 1, '#');
  answer.needed = 12345;
  answer.status = member(owner, args..., buffer.data(), size, &answer.needed, &answer.errorCode);
  answer.text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  return answer;
}

#endif // QUEX_TESTS_SERVICES_SERVICES_FIXTURE_H
