// Records end to end, in process and in a child, as `quex run` moves them:
// 1,000,000 generated CSV rows (id,quantity,price,name,category) parsed by
// the module (csv_records.cpp, what the example reader does per record), read
// by the host as `quex run` reads a module's output (bulk fetches of the
// wrapper's value count when the wrapper takes them in one call, else record
// by record) and written as CSV text by quex's record writer into memory. The
// transformer gets the same rows through quex's CSV input iterator and adds
// two worked-out values to each. Each figure is records per second in a child
// against in process, measured in the same run.
#include "hosted_module.h"
#include "ratio_reporter.h"

#include "csv_table.h"
#include "host_services.h"
#include "record_output.h"

#include "platform/child_process.h"

#include <quex/quex.hpp>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using quex::csv::Column;
using quex::values::Storage;

constexpr size_t kRecords = 1000000;
const char* const kCategories[] = {"tools", "garden", "kitchen", "books",
                                   "toys",  "office", "sports",  "music"};

const std::string& csvPath() {
  static const std::string path =
      "/tmp/quex-bench-" + std::to_string(quex::platform::currentProcessId()) + ".csv";
  return path;
}

// The rows every run reads, written once.
void writeRows() {
  std::ofstream out(csvPath());
  out << "id,quantity,price,name,category\n";
  char line[128];
  for (size_t row = 0; row < kRecords; ++row) {
    const int length =
        std::snprintf(line, sizeof line, "%zu,%zu,%zu.%02zu,item %zu,%s\n", row, row % 97 + 1,
                      row % 1000, row % 100, row * 7919 % 100000, kCategories[row % 8]);
    out.write(line, length);
  }
  if (!out) throw std::runtime_error("cannot write " + csvPath());
}

// CSV text written into memory: a fixed buffer that starts over when full,
// so that the host's formatting is measured and not a disk.
class MemorySink : public std::streambuf {
public:
  MemorySink() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
  size_t bytes() const { return written_ + static_cast<size_t>(pptr() - pbase()); }

protected:
  int_type overflow(int_type c) override {
    written_ += static_cast<size_t>(pptr() - pbase());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }

private:
  std::array<char, 1 << 16> buffer_;
  size_t written_ = 0;
};

const std::vector<Column> kReaderColumns = {{"id", Storage::Integer},
                                            {"quantity", Storage::Integer},
                                            {"price", Storage::Real},
                                            {"name", Storage::String},
                                            {"category", Storage::String}};

std::vector<Column> derivedColumns() {
  std::vector<Column> columns = kReaderColumns;
  columns.push_back({"total", Storage::Real});
  columns.push_back({"label", Storage::String});
  return columns;
}

// csv_records loaded in one mode, served by quex's own host tables.
class Hosted {
public:
  explicit Hosted(bool inChild)
      : module_("csv_records", CSV_RECORDS_PATH, inChild ? QUEX_CHILD_PROGRAM : nullptr,
                host_.table()) {}
  void* create(const std::string& text) { return module_.create(text.c_str()); }
  void destroy(void* component) { module_.destroy(component); }
  ExtensionWrapper& wrapper() { return module_.wrapper(); }

private:
  quex::tool::HostServices host_;
  HostedModule module_;
};

Hosted& hosted(bool inChild) {
  static Hosted inProcess(false);
  static Hosted child(true);
  return inChild ? child : inProcess;
}

// One execution's output read to its end and written as CSV, as `quex run`
// does; answers the records written.
size_t writeOutput(ExtensionWrapper& wrapper, void* component,
                   const std::vector<Column>& columns) {
  MemorySink sink;
  std::ostream out(&sink);
  std::ostringstream err;
  quex::tool::RecordOutput output(out, false, columns);
  const bool bulk = wrapper.useBulkFetch() && columns.size() <= wrapper.getBulkFetchValueCount();
  std::vector<void*> values(bulk ? wrapper.getBulkFetchValueCount() : 0);
  std::vector<size_t> lengths(values.size());
  int errorCode = 0;
  for (;;) {
    if (bulk) {
      size_t fieldCount = columns.size(), recordCount = 0;
      if (wrapper.qx_component_bulkFetch(component, values.size(), values.data(), lengths.data(),
                                         &fieldCount, &recordCount, &errorCode) != QX_OK ||
          recordCount == 0 ||
          !output.writeBatch(values.data(), lengths.data(), fieldCount, recordCount,
                             values.size(), err))
        break;
    } else if (wrapper.qx_component_nextRecord(component, &errorCode) != QX_OK ||
               !output.writeRecord(wrapper, component, err)) {
      break;
    }
  }
  out.flush();
  benchmark::DoNotOptimize(sink.bytes());
  return output.recordsWritten();
}

void Reader(benchmark::State& state) {
  Hosted& module = hosted(state.range(0) != 0);
  ExtensionWrapper& wrapper = module.wrapper();
  void* component = module.create(csvPath());
  for (auto _ : state) {
    int errorCode = 0;
    wrapper.qx_component_beginExecution(component, nullptr, nullptr, &errorCode);
    const size_t written = writeOutput(wrapper, component, kReaderColumns);
    wrapper.qx_component_endExecution(component, &errorCode);
    if (written != kRecords) state.SkipWithError("records missing");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
  module.destroy(component);
}

void Transformer(benchmark::State& state) {
  Hosted& module = hosted(state.range(0) != 0);
  ExtensionWrapper& wrapper = module.wrapper();
  void* component = module.create("derive");
  std::string error;
  std::unique_ptr<quex::csv::Table> table = quex::csv::Table::open(csvPath(), error);
  if (table == nullptr || !table->inferStorages(error)) throw std::runtime_error(error);
  const std::vector<Column> columns = derivedColumns();
  for (auto _ : state) {
    table->rewind();
    quex::tool::CsvInput input(&wrapper, table.get());
    int errorCode = 0;
    wrapper.qx_component_beginExecution(component, QXIteratorFactory::create(&input), nullptr,
                                        &errorCode);
    const size_t written = writeOutput(wrapper, component, columns);
    wrapper.qx_component_endExecution(component, &errorCode);
    if (written != kRecords) state.SkipWithError("records missing");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
  module.destroy(component);
}

BENCHMARK(Reader)->Arg(0)->Arg(1)->ArgName("child")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Transformer)->Arg(0)->Arg(1)->ArgName("child")->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  quex::tool::XmlRuntime xml;
  benchmark::Initialize(&argc, argv);
  writeRows();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::remove(csvPath().c_str());
  auto ratio = [&](const char* name) {
    const double inProcess = reporter.get(std::string(name) + "/child:0/real_time:items_per_second");
    const double child = reporter.get(std::string(name) + "/child:1/real_time:items_per_second");
    return inProcess > 0 ? child / inProcess : 0;
  };
  for (const char* name : {"Reader", "Transformer"}) {
    const double value = ratio(name);
    if (value > 0)
      std::printf("%-62s %8.3f  (target >= 0.85)\n",
                  (std::string(name == std::string("Reader") ? "reader" : "transformer") +
                   ": records/s end to end, out of process / in process")
                      .c_str(),
                  value);
  }
  benchmark::Shutdown();
  return 0;
}
