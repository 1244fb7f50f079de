// Shared set-up of the front tests: a trace output that records every line,
// a ModuleScript handed to the scripted modules, and loading by module name.
#ifndef QUEX_TESTS_FRONT_FRONT_FIXTURE_H
#define QUEX_TESTS_FRONT_FRONT_FIXTURE_H

#include "common/recording_trace_output.h"
#include "module_script.h"

#include <quex/quex.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

inline std::string modulePath(const std::string& name) {
  return std::string(QUEX_TEST_MODULE_DIR) + "/" + name;
}

inline std::string pointerText(const void* pointer) {
  std::ostringstream stream;
  stream << pointer;
  return stream.str();
}

// The trace lines of a component call.
inline std::string enterLine(const std::string& call, const void* component) {
  return "[ENTER " + call + " (component=" + pointerText(component) + ")]";
}
inline std::string exitLine(const std::string& call, const void* component,
                            const std::string& status = "QX_OK", int errorCode = 0) {
  return "[EXIT " + call + " (component=" + pointerText(component) + ")]: Status=" + status +
         " ( ErrorCode=" + std::to_string(errorCode) + " )";
}

class FrontTest : public TraceRecordingTest {
protected:
  // Loads a scripted module in-process and initialises it with the script.
  void loadAndInitialise(const std::string& name) {
    ASSERT_TRUE(wrapper.load(name.c_str(), modulePath(name).c_str(), nullptr))
        << wrapper.getError();
    int errorCode = -1;
    ASSERT_EQ(wrapper.qx_initialise(&host, &errorCode), QX_OK);
  }

  // Loads and initialises `module`, creates a component of its generation
  // and forgets the lines written so far.
  void start(const std::string& module) {
    loadAndInitialise(module);
    QXStatus status = wrapper.isOlderGeneration()
                          ? wrapper.tarnext_create_peer(nullptr, 7, "text", &component, &errorCode)
                          : wrapper.qx_create_component(nullptr, "text", &component, &errorCode);
    EXPECT_EQ(status, QX_OK);
    lines->clear();
  }

  // Records with `fields` values each, "r<record>f<field>".
  void giveRecords(size_t count, size_t fields) {
    script.records.clear();
    for (size_t r = 0; r < count; ++r) {
      script.records.emplace_back();
      for (size_t f = 0; f < fields; ++f)
        script.records.back().emplace_back("r" + std::to_string(r) + "f" + std::to_string(f));
    }
  }

  ModuleScript script;
  QXHost host{&script, nullptr, nullptr, nullptr, nullptr};
  ExtensionWrapper wrapper;
  void* component = nullptr;
  int errorCode = -1;
};

#endif // QUEX_TESTS_FRONT_FRONT_FIXTURE_H
