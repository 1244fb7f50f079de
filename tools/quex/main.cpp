// quex: the command-line host. Runs and inspects extension modules through
// libquex, the way the workbench does.
#include "commands.h"
#include "module_session.h"

#include <iostream>

int main(int argc, char** argv) {
  using namespace quex::tool;
  CommandLine line = parseCommandLine(argc, argv, std::cout, std::cerr);
  switch (line.command) {
  case CommandLine::Command::Info: {
    const std::string program = line.infoInChild ? childProgram(line.infoChild) : "";
    return runInfo(line.module, line.infoInChild ? program.c_str() : nullptr, std::cout,
                   std::cerr);
  }
  case CommandLine::Command::Run:
    return runRun(line.run, std::cout, std::cerr);
  case CommandLine::Command::None:
    break;
  }
  return line.exitCode;
}
