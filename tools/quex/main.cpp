// quex: the command-line host. Runs and inspects extension modules through
// libquex, the way the workbench does.
#include "commands.h"

#include <iostream>

int main(int argc, char** argv) {
  using namespace quex::tool;
  CommandLine line = parseCommandLine(argc, argv, std::cout, std::cerr);
  switch (line.command) {
  case CommandLine::Command::Info:
    return runInfo(line.module, std::cout, std::cerr);
  case CommandLine::Command::Run:
    return runRun(line.run, std::cout, std::cerr);
  case CommandLine::Command::None:
    break;
  }
  return line.exitCode;
}
