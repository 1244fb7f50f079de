// The quex binary's command line, the info command and the load failures.
#include "quex_process.h"


#include <cctype>
#include <regex>

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
      {"new reader 9lives", "'9lives' is not a valid module name"},
      {"new transformer my-module", "'my-module' is not a valid module name"},
      {"new reader ok --dir .", ". already exists and is not an empty folder"},
      {"new widget ok", "KIND"},
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
  // Not a bare status: how the child ended, and during which call.
  EXPECT_TRUE(std::regex_match(r.err, std::regex("quex: child process [0-9]+ ended with exit code "
                                                 "0 during qx_initialise, after 0 records "
                                                 "delivered\n")))
      << r.err;
}

TEST_F(QuexCommandLine, HelpForEachCommandExitsZero) {
  for (const char* command : {"--help", "info --help", "run --help"}) {
    QuexResult r = quex(command);
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_NE(r.out.find("Usage"), std::string::npos) << command;
  }
  EXPECT_NE(quex("run --help").out.find("--request"), std::string::npos);
}

// The manual is made from the command line itself: every option any command's
// --help shows is in it, and the help's examples and exit codes too.
TEST_F(QuexCommandLine, ManPageHasEveryOptionOfTheHelpAndTheExitCodes) {
  const QuexResult page = quex("--man-page");
  ASSERT_EQ(page.exitCode, 0) << page.err;
  const QuexResult help = quex("--help");
  for (const char* shown : {"Examples:\n  quex run ", "Exit codes:\n  0 ", "  130  cancelled"})
    EXPECT_NE(help.out.find(shown), std::string::npos) << shown << " in:\n" << help.out;
  for (const char* part : {".SH EXAMPLES", ".SH EXIT STATUS\n.TP\n.B 0\n", ".B 130\n"})
    EXPECT_NE(page.out.find(part), std::string::npos) << part;
  auto optionChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
  int optionsSeen = 0;
  for (const char* command : {"--help", "info --help", "run --help", "new --help"}) {
    const std::string text = quex(command).out;
    for (size_t at = text.find("  --"); at != std::string::npos; at = text.find("  --", at + 1)) {
      std::string option = "\\-\\-"; // as roff writes "--name"
      for (size_t i = at + 4; i < text.size() && optionChar(text[i]); ++i)
        option += text[i] == '-' ? std::string("\\-") : std::string(1, text[i]);
      EXPECT_NE(page.out.find(option), std::string::npos) << option << " of quex " << command;
      ++optionsSeen;
    }
  }
  EXPECT_GT(optionsSeen, 12);
}

// The completion offers the commands and options of the command line and the
// modules a bare name reaches: the search path's and the examples'.
TEST_F(QuexCommandLine, CompletionOffersCommandsOptionsAndModuleNames) {
  const QuexResult script = quex("--bash-completion");
  ASSERT_EQ(script.exitCode, 0) << script.err;
  const std::string commands = script.out.substr(script.out.find("*) COMPREPLY"));
  for (const char* command : {"\"info ", " run ", " new ", "--version"})
    EXPECT_NE(commands.find(command), std::string::npos) << command << " in " << commands;
  for (const char* part : {"--input-model", "--module-names", "complete -F _quex quex"})
    EXPECT_NE(script.out.find(part), std::string::npos) << part;
  const QuexResult names =
      quex("--module-names", "QUEX_MODULE_PATH=" + shellQuote(QUEX_TEST_MODULE_DIR) + " ");
  EXPECT_EQ(names.exitCode, 0);
  for (const char* name : {"\nc_module\n", "\nderive\n", "\ncsvsource\n"})
    EXPECT_NE(("\n" + names.out).find(name), std::string::npos) << name << " in " << names.out;
}

} // namespace
