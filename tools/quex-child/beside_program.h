// Where quex-child finds the libraries it opens on demand: in its own folder.
#ifndef QUEX_TOOLS_QUEX_CHILD_BESIDE_PROGRAM_H
#define QUEX_TOOLS_QUEX_CHILD_BESIDE_PROGRAM_H

#include <string>

namespace quex::child {

// The path of `file` in the folder of this program; just `file` when the
// system cannot tell the program's file.
std::string besideThisProgram(const char* file);

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_BESIDE_PROGRAM_H
