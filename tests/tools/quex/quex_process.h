// Runs the quex binary as a user would and captures what it printed and its
// exit code.
#ifndef QUEX_TESTS_HARNESS_QUEX_PROCESS_H
#define QUEX_TESTS_HARNESS_QUEX_PROCESS_H

#include "common/scratch_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

struct QuexResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// Quotes one argument for the shell.
inline std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class QuexProcessTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = ::testing::TempDir() + "quex_" + processTag() + "_" + info->test_suite_name() + "_" +
           info->name();
    std::system(("rm -rf " + shellQuote(dir_) + " && mkdir -p " + shellQuote(dir_)).c_str());
  }
  void TearDown() override {
    std::system(("rm -rf " + shellQuote(dir_)).c_str());
    // Every quex this test ran has ended: a shared-memory name or semaphore
    // of one of them is one it left behind.
    std::set<std::string> left;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
      const std::string name = entry.path().filename().string();
      for (const std::string& host : hosts_)
        if (name.find("tarn.quex." + host + ".") != std::string::npos) left.insert(name);
    }
    EXPECT_EQ(left, std::set<std::string>{});
    for (const std::string& name : left) std::filesystem::remove("/dev/shm/" + name);
  }

  std::string file(const std::string& name) const { return dir_ + "/" + name; }

  // `arguments` are already shell words (quote paths with shellQuote).
  // `environment` is put before the command, e.g. "NAME=value ".
  // Its process id is kept for the check that it left no name behind.
  QuexResult quex(const std::string& arguments, const std::string& environment = "") {
    const std::string command = "cd " + shellQuote(dir_) + " || exit 1; " + environment +
                                shellQuote(QUEX_BINARY) + " " + arguments +
                                " >quex.out 2>quex.err </dev/null & echo $! >quex.pid; wait $!; "
                                "echo $? >quex.rc";
    QuexResult result;
    if (std::system(command.c_str()) != 0) return result;
    noteHost();
    result.exitCode = std::atoi(readFile(file("quex.rc")).c_str());
    result.out = readFile(file("quex.out"));
    result.err = readFile(file("quex.err"));
    return result;
  }

  // Any shell command line, run in the test's folder.
  QuexResult runInDir(const std::string& commandLine, const std::string& environment = "") {
    std::string command = "cd " + shellQuote(dir_) + " && " + environment + commandLine +
                          " >quex.out 2>quex.err </dev/null; echo $? >quex.rc";
    QuexResult result;
    if (std::system(command.c_str()) != 0) return result;
    result.exitCode = std::atoi(readFile(file("quex.rc")).c_str());
    result.out = readFile(file("quex.out"));
    result.err = readFile(file("quex.err"));
    return result;
  }

  // Starts quex in the background, waits until standard error shows
  // `ready`, then sends it Ctrl-C twice, 300 ms apart (or once), and times
  // the exit from the last.
  struct QuexInterrupted : QuexResult {
    long millisecondsAfterLast = -1;
  };
  QuexInterrupted quexInterrupted(const std::string& arguments, const std::string& ready,
                                  int interrupts = 2) {
    // quex.err is emptied before the start: the background job opens it on
    // its own time, and a ready line left by an earlier run would send the
    // Ctrl-C before quex listens for it (the shell starts it ignoring SIGINT).
    const std::string script =
        ": >quex.err; " + shellQuote(QUEX_BINARY) + " " + arguments +
        " >quex.out 2>quex.err </dev/null & pid=$!; " +
        "n=0; until grep -q " + shellQuote(ready) + " quex.err || [ $n -ge 400 ]; do " +
        "sleep 0.05; n=$((n+1)); done; echo $pid >quex.pid; " +
        (interrupts > 1 ? "kill -INT $pid; sleep 0.3; " : "") +
        "start=$(date +%s%N); kill -INT $pid; wait $pid; echo $? >quex.rc; " +
        "echo $((($(date +%s%N) - start) / 1000000)) >quex.ms";
    QuexInterrupted result;
    if (std::system(("cd " + shellQuote(dir_) + " && sh -c " + shellQuote(script)).c_str()) != 0)
      return result;
    noteHost();
    result.exitCode = std::atoi(readFile(file("quex.rc")).c_str());
    result.millisecondsAfterLast = std::atol(readFile(file("quex.ms")).c_str());
    result.out = readFile(file("quex.out"));
    result.err = readFile(file("quex.err"));
    return result;
  }

  static std::string testModule(const std::string& name) {
    return shellQuote(std::string(QUEX_TEST_MODULE_DIR) + "/" + name);
  }

  std::string dir_;

private:
  void noteHost() {
    std::string pid = readFile(file("quex.pid"));
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
    if (!pid.empty()) hosts_.push_back(pid);
  }

  std::vector<std::string> hosts_; // the quex processes this test ran
};

#endif // QUEX_TESTS_HARNESS_QUEX_PROCESS_H
