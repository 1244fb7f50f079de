// The names a shared library exports, read from the file's dynamic symbol
// table without loading it: a module that crashes while loading can still be
// told what it exports and what it misses.
#ifndef QUEX_TOOLS_QUEX_CHECK_LIBRARY_EXPORTS_H
#define QUEX_TOOLS_QUEX_CHECK_LIBRARY_EXPORTS_H

#include <string>
#include <vector>

namespace quex::check {

// The defined global and weak symbols of the 64-bit little-endian ELF shared
// library at `path`. False with a reason when the file cannot be read or is
// not such a library.
bool readExports(const std::string& path, std::vector<std::string>& names, std::string& why);

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_LIBRARY_EXPORTS_H
