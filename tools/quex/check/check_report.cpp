#include "check_report.h"
#include "xml_text.h"

#include <cstdio>
#include <iomanip>
#include <sstream>

namespace quex::check {

namespace {

const char* kReset = "\033[0m";

const char* colourOf(const Result& result) {
  switch (result.outcome) {
  case Outcome::Passed: return "\033[32m";
  case Outcome::Skipped: return "\033[2m";
  default: return result.check->severity == Severity::Warning ? "\033[33m" : "\033[1;31m";
  }
}

std::string seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", value);
  return text;
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += "\\n"; break;
    case '\t': out += "\\t"; break;
    case '\r': out += "\\r"; break;
    default:
      if (c < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out += escaped;
      } else {
        out += static_cast<char>(c);
      }
    }
  }
  return out + "\"";
}

// XML 1.0 text: control characters (not allowed in XML at all) shown as
// '?', then the five entities.
std::string xmlText(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r') c = '?';
  return tool::escapeXml(text);
}

const char* outcomeKey(Outcome outcome) {
  switch (outcome) {
  case Outcome::Passed: return "passed";
  case Outcome::Failed: return "failed";
  case Outcome::Skipped: return "skipped";
  case Outcome::Crashed: return "crashed";
  case Outcome::TimedOut: return "timed-out";
  }
  return "failed";
}

} // namespace

bool isFailure(const Result& result) {
  return result.outcome == Outcome::Failed || result.outcome == Outcome::Crashed ||
         result.outcome == Outcome::TimedOut;
}

std::string resultWord(const Result& result) {
  switch (result.outcome) {
  case Outcome::Passed: return "passed";
  case Outcome::Skipped: return "skipped";
  case Outcome::Crashed: return "crashed";
  case Outcome::TimedOut: return "timed out";
  case Outcome::Failed: break;
  }
  return result.check->severity == Severity::Warning ? "warning" : "FAILED";
}

Summary summarise(const std::vector<Result>& results) {
  Summary summary;
  for (const Result& result : results) {
    if (result.outcome == Outcome::Passed)
      ++summary.passed;
    else if (result.outcome == Outcome::Skipped)
      ++summary.skipped;
    else if (result.check->severity == Severity::Warning)
      ++summary.warnings;
    else
      ++summary.failed;
  }
  return summary;
}

std::string summaryLine(const Summary& summary) {
  std::string line = std::to_string(summary.passed) + " passed, " +
                     std::to_string(summary.failed) + " failed, " +
                     std::to_string(summary.warnings) +
                     (summary.warnings == 1 ? " warning" : " warnings");
  if (summary.skipped > 0) line += ", " + std::to_string(summary.skipped) + " skipped";
  return line;
}

void printTable(const std::vector<Result>& results, bool colour, std::ostream& out) {
  size_t width = 5;
  for (const Result& result : results) width = std::max(width, std::string(result.check->id).size());
  out << std::left << std::setw(static_cast<int>(width)) << "CHECK" << "  " << std::setw(9)
      << "RESULT" << "  " << std::right << std::setw(7) << "TIME" << "  REASON\n";
  for (const Result& result : results) {
    const std::string word = resultWord(result);
    out << std::left << std::setw(static_cast<int>(width)) << result.check->id << "  ";
    if (colour) out << colourOf(result);
    out << std::setw(9) << word;
    if (colour) out << kReset;
    out << "  " << std::right << std::setw(7) << seconds(result.seconds);
    if (!result.reason.empty()) out << "  " << result.reason;
    out << "\n";
    if (isFailure(result)) out << std::string(width + 2, ' ') << "reproduce: " << result.reproduce << "\n";
  }
  out << summaryLine(summarise(results)) << "\n";
}

void printList(const std::vector<const Check*>& checks, std::ostream& out) {
  size_t width = 0;
  for (const Check* check : checks) width = std::max(width, std::string(check->id).size());
  for (const Check* check : checks)
    out << std::left << std::setw(static_cast<int>(width)) << check->id << "  " << std::setw(7)
        << (check->severity == Severity::Error ? "error" : "warning") << "  "
        << check->description << "\n";
}

std::string toJson(const std::string& module, const std::vector<Result>& results) {
  const Summary summary = summarise(results);
  std::ostringstream out;
  out << "{\n  \"module\": " << jsonString(module) << ",\n  \"summary\": {\"passed\": "
      << summary.passed << ", \"failed\": " << summary.failed << ", \"warnings\": "
      << summary.warnings << ", \"skipped\": " << summary.skipped << "},\n  \"checks\": [";
  for (size_t i = 0; i < results.size(); ++i) {
    const Result& result = results[i];
    out << (i == 0 ? "\n" : ",\n") << "    {\"id\": " << jsonString(result.check->id)
        << ", \"description\": " << jsonString(result.check->description) << ", \"severity\": "
        << (result.check->severity == Severity::Error ? "\"error\"" : "\"warning\"")
        << ", \"result\": \"" << outcomeKey(result.outcome) << "\", \"seconds\": "
        << seconds(result.seconds).substr(0, seconds(result.seconds).size() - 2)
        << ", \"reason\": " << jsonString(result.reason);
    if (isFailure(result)) out << ", \"reproduce\": " << jsonString(result.reproduce);
    if (!result.output.empty()) out << ", \"output\": " << jsonString(result.output);
    out << "}";
  }
  out << "\n  ]\n}\n";
  return out.str();
}

std::string toJUnit(const std::string& module, const std::vector<Result>& results) {
  const Summary summary = summarise(results);
  double total = 0;
  for (const Result& result : results) total += result.seconds;
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<testsuites name=\"quex check\" tests=\"" << results.size() << "\" failures=\""
      << summary.failed << "\" skipped=\"" << summary.skipped << "\">\n"
      << "  <testsuite name=\"" << xmlText(module) << "\" tests=\"" << results.size()
      << "\" failures=\"" << summary.failed << "\" errors=\"0\" skipped=\"" << summary.skipped
      << "\" time=\"" << seconds(total).substr(0, seconds(total).size() - 2) << "\">\n";
  for (const Result& result : results) {
    const std::string time = seconds(result.seconds);
    out << "    <testcase classname=\"quex.check\" name=\"" << xmlText(result.check->id)
        << "\" time=\"" << time.substr(0, time.size() - 2) << "\"";
    if (result.outcome == Outcome::Passed) {
      out << "/>\n";
      continue;
    }
    out << ">\n";
    if (result.outcome == Outcome::Skipped) {
      out << "      <skipped message=\"" << xmlText(result.reason) << "\"/>\n";
    } else if (result.check->severity == Severity::Warning) {
      // A warning does not fail the build: shown as output only.
      out << "      <system-out>warning: " << xmlText(result.reason) << "</system-out>\n";
    } else {
      out << "      <failure type=\"" << outcomeKey(result.outcome) << "\" message=\""
          << xmlText(result.reason) << "\">" << xmlText(result.check->description)
          << "\nreproduce: " << xmlText(result.reproduce);
      if (!result.output.empty()) out << "\n" << xmlText(result.output);
      out << "</failure>\n";
    }
    out << "    </testcase>\n";
  }
  out << "  </testsuite>\n</testsuites>\n";
  return out.str();
}

} // namespace quex::check
