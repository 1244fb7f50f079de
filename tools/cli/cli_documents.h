// The documents made from a program's CLI11 definition itself: the --help
// footer (examples, exit codes, environment), the man page and the bash
// completion. Whatever option a program defines appears in all of them.
#ifndef QUEX_TOOLS_CLI_CLI_DOCUMENTS_H
#define QUEX_TOOLS_CLI_CLI_DOCUMENTS_H

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace quex::cli {

struct Example {
  std::string command;
  std::string what;
};
struct ExitCode {
  int code;
  std::string meaning;
};
struct Variable {
  std::string name;
  std::string meaning;
};

// What a program's help and manual say beyond its options.
struct ProgramNotes {
  std::string summary; // one line for the manual's NAME section
  std::string description;
  std::vector<Example> examples;
  std::vector<ExitCode> exitCodes;
  std::vector<Variable> environment;
  std::string seeAlso; // "quex-child(1)"
  std::string version;
};

// The text --help shows after the options: examples, exit codes, environment.
std::string helpFooter(const ProgramNotes& notes);

// The manual page (roff, section 1) of `app`: synopsis, every sub-command
// with every visible option, then the notes.
std::string manPage(const CLI::App& app, const ProgramNotes& notes);

// A bash completion script for `app`: sub-commands, their options, and module
// names from `<program> <moduleNamesFlag>` after a MODULE position.
std::string bashCompletion(const CLI::App& app, const std::string& moduleNamesFlag);

} // namespace quex::cli

#endif // QUEX_TOOLS_CLI_CLI_DOCUMENTS_H
