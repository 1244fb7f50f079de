#include "cli_documents.h"

#include <sstream>

namespace quex::cli {

namespace {

// Text for roff: backslashes and hyphens escaped, no line starting with a
// control character.
std::string roff(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\') escaped += "\\e";
    else if (c == '-') escaped += "\\-";
    else escaped += c;
  }
  if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) escaped.insert(0, "\\&");
  return escaped;
}

bool visible(const CLI::Option* option) { return !option->get_group().empty(); }

// "--trace N", "--child [PROGRAM]", "-h, --help"
std::string optionSynopsis(const CLI::Option* option) {
  std::string names;
  for (const std::string& name : option->get_snames()) names += (names.empty() ? "-" : ", -") + name;
  for (const std::string& name : option->get_lnames())
    names += (names.empty() ? "--" : ", --") + name;
  if (option->get_expected_max() > 0 && !option->get_type_name().empty())
    names += " " + option->get_type_name();
  return names;
}

std::vector<const CLI::Option*> options(const CLI::App& app, bool positional) {
  return app.get_options([positional](const CLI::Option* option) {
    return visible(option) && option->nonpositional() != positional;
  });
}

std::string usage(const CLI::App& app, const std::string& program) {
  std::string line = program;
  if (app.get_parent() != nullptr) line += " " + app.get_name();
  for (const CLI::Option* option : options(app, true))
    line += option->get_required() ? " " + option->get_name(true) : " [" + option->get_name(true) + "]";
  if (!options(app, false).empty()) line += " [OPTIONS]";
  return line;
}

void manOptions(std::ostringstream& page, const CLI::App& app) {
  for (const CLI::Option* option : options(app, true))
    page << ".TP\n.B " << roff(option->get_name(true)) << "\n" << roff(option->get_description())
         << "\n";
  for (const CLI::Option* option : options(app, false))
    page << ".TP\n.B " << roff(optionSynopsis(option)) << "\n" << roff(option->get_description())
         << "\n";
}

} // namespace

std::string helpFooter(const ProgramNotes& notes) {
  std::ostringstream footer;
  if (!notes.examples.empty()) {
    footer << "Examples:\n";
    for (const Example& example : notes.examples)
      footer << "  " << example.command << "\n      " << example.what << "\n";
  }
  if (!notes.exitCodes.empty()) {
    footer << "Exit codes:\n";
    for (const ExitCode& exit : notes.exitCodes)
      footer << "  " << exit.code << (exit.code < 10 ? "    " : exit.code < 100 ? "   " : "  ")
             << exit.meaning << "\n";
  }
  if (!notes.environment.empty()) {
    footer << "Environment:\n";
    for (const Variable& variable : notes.environment)
      footer << "  " << variable.name << "\n      " << variable.meaning << "\n";
  }
  return footer.str();
}

std::string manPage(const CLI::App& app, const ProgramNotes& notes) {
  const std::string program = app.get_name();
  std::string upper;
  for (char c : program) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  std::ostringstream page;
  page << ".TH " << upper << " 1 \"\" \"" << roff(program + " " + notes.version)
       << "\" \"User Commands\"\n";
  page << ".SH NAME\n" << roff(program) << " \\- " << roff(notes.summary) << "\n";
  page << ".SH SYNOPSIS\n";
  const std::vector<const CLI::App*> commands = app.get_subcommands({});
  if (commands.empty()) page << ".B " << roff(usage(app, program)) << "\n";
  for (const CLI::App* command : commands)
    page << ".B " << roff(usage(*command, program)) << "\n.br\n";
  page << ".SH DESCRIPTION\n" << roff(notes.description.empty() ? app.get_description()
                                                               : notes.description)
       << "\n";
  if (!options(app, true).empty() || !options(app, false).empty()) {
    page << ".SH OPTIONS\n";
    manOptions(page, app);
  }
  if (!commands.empty()) {
    page << ".SH COMMANDS\n";
    for (const CLI::App* command : commands) {
      page << ".SS " << roff(usage(*command, program)) << "\n" << roff(command->get_description())
           << "\n";
      manOptions(page, *command);
    }
  }
  if (!notes.examples.empty()) {
    page << ".SH EXAMPLES\n";
    for (const Example& example : notes.examples)
      page << ".TP\n.B " << roff(example.command) << "\n" << roff(example.what) << "\n";
  }
  if (!notes.exitCodes.empty()) {
    page << ".SH EXIT STATUS\n";
    for (const ExitCode& exit : notes.exitCodes)
      page << ".TP\n.B " << exit.code << "\n" << roff(exit.meaning) << "\n";
  }
  if (!notes.environment.empty()) {
    page << ".SH ENVIRONMENT\n";
    for (const Variable& variable : notes.environment)
      page << ".TP\n.B " << roff(variable.name) << "\n" << roff(variable.meaning) << "\n";
  }
  if (!notes.seeAlso.empty()) page << ".SH SEE ALSO\n" << roff(notes.seeAlso) << "\n";
  return page.str();
}

std::string bashCompletion(const CLI::App& app, const std::string& moduleNamesFlag) {
  const std::string program = app.get_name();
  std::string function = "_";
  for (char c : program) function += (c == '-' ? '_' : c);
  std::ostringstream script;
  script << "# bash completion for " << program << ", made by " << program
         << " from its own command line.\n";
  script << function << "() {\n"
         << "  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}\n"
         << "  local command=\"\" word\n"
         << "  for word in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
         << "    case \"$word\" in -*) ;; *) command=$word; break ;; esac\n"
         << "  done\n"
         << "  case \"$command\" in\n";
  std::string top;
  for (const CLI::Option* option : options(app, false))
    for (const std::string& name : option->get_lnames()) top += " --" + name;
  std::string names;
  for (const CLI::App* command : app.get_subcommands({})) {
    names += " " + command->get_name();
    std::string words, valued;
    for (const CLI::Option* option : options(*command, false))
      for (const std::string& name : option->get_lnames()) {
        words += " --" + name;
        if (option->get_expected_min() > 0) valued += "|--" + name;
      }
    bool takesModule = false;
    for (const CLI::Option* option : options(*command, true))
      takesModule = takesModule || option->get_name(true) == "MODULE";
    script << "    " << command->get_name() << ")\n";
    if (!valued.empty())
      script << "      case \"$previous\" in " << valued.substr(1)
             << ") COMPREPLY=($(compgen -f -- \"$current\")); return ;; esac\n";
    script << "      if [[ $current == -* ]]; then\n"
           << "        COMPREPLY=($(compgen -W \"" << words.substr(words.empty() ? 0 : 1)
           << "\" -- \"$current\"))\n";
    if (takesModule)
      script << "      else\n"
             << "        COMPREPLY=($(compgen -W \"$(" << program << " " << moduleNamesFlag
             << " 2>/dev/null)\" -- \"$current\") $(compgen -f -- \"$current\"))\n";
    script << "      fi ;;\n";
  }
  script << "    *) COMPREPLY=($(compgen -W \"" << names.substr(names.empty() ? 0 : 1) << top
         << "\" -- \"$current\")) ;;\n"
         << "  esac\n"
         << "}\n"
         << "complete -F " << function << " " << program << "\n";
  return script.str();
}

} // namespace quex::cli
