// Loading: the file, the generation, the required exports with near misses,
// the interaction group, and C linkage.
#include "check.h"
#include "entry_names.h"
#include "library_exports.h"
#include "probe.h"

#include "module_session.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace quex::check {

namespace {

struct Exports {
  bool read = false;
  std::string why; // when not read
  std::string file;
  std::set<std::string> names;
  bool has(const char* name) const { return name != nullptr && names.count(name) > 0; }
  bool older() const { return has("tarnext_initialise"); }
};

// Other files in the module's folder that look like what was meant.
std::string nearbyFiles(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path given(path);
  const std::string name = given.filename().string();
  std::string found;
  std::error_code ignored;
  for (const std::string& candidate :
       {"lib" + name + ".so", name + ".so", "lib" + name + ".dll", name}) {
    fs::path other = given.parent_path() / candidate;
    if (fs::is_regular_file(other, ignored)) found += (found.empty() ? "" : ", ") + other.string();
  }
  return found;
}

Exports readModuleExports(const CheckOptions& options) {
  Exports exports;
  const std::string path = tool::resolveModulePath(options.documents.module);
  exports.file = path + ".dll";
  std::error_code ignored;
  if (!std::filesystem::exists(exports.file, ignored)) {
    exports.why = "no module at " + exports.file;
    const std::string nearby = nearbyFiles(path);
    if (!nearby.empty())
      exports.why += "; found " + nearby + ": a module's file is named NAME.dll, without a lib "
                                           "prefix or .so suffix";
    return exports;
  }
  std::vector<std::string> names;
  exports.read = readExports(exports.file, names, exports.why);
  exports.names.insert(names.begin(), names.end());
  return exports;
}

size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// What the module exports instead of `wanted`, if anything looks like it.
std::string nearMiss(const Exports& exports, const EntryName& entry, const char* wanted) {
  const char* otherGeneration = wanted == entry.current ? entry.older : entry.current;
  if (exports.has(otherGeneration))
    return std::string(otherGeneration) + " is exported, the other generation's name";
  for (const std::string& name : exports.names) {
    if (name.rfind("_Z", 0) == 0 && name.find(wanted) != std::string::npos)
      return name + " is exported with C++ linkage: declare the entry with QX_MODULE_EXPORT";
  }
  for (const std::string& name : exports.names) {
    if (sameIgnoringCase(name, wanted) || editDistance(name, wanted) <= 2)
      return name + " is exported: a misspelling?";
  }
  return {};
}

const char* nameIn(const EntryName& entry, bool older) { return older ? entry.older : entry.current; }

Verdict libraryOpens(const CheckOptions& options) {
  Exports exports = readModuleExports(options);
  if (!exports.read) return Verdict::fail(exports.why);
  Probe probe(options);
  std::string why;
  {
    InFlight marked("loading the module");
    if (probe.wrapper().load(tool::moduleName(probe.path()).c_str(), probe.path().c_str(),
                             nullptr) ||
        probe.wrapper().getError().empty())
      return Verdict::pass(exports.file);
  }
  why = probe.wrapper().getError();
  while (!why.empty() && std::isspace(static_cast<unsigned char>(why.back()))) why.pop_back();
  return Verdict::fail(why);
}

Verdict generation(const CheckOptions& options) {
  Exports exports = readModuleExports(options);
  if (!exports.read) return Verdict::skip(exports.why);
  if (exports.older()) {
    if (exports.has("qx_initialise"))
      return Verdict::pass("older generation (tarnext_initialise wins; its qx_ exports are "
                           "not used)");
    return Verdict::pass("older generation (tarnext_ exports)");
  }
  if (exports.has("qx_initialise")) return Verdict::pass("current generation (qx_ exports)");
  // No initialise entry: the other exports tell which generation was meant,
  // and load.required-exports names what is missing.
  size_t current = 0, older = 0;
  for (const std::string& name : exports.names) {
    current += name.rfind("qx_", 0) == 0;
    older += name.rfind("tarnext_", 0) == 0;
  }
  if (current > older)
    return Verdict::pass("current generation, going by its qx_ exports (no qx_initialise)");
  if (older > 0)
    return Verdict::pass("older generation, going by its tarnext_ exports (no tarnext_initialise)");
  return Verdict::fail("exports no entry point of either generation (qx_ or tarnext_)");
}

Verdict requiredExports(const CheckOptions& options) {
  Exports exports = readModuleExports(options);
  if (!exports.read) return Verdict::skip(exports.why);
  const bool older = exports.older();
  std::string missing;
  size_t count = 0;
  for (const EntryName& entry : kEntryNames) {
    const bool required = entry.need == Need::Required ||
                          (entry.need == Need::CurrentOnly && !older) ||
                          (entry.need == Need::OlderOnly && older);
    const char* name = nameIn(entry, older);
    if (!required || exports.has(name)) continue;
    ++count;
    missing += (missing.empty() ? "" : "; ") + std::string(name);
    const std::string near = nearMiss(exports, entry, name);
    if (!near.empty()) missing += " (" + near + ")";
  }
  if (count == 0) return Verdict::pass();
  return Verdict::fail(std::string(count == 1 ? "missing required export: "
                                              : "missing required exports: ") +
                       missing);
}

Verdict interactionGroup(const CheckOptions& options) {
  Exports exports = readModuleExports(options);
  if (!exports.read) return Verdict::skip(exports.why);
  const bool older = exports.older();
  std::string present, absent;
  for (const EntryName& entry : kEntryNames) {
    if (entry.need != Need::Interaction) continue;
    std::string& list = exports.has(nameIn(entry, older)) ? present : absent;
    list += (list.empty() ? "" : ", ") + std::string(nameIn(entry, older));
  }
  if (present.empty()) return Verdict::pass("no interaction");
  if (absent.empty()) return Verdict::pass("all four interaction entries");
  return Verdict::fail("exports " + present + " but not " + absent +
                       ": the four interaction entries come all or none");
}

Verdict unmangled(const CheckOptions& options) {
  Exports exports = readModuleExports(options);
  if (!exports.read) return Verdict::skip(exports.why);
  std::string mangled;
  for (const std::string& symbol : exports.names) {
    if (symbol.rfind("_Z", 0) != 0) continue;
    for (const EntryName& entry : kEntryNames) {
      for (const char* name : {entry.current, entry.older}) {
        if (name == nullptr) continue;
        const std::string length = std::to_string(std::string(name).size());
        if (symbol.find(length + name) == std::string::npos) continue;
        mangled += (mangled.empty() ? "" : ", ") + std::string(name) + " as " + symbol;
      }
    }
  }
  if (mangled.empty()) return Verdict::pass();
  return Verdict::fail("entry points exported with C++ linkage: " + mangled +
                       "; declare them with QX_MODULE_EXPORT (extern \"C\")");
}

} // namespace

std::vector<Check> loadChecks() {
  return {
      {"load.library", "The module's file is a shared library that opens", Severity::Error,
       libraryOpens, Stage::Gate},
      {"load.generation", "The generation is detected: qx_initialise or tarnext_initialise",
       Severity::Error, generation, Stage::ReadsFile},
      {"load.required-exports", "Every required entry point is exported, under its exact name",
       Severity::Error, requiredExports, Stage::ReadsFile},
      {"load.interaction-all-or-none", "The four interaction entries are exported all or none",
       Severity::Error, interactionGroup, Stage::ReadsFile},
      {"load.c-linkage", "No entry point is exported with a C++-mangled name", Severity::Error,
       unmangled, Stage::ReadsFile},
  };
}

} // namespace quex::check
