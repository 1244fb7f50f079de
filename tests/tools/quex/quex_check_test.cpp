// quex check: the example modules pass every check, and each module with a
// planted fault fails exactly the check that is there to catch it, with a
// reason that names the fault. The JUnit file is well-formed XML.
#include "tools/quex/quex_process.h"

#include <quex/quex.hpp>

#include <regex>
#include <set>

namespace {

std::string exampleModule(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_MODULE_DIR) + "/" + name);
}
std::string exampleData(const std::string& name) {
  return shellQuote(std::string(QUEX_EXAMPLE_DATA_DIR) + "/" + name);
}

// id -> result ("passed", "failed", ...) and reason, from the --json file.
struct Outcomes {
  std::map<std::string, std::string> result, reason;
  std::set<std::string> failing() const {
    std::set<std::string> ids;
    for (const auto& entry : result)
      if (entry.second != "passed" && entry.second != "skipped") ids.insert(entry.first);
    return ids;
  }
};

Outcomes readOutcomes(const std::string& json) {
  Outcomes outcomes;
  static const std::regex line(
      R"re(\{"id": "([^"]+)".*"result": "([^"]+)", "seconds": [0-9.]+, "reason": "((?:[^"\\]|\\.)*)")re");
  std::smatch match;
  for (auto at = json.cbegin(); std::regex_search(at, json.cend(), match, line);
       at = match.suffix().first) {
    outcomes.result[match[1]] = match[2];
    outcomes.reason[match[1]] = match[3];
  }
  return outcomes;
}

struct PlantedFault {
  const char* module;
  const char* failingCheck; // the one check it must fail
  const char* reason;       // a part of that check's reason
};

class QuexCheckPlanted : public QuexProcessTest,
                         public ::testing::WithParamInterface<PlantedFault> {};

TEST_P(QuexCheckPlanted, FailsExactlyItsCheck) {
  const PlantedFault& fault = GetParam();
  const QuexResult r = quex("check " + testModule(fault.module) + " --json result.json");
  ASSERT_EQ(r.exitCode, 1) << r.out << r.err;
  const Outcomes outcomes = readOutcomes(readFile(file("result.json")));
  ASSERT_GT(outcomes.result.size(), 10u) << readFile(file("result.json"));
  EXPECT_EQ(outcomes.failing(), std::set<std::string>{fault.failingCheck}) << r.out;
  EXPECT_NE(outcomes.reason.at(fault.failingCheck).find(fault.reason), std::string::npos)
      << outcomes.reason.at(fault.failingCheck);
  // The table shows how to run that one check again, in process.
  EXPECT_NE(r.out.find(std::string("--only ") + fault.failingCheck + " --in-process"),
            std::string::npos)
      << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, QuexCheckPlanted,
    ::testing::Values(
        PlantedFault{"broken_missing_export", "load.required-exports",
                     "missing required export: qx_component_getErrorDetail"},
        PlantedFault{"broken_near_miss_name", "load.required-exports",
                     "qx_initialise (qx_initialize is exported"},
        PlantedFault{"broken_overrun_by_one", "text.module-information",
                     "wrote outside the buffer"},
        PlantedFault{"broken_needed_without_terminator", "text.data-model",
                     "*needed must count the terminating zero byte"},
        PlantedFault{"broken_crash_out_of_order", "lifecycle.out-of-order",
                     "crashed with SIGSEGV in qx_component_getRecordValue before"},
        PlantedFault{"broken_hang_in_next_record", "cancel.ends-run",
                     "stuck in qx_component_nextRecord"},
        PlantedFault{"broken_bulk_differs", "records.bulk-matches-records",
                     "record 3, field 2 (square): 9 read record by record but 10 by bulk fetch"},
        PlantedFault{"broken_leak_per_component", "resources.create-destroy", "a leak"},
        PlantedFault{"broken_password_in_trace", "secrecy.traces",
                     "a password shows at trace level 0: \\\"connecting with password ***"},
        PlantedFault{"broken_output_differs_in_child", "records.child-matches",
                     "1 in process but 2 in quex-child"},
        PlantedFault{"broken_crash_in_cleanup", "init.twice",
                     "crashed with SIGSEGV in qx_cleanup (second time)"}),
    [](const ::testing::TestParamInfo<PlantedFault>& info) {
      return std::string(info.param.module);
    });

class QuexCheck : public QuexProcessTest {};

TEST_F(QuexCheck, ExampleModulesPassEveryCheck) {
  for (const std::string& arguments : std::vector<std::string>{
           exampleModule("squares"), "unbroken --json ignored.json",
        exampleModule("csvsource") + " --file input=" + exampleData("orders.csv"),
        exampleModule("derive") + " --input " + exampleData("orders.csv") + " --params " +
            exampleData("derive-params.xml")}) {
    const std::string module =
        arguments.rfind("unbroken", 0) == 0 ? testModule("unbroken") + arguments.substr(8)
                                            : arguments;
    const QuexResult r = quex("check " + module);
    EXPECT_EQ(r.exitCode, 0) << module << "\n" << r.out << r.err;
    EXPECT_NE(r.out.find(" 0 failed, 0 warnings"), std::string::npos) << r.out;
  }
}

TEST_F(QuexCheck, JUnitFileIsWellFormedXmlWithOneTestCasePerCheck) {
  const QuexResult r =
      quex("check " + testModule("broken_overrun_by_one") + " --only load,text --junit out.xml");
  ASSERT_EQ(r.exitCode, 1) << r.err;
  const std::string junit = readFile(file("out.xml"));
  QXXMLWrapper::startup();
  {
    std::unique_ptr<QXHostWrapper> hostWrapper(QXHostWrapper::createHostWrapper());
    QXHost* host = QXHostFactory::create(hostWrapper.get());
    ExtensionCppHelper::XMLDocument document =
        ExtensionCppHelper::XMLDocument::createFromString(host, junit.c_str());
    std::string root;
    document.getName(root); // throws for a document that is not well-formed
    EXPECT_EQ(root, "testsuites") << junit;
    auto count = [&](const char* name) {
      size_t n = 0;
      ExtensionCppHelper::XMLElementIterator items = document.getElements(name);
      while (items.hasMore() && items.next().isValid()) ++n;
      return n;
    };
    EXPECT_EQ(count("testcase"), 9u);
    EXPECT_EQ(count("failure"), 1u);
  }
  QXXMLWrapper::shutdown();
}

TEST_F(QuexCheck, ListOnlyAndSkipChooseChecks) {
  QuexResult r = quex("check --list");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("error    Every required entry point is exported"), std::string::npos)
      << r.out;
  r = quex("check " + exampleModule("squares") + " --only load --skip load.c-linkage");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("4 passed, 0 failed, 0 warnings"), std::string::npos) << r.out;
  r = quex("check " + exampleModule("squares") + " --only no.such-check");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no check is named 'no.such-check'"), std::string::npos) << r.err;
}

// A check past its timeout is killed and named with the call it hung in; a
// SIGTERM stops quex check and every check it runs.
TEST_F(QuexCheck, HangingCheckIsKilledAtItsTimeoutAndSigtermStopsEverything) {
  const std::string hang = "check " + testModule("broken_hang_in_next_record") +
                           " --only cancel --cancel-ms 60000";
  // The timeout leaves a sanitizer build on a busy machine time to load the
  // module: what must time out is the hung call, not the start.
  QuexResult r = quex(hang + " --timeout 4 --json result.json");
  ASSERT_EQ(r.exitCode, 1) << r.err;
  const Outcomes outcomes = readOutcomes(readFile(file("result.json")));
  EXPECT_EQ(outcomes.result.at("cancel.ends-run"), "timed-out");
  EXPECT_NE(outcomes.reason.at("cancel.ends-run").find("in qx_component_nextRecord"),
            std::string::npos);

  const std::string stopped = "(" + shellQuote(QUEX_BINARY) + " " + hang +
                              " >/dev/null 2>&1 & pid=$!; sleep 1; kill -TERM $pid; wait $pid; "
                              "echo $? >term.rc; sleep 0.2; ps -eo args >ps.txt)";
  ASSERT_EQ(std::system(("cd " + shellQuote(dir_) + " && " + stopped).c_str()), 0);
  EXPECT_EQ(readFile(file("term.rc")), "143\n");
  // No check process is left (the shell line of this test names the module too).
  std::istringstream processes(readFile(file("ps.txt")));
  for (std::string line; std::getline(processes, line);)
    EXPECT_TRUE(line.find("broken_hang_in_next_record") == std::string::npos ||
                line.find("--isolated") == std::string::npos)
        << line;
}

// A module that dies while it is opened, or hangs in initialise: the gates
// say so, the checks that would drive it are not run, quex check ends.
TEST_F(QuexCheck, ModuleThatCrashesWhileLoadingOrHangsInInitialiseEndsCleanly) {
  QuexResult r = quex("check " + testModule("broken_crash_while_loading") + " --json result.json");
  ASSERT_EQ(r.exitCode, 1) << r.err;
  Outcomes outcomes = readOutcomes(readFile(file("result.json")));
  EXPECT_EQ(outcomes.result.at("load.library"), "crashed");
  EXPECT_NE(outcomes.reason.at("load.library").find("SIGSEGV in loading the module"),
            std::string::npos);
  EXPECT_EQ(outcomes.result.at("load.required-exports"), "passed"); // read from the file
  EXPECT_EQ(outcomes.result.at("lifecycle.normal"), "skipped");
  EXPECT_NE(outcomes.reason.at("lifecycle.normal").find("not run: "), std::string::npos);

  r = quex("check " + testModule("broken_hang_in_initialise") +
           " --timeout 4 --json result.json");
  ASSERT_EQ(r.exitCode, 1) << r.err;
  outcomes = readOutcomes(readFile(file("result.json")));
  EXPECT_EQ(outcomes.result.at("init.twice"), "timed-out");
  EXPECT_EQ(outcomes.reason.at("lifecycle.normal"), "not run: init.twice timed out in qx_initialise");
}

TEST_F(QuexCheck, FileThatIsNoModuleFailsItsLoadCheckCleanly) {
  const QuexResult r = quex("check " + testModule("not_a_library") + " --json result.json");
  ASSERT_EQ(r.exitCode, 1) << r.err;
  const Outcomes outcomes = readOutcomes(readFile(file("result.json")));
  EXPECT_EQ(outcomes.result.at("load.library"), "failed");
  EXPECT_NE(outcomes.reason.at("load.library").find("not a shared library"), std::string::npos);
}

} // namespace
