// Where the programs and modules installed with libquex are. They are found
// from where the library itself lies, so an installed tree keeps working
// after it is moved; the environment still has the last word.
#ifndef QUEX_FRONT_QUEXINSTALLATION_H
#define QUEX_FRONT_QUEXINSTALLATION_H

#include <quex/export.h>

#include <string>
#include <vector>

namespace QuexInstallation {

// The folder libquex was loaded from (empty when the system cannot tell).
QUEX_API std::string libraryFolder();

// The child program for modules out of process: $QUEX_CHILD_PROGRAM when set,
// else the quex-child beside libquex.
QUEX_API std::string childProgram();

// Where a bare module name is looked up, in order: the folders of
// $QUEX_MODULE_PATH (':'-separated, empty entries skipped), then the example
// modules installed with the library (<library folder>/quex/modules).
QUEX_API std::vector<std::string> moduleFolders();

} // namespace QuexInstallation

#endif // QUEX_FRONT_QUEXINSTALLATION_H
