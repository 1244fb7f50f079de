// quex-child-cli: quex-child's whole command line (--help, --version,
// --man-page and the messages of a bad line), in a library of its own. The
// parser's tables and texts are built by static constructors and cost a good
// part of a start; the child opens this library only when its command line
// is not the one argument a host gives it. A plain C entry point: the child
// finds it by name.
#include "cli_documents.h"

#include <quex/qx.h>

#include <CLI/CLI.hpp>

#include <cstring>
#include <iostream>
#include <string>

namespace {

quex::cli::ProgramNotes childNotes() {
  namespace cli = quex::cli;
  cli::ProgramNotes notes;
  notes.summary = "run one extension module on behalf of a quex host";
  notes.description =
      "quex-child is started by libquex, never by hand: a host that loads a module with a child "
      "program (quex run --child) starts one quex-child per component with the base name of the "
      "shared-memory channels it created. The child loads the module, serves its calls there "
      "until the host ends it, and ends by itself as soon as its host is gone. A module that "
      "crashes, hangs or exits takes only its child down.";
  notes.examples = {
      {"quex run csvsource --file input=orders.csv --child",
       "How it is meant to run: quex starts one quex-child for the component and runs the module "
       "there."},
      {"QUEX_CHILD_PROGRAM=$HOME/quex-child quex run csvsource --file input=orders.csv --child",
       "Runs the module in another build of the child program instead of the one installed "
       "beside libquex."},
  };
  notes.exitCodes = {{0, "the host ended the child, or --help or --version"},
                     {1, "the channels could not be opened or failed"},
                     {2, "a bad command line"},
                     {3, "the host went away"}};
  notes.seeAlso = "quex(1)";
  notes.version = QUEX_VERSION;
  return notes;
}

// Parses the command line into `name`: -1 when the child is to serve a host,
// otherwise the exit code, with what was asked for or what was wrong written.
int parse(int argc, const char* const* argv, std::string& name) {
  namespace cli = quex::cli;
  const cli::ProgramNotes notes = childNotes();
  CLI::App app{"quex-child: runs one module out of process for a quex host", "quex-child"};
  app.add_option("BASE-NAME", name, "Base name of the channels the host created")
      ->required();
  app.set_version_flag("--version",
                       "quex-child " QUEX_VERSION ", module interface " +
                           std::to_string(QX_INTERFACE_VERSION),
                       "Show the package and module interface versions");
  app.footer(cli::helpFooter(notes));
  app.add_flag_callback("--man-page",
                        [&app, &notes] { throw CLI::CallForVersion(cli::manPage(app, notes), 0); })
      ->group("");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForVersion& document) {
    const std::string text = document.what();
    std::cout << text << (text.empty() || text.back() == '\n' ? "" : "\n");
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << "quex-child: " << error.what() << " (see quex-child --help)\n";
    return 2;
  }
  return -1;
}

} // namespace

// The base name into `baseName` (at most `capacity` bytes with its end) and
// -1 when the child is to serve a host; otherwise the exit code, with what
// was asked for or what was wrong already written.
QX_MODULE_EXPORT int quex_child_command_line(int argc, const char* const* argv, char* baseName,
                                             size_t capacity) {
  try {
    std::string name;
    const int exitCode = parse(argc, argv, name);
    std::cout.flush();
    if (exitCode >= 0) return exitCode;
    if (name.size() >= capacity) {
      std::cerr << "quex-child: the base name is too long\n";
      return 2;
    }
    std::memcpy(baseName, name.c_str(), name.size() + 1);
    return -1;
  } catch (const std::exception& error) {
    std::cerr << "quex-child: " << error.what() << "\n";
    return 1;
  }
}
