#include "check_command.h"
#include "check.h"
#include "check_process.h"
#include "check_report.h"
#include "in_flight.h"

#include "host_services.h"
#include "terminal.h"

#include <atomic>
#include <iostream>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace quex::check {

namespace {

bool matches(const Check& check, const std::string& id) {
  const std::string name = check.id;
  return name == id || (name.size() > id.size() && name.compare(0, id.size(), id) == 0 &&
                        name[id.size()] == '.');
}

// The checks --only and --skip leave; false (reported) for an id that names none.
bool selectChecks(const CheckOptions& options, std::vector<const Check*>& selected,
                  std::ostream& err) {
  for (const std::vector<std::string>* ids : {&options.only, &options.skip}) {
    for (const std::string& id : *ids) {
      bool known = false;
      for (const Check& check : allChecks()) known = known || matches(check, id);
      if (!known) {
        err << "quex: no check is named '" << id << "' (see quex check --list)\n";
        return false;
      }
    }
  }
  for (const Check& check : allChecks()) {
    bool chosen = options.only.empty();
    for (const std::string& id : options.only) chosen = chosen || matches(check, id);
    for (const std::string& id : options.skip) chosen = chosen && !matches(check, id);
    if (chosen) selected.push_back(&check);
  }
  return true;
}

std::string shellWord(const std::string& text) {
  if (!text.empty() && text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789_-.,/=:@+") == std::string::npos)
    return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The module and documents as command-line words, for the check processes
// and for the reproduce lines.
std::vector<std::string> documentArguments(const CheckOptions& options) {
  const tool::RunOptions& documents = options.documents;
  std::vector<std::string> words = {documents.module};
  auto add = [&](const char* option, const std::string& value) {
    if (value.empty()) return;
    words.push_back(option);
    words.push_back(value);
  };
  add("--params", documents.params);
  add("--context", documents.context);
  add("--input", documents.input);
  add("--input-model", documents.inputModel);
  for (const auto& pair : documents.passwords) add("--password", pair.first + "=" + pair.second);
  for (const auto& pair : documents.files) add("--file", pair.first + "=" + pair.second);
  add("--child", options.child);
  if (options.cancelMs != 1000) add("--cancel-ms", std::to_string(options.cancelMs));
  return words;
}

std::string reproduceCommand(const CheckOptions& options, const Check& check) {
  std::string command = "quex check";
  for (const std::string& word : documentArguments(options)) command += " " + shellWord(word);
  return command + " --only " + check.id + " --in-process";
}

Verdict runGuarded(const Check& check, const CheckOptions& options) {
  try {
    return check.run(options);
  } catch (const std::exception& error) {
    return Verdict::fail(std::string("the check stopped with an exception: ") + error.what());
  } catch (...) {
    return Verdict::fail("the check stopped with an exception");
  }
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\t' || c == '\r') c = ' ';
  return text;
}

const char* outcomeWord(Outcome outcome) {
  switch (outcome) {
  case Outcome::Passed: return "passed";
  case Outcome::Skipped: return "skipped";
  default: return "failed";
  }
}

// The hidden mode: one check, its verdict on the report descriptor.
int runIsolated(const CheckOptions& options, std::ostream& err) {
  const Check* found = nullptr;
  for (const Check& check : allChecks())
    if (options.isolated == check.id) found = &check;
  if (found == nullptr || options.reportFd < 0) {
    err << "quex: no check is named '" << options.isolated << "'\n";
    return tool::kExitUsage;
  }
  prepareCheckProcess(options.reportFd);
  Verdict verdict;
  {
    tool::XmlRuntime xml;
    verdict = runGuarded(*found, options);
  }
  writeReport(options.reportFd, std::string("result\t") + outcomeWord(verdict.outcome) + "\t" +
                                    oneLine(verdict.reason) + "\n");
  std::cout.flush();
  std::cerr.flush();
  endCheckProcess(0);
}

Result fromProcess(const Check& check, const ProcessEnd& end, double timeoutSeconds) {
  Result result;
  result.check = &check;
  result.seconds = end.seconds;
  std::string inFlight, outcome, reason;
  std::istringstream lines(end.report);
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t');
    const std::string key = line.substr(0, tab), rest = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (key == "inflight") inFlight = rest;
    if (key == "result") {
      const size_t second = rest.find('\t');
      outcome = rest.substr(0, second);
      reason = second == std::string::npos ? "" : rest.substr(second + 1);
    }
  }
  const std::string where = inFlight.empty() ? "" : " in " + inFlight;
  result.inFlight = inFlight;
  switch (end.how) {
  case ProcessEnd::How::Exited:
    if (!outcome.empty()) {
      result.outcome = outcome == "passed"    ? Outcome::Passed
                       : outcome == "skipped" ? Outcome::Skipped
                                              : Outcome::Failed;
      result.reason = reason;
      return result;
    }
    result.outcome = Outcome::Crashed;
    result.reason = "the check's process exited with code " + std::to_string(end.exitCode) +
                    where + " before it gave a result";
    break;
  case ProcessEnd::How::Signalled:
    result.outcome = Outcome::Crashed;
    result.reason = "crashed with " + end.signalName + where;
    break;
  case ProcessEnd::How::TimedOut: {
    result.outcome = Outcome::TimedOut;
    std::ostringstream text;
    text << "timed out after " << timeoutSeconds << " s" << where << "; the check was killed";
    result.reason = text.str();
    break;
  }
  case ProcessEnd::How::Interrupted:
    result.outcome = Outcome::Skipped;
    result.reason = "interrupted";
    break;
  case ProcessEnd::How::NotStarted:
    result.outcome = Outcome::Crashed;
    result.reason = end.report;
    break;
  }
  result.output = end.output;
  return result;
}

Result notRun(const Check& check, std::string why) {
  Result result;
  result.check = &check;
  result.outcome = Outcome::Skipped;
  result.reason = std::move(why);
  return result;
}

std::vector<Result> runEach(const CheckOptions& options, const std::vector<const Check*>& checks,
                            const char* argv0) {
  std::vector<Result> results(checks.size());
  if (options.inProcess) {
    tool::XmlRuntime xml;
    for (size_t i = 0; i < checks.size(); ++i) {
      const auto start = std::chrono::steady_clock::now();
      Verdict verdict = runGuarded(*checks[i], options);
      results[i].check = checks[i];
      results[i].outcome = verdict.outcome;
      results[i].reason = verdict.reason;
      results[i].seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return results;
  }
  std::vector<std::string> base = {selfProgram(argv0), "check"};
  for (const std::string& word : documentArguments(options)) base.push_back(word);
  // The gates first: a module that dies or hangs while loading or
  // initialising would take every other check to its timeout.
  std::vector<size_t> gates, rest;
  for (size_t i = 0; i < checks.size(); ++i)
    (checks[i]->stage == Stage::Gate ? gates : rest).push_back(i);
  std::string closedBy; // the gate that crashed or timed out
  const size_t cores = options.jobs > 0 ? static_cast<size_t>(options.jobs) : coreCount();
  for (const std::vector<size_t>* phase : {&gates, &rest}) {
    std::atomic<size_t> next{0};
    auto worker = [&] {
      for (size_t n; (n = next.fetch_add(1)) < phase->size();) {
        const size_t i = (*phase)[n];
        if (interruptSignal() != 0) {
          results[i] = notRun(*checks[i], "interrupted");
          continue;
        }
        if (!closedBy.empty() && checks[i]->stage == Stage::Drives) {
          results[i] = notRun(*checks[i], "not run: " + closedBy);
          continue;
        }
        std::vector<std::string> arguments = base;
        arguments.insert(arguments.end(), {"--isolated", checks[i]->id, "--report-fd",
                                           std::to_string(kReportDescriptor)});
        results[i] = fromProcess(*checks[i], runCheckProcess(arguments, options.timeoutSeconds),
                                 options.timeoutSeconds);
      }
    };
    const size_t jobs = std::min(phase->size(), cores);
    std::vector<std::thread> workers;
    for (size_t j = 1; j < jobs; ++j) workers.emplace_back(worker);
    worker();
    for (std::thread& thread : workers) thread.join();
    for (size_t i : gates) {
      const std::string& call = results[i].inFlight;
      const bool dead = results[i].outcome == Outcome::Crashed ||
                        results[i].outcome == Outcome::TimedOut;
      if (closedBy.empty() && dead &&
          (call.empty() || call == "loading the module" || call == "qx_initialise"))
        closedBy = std::string(checks[i]->id) + " " + resultWord(results[i]) +
                   (call.empty() ? "" : " in " + call);
    }
  }
  return results;
}

bool writeFile(const std::string& path, const std::string& text, std::ostream& err) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  if (file.flush()) return true;
  err << "quex: cannot write " << path << "\n";
  return false;
}

} // namespace

int runCheckCommand(const tool::CheckOptions& options, const char* argv0, std::ostream& out,
                    std::ostream& err) {
  if (!options.isolated.empty()) return runIsolated(options, err);
  std::vector<const Check*> checks;
  if (!selectChecks(options, checks, err)) return tool::kExitUsage;
  if (options.list) {
    printList(checks, out);
    return tool::kExitOk;
  }
  catchInterrupts();
  std::vector<Result> results = runEach(options, checks, argv0);
  restoreInterrupts();
  for (size_t i = 0; i < results.size(); ++i) results[i].reproduce = reproduceCommand(options, *checks[i]);
  if (interruptSignal() != 0) {
    err << "quex: check interrupted; its checks were stopped\n";
    return 128 + interruptSignal();
  }
  printTable(results, tool::standardOutputIsTerminal(), out);
  bool written = true;
  if (!options.json.empty()) written = writeFile(options.json, toJson(options.documents.module, results), err);
  if (!options.junit.empty())
    written = writeFile(options.junit, toJUnit(options.documents.module, results), err) && written;
  if (!written) return tool::kExitUsage;
  for (const Result& result : results)
    if (isFailure(result) && result.check->severity == Severity::Error) return tool::kExitFailed;
  return tool::kExitOk;
}

} // namespace quex::check
