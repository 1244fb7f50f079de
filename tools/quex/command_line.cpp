#include "command_line.h"
#include "check_command_line.h"

#include <CLI/CLI.hpp>

namespace quex::tool {

namespace {

// KEY=VALUE with a non-empty key.
const CLI::Validator kKeyValue(
    [](std::string& text) -> std::string {
      size_t equals = text.find('=');
      if (equals == std::string::npos || equals == 0) return "expected KEY=VALUE, got '" + text + "'";
      return {};
    },
    "");

std::vector<KeyValue> splitPairs(const std::vector<std::string>& texts) {
  std::vector<KeyValue> pairs;
  for (const std::string& text : texts) {
    size_t equals = text.find('=');
    pairs.emplace_back(text.substr(0, equals), text.substr(equals + 1));
  }
  return pairs;
}

} // namespace

CommandLine::CommandLine() : check(std::make_unique<CheckOptions>()) {}
CommandLine::~CommandLine() = default;
CommandLine::CommandLine(CommandLine&&) noexcept = default;

CommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err) {
  CommandLine line;
  CLI::App app{"quex: run and inspect extension modules from the command line", "quex"};
  app.require_subcommand(1);

  CLI::App* info = app.add_subcommand(
      "info", "Load and initialise a module and show what it exports and tells about itself");
  info->add_option("MODULE", line.module, "Module library path (\".dll\" may be left out)")
      ->required();
  CLI::Option* infoChild =
      info->add_option("--child", line.infoChild,
                       "Load the module in a child process of PROGRAM (default: the installed "
                       "quex-child); give MODULE first or write --child=PROGRAM")
          ->expected(0, 1)
          ->type_name("[PROGRAM]");

  RunOptions& run = line.run;
  std::vector<std::string> passwords, files;
  CLI::App* runCommand =
      app.add_subcommand("run", "Run one component of a module over CSV input, whole lifecycle");
  runCommand->add_option("MODULE", run.module, "Module library path (\".dll\" may be left out)")
      ->required();
  runCommand->add_option("--params", run.params, "Parameters document (XML file)")
      ->check(CLI::ExistingFile);
  runCommand->add_option("--context", run.context, "Context information document (XML file)")
      ->check(CLI::ExistingFile);
  runCommand->add_option("--input", run.input, "Input records: CSV file with a header row")
      ->check(CLI::ExistingFile);
  runCommand
      ->add_option("--input-model", run.inputModel,
                   "Data model document of the input (default: storage inferred per column)")
      ->check(CLI::ExistingFile)
      ->needs(runCommand->get_option("--input"));
  runCommand->add_option("--password", passwords, "Password under a key (repeatable)")
      ->check(kKeyValue)
      ->type_name("KEY=VALUE");
  runCommand->add_option("--file", files, "File path under a key (repeatable)")
      ->check(kKeyValue)
      ->type_name("KEY=PATH");
  runCommand->add_option("--output", run.output, "Output CSV file (default: standard output)");
  runCommand->add_option("--request", run.request,
                         "After execution, send this interaction request and print the reply");
  runCommand->add_option("--trace", run.trace, "Trace level 0-4; lines go to standard error")
      ->check(CLI::Range(0, 4));
  CLI::Option* runChild =
      runCommand
          ->add_option("--child", run.child,
                       "Run the module in child processes of PROGRAM (default: the installed "
                       "quex-child); give MODULE first or write --child=PROGRAM")
          ->expected(0, 1)
          ->type_name("[PROGRAM]");
  runCommand
      ->add_option("--deadline", run.deadlineSeconds,
                   "Kill the child when it sends nothing for SECONDS during a call "
                   "(progress reports count; default: wait without limit)")
      ->check(CLI::PositiveNumber)
      ->type_name("SECONDS")
      ->needs(runChild);

  std::vector<std::string> checkPasswords, checkFiles;
  CLI::App* checkCommand = addCheckCommand(app, *line.check, checkPasswords, checkFiles);
  checkCommand->get_option("--password")->check(kKeyValue);
  checkCommand->get_option("--file")->check(kKeyValue);

  const std::string first = argc > 1 ? argv[1] : "";
  if (!first.empty() && first[0] != '-' && first != "info" && first != "run" &&
      first != "check") {
    err << "quex: unknown command '" << argv[1] << "'; the commands are info, run and check\n";
    line.exitCode = kExitUsage;
    return line;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << (app.get_subcommands().empty() ? app.help()
                                          : app.get_subcommands().front()->help());
    return line;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return line;
  } catch (const CLI::ParseError& error) {
    err << "quex: " << error.what() << " (see quex --help)\n";
    line.exitCode = kExitUsage;
    return line;
  }
  run.inChild = runChild->count() > 0;
  line.infoInChild = infoChild->count() > 0;
  run.passwords = splitPairs(passwords);
  run.files = splitPairs(files);
  line.check->documents.passwords = splitPairs(checkPasswords);
  line.check->documents.files = splitPairs(checkFiles);
  line.command = info->parsed()           ? CommandLine::Command::Info
                 : checkCommand->parsed() ? CommandLine::Command::Check
                                          : CommandLine::Command::Run;
  return line;
}

} // namespace quex::tool
