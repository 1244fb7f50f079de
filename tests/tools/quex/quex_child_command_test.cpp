// quex run --child and quex info --child: the same runs as in-process, with
// the module in child processes of quex-child.
#include "tools/quex/quex_process.h"

#include <regex>

namespace {

std::string exampleModule(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_MODULE_DIR) + "/" + name);
}
std::string exampleData(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_DATA_DIR) + "/" + name);
}

class QuexChild : public QuexProcessTest {};

TEST_F(QuexChild, RunGivesTheSameOutputInBothModes) {
  const std::string run = "run " + exampleModule("derive") + " --input " +
                          exampleData("orders.csv") + " --params " +
                          exampleData("derive-params.xml") + " --request stats";
  const QuexResult inProcess = quex(run);
  ASSERT_EQ(inProcess.exitCode, 0) << inProcess.err;
  const QuexResult outOfProcess = quex(run + " --child=" + shellQuote(QUEX_CHILD_PROGRAM));
  ASSERT_EQ(outOfProcess.exitCode, 0) << outOfProcess.err;
  EXPECT_EQ(outOfProcess.out, inProcess.out);
  EXPECT_EQ(outOfProcess.err, inProcess.err); // the diagnostics travel back too
}

TEST_F(QuexChild, DefaultChildProgramAndOutputFile) {
  const QuexResult r = quex("run " + exampleModule("derive") + " --input " +
                            exampleData("orders.csv") + " --params " +
                            exampleData("derive-params.xml") + " --output out.csv --child");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(file("out.csv")).substr(0, 55),
            "order,item,price,quantity,discount,total,unit_discount\n");
  EXPECT_NE(readFile(file("out.csv")).find("5,Kettle,39.9,1,5,34.9,5\n"), std::string::npos);
}

// A module in a child cannot reach the host's path expansion; csvsource then
// opens the path as given and reads the same records.
TEST_F(QuexChild, ReaderWithoutPathExpansionReadsTheSameRecords) {
  const std::string run =
      "run " + exampleModule("csvsource") + " --file input=" + exampleData("orders.csv");
  const QuexResult inProcess = quex(run);
  ASSERT_EQ(inProcess.exitCode, 0) << inProcess.err;
  const QuexResult outOfProcess = quex(run + " --child");
  ASSERT_EQ(outOfProcess.exitCode, 0) << outOfProcess.err;
  EXPECT_EQ(outOfProcess.out, inProcess.out);
  EXPECT_NE(outOfProcess.out.find("5,Kettle,39.9,1,5"), std::string::npos) << outOfProcess.out;
}

// The XML service in the child reports a malformed document on its standard
// output, which quex shares: it must arrive on standard error instead.
TEST_F(QuexChild, MessagesOfTheChildNeverReachTheRecords) {
  writeFile(file("params.xml"), "<Parameters><Derive");
  for (const char* mode : {"", " --child"}) {
    const QuexResult r = quex("run " + exampleModule("derive") + " --input " +
                              exampleData("orders.csv") + " --params params.xml" + mode);
    EXPECT_EQ(r.exitCode, 1) << mode;
    EXPECT_EQ(r.out, "") << mode;
    EXPECT_NE(r.err.find("Caught unknown exception\n"), std::string::npos) << mode << r.err;
  }
}

TEST_F(QuexChild, InfoShowsTheModuleInformationFromTheChild) {
  const QuexResult r = quex("info " + exampleModule("derive") + " --child");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("module information:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("interaction: yes"), std::string::npos) << r.out;
}

// A lost child is one line: how it ended, during which call (quex fetches in
// bulk from a child), after how many records; no line follows for the calls
// that fail after it.
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
    EXPECT_EQ(r.out, "n\n") << "the records of a batch the child never sent are lost";
    const std::string err = std::regex_replace(r.err, std::regex("probe: hanging\n"), "");
    EXPECT_TRUE(std::regex_match(err, std::regex(std::string("quex: child process [0-9]+ ") +
                                                 lost.ending +
                                                 " during qx_component_bulkFetch, after 0 "
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
    if (mode.empty()) {
      EXPECT_EQ(r.err, "probe: hanging\nprobe: cancel received\nquex: a second Ctrl-C while the "
                       "module runs in quex's own process: exiting at once\n");
    } else {
      EXPECT_TRUE(std::regex_match(
          r.err, std::regex("probe: hanging\nprobe: cancel received\nquex: stopped after a "
                            "second Ctrl-C: child process [0-9]+ was killed by the host during "
                            "qx_component_bulkFetch, after 0 records delivered\n")))
          << r.err;
    }
  }
}

TEST_F(QuexChild, MissingChildProgramIsOneClearLine) {
  const QuexResult r = quex("run " + exampleModule("derive") + " --child=/nonexistent/child");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quex: cannot start the child program /nonexistent/child: Create Process "
                   "Failed (No such file or directory)\n");
}

} // namespace
