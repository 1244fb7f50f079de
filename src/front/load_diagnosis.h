// The longer explanation of a failed load that ExtensionWrapper keeps beside
// the fixed error text: what was looked for, and what was found instead.
#ifndef QUEX_SRC_FRONT_LOAD_DIAGNOSIS_H
#define QUEX_SRC_FRONT_LOAD_DIAGNOSIS_H

#include <functional>
#include <string>
#include <vector>

namespace quex::detail {

// `file` could not be opened: where it was looked for, and a file beside it
// that is the module under another name ("found libupper.so: modules are named
// NAME.dll"), or that it exists but the system refused it (`systemText`).
std::string describeOpenFailure(const std::string& file, const std::string& systemText);

// The library `file` opened but is not a complete module of its generation:
// each required entry it lacks, with a likely near miss among `exported` (a
// misspelling, the other generation's name, a name with C++ linkage), or the
// interaction entries missing beside the beginInteraction entry.
// `exports(name)` answers whether the library exports `name`.
std::string describeIncompleteModule(const std::string& file, bool olderGeneration,
                                     const std::vector<std::string>& exported,
                                     const std::function<bool(const char*)>& exports);

// The near miss of `wanted` among `exported` and why it is one, as
// "qx_initialize, a misspelling"; empty when there is none.
std::string nearMiss(const std::string& wanted, bool olderGeneration,
                     const std::vector<std::string>& exported);

} // namespace quex::detail

#endif // QUEX_SRC_FRONT_LOAD_DIAGNOSIS_H
