// Initialise and clean up: twice in one process, module information that
// parses, statuses that are named ones.
#include "check.h"
#include "probe.h"

namespace quex::check {

namespace {

Verdict twice(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) {
    // A module that does not load fails the load checks, not this one.
    if (!probe.initialiseCalled()) return Verdict::skip(why);
    return Verdict::fail(why);
  }
  if (!probe.stop(why)) return Verdict::fail("first " + why);
  int errorCode = 0;
  QXStatus status = probe.call("qx_initialise (second time)", [&] {
    return probe.wrapper().qx_initialise(probe.host(), &errorCode);
  });
  if (status != QX_OK)
    return Verdict::fail("after a cleanup, " + probe.describe("qx_initialise", status, errorCode));
  status = probe.call("qx_cleanup (second time)",
                      [&] { return probe.wrapper().qx_cleanup(&errorCode); });
  if (status != QX_OK)
    return Verdict::fail("second " + probe.describe("qx_cleanup", status, errorCode));
  return Verdict::pass();
}

Verdict moduleInformationParses(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  const std::string information = probe.wrapper().getModuleInformation();
  if (information.empty()) return Verdict::skip("the module gives no module information");
  QXHost* host = probe.host();
  QXXML* document = nullptr;
  if (host->createDocumentFromContents(host->owner, information.c_str(), &document) != QX_OK ||
      document == nullptr)
    return Verdict::fail("the XML service made no document of the module information");
  char name[256];
  size_t needed = 0;
  QXStatus status = document->getName(document->owner, name, sizeof name, &needed);
  document->dispose(document->owner);
  if (status != QX_OK && status != QX_ERR_INSUFFICIENT_BUFFER) {
    std::string start = information.substr(0, 60);
    return Verdict::fail("the module information is not well-formed XML: \"" + start +
                         (information.size() > 60 ? "...\"" : "\""));
  }
  return Verdict::pass();
}

Verdict namedStatuses(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  if (probe.wrapper().getModuleInformation().empty()) {
    size_t needed = 0;
    int errorCode = 0;
    char buffer[16];
    probe.call("qx_getModuleInformation", [&] {
      return probe.wrapper().qx_getModuleInformation(buffer, sizeof buffer, &needed, &errorCode);
    });
  }
  probe.stop(why);
  const std::string unnamed = probe.firstUnnamedStatus();
  return unnamed.empty() ? Verdict::pass() : Verdict::fail(unnamed);
}

} // namespace

std::vector<Check> initialiseChecks() {
  return {
      {"init.twice", "qx_initialise then qx_cleanup, twice in one process, answer QX_OK",
       Severity::Error, twice, Stage::Gate},
      {"init.module-information", "The module information is well-formed XML", Severity::Error,
       moduleInformationParses},
      {"init.named-statuses", "Initialise, module information and cleanup answer named statuses",
       Severity::Error, namedStatuses},
  };
}

} // namespace quex::check
