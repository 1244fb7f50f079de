#include "child_command_line.h"
#include "beside_program.h"

#include "platform/dynamic_library.h"

#include <cstdio>

namespace quex::child {
namespace {

using CommandLineEntry = int (*)(int, const char* const*, char*, size_t);

constexpr char kLibraryFile[] = "libquex-child-cli.so";
constexpr char kEntry[] = "quex_child_command_line";
// Longer than any base name a host makes; a longer one is refused.
constexpr size_t kMaxBaseName = 256;

// Exit code 1: like channels that cannot be opened, the child cannot do its work.
ChildCommandLine withLibrary(int argc, const char* const* argv) {
  ChildCommandLine line;
  const std::string path = besideThisProgram(kLibraryFile);
  platform::DynamicLibrary::Failure failure;
  const platform::DynamicLibrary library = platform::DynamicLibrary::open(path, failure);
  const auto entry = library ? reinterpret_cast<CommandLineEntry>(library.symbol(kEntry)) : nullptr;
  if (entry == nullptr) {
    std::fprintf(stderr, "quex-child: cannot read this command line without %s%s%s\n",
                 path.c_str(), failure.text.empty() ? "" : ": ", failure.text.c_str());
    line.exitCode = 1;
    return line;
  }
  char baseName[kMaxBaseName];
  const int code = entry(argc, argv, baseName, sizeof baseName);
  if (code >= 0) line.exitCode = code;
  else line.baseName = baseName;
  return line;
}

} // namespace

ChildCommandLine parseChildCommandLine(int argc, const char* const* argv) {
  if (argc == 2 && argv[1][0] != '-' && argv[1][0] != '\0') {
    ChildCommandLine line;
    line.baseName = argv[1];
    return line;
  }
  return withLibrary(argc, argv);
}

} // namespace quex::child
