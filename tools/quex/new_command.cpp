// quex new reader|transformer NAME: writes a small module project that builds
// against the installed quex package and runs with `quex run` at once.
#include "commands.h"
#include "templates.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quex::tool {

namespace {

namespace fs = std::filesystem;

struct ProjectFile {
  std::string name;
  std::string contents;
};

bool isIdentifier(const std::string& name) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (name.empty() || !letter(name[0])) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The major.minor version the project asks find_package for.
std::string packageMinorVersion() {
  const std::string version = QUEX_VERSION;
  return version.substr(0, version.find('.', version.find('.') + 1));
}

std::vector<ProjectFile> projectFiles(const NewOptions& options) {
  const bool reader = options.kind == "reader";
  const std::string source = options.name + (options.inC ? ".c" : ".cpp");
  const std::string sample = reader ? "sample.txt" : "sample.csv";
  const std::string inputOption = reader ? "--file input=sample.txt" : "--input sample.csv";
  const char* code = reader ? (options.inC ? kTemplate_reader_c : kTemplate_reader_cpp)
                            : (options.inC ? kTemplate_transformer_c : kTemplate_transformer_cpp);
  const std::string cmake =
      "cmake_minimum_required(VERSION 3.25)\n"
      "project(" + options.name + " LANGUAGES " + (options.inC ? "C" : "CXX") + ")\n"
      "find_package(Quex " + packageMinorVersion() + " CONFIG REQUIRED)\n"
      "# " + options.name + ".dll: no \"lib\" prefix, only the QX_MODULE_EXPORT entries visible.\n"
      "quex_add_module(" + options.name + " SOURCES " + source + ")\n";
  const std::string readme =
      "# " + options.name + ": a quex " + options.kind + " module (" + source + ")\n"
      "Build: `cmake -B build && cmake --build build` (add `-DCMAKE_PREFIX_PATH=PREFIX` when quex "
      "is installed under PREFIX).\n"
      "Run: `quex run build/" + options.name + " " + inputOption + "`; add `--child` to run it "
      "in a child process.\n" +
      (reader ? std::string("Each line of the input file becomes a record: its number and its "
                            "text.\n")
              : std::string("Each input record comes out with a row number appended; "
                            "`--params FILE` with `<Parameters><RowField name=\"n\"/>"
                            "</Parameters>` names that field.\n")) +
      "Check it with `quex check build/" + options.name + " " + inputOption +
      "`: every check passes or is skipped.\n";
  return {{"CMakeLists.txt", cmake},
          {source, replaceAll(code, "@NAME@", options.name)},
          {sample, reader ? kTemplate_sample_txt : kTemplate_sample_csv},
          {"README.md", readme}};
}

} // namespace

int runNew(const NewOptions& options, std::ostream& out, std::ostream& err) {
  if (!isIdentifier(options.name)) {
    err << "quex: '" << options.name << "' is not a valid module name: use letters, digits and "
        << "'_', and do not start with a digit\n";
    return kExitUsage;
  }
  const fs::path dir = options.dir.empty() ? fs::path(options.name) : fs::path(options.dir);
  std::error_code error;
  if (fs::exists(dir, error) && !(fs::is_directory(dir, error) && fs::is_empty(dir, error))) {
    err << "quex: " << dir.string() << " already exists and is not an empty folder; "
        << "choose another with --dir\n";
    return kExitUsage;
  }
  fs::create_directories(dir, error);
  if (error) {
    err << "quex: cannot make " << dir.string() << ": " << error.message() << "\n";
    return kExitUsage;
  }
  const std::vector<ProjectFile> files = projectFiles(options);
  for (const ProjectFile& file : files) {
    std::ofstream stream(dir / file.name, std::ios::binary);
    stream << file.contents;
    if (!stream.flush()) {
      err << "quex: cannot write " << (dir / file.name).string() << "\n";
      return kExitUsage;
    }
  }
  out << "wrote " << options.kind << " " << options.name << " to " << dir.string() << ":";
  for (const ProjectFile& file : files) out << " " << file.name;
  out << "\nnext: cd " << dir.string() << " && cmake -B build && cmake --build build && quex run build/"
      << options.name << (options.kind == "reader" ? " --file input=sample.txt" : " --input sample.csv")
      << "\n";
  return kExitOk;
}

} // namespace quex::tool
