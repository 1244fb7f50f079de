// The XML service against the same work done with the DOM library directly:
// parse and serialise a 1 MB document, and walk 100,000 child elements. The
// closing lines give each service figure as a ratio of its baseline.
#include <quex/quex.hpp>

#include <benchmark/benchmark.h>
#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

XERCES_CPP_NAMESPACE_USE

namespace {

// About 1 MB: records with attributes, text and some non-ASCII characters.
const std::string& megabyteDocument() {
  static const std::string text = [] {
    std::string t = "<Records>";
    for (int i = 0; t.size() < 1000000; ++i)
      t += "<Record id=\"" + std::to_string(i) + "\" name=\"caf\xC3\xA9 " + std::to_string(i) +
           "\"><Value>" + std::to_string(i * 7) + "</Value><Note>\xE6\xBC\xA2\xE5\xAD\x97 text</Note></Record>";
    return t + "</Records>";
  }();
  return text;
}

const std::string& hundredThousandChildren() {
  static const std::string text = [] {
    std::string t = "<r>";
    for (int i = 0; i < 100000; ++i) t += "<e/>";
    return t + "</r>";
  }();
  return text;
}

void ServiceParseSerialise(benchmark::State& state) {
  const std::string& text = megabyteDocument();
  std::vector<char> buffer(4 * text.size());
  for (auto _ : state) {
    QXXML* document = QXXMLFactory::createDocumentFromContents(text.c_str());
    size_t needed = 0;
    if (document->doc2string(document->owner, buffer.data(), buffer.size(), &needed) != QX_OK)
      state.SkipWithError("doc2string failed");
    benchmark::DoNotOptimize(buffer.data());
    document->dispose(document->owner);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void DirectParseSerialise(benchmark::State& state) {
  const std::string& text = megabyteDocument();
  for (auto _ : state) {
    XercesDOMParser parser;
    parser.setValidationScheme(XercesDOMParser::Val_Never);
    parser.setDoSchema(false);
    parser.setLoadExternalDTD(false);
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(), "id", false);
    parser.parse(source);
    DOMDocument* document = parser.getDocument();
    DOMImplementation* implementation = document->getImplementation();
    DOMLSSerializer* serializer = implementation->createLSSerializer();
    DOMLSOutput* output = implementation->createLSOutput();
    MemBufFormatTarget target(1023);
    serializer->getDomConfig()->setParameter(XMLUni::fgDOMWRTFormatPrettyPrint, false);
    output->setByteStream(&target);
    serializer->write(document, output);
    benchmark::DoNotOptimize(target.getRawBuffer());
    output->release();
    serializer->release();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// The walk is timed alone: each round parses a fresh document first (an
// iterator's element handles live until their document is released).
void ServiceWalk(benchmark::State& state) {
  int64_t visited = 0;
  for (auto _ : state) {
    state.PauseTiming();
    QXXML* document = QXXMLFactory::createDocumentFromContents(hundredThousandChildren().c_str());
    state.ResumeTiming();
    QXXMLIterator* iterator = nullptr;
    document->getElementIterator(document->owner, "", &iterator);
    void* item = nullptr;
    while (iterator->nextItem(iterator->owner, &item) == QX_OK) ++visited;
    state.PauseTiming();
    document->dispose(document->owner);
    state.ResumeTiming();
  }
  if (visited != state.iterations() * 100000) state.SkipWithError("not every element was visited");
  state.SetItemsProcessed(visited);
}

void DirectWalk(benchmark::State& state) {
  XercesDOMParser parser;
  MemBufInputSource source(reinterpret_cast<const XMLByte*>(hundredThousandChildren().data()),
                           hundredThousandChildren().size(), "id", false);
  parser.parse(source);
  DOMElement* root = parser.getDocument()->getDocumentElement();
  int64_t visited = 0;
  for (auto _ : state) {
    for (DOMNode* n = root->getFirstChild(); n != nullptr; n = n->getNextSibling())
      if (n->getNodeType() == DOMNode::ELEMENT_NODE) {
        benchmark::DoNotOptimize(n);
        ++visited;
      }
  }
  state.SetItemsProcessed(visited);
}

// Prints the usual table, then each service figure over its direct baseline,
// in CPU time: on a shared machine wall time mostly measures the neighbours.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) seconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    ratio("parse+serialise 1 MB", "ServiceParseSerialise", "DirectParseSerialise");
    ratio("walk 100,000 elements", "ServiceWalk", "DirectWalk");
  }

private:
  void ratio(const char* what, const std::string& service, const std::string& direct) {
    const auto s = seconds_.find(service);
    const auto d = seconds_.find(direct);
    if (s == seconds_.end() || d == seconds_.end() || d->second <= 0) return;
    std::printf("ratio %-22s service/direct = %.2fx\n", what, s->second / d->second);
  }
  std::map<std::string, double> seconds_;
};

} // namespace

BENCHMARK(DirectParseSerialise)->Unit(benchmark::kMillisecond);
BENCHMARK(ServiceParseSerialise)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectWalk)->Unit(benchmark::kMicrosecond);
BENCHMARK(ServiceWalk)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  QXXMLWrapper::startup();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  QXXMLWrapper::shutdown();
  return 0;
}
