// quex run --child and quex info --child: the same runs give the same records,
// messages and exit codes as in-process, with the module in child processes.
#include "tools/quex/quex_process.h"

namespace {

std::string exampleModule(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_MODULE_DIR) + "/" + name);
}
std::string exampleData(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_DATA_DIR) + "/" + name);
}

class QuexChild : public QuexProcessTest {};

TEST_F(QuexChild, RunsGiveTheSameRecordsAndMessagesInBothModes) {
  writeFile(file("broken.xml"), "<Parameters><Derive");
  const std::string derive =
      "run " + exampleModule("derive") + " --input " + exampleData("orders.csv") + " --params ";
  const std::string namedChild = " --child=" + shellQuote(QUEX_CHILD_PROGRAM);
  const struct { std::string run, child; int exitCode; const char *out, *err; } rows[] = {
      // The diagnostics and the request's reply travel back from the child.
      {derive + exampleData("derive-params.xml") + " --request stats", namedChild, 0,
       "5,Kettle,39.9,1,5,34.9,5\n", "division by zero"},
      // A module in a child cannot reach the host's path expansion; csvsource
      // then opens the path as given and reads the same records.
      {"run " + exampleModule("csvsource") + " --file input=" + exampleData("orders.csv"),
       " --child", 0, "5,Kettle,39.9,1,5", "5 records read"},
      // The XML service in the child reports a malformed document on the
      // standard output it shares with quex: it must reach standard error.
      {derive + "broken.xml", " --child", 1, "", "Caught unknown exception\n"}};
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

TEST_F(QuexChild, InfoShowsTheModuleInformationFromTheChild) {
  const QuexResult r = quex("info " + exampleModule("derive") + " --child");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("module information:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("interaction: yes"), std::string::npos) << r.out;
}

TEST_F(QuexChild, MissingChildProgramIsOneClearLine) {
  const QuexResult r = quex("run " + exampleModule("derive") + " --child=/nonexistent/child");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quex: cannot start the child program /nonexistent/child: Create Process "
                   "Failed (No such file or directory)\n");
}

} // namespace
