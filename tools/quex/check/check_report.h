// The results of quex check: the table on the terminal, the summary line,
// and the JSON and JUnit XML files.
#ifndef QUEX_TOOLS_QUEX_CHECK_CHECK_REPORT_H
#define QUEX_TOOLS_QUEX_CHECK_CHECK_REPORT_H

#include "check.h"

#include <ostream>
#include <string>
#include <vector>

namespace quex::check {

struct Result {
  const Check* check = nullptr;
  Outcome outcome = Outcome::Skipped;
  std::string reason;
  double seconds = 0;
  std::string output;    // the end of the check process's own output, if it died
  std::string reproduce; // the command that runs this check alone, in process
  std::string inFlight;  // the call a crashed or timed-out check was in
};

// Failed, crashed or timed out.
bool isFailure(const Result& result);
// "passed", "FAILED", "warning", "skipped", "crashed", "timed out".
std::string resultWord(const Result& result);

struct Summary {
  size_t passed = 0, failed = 0, warnings = 0, skipped = 0;
};
Summary summarise(const std::vector<Result>& results);
// "N passed, N failed, N warnings" (and ", N skipped" when some were).
std::string summaryLine(const Summary& summary);

void printTable(const std::vector<Result>& results, bool colour, std::ostream& out);
void printList(const std::vector<const Check*>& checks, std::ostream& out);
std::string toJson(const std::string& module, const std::vector<Result>& results);
std::string toJUnit(const std::string& module, const std::vector<Result>& results);

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_CHECK_REPORT_H
