#include "command_line.h"
#include "check_command_line.h"

#include <quex/qx.h>

#include "cli_documents.h"
#include "module_session.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <fstream>

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

const char* const kPasswordHelp =
    "Password under a key (repeatable). KEY=@FILE reads it from the first line of FILE and "
    "KEY=env:VAR from the environment variable VAR; a password written as KEY=VALUE shows in "
    "the process list";
const char* const kPasswordForms = "KEY=VALUE|KEY=@FILE|KEY=env:VAR";

// A password given as @FILE (the file's first line) or env:VAR (the
// variable's value) rather than on the command line, where other users of
// the machine can read it. False, with `error` set, when it cannot be read.
bool resolveSecret(KeyValue& pair, std::string& error) {
  std::string& value = pair.second;
  if (value.rfind('@', 0) == 0) {
    const std::string path = value.substr(1);
    std::ifstream file(path, std::ios::binary);
    std::string line;
    if (!file || (!std::getline(file, line) && !file.eof())) {
      error = "--password " + pair.first + ": cannot read " + path;
      return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    value = line;
  } else if (value.rfind("env:", 0) == 0) {
    const std::string name = value.substr(4);
    const char* found = std::getenv(name.c_str());
    if (found == nullptr) {
      error = "--password " + pair.first + ": the environment has no " + name;
      return false;
    }
    value = found;
  }
  return true;
}

std::vector<KeyValue> splitPairs(const std::vector<std::string>& texts) {
  std::vector<KeyValue> pairs;
  for (const std::string& text : texts) {
    size_t equals = text.find('=');
    pairs.emplace_back(text.substr(0, equals), text.substr(equals + 1));
  }
  return pairs;
}

// What quex's help and manual say beyond the options.
cli::ProgramNotes quexNotes() {
  cli::ProgramNotes notes;
  notes.summary = "run and inspect extension modules from the command line";
  notes.description =
      "quex loads a module the way an application does, through libquex alone, drives one "
      "component through its whole lifecycle over CSV input, and shows what happened: output "
      "records, diagnostics, the module's error texts and, on request, the trace. A bare module "
      "name is looked up in QUEX_MODULE_PATH, then among the example modules installed with "
      "libquex.";
  notes.examples = {
      {"quex run derive --input examples/data/orders.csv --params examples/data/derive-params.xml",
       "Runs the example transformer over a CSV file; the records go to standard output, "
       "diagnostics to standard error."},
      {"quex run csvsource --file input=examples/data/orders.csv --child --output copy.csv",
       "Runs the example reader in a child process and writes its records to copy.csv."},
  };
  notes.exitCodes = {{kExitOk, "done"},
                     {kExitFailed, "a module could not be loaded or one of its calls failed"},
                     {kExitUsage, "a bad command line, or a file that cannot be read or written"},
                     {kExitCancelled, "cancelled with Ctrl-C"}};
  notes.environment = {
      {"QUEX_MODULE_PATH", "Folders (':'-separated) searched first for a bare module name."},
      {"QUEX_CHILD_PROGRAM", "The child program for --child instead of the quex-child beside "
                             "libquex."}};
  notes.seeAlso = "quex-child(1)";
  notes.version = QUEX_VERSION;
  return notes;
}

// The documents made from the command line itself; hidden from --help. They
// reuse CLI11's early exit for --version, which runs before any check of the
// rest of the command line.
void addDocumentFlags(CLI::App& app, const cli::ProgramNotes& notes) {
  app.add_flag_callback("--man-page",
                        [&app, notes] { throw CLI::CallForVersion(cli::manPage(app, notes), 0); })
      ->group("");
  app.add_flag_callback(
         "--bash-completion",
         [&app] { throw CLI::CallForVersion(cli::bashCompletion(app, "--module-names"), 0); })
      ->group("");
  app.add_flag_callback("--module-names",
                        [] {
                          std::string names;
                          for (const std::string& name : availableModuleNames())
                            names += name + "\n";
                          throw CLI::CallForVersion(names, 0);
                        })
      ->group("");
}

} // namespace

CommandLine::CommandLine() : check(std::make_unique<CheckOptions>()) {}
CommandLine::~CommandLine() = default;
CommandLine::CommandLine(CommandLine&&) noexcept = default;

std::string versionText() {
  return "quex " QUEX_VERSION ", module interface " + std::to_string(QX_INTERFACE_VERSION);
}

CommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err) {
  CommandLine line;
  CLI::App app{"quex: run and inspect extension modules from the command line", "quex"};
  app.require_subcommand(1);
  app.set_version_flag("--version", versionText(), "Show the package and module interface versions");
  const cli::ProgramNotes notes = quexNotes();
  app.footer(cli::helpFooter(notes));
  addDocumentFlags(app, notes);

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
  runCommand->add_option("--password", passwords, kPasswordHelp)
      ->check(kKeyValue)
      ->type_name(kPasswordForms);
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
  runCommand
      ->add_option("--warm-children", run.warmChildren,
                   "Keep N children started ahead of need, the module loaded in them, so that a "
                   "component's child is running when it is created (default: 0, each child "
                   "starts on demand)")
      ->check(CLI::Range(0, 16))
      ->type_name("N")
      ->needs(runChild);

  std::vector<std::string> checkPasswords, checkFiles;
  CLI::App* checkCommand = addCheckCommand(app, *line.check, checkPasswords, checkFiles);
  checkCommand->get_option("--password")
      ->check(kKeyValue)
      ->description(kPasswordHelp)
      ->type_name(kPasswordForms);
  checkCommand->get_option("--file")->check(kKeyValue);

  NewOptions& create = line.create;
  CLI::App* newCommand = app.add_subcommand(
      "new", "Write a small module project (CMake, one source, a sample input, a README) that "
             "builds against the installed quex and runs with quex run");
  newCommand->add_option("KIND", create.kind, "reader or transformer")
      ->required()
      ->check(CLI::IsMember({"reader", "transformer"}));
  newCommand->add_option("NAME", create.name, "Module name: letters, digits and '_'")->required();
  newCommand->add_flag("--c", create.inC, "Write the module in C (default: C++)");
  newCommand->add_option("--dir", create.dir, "Folder to write to; new or empty (default: ./NAME)");

  const std::string first = argc > 1 ? argv[1] : "";
  std::string names;
  bool known = false;
  for (const CLI::App* command : app.get_subcommands({})) {
    names += (names.empty() ? "" : ", ") + command->get_name();
    known = known || command->get_name() == first;
  }
  if (!first.empty() && first[0] != '-' && !known) {
    err << "quex: unknown command '" << argv[1] << "'; the commands are " << names << "\n";
    line.exitCode = kExitUsage;
    return line;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << (app.get_subcommands().empty() ? app.help()
                                          : app.get_subcommands().front()->help());
    return line;
  } catch (const CLI::CallForVersion& document) { // --version, or a hidden document flag
    const std::string text = document.what();
    out << text << (text.empty() || text.back() == '\n' ? "" : "\n");
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
  for (auto* list : {&run.passwords, &line.check->documents.passwords}) {
    for (KeyValue& password : *list) {
      std::string error;
      if (!resolveSecret(password, error)) {
        err << "quex: " << error << "\n";
        line.exitCode = kExitUsage;
        return line;
      }
    }
  }
  line.check->documents.files = splitPairs(checkFiles);
  line.command = info->parsed()           ? CommandLine::Command::Info
                 : checkCommand->parsed() ? CommandLine::Command::Check
                 : newCommand->parsed()   ? CommandLine::Command::New
                                          : CommandLine::Command::Run;
  return line;
}

} // namespace quex::tool
