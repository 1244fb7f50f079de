// Resources and threads: 200 create/destroy cycles of a component leave the
// heap, the threads and the open descriptors as they were; two components on
// two threads at once give the records they give one after the other.
#include "check.h"
#include "check_process.h"
#include "probe.h"
#include "record_text.h"

#include <thread>

namespace quex::check {

namespace {

constexpr int kCycles = 200;
constexpr int kWarmUpCycles = 10;
// Heap growth allowed over all cycles: the library's and the allocator's own
// bookkeeping, far below a leak of even a small block per component.
constexpr size_t kHeapGrowthBound = 16 * 1024;

bool cycle(Probe& probe, std::string& why) {
  Component component(probe);
  return component.create(why) && component.configure(why) && component.destroy(why);
}

Verdict createDestroyCycles(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  for (int i = 0; i < kWarmUpCycles; ++i)
    if (!cycle(probe, why)) return Verdict::skip(why);
  const size_t heap = heapBytesInUse(), threads = threadCount(),
               descriptors = openDescriptorCount();
  for (int i = 0; i < kCycles; ++i)
    if (!cycle(probe, why)) return Verdict::fail("cycle " + std::to_string(i + 1) + ": " + why);
  const size_t heapAfter = heapBytesInUse(), threadsAfter = threadCount(),
               descriptorsAfter = openDescriptorCount();
  if (heapAfter > heap + kHeapGrowthBound)
    return Verdict::fail("the heap grew by " + std::to_string(heapAfter - heap) + " bytes over " +
                         std::to_string(kCycles) + " create/configure/destroy cycles (about " +
                         std::to_string((heapAfter - heap) / kCycles) +
                         " per component): a leak");
  if (threadsAfter > threads)
    return Verdict::fail(std::to_string(threadsAfter - threads) + " threads more after " +
                         std::to_string(kCycles) + " cycles than before");
  if (descriptorsAfter > descriptors)
    return Verdict::fail(std::to_string(descriptorsAfter - descriptors) +
                         " file descriptors more after " + std::to_string(kCycles) +
                         " cycles than before");
  const long long growth = static_cast<long long>(heapAfter) - static_cast<long long>(heap);
  return Verdict::pass("heap " + std::string(growth >= 0 ? "+" : "") + std::to_string(growth) +
                       " bytes over " + std::to_string(kCycles) + " cycles");
}

struct Run {
  std::vector<Record> records;
  std::vector<csv::Column> fields;
  std::string why;
  bool ok = false;
};

void readRun(Probe& probe, Run& run) {
  Component component(probe);
  run.ok = component.prepare(run.why) && component.readAll(run.records, run.why) &&
           component.end(run.why) && component.destroy(run.why);
  run.fields = component.fields();
}

Verdict parallelComponents(const CheckOptions& options) {
  Probe probe(options);
  std::string why;
  if (!probe.start(why)) return Verdict::skip(why);
  Run alone;
  readRun(probe, alone);
  if (!alone.ok) return Verdict::skip(alone.why);
  Run first, second;
  std::thread other([&] { readRun(probe, second); });
  readRun(probe, first);
  other.join();
  for (const Run* run : {&first, &second}) {
    if (!run->ok) return Verdict::fail("with two components at once: " + run->why);
    const std::string difference =
        firstDifference(alone.fields, alone.records, "alone", run->records, "beside another");
    if (!difference.empty())
      return Verdict::fail("two components at once give other records: " + difference);
  }
  return Verdict::pass();
}

} // namespace

std::vector<Check> resourceChecks() {
  return {
      {"resources.create-destroy",
       "200 create/configure/destroy cycles leave heap, threads and descriptors as they were",
       Severity::Error, createDestroyCycles},
  };
}

std::vector<Check> threadChecks() {
  return {
      {"threads.parallel-components",
       "Two components on two threads at once give the records they give one at a time",
       Severity::Warning, parallelComponents},
  };
}

} // namespace quex::check
