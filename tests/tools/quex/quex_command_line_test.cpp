// The quex binary's command line, the info command and the load failures.
#include "quex_process.h"

namespace {

using QuexCommandLine = QuexProcessTest;

TEST_F(QuexCommandLine, InfoShowsGenerationEntriesAndIndentedModuleInformation) {
  QuexResult r = quex("info " + testModule("c_module"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "module:      " QUEX_TEST_MODULE_DIR "/c_module.dll\n"
                   "generation:  current (qx_ exports)\n"
                   "optional:    qx_getModuleInformation\n"
                   "interaction: no\n"
                   "bulk fetch:  no\n"
                   "module information:\n"
                   "<ModuleInformation name=\"c_module\"/>\n");
}

TEST_F(QuexCommandLine, ModuleGivenWithDllSuffixLoadsTheSame) {
  QuexResult r = quex("info " + testModule("c_module.dll"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("c_module.dll\n"), std::string::npos);
}

TEST_F(QuexCommandLine, BareModuleNamesAreFoundOnTheSearchPathThenAmongTheExamples) {
  QuexResult r = quex("info c_module", "QUEX_MODULE_PATH=/nonexistent:" +
                                           shellQuote(QUEX_TEST_MODULE_DIR) + " ");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("module:      " QUEX_TEST_MODULE_DIR "/c_module.dll\n", 0), 0u) << r.out;
  r = quex("info derive.dll");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("generation:  older (tarnext_ exports)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("interaction: yes\nbulk fetch:  no\n"), std::string::npos) << r.out;
}

// One line that says what was looked for and what was found instead.
TEST_F(QuexCommandLine, LoadFailuresSayWhatWasLookedForAndWhatWasFound) {
  const std::string dir = QUEX_TEST_MODULE_DIR;
  const std::string broken = "QUEX_MODULE_PATH=" + shellQuote(dir + "/broken") + " ";
  const struct {
    std::string command, environment, says;
  } cases[] = {
      {"info " + testModule("no_such_module"), "",
       "quex: looked for no_such_module.dll in " + dir + ": no such file\n"},
      {"info " + testModule("not_a_library"), "",
       "quex: " + dir + "/not_a_library.dll exists but the system could not load it: "},
      {"info " + testModule("missing_error_detail"), "",
       "quex: " + dir + "/missing_error_detail.dll is not a complete current-generation "
       "module: it lacks qx_component_getErrorDetail\n"},
      {"info " + testModule("broken/near_miss"), "",
       "it lacks qx_initialise (found qx_initialize, a misspelling), "},
      {"run prefixed", broken,
       "quex: looked for prefixed.dll in " + dir + "/broken; found libprefixed.so: modules are "
       "named NAME.dll\n"},
      {"run no_such_module", broken,
       "quex: no module no_such_module: looked for no_such_module.dll in the current folder, " +
           dir + "/broken, "},
  };
  for (const auto& c : cases) {
    QuexResult r = quex(c.command, c.environment);
    EXPECT_EQ(r.exitCode, 1) << c.command;
    EXPECT_EQ(r.out, "") << c.command;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.command << ": " << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.command << ": one line only";
  }
}

TEST_F(QuexCommandLine, BadCommandLinesGiveOneLineAndExitCodeTwo) {
  const char* cases[][2] = {
      {"", "A subcommand is required"},
      {"frobnicate", "unknown command 'frobnicate'"},
      {"info", "MODULE is required"},
      {"run m --trace 5", "--trace"},
      {"run m --trace x", "--trace"},
      {"run m --password nokey", "expected KEY=VALUE, got 'nokey'"},
      {"run m --file =path", "expected KEY=VALUE, got '=path'"},
      {"run m --input missing.csv", "missing.csv"},
      {"run m --input-model missing.xml", "--input-model"},
      {"run m --bogus", "--bogus"},
  };
  for (const auto& c : cases) {
    QuexResult r = quex(c[0]);
    EXPECT_EQ(r.exitCode, 2) << c[0];
    EXPECT_EQ(r.out, "") << c[0];
    EXPECT_EQ(r.err.rfind("quex: ", 0), 0u) << c[0] << ": " << r.err;
    EXPECT_NE(r.err.find(c[1]), std::string::npos) << c[0] << ": " << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c[0] << ": " << r.err;
  }
}

TEST_F(QuexCommandLine, ChildProgramThatDiesAtOnceFailsTheRunCleanly) {
  QuexResult r = quex("run " + testModule("c_module") + " --child=/bin/true");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("QX_ERR_REMOTE"), std::string::npos) << r.err;
}

TEST_F(QuexCommandLine, HelpForEachCommandExitsZero) {
  for (const char* command : {"--help", "info --help", "run --help"}) {
    QuexResult r = quex(command);
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_NE(r.out.find("Usage"), std::string::npos) << command;
  }
  EXPECT_NE(quex("run --help").out.find("--request"), std::string::npos);
}

} // namespace
