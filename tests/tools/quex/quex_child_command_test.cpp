// quex run --child and quex info --child: the same runs give the same records,
// messages and exit codes as in-process, with the module in child processes.
#include "tools/quex/quex_process.h"

#include <algorithm>
#include <regex>

namespace {

std::string exampleModule(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_MODULE_DIR) + "/" + name);
}
std::string exampleData(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_DATA_DIR) + "/" + name);
}

class QuexChild : public QuexProcessTest {};

// A module (or its child) claiming a text of SIZE_MAX bytes: one clear
// message in both modes, never an allocation of that size.
TEST_F(QuexChild, ImpossibleTextSizeStopsTheRunCleanly) {
  writeFile(file("params.xml"), "huge-model");
  const std::string child = " --child=" + shellQuote(QUEX_CHILD_PROGRAM);
  const struct {
    std::string mode;
    const char* status;
  } rows[] = {{"", "QX_ERR_INSUFFICIENT_BUFFER"}, {child, "QX_ERR_REMOTE"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    QuexResult r = quex("run " + testModule("harness_probe") + " --params params.xml" + row.mode);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find(std::string("qx_component_getDataModel failed: ") + row.status),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(QuexChild, RunsGiveTheSameRecordsAndMessagesInBothModes) {
  writeFile(file("broken.xml"), "<Parameters><Derive");
  writeFile(file("chatter.xml"), "chatter");
  const std::string derive =
      "run " + exampleModule("derive") + " --input " + exampleData("orders.csv") + " --params ";
  const std::string namedChild = " --child=" + shellQuote(QUEX_CHILD_PROGRAM);
  const struct { std::string run, child; int exitCode; const char *out, *err; } rows[] = {
      // The diagnostics and the request's reply travel back from the child.
      {derive + exampleData("derive-params.xml") + " --request stats", namedChild, 0,
       "5,Kettle,39.9,1,5,34.9,5\n", "division by zero"},
      // The same from children started ahead of need.
      {derive + exampleData("derive-params.xml") + " --request stats",
       " --child --warm-children 2", 0, "5,Kettle,39.9,1,5,34.9,5\n", "division by zero"},
      // A module in a child cannot reach the host's path expansion; csvsource
      // then opens the path as given and reads the same records.
      {"run " + exampleModule("csvsource") + " --file input=" + exampleData("orders.csv"),
       " --child", 0, "5,Kettle,39.9,1,5", "5 records read"},
      // The XML service in the child reports a malformed document on the
      // standard output it shares with quex: it must reach standard error.
      {derive + "broken.xml", " --child", 1, "", "Caught unknown exception\n"},
      // So does what a module writes on its own runtime's std::cout.
      {"run " + testModule("harness_probe") + " --params " + file("chatter.xml"), " --child", 0,
       "n\n1\n2\n", "probe: chatter\n"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.run + row.child);
    const QuexResult inProcess = quex(row.run);
    const QuexResult outOfProcess = quex(row.run + row.child);
    EXPECT_EQ(inProcess.exitCode, row.exitCode) << inProcess.err;
    EXPECT_NE(inProcess.out.find(row.out), std::string::npos) << inProcess.out;
    EXPECT_NE(inProcess.err.find(row.err), std::string::npos) << inProcess.err;
    EXPECT_EQ(outOfProcess.exitCode, inProcess.exitCode);
    EXPECT_EQ(outOfProcess.out, inProcess.out);
    EXPECT_EQ(outOfProcess.err, inProcess.err);
  }
}

// quex info --child describes the module as in process, and names the child
// program it runs in.
TEST_F(QuexChild, InfoDescribesTheModuleNotItsProxy) {
  for (const char* module : {"e2e_older", "e2e_current"}) {
    SCOPED_TRACE(module);
    const QuexResult inProcess = quex("info " + testModule(module));
    ASSERT_EQ(inProcess.exitCode, 0) << inProcess.err;
    const QuexResult child =
        quex("info " + testModule(module) + " --child=" + shellQuote(QUEX_CHILD_PROGRAM));
    ASSERT_EQ(child.exitCode, 0) << child.err;
    const std::string runsIn = "child:       " + std::string(QUEX_CHILD_PROGRAM);
    const size_t at = child.out.find("\n") + 1;
    ASSERT_EQ(child.out.compare(at, runsIn.size(), runsIn), 0) << child.out;
    EXPECT_EQ(child.out.substr(0, at) + child.out.substr(at + runsIn.size() + 1), inProcess.out);
  }
  const QuexResult older = quex("info " + testModule("e2e_older") + " --child");
  EXPECT_NE(older.out.find("generation:  older"), std::string::npos) << older.out;
  EXPECT_NE(older.out.find("bulk fetch:  no"), std::string::npos) << older.out;
}

// A lost child is one line: how it ended, during which call (quex fetches in
// bulk from a child), after how many records; no line follows for the calls
// that fail after it. The records the module made before are written, as in
// quex's own process.
TEST_F(QuexChild, LostChildIsReportedOnceInOneLine) {
  const struct {
    const char* words;
    const char* options;
    const char* ending;
  } cases[] = {
      {"crash", "", "ended by signal SIGSEGV \\(11\\)"},
      {"hang", " --deadline 1", "was killed after sending nothing for [0-9]+ ms"},
  };
  for (const auto& lost : cases) {
    SCOPED_TRACE(lost.words);
    writeFile(file("params.xml"), lost.words);
    const QuexResult r = quex("run " + testModule("harness_probe") + " --params params.xml --child" +
                              lost.options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "n\n1\n2\n");
    const std::string err = std::regex_replace(r.err, std::regex("probe: hanging\n"), "");
    EXPECT_TRUE(std::regex_match(err, std::regex(std::string("quex: child process [0-9]+ ") +
                                                 lost.ending +
                                                 " during qx_component_bulkFetch, after 2 "
                                                 "records delivered\n")))
        << err;
  }
}

TEST_F(QuexChild, DeadlineNeedsTheChild) {
  const QuexResult r = quex("run " + testModule("harness_probe") + " --deadline 0.3");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--deadline requires --child"), std::string::npos) << r.err;
}

// Ctrl-C on a module that never returns from nextRecord and ignores the
// cancel: the first Ctrl-C cancels, the second ends the run within a second,
// in quex's process by exiting, out of it by killing the child.
TEST_F(QuexChild, SecondCtrlCEndsAHungRun) {
  writeFile(file("params.xml"), "hang");
  for (const std::string mode : {"", " --child"}) {
    SCOPED_TRACE(mode);
    const QuexInterrupted r = quexInterrupted(
        "run " + testModule("harness_probe") + " --params params.xml" + mode, "probe: hanging");
    EXPECT_EQ(r.exitCode, 130);
    EXPECT_LT(r.millisecondsAfterLast, 1000);
    EXPECT_EQ(r.out, "n\n1\n2\n");
    if (mode.empty()) {
      EXPECT_EQ(r.err, "probe: hanging\nprobe: cancel received\nquex: a second Ctrl-C while the "
                       "module runs in quex's own process: exiting at once\n");
    } else {
      EXPECT_TRUE(std::regex_match(
          r.err, std::regex("probe: hanging\nprobe: cancel received\nquex: stopped after a "
                            "second Ctrl-C: child process [0-9]+ was killed by the host during "
                            "qx_component_bulkFetch, after 2 records delivered\n")))
          << r.err;
    }
  }
}

// One Ctrl-C on a module that never returns and ignores the cancel: the run
// ends 5 s later all the same, in quex's process by exiting, out of it by
// killing the child.
TEST_F(QuexChild, HungRunEndsFiveSecondsAfterOneCtrlC) {
  writeFile(file("params.xml"), "hang");
  for (const std::string mode : {"", " --child"}) {
    SCOPED_TRACE(mode);
    const QuexInterrupted r = quexInterrupted(
        "run " + testModule("harness_probe") + " --params params.xml" + mode, "probe: hanging", 1);
    EXPECT_EQ(r.exitCode, 130);
    EXPECT_GE(r.millisecondsAfterLast, 5000);
    EXPECT_LT(r.millisecondsAfterLast, 6500);
    EXPECT_EQ(r.out, "n\n1\n2\n");
    if (mode.empty()) {
      EXPECT_EQ(r.err, "probe: hanging\nprobe: cancel received\nquex: the module did not stop "
                       "within 5 s of Ctrl-C while the module runs in quex's own process: "
                       "exiting at once\n");
    } else {
      EXPECT_TRUE(std::regex_match(
          r.err, std::regex("probe: hanging\nprobe: cancel received\nquex: stopped after the "
                            "module did not stop within 5 s of Ctrl-C: child process [0-9]+ was "
                            "killed by the host during qx_component_bulkFetch, after 2 "
                            "records delivered\n")))
          << r.err;
    }
  }
}

// A child busy for three deadlines that reports progress every 100 ms is
// never killed; one silent in qx_initialise is, and quex says so.
TEST_F(QuexChild, DeadlineKillsOnlyASilentChild) {
  writeFile(file("params.xml"), "progress");
  const QuexResult busy =
      quex("run " + testModule("harness_probe") + " --params params.xml --child --deadline 1");
  EXPECT_EQ(busy.exitCode, 0) << busy.err;
  EXPECT_EQ(std::count(busy.out.begin(), busy.out.end(), '\n'), 1001);
  EXPECT_EQ(busy.err.find("killed"), std::string::npos) << busy.err;

  const QuexResult silent =
      quex("run " + testModule("e2e_hang_initialise") + " --child --deadline 0.5");
  EXPECT_EQ(silent.exitCode, 1);
  EXPECT_EQ(silent.out, "");
  EXPECT_TRUE(std::regex_search(
      silent.err, std::regex("child process [0-9]+ was killed after sending nothing for [0-9]+ "
                             "ms during qx_initialise")))
      << silent.err;
}

TEST_F(QuexChild, MissingChildProgramIsOneClearLine) {
  const QuexResult r = quex("run " + exampleModule("derive") + " --child=/nonexistent/child");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quex: cannot start the child program /nonexistent/child: Create Process "
                   "Failed (No such file or directory)\n");
}

} // namespace
