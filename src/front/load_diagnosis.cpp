// Explaining a failed load to the person who built the module: the file that
// was looked for and a misnamed one beside it, or the entry points the library
// lacks and what it exports instead.
#include "load_diagnosis.h"

#include "entry_points.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quex::detail {
namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The name a library file carries without "lib" in front and ".dll", ".so" or
// ".so.<version>" behind: "libupper.so.1" and "upper.dll" are both "upper".
std::string bareName(std::string file) {
  if (file.rfind("lib", 0) == 0) file.erase(0, 3);
  const size_t so = file.find(".so");
  if (so != std::string::npos && (so + 3 == file.size() || file[so + 3] == '.')) file.resize(so);
  if (endsWith(file, ".dll")) file.resize(file.size() - 4);
  return file;
}

// A file in `folder` that holds the module `wanted` under another name.
std::string misnamedFile(const std::filesystem::path& folder, const std::string& wanted) {
  namespace fs = std::filesystem;
  const std::string bare = bareName(wanted);
  std::error_code error;
  size_t looked = 0;
  for (fs::directory_iterator it(folder, error), end; !error && it != end && looked < 10000;
       it.increment(error), ++looked) {
    const std::string candidate = it->path().filename().string();
    if (candidate != wanted && bareName(candidate) == bare && it->is_regular_file(error))
      return candidate;
  }
  return {};
}

// Edits (insert, delete, replace, swap of neighbours) from `a` to `b`, or
// limit + 1 once it is certain to exceed `limit`.
size_t editDistance(const std::string& a, const std::string& b, size_t limit) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return limit + 1;
  std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t replace = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        current[j] = std::min(current[j], before[j - 2] + 1);
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[b.size()];
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

bool isEntryName(const std::string& name, bool olderGeneration) {
  for (const EntryRow& row : kEntryRows) {
    const char* own = row.name(olderGeneration);
    if (own != nullptr && name == own) return true;
  }
  return false;
}

const char* generationWord(bool olderGeneration) {
  return olderGeneration ? "older-generation" : "current-generation";
}

} // namespace

std::string describeOpenFailure(const std::string& file, const std::string& systemText) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(file, error))
    return file + " exists but the system could not load it: " + systemText;
  const fs::path path(file);
  const std::string name = path.filename().string();
  // Without a folder the system searches its library path, not the current folder.
  const bool bare = !path.has_parent_path();
  std::string text = "looked for " + name +
                     (bare ? std::string(" on the system's library search path")
                           : " in " + fs::absolute(path.parent_path(), error).string());
  const std::string misnamed = misnamedFile(bare ? fs::path(".") : path.parent_path(), name);
  if (!misnamed.empty())
    return text + "; found " + misnamed + (bare ? " in the current folder" : "") +
           ": modules are named NAME.dll";
  if (bare && fs::exists(name, error))
    return text + "; found it in the current folder: name a module there ./NAME";
  return text + ": no such file";
}

std::string nearMiss(const std::string& wanted, bool olderGeneration,
                     const std::vector<std::string>& exported) {
  for (const EntryRow& row : kEntryRows) {
    const char* own = row.name(olderGeneration);
    const char* other = row.name(!olderGeneration);
    if (own == nullptr || other == nullptr || wanted != own) continue;
    if (std::find(exported.begin(), exported.end(), other) != exported.end())
      return std::string(other) + ", its " + generationWord(!olderGeneration) + " name";
  }
  // A C++ function without extern "C" is exported under its mangled name,
  // which holds the plain name after its length: _Z13qx_initialiseP6QXHostPi.
  const std::string mangledPart = std::to_string(wanted.size()) + wanted;
  for (const std::string& name : exported)
    if (name.rfind("_Z", 0) == 0 && name.find(mangledPart) != std::string::npos)
      return name + ", with C++ linkage: declare it with QX_MODULE_EXPORT";
  std::string best;
  size_t bestDistance = 3;
  for (const std::string& name : exported) {
    if (isEntryName(name, olderGeneration)) continue; // right for another entry
    const size_t distance = equalIgnoringCase(name, wanted) ? 1 : editDistance(name, wanted, 2);
    if (distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best.empty() ? best : best + ", a misspelling";
}

std::string describeIncompleteModule(const std::string& file, bool olderGeneration,
                                     const std::vector<std::string>& exported,
                                     const std::function<bool(const char*)>& exports) {
  std::string missing;
  size_t found = 0;
  for (const EntryRow& row : kEntryRows) {
    const char* name = row.name(olderGeneration);
    if (name == nullptr || row.group != EntryGroup::Required) continue;
    if (exports(name)) {
      ++found;
      continue;
    }
    missing += missing.empty() ? "" : ", ";
    missing += name;
    const std::string instead = nearMiss(name, olderGeneration, exported);
    if (!instead.empty()) missing += " (found " + instead + ")";
  }
  if (!missing.empty()) {
    std::string text = file + " is not a complete " + generationWord(olderGeneration) +
                       " module: it lacks " + missing;
    if (found == 0 && missing.find("(found") == std::string::npos)
      text += "; it exports no module entry point at all";
    return text;
  }
  std::string absent;
  const char* begin = nullptr;
  for (const EntryRow& row : kEntryRows) {
    const char* name = row.name(olderGeneration);
    if (row.group != EntryGroup::Interaction || name == nullptr) continue;
    if (begin == nullptr) {
      begin = name; // the group's first row starts an interaction
    } else if (!exports(name)) {
      absent += absent.empty() ? "" : ", ";
      absent += name;
    }
  }
  return file + " exports " + (begin != nullptr ? begin : "") + " but not " + absent +
         ": the four interaction entries are exported together or not at all";
}

} // namespace quex::detail
