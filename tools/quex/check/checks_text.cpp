// The text-return convention of every text-returning entry: *needed counts
// the terminating zero byte, a buffer one byte short gets
// QX_ERR_INSUFFICIENT_BUFFER and stays untouched, an exact-size buffer
// succeeds, and nothing is written outside the buffer (guard bytes).
#include "check.h"
#include "probe.h"

#include <cstring>
#include <functional>

namespace quex::check {

namespace {

// A buffer with guard bytes on both sides, all filled with one pattern.
class GuardedBuffer {
public:
  explicit GuardedBuffer(size_t size) : bytes_(size + 2 * kGuard, kFill), size_(size) {}
  char* data() { return reinterpret_cast<char*>(bytes_.data() + kGuard); }
  size_t size() const { return size_; }
  bool guardsIntact() const {
    for (size_t i = 0; i < kGuard; ++i)
      if (bytes_[i] != kFill || bytes_[kGuard + size_ + i] != kFill) return false;
    return true;
  }
  // Index of the first byte from `from` on (within the buffer) that was written.
  size_t firstWritten(size_t from) const {
    for (size_t i = from; i < size_; ++i)
      if (bytes_[kGuard + i] != kFill) return i;
    return size_;
  }

private:
  static constexpr size_t kGuard = 64;
  static constexpr unsigned char kFill = 0xA5;
  std::vector<unsigned char> bytes_;
  size_t size_;
};

using TextCall = std::function<QXStatus(char* buffer, size_t size, size_t* needed, int* errorCode)>;

// Runs the convention's three asks; empty when they all hold, else why not.
// `status` receives the first ask's status when it is neither QX_OK nor
// QX_ERR_INSUFFICIENT_BUFFER (the entry has no text to give now).
std::string convention(const char* name, const TextCall& call, QXStatus& firstStatus) {
  const std::string who = name;
  size_t needed = 0;
  int errorCode = 0;
  GuardedBuffer large(1 << 16);
  firstStatus = call(large.data(), large.size(), &needed, &errorCode);
  if (firstStatus != QX_OK && firstStatus != QX_ERR_INSUFFICIENT_BUFFER) return {};
  if (!large.guardsIntact()) return who + " wrote outside a " + std::to_string(large.size()) +
                                    "-byte buffer";
  if (needed == 0) return who + " set *needed to 0: it counts the terminating zero byte, so an "
                                "empty text needs 1";
  if (firstStatus == QX_ERR_INSUFFICIENT_BUFFER && needed <= large.size())
    return who + " answered " + statusText(firstStatus) + " for a " +
           std::to_string(large.size()) + "-byte buffer but set *needed to " +
           std::to_string(needed);
  std::string text;
  if (firstStatus == QX_OK) {
    const size_t length = strnlen(large.data(), large.size());
    if (length == large.size()) return who + " returned a text without a terminating zero byte";
    if (length + 1 != needed) {
      if (length == needed)
        return who + " set *needed to " + std::to_string(needed) + " for a text of " +
               std::to_string(length) + " bytes: *needed must count the terminating zero byte";
      return who + " set *needed to " + std::to_string(needed) + " for a text of " +
             std::to_string(length) + " bytes; it must be the length plus one";
    }
    if (large.firstWritten(needed) != large.size())
      return who + " wrote past the " + std::to_string(needed) + " bytes it said it needed";
    text.assign(large.data(), length);
  }
  const size_t size = needed;
  for (size_t smaller : {size_t{0}, size - 1}) {
    GuardedBuffer tooSmall(smaller);
    size_t reported = 0;
    errorCode = 0;
    QXStatus status = call(tooSmall.data(), smaller, &reported, &errorCode);
    const std::string asked = " with a " + std::to_string(smaller) + "-byte buffer (the text needs " +
                              std::to_string(size) + ")";
    if (!tooSmall.guardsIntact())
      return who + asked + " wrote outside the buffer: an overrun";
    if (status != QX_ERR_INSUFFICIENT_BUFFER)
      return who + asked + " answered " + statusText(status) +
             " instead of QX_ERR_INSUFFICIENT_BUFFER (13)";
    if (tooSmall.firstWritten(0) != smaller)
      return who + asked + " answered QX_ERR_INSUFFICIENT_BUFFER but wrote into the buffer; "
                           "it must stay untouched";
    if (reported != size)
      return who + asked + " set *needed to " + std::to_string(reported) + ", before to " +
             std::to_string(size);
  }
  GuardedBuffer exact(size);
  size_t reported = 0;
  errorCode = 0;
  QXStatus status = call(exact.data(), size, &reported, &errorCode);
  const std::string asked = " with a buffer of exactly the " + std::to_string(size) +
                            " bytes it needs";
  if (!exact.guardsIntact()) return who + asked + " wrote past its end: an overrun";
  if (status != QX_OK) return who + asked + " answered " + statusText(status);
  if (exact.data()[size - 1] != '\0' ||
      (firstStatus == QX_OK && std::memcmp(exact.data(), text.data(), text.size()) != 0))
    return who + asked + " returned a different text than with a large buffer";
  return {};
}

Verdict verdictFor(const char* name, const TextCall& call, bool required) {
  QXStatus first = QX_OK;
  std::string why = convention(name, call, first);
  if (!why.empty()) return Verdict::fail(why);
  if (first != QX_OK && first != QX_ERR_INSUFFICIENT_BUFFER) {
    if (required)
      return Verdict::fail(std::string(name) + " answered " + statusText(first) +
                           " with a large buffer");
    return Verdict::skip(std::string(name) + " answered " + statusText(first) +
                         ": no text to check");
  }
  return Verdict::pass();
}

Verdict moduleInformation(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  if (probe.wrapper().getModuleInformation().empty())
    return Verdict::skip("the module gives no module information");
  return verdictFor("qx_getModuleInformation",
                    [&](char* buffer, size_t size, size_t* needed, int* errorCode) {
                      return probe.call("qx_getModuleInformation", [&] {
                        return probe.wrapper().qx_getModuleInformation(buffer, size, needed,
                                                                       errorCode);
                      });
                    },
                    true);
}

Verdict dataModel(const CheckOptions& options) {
  Probe probe(options);
  Component component(probe);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  if (!component.create(why) || !component.configure(why)) return Verdict::skip(why);
  return verdictFor("qx_component_getDataModel",
                    [&](char* buffer, size_t size, size_t* needed, int* errorCode) {
                      return probe.call("qx_component_getDataModel", [&] {
                        return probe.wrapper().qx_component_getDataModel(
                            component.handle(), 0, buffer, size, needed, errorCode);
                      });
                    },
                    true);
}

Verdict errorDetail(const CheckOptions& options) {
  Probe probe(options);
  Component component(probe);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  if (!component.create(why)) return Verdict::skip(why);
  const int unknownCode = 987654;
  Verdict verdict = verdictFor("qx_component_getErrorDetail",
                               [&](char* buffer, size_t size, size_t* needed, int* errorCode) {
                                 *errorCode = unknownCode;
                                 return probe.call("qx_component_getErrorDetail", [&] {
                                   return probe.wrapper().qx_component_getErrorDetail(
                                       component.handle(), buffer, size, needed, errorCode);
                                 });
                               },
                               false);
  if (verdict.outcome == Outcome::Skipped)
    return Verdict::pass("for an unknown code: " + verdict.reason);
  return verdict;
}

Verdict optionalEntries(const CheckOptions& options) {
  Probe probe(options);
  Component component(probe);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  if (!component.create(why) || !component.configure(why) || !component.readDataModel(why))
    return Verdict::skip(why);
  ExtensionWrapper& wrapper = probe.wrapper();
  void* handle = component.handle();
  const std::vector<std::pair<const char*, TextCall>> entries = {
      {"qx_component_getExecutionRequirements",
       [&](char* b, size_t s, size_t* n, int* e) {
         return wrapper.qx_component_getExecutionRequirements(handle, b, s, n, e);
       }},
      {"qx_component_getSQLGeneration",
       [&](char* b, size_t s, size_t* n, int* e) {
         return wrapper.qx_component_getSQLGeneration(handle, b, s, n, e);
       }},
      {"qx_component_getCatalogueInformation",
       [&](char* b, size_t s, size_t* n, int* e) {
         return wrapper.qx_component_getCatalogueInformation(handle, "", b, s, n, e);
       }},
      {"qx_component_getPsmControlInformation",
       [&](char* b, size_t s, size_t* n, int* e) {
         return wrapper.qx_component_getPsmControlInformation(handle, b, s, n, e);
       }},
  };
  std::string checked;
  for (const auto& entry : entries) {
    const char* name = entry.first;
    const TextCall& call = entry.second;
    Verdict verdict = verdictFor(name,
                                 [&](char* b, size_t s, size_t* n, int* e) {
                                   return probe.call(name, [&] { return call(b, s, n, e); });
                                 },
                                 false);
    if (verdict.outcome == Outcome::Failed) return verdict;
    if (verdict.outcome == Outcome::Passed) checked += (checked.empty() ? "" : ", ") + std::string(name);
  }
  if (checked.empty()) return Verdict::skip("no optional entry gave a text");
  return Verdict::pass(checked);
}

} // namespace

std::vector<Check> textChecks() {
  return {
      {"text.module-information",
       "Module information follows the text-return convention (guard bytes around the buffer)",
       Severity::Error, moduleInformation},
      {"text.data-model", "The data model follows the text-return convention", Severity::Error,
       dataModel},
      {"text.error-detail",
       "Error detail for an unknown code answers a status, and texts follow the convention",
       Severity::Error, errorDetail},
      {"text.optional-entries",
       "Execution requirements, SQL, catalogue and PSM texts follow the convention",
       Severity::Error, optionalEntries},
  };
}

} // namespace quex::check
