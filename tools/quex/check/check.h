// A check of a module's side of the contract: an id such as
// "load.required-exports", a one-line description, a severity, and the
// function that runs it and says why it failed.
#ifndef QUEX_TOOLS_QUEX_CHECK_CHECK_H
#define QUEX_TOOLS_QUEX_CHECK_CHECK_H

#include "check_options.h"

#include <string>
#include <vector>

namespace quex::check {

using tool::CheckOptions;

enum class Severity { Error, Warning };

// What a check found. Crashed and TimedOut are given by the runner, never by
// a check itself.
enum class Outcome { Passed, Failed, Skipped, Crashed, TimedOut };

struct Verdict {
  Outcome outcome = Outcome::Passed;
  std::string reason; // why it failed or was skipped; may note what passed

  static Verdict pass(std::string note = {}) { return {Outcome::Passed, std::move(note)}; }
  static Verdict fail(std::string why) { return {Outcome::Failed, std::move(why)}; }
  static Verdict skip(std::string why) { return {Outcome::Skipped, std::move(why)}; }
};

using CheckFunction = Verdict (*)(const CheckOptions& options);

// When a check runs: checks that only read the module's file run at any
// time; a gate (loading, initialising) runs before the checks that drive the
// module, which are not run when a gate crashed or timed out.
enum class Stage { Drives, Gate, ReadsFile };

struct Check {
  const char* id;
  const char* description;
  Severity severity;
  CheckFunction run;
  Stage stage = Stage::Drives;
};

// Every check, in the order they are reported. Each group of checks has its
// own file and adds its table here (check_table.cpp).
const std::vector<Check>& allChecks();

// The groups.
std::vector<Check> loadChecks();
std::vector<Check> initialiseChecks();
std::vector<Check> textChecks();
std::vector<Check> lifecycleChecks();
std::vector<Check> recordChecks();
std::vector<Check> cancelChecks();
std::vector<Check> resourceChecks();
std::vector<Check> threadChecks();
std::vector<Check> secrecyChecks();

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_CHECK_H
