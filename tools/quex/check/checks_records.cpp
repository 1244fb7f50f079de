// Records: bulk fetch against record-by-record reads, two runs against each
// other, and the module in process against the module in a child process.
#include "check.h"
#include "probe.h"
#include "record_text.h"

namespace quex::check {

namespace {

// Every record of one fresh component of `probe`.
bool readRun(Probe& probe, std::vector<Record>& records, std::vector<csv::Column>& fields,
             std::string& why, bool bulk = false) {
  Component component(probe);
  if (!component.prepare(why) || !component.readAll(records, why, bulk) || !component.end(why))
    return false;
  fields = component.fields();
  return component.destroy(why);
}

Verdict bulkMatchesRecords(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  if (!probe.wrapper().useBulkFetch()) return Verdict::skip("the module has no bulk fetch");
  std::vector<Record> byRecord, byBulk;
  std::vector<csv::Column> fields;
  if (!readRun(probe, byRecord, fields, why)) return Verdict::skip(why);
  if (!readRun(probe, byBulk, fields, why, true)) return Verdict::fail(why);
  const std::string difference =
      firstDifference(fields, byRecord, "read record by record", byBulk, "by bulk fetch");
  if (!difference.empty()) return Verdict::fail(difference);
  return Verdict::pass(std::to_string(byBulk.size()) + " records alike");
}

Verdict deterministic(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  std::vector<Record> first, second;
  std::vector<csv::Column> fields;
  if (!readRun(probe, first, fields, why) || !readRun(probe, second, fields, why))
    return Verdict::skip(why);
  const std::string difference =
      firstDifference(fields, first, "in the first run", second, "in the second");
  if (!difference.empty()) return Verdict::fail("two runs differ: " + difference);
  return Verdict::pass();
}

Verdict childMatches(const CheckOptions& options) {
  std::vector<Record> inProcess, inChild;
  std::vector<csv::Column> fields;
  std::string why;
  {
    // In process read as quex run reads: by bulk fetch when the module has one.
    Probe probe(options);
    if (!probe.start(why) ||
        !readRun(probe, inProcess, fields, why, probe.wrapper().useBulkFetch()))
      return Verdict::skip(why);
  }
  Probe child(options, true);
  if (!child.start(why)) return Verdict::fail("out of process: " + why);
  if (!readRun(child, inChild, fields, why)) return Verdict::fail("out of process: " + why);
  const std::string difference =
      firstDifference(fields, inProcess, "in process", inChild, "in quex-child");
  if (!difference.empty()) return Verdict::fail(difference);
  return Verdict::pass(std::to_string(inChild.size()) + " records alike");
}

} // namespace

std::vector<Check> recordChecks() {
  return {
      {"records.bulk-matches-records",
       "Bulk fetch delivers exactly the values of record-by-record reads", Severity::Error,
       bulkMatchesRecords},
      {"records.deterministic", "The same run twice gives the same records", Severity::Warning,
       deterministic},
      {"records.child-matches", "The records are byte-identical in process and in quex-child",
       Severity::Error, childMatches},
  };
}

} // namespace quex::check
