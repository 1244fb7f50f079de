// What the quex command line asks for, parsed with CLI11.
#ifndef QUEX_TOOLS_QUEX_COMMAND_LINE_H
#define QUEX_TOOLS_QUEX_COMMAND_LINE_H

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quex::tool {

using KeyValue = std::pair<std::string, std::string>;

struct RunOptions {
  std::string module;
  std::string params;     // parameters document file
  std::string context;    // context information document file
  std::string input;      // CSV file with a header row
  std::string inputModel; // data model document file for the input
  std::vector<KeyValue> passwords;
  std::vector<KeyValue> files;
  std::string output; // CSV file; standard output when empty
  std::optional<std::string> request;
  int trace = 0;
  bool inChild = false; // run the module out of process
  std::string child;    // the child program; empty for the installed quex-child
  double deadlineSeconds = 0; // inactivity deadline of the child; 0: none
  size_t warmChildren = 0;    // children started ahead of need; 0: none
};

// quex new: a module project from a template.
struct NewOptions {
  std::string kind; // "reader" or "transformer"
  std::string name;
  bool inC = false; // C instead of C++
  std::string dir;  // default: ./NAME
};

struct CheckOptions;

struct CommandLine {
  CommandLine();
  ~CommandLine();
  CommandLine(CommandLine&&) noexcept;
  enum class Command { None, Info, Run, Check, New } command = Command::None;
  std::string module; // for info
  bool infoInChild = false;
  std::string infoChild;
  RunOptions run;
  NewOptions create;
  std::unique_ptr<CheckOptions> check; // for check (check_options.h)
  int exitCode = 0; // when command is None: 0 after --help, 2 after an error
};

// "quex VERSION, module interface N": the package and the qx.h it was built with.
std::string versionText();

// Parses argv; help and errors are written to `out` and `err`.
CommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err);

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;    // the module or a call into it failed
constexpr int kExitUsage = 2;     // bad command line or unreadable file
constexpr int kExitCancelled = 130;

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_COMMAND_LINE_H
