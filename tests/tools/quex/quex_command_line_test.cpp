// The quex binary's command line, the info command and the load failures.
#include "quex_process.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <regex>
#include <vector>

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

TEST_F(QuexCommandLine, BareModuleNamesAreFoundOnTheSearchPathThenAmongTheExamples) {
  QuexResult r = quex("info c_module", "QUEX_MODULE_PATH=/nonexistent:" +
                                           shellQuote(QUEX_TEST_MODULE_DIR) + " ");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("module:      " QUEX_TEST_MODULE_DIR "/c_module.dll\n", 0), 0u) << r.out;
  r = quex("info derive.dll"); // a name given with its ".dll" loads the same
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
  // The death may be seen before the first call is under way.
  EXPECT_TRUE(std::regex_match(r.err, std::regex("quex: child process [0-9]+ ended with exit code "
                                                 "0 (during qx_initialise|between calls), after 0 "
                                                 "records delivered\n")))
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

// The lines of the section of an --help text that starts with `title`, up to
// the next line that does not start with a space.
std::vector<std::string> helpSection(const std::string& help, const std::string& title) {
  std::vector<std::string> lines;
  size_t at = help.find("\n" + title + "\n");
  if (at == std::string::npos) return lines;
  for (at += title.size() + 2; at < help.size() && help[at] == ' ';) {
    const size_t end = std::min(help.find('\n', at), help.size());
    lines.push_back(help.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The sub-commands an --help text lists: the first word of each entry line.
std::vector<std::string> helpSubcommands(const std::string& help) {
  std::vector<std::string> names;
  for (const std::string& line : helpSection(help, "Subcommands:"))
    if (line.size() > 2 && line[2] != ' ') names.push_back(line.substr(2, line.find(' ', 2) - 2));
  return names;
}

// `text` as the manual writes it: hyphens and backslashes escaped.
std::string inRoff(const std::string& text) {
  std::string escaped;
  for (char c : text) escaped += c == '-' ? "\\-" : c == '\\' ? "\\e" : std::string(1, c);
  return escaped;
}

// Every "--name" an --help text shows, spelt as roff writes it ("\-\-name").
std::vector<std::string> helpOptionsInRoff(const std::string& help) {
  auto optionChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
  std::vector<std::string> options;
  for (size_t at = help.find("--"); at != std::string::npos; at = help.find("--", at + 2)) {
    if (at == 0 || (help[at - 1] != ' ' && help[at - 1] != ',')) continue; // "-h,--help"
    std::string option = "\\-\\-";
    for (size_t i = at + 2; i < help.size() && optionChar(help[i]); ++i)
      option += help[i] == '-' ? std::string("\\-") : std::string(1, help[i]);
    options.push_back(option);
  }
  return options;
}

// The manuals are made from the command lines themselves: every option that
// any command's --help shows is in the program's manual, and so is every
// example and exit code of the help. The commands are the ones --help lists, so a command or
// option added later is held to the same rule.
TEST_F(QuexCommandLine, ManPagesHaveEveryOptionExampleAndExitCodeOfTheHelp) {
  const QuexResult quexHelp = quex("--help");
  const std::vector<std::string> quexCommands = helpSubcommands(quexHelp.out);
  for (const char* command : {"info", "run", "check", "new"})
    EXPECT_NE(std::find(quexCommands.begin(), quexCommands.end(), command), quexCommands.end())
        << command;
  const bool haveGroff = std::system("command -v groff >/dev/null 2>&1") == 0;
  for (const std::string program : {QUEX_BINARY, QUEX_CHILD_BINARY}) {
    const QuexResult page = runInDir(shellQuote(program) + " --man-page");
    ASSERT_EQ(page.exitCode, 0) << program << ": " << page.err;
    const std::string help = runInDir(shellQuote(program) + " --help").out;
    std::vector<std::string> commands{""};
    for (const std::string& command : helpSubcommands(help)) commands.push_back(command + " ");
    size_t optionsSeen = 0;
    for (const std::string& command : commands)
      for (const std::string& option :
           helpOptionsInRoff(runInDir(shellQuote(program) + " " + command + "--help").out)) {
        EXPECT_NE(page.out.find(option), std::string::npos) << option << " of " << command;
        ++optionsSeen;
      }
    EXPECT_GE(optionsSeen, commands.size() * 2) << program << ": --help and one more each";
    const std::vector<std::string> examples = helpSection(help, "Examples:");
    EXPECT_GE(examples.size(), 4u) << program << ": two examples, two lines each";
    const size_t examplesAt = page.out.find(".SH EXAMPLES\n");
    ASSERT_NE(examplesAt, std::string::npos) << program;
    for (const std::string& line : examples) {
      if (line.rfind("      ", 0) == 0) continue; // an explanation, not a command
      EXPECT_NE(page.out.find(".B " + inRoff(line.substr(2)) + "\n", examplesAt),
                std::string::npos)
          << program << " example " << line;
    }
    const std::vector<std::string> exitCodes = helpSection(help, "Exit codes:");
    EXPECT_GE(exitCodes.size(), 3u) << program;
    const size_t exitStatus = page.out.find(".SH EXIT STATUS\n");
    ASSERT_NE(exitStatus, std::string::npos) << program;
    for (const std::string& line : exitCodes) {
      const std::string code = line.substr(2, line.find(' ', 2) - 2);
      EXPECT_NE(page.out.find(".TP\n.B " + code + "\n", exitStatus), std::string::npos)
          << program << " exit code " << code;
    }
    if (haveGroff) { // the page renders without a single roff warning
      writeFile(file("page.1"), page.out);
      const QuexResult render = runInDir("groff -man -ww -z page.1");
      EXPECT_EQ(render.err, "") << program;
    }
  }
}

// The completion script, sourced into bash, answers what a user typing the
// words before the cursor expects: commands, each command's options from its
// own definition, files after an option that takes a value, and the modules a
// bare name reaches (the search path's and the examples').
TEST_F(QuexCommandLine, CompletionCompletesCommandsOptionsFilesAndModuleNames) {
  const QuexResult script = quex("--bash-completion");
  ASSERT_EQ(script.exitCode, 0) << script.err;
  writeFile(file("completion.bash"), script.out);
  writeFile(file("c_data.csv"), "a\n1\n");
  const std::string binary = QUEX_BINARY;
  const std::string quexDir = binary.substr(0, binary.rfind('/'));
  const struct {
    const char* words; // the command line up to the cursor
    std::vector<std::string> offered, notOffered;
  } cases[] = {
      {"quex ", {"info", "run", "check", "new", "--version"}, {"c_module"}},
      {"quex ru", {"run"}, {"info", "check"}},
      {"quex run --inp", {"--input", "--input-model"}, {"--params"}},
      {"quex run c_mod", {"c_module"}, {"csvsource"}},
      {"quex run ", {"c_module", "derive", "csvsource"}, {"--input"}},
      {"quex run csvsource --input c", {"c_data.csv"}, {"c_module"}}, // a file, not a module
      {"quex check c_mod", {"c_module"}, {}},
      {"quex check --ti", {"--timeout"}, {}},
      {"quex new reader x --d", {"--dir"}, {}},
      {"quex info --", {"--child", "--help"}, {"--input"}},
  };
  for (const auto& c : cases) {
    // COMP_WORDS as bash splits the line; an ending space starts an empty word.
    const std::string words = c.words;
    const std::string bashWords =
        words.back() == ' ' ? "($(echo " + words + ") '')" : "($(echo " + words + "))";
    const std::string session = "source completion.bash; COMP_WORDS=" + bashWords +
                                "; COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _quex; "
                                "printf '%s\\n' \"${COMPREPLY[@]}\"";
    const QuexResult r = runInDir("bash -c " + shellQuote(session),
                                  "PATH=" + shellQuote(quexDir) + ":\"$PATH\" QUEX_MODULE_PATH=" +
                                      shellQuote(QUEX_TEST_MODULE_DIR) + " ");
    ASSERT_EQ(r.exitCode, 0) << c.words << ": " << r.err;
    const std::string offered = "\n" + r.out;
    for (const std::string& word : c.offered)
      EXPECT_NE(offered.find("\n" + word + "\n"), std::string::npos)
          << "'" << c.words << "' does not offer " << word << ":" << offered;
    for (const std::string& word : c.notOffered)
      EXPECT_EQ(offered.find("\n" + word + "\n"), std::string::npos)
          << "'" << c.words << "' offers " << word << ":" << offered;
  }
}

} // namespace
