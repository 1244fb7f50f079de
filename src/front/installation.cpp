// The installed layout, relative to libquex: quex-child beside it, the
// example modules in quex/modules below it. The build tree has the same shape.
#include "../platform/dynamic_library.h"

#include <quex/front/QuexInstallation.h>

#include <cstdlib>
#include <filesystem>

namespace {

// Any object of the library tells the system which file holds it.
const char kInsideTheLibrary = 0;

} // namespace

std::string QuexInstallation::libraryFolder() {
  namespace fs = std::filesystem;
  const std::string file = quex::platform::fileContaining(&kInsideTheLibrary);
  if (file.empty()) return {};
  std::error_code ignored;
  fs::path resolved = fs::weakly_canonical(fs::absolute(file, ignored), ignored);
  if (resolved.empty()) resolved = fs::path(file).lexically_normal();
  return resolved.parent_path().string();
}

std::string QuexInstallation::childProgram() {
  const char* fromEnvironment = std::getenv("QUEX_CHILD_PROGRAM");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
  return libraryFolder() + "/quex-child";
}

std::vector<std::string> QuexInstallation::moduleFolders() {
  std::vector<std::string> folders;
  if (const char* searchPath = std::getenv("QUEX_MODULE_PATH")) {
    const std::string list = searchPath;
    for (size_t start = 0; start <= list.size();) {
      size_t colon = list.find(':', start);
      if (colon == std::string::npos) colon = list.size();
      if (colon > start) folders.push_back(list.substr(start, colon - start));
      start = colon + 1;
    }
  }
  folders.push_back(libraryFolder() + "/quex/modules");
  return folders;
}
