// The options of `quex check`, beside the other commands' in command_line.cpp.
#include "check_command_line.h"

namespace quex::tool {

namespace {

void splitIds(std::vector<std::string>& ids) {
  std::vector<std::string> split;
  for (const std::string& text : ids) {
    for (size_t start = 0; start <= text.size();) {
      size_t comma = text.find(',', start);
      if (comma == std::string::npos) comma = text.size();
      if (comma > start) split.push_back(text.substr(start, comma - start));
      start = comma + 1;
    }
  }
  ids = std::move(split);
}

} // namespace

CLI::App* addCheckCommand(CLI::App& app, CheckOptions& options,
                          std::vector<std::string>& passwords, std::vector<std::string>& files) {
  CLI::App* check = app.add_subcommand(
      "check", "Check a module's side of the contract, every check in a process of its own");
  RunOptions& documents = options.documents;
  check->add_option("MODULE", documents.module, "Module library path (\".dll\" may be left out)");
  check->add_option("--params", documents.params, "Parameters document (XML file)")
      ->check(CLI::ExistingFile);
  check->add_option("--context", documents.context, "Context information document (XML file)")
      ->check(CLI::ExistingFile);
  check->add_option("--input", documents.input, "Input records: CSV file with a header row")
      ->check(CLI::ExistingFile);
  check
      ->add_option("--input-model", documents.inputModel,
                   "Data model document of the input (default: storage inferred per column)")
      ->check(CLI::ExistingFile)
      ->needs(check->get_option("--input"));
  check->add_option("--password", passwords, "Password under a key (repeatable)")
      ->type_name("KEY=VALUE");
  check->add_option("--file", files, "File path under a key (repeatable)")
      ->type_name("KEY=PATH");
  check->add_option("--timeout", options.timeoutSeconds, "Seconds each check may take (default 30)")
      ->check(CLI::Range(0.1, 86400.0));
  check->add_option("--cancel-ms", options.cancelMs,
                    "Milliseconds a cancelled run may take to end (default 1000)")
      ->check(CLI::Range(1, 600000));
  check->add_option("-j,--jobs", options.jobs, "Checks run at once (default: one per core)")
      ->check(CLI::Range(1, 256));
  check->add_flag("--in-process", options.inProcess,
                  "Run every check in this process, one after the other (for a debugger)");
  check->add_option("--child", options.child,
                    "Child program of the out-of-process checks (default: the installed "
                    "quex-child)");
  check->add_option("--json", options.json, "Write every result with its reason to FILE as JSON")
      ->type_name("FILE");
  check->add_option("--junit", options.junit, "Write the results to FILE as JUnit XML")
      ->type_name("FILE");
  check->add_option("--only", options.only, "Run only these checks (ID,ID,...)")
      ->type_name("ID,...");
  check->add_option("--skip", options.skip, "Leave these checks out (ID,ID,...)")
      ->type_name("ID,...");
  check->add_flag("--list", options.list, "List the checks and stop");
  // How quex check runs one check in a process of its own.
  check->add_option("--isolated", options.isolated)->group("");
  check->add_option("--report-fd", options.reportFd)->group("");
  check->final_callback([&options, check] {
    splitIds(options.only);
    splitIds(options.skip);
    if (options.documents.module.empty() && !options.list)
      throw CLI::RequiredError("MODULE");
    (void)check;
  });
  return check;
}

} // namespace quex::tool
