// quex: the command-line host. Runs and inspects extension modules through
// libquex, the way the workbench does.
#include "check/check_command.h"
#include "commands.h"
#include "module_session.h"

#include <iostream>

namespace {

// The XML service writes its parse failures to std::cout. quex's results (the
// records, the module information) go to standard output through a stream of
// their own while std::cout points at standard error, so such a message can
// never land among the records of `quex run > out.csv`.
class ResultsOnStandardOutput {
public:
  ResultsOnStandardOutput() : results_(std::cout.rdbuf()) { std::cout.rdbuf(std::cerr.rdbuf()); }
  ~ResultsOnStandardOutput() {
    results_.flush();
    std::cout.rdbuf(results_.rdbuf());
  }
  ResultsOnStandardOutput(const ResultsOnStandardOutput&) = delete;
  ResultsOnStandardOutput& operator=(const ResultsOnStandardOutput&) = delete;
  std::ostream& stream() { return results_; }

private:
  std::ostream results_;
};

} // namespace

int main(int argc, char** argv) {
  using namespace quex::tool;
  ResultsOnStandardOutput standardOutput;
  std::ostream& out = standardOutput.stream();
  CommandLine line = parseCommandLine(argc, argv, out, std::cerr);
  switch (line.command) {
  case CommandLine::Command::Info: {
    const std::string program = line.infoInChild ? childProgram(line.infoChild) : "";
    return runInfo(line.module, line.infoInChild ? program.c_str() : nullptr, out, std::cerr);
  }
  case CommandLine::Command::Run:
    return runRun(line.run, out, std::cerr);
  case CommandLine::Command::New:
    return runNew(line.create, out, std::cerr);
  case CommandLine::Command::Check:
    return quex::check::runCheckCommand(*line.check, argv[0], out, std::cerr);
  case CommandLine::Command::None:
    break;
  }
  return line.exitCode;
}
