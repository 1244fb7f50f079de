// Progress reports: the diagnostic parser on nesting, severities, codes and
// text sections, the report path to the listener and malformed reports.
#include "services_fixture.h"

#include <memory>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Parses `text` with the parser alone; the diagnostics are owned by the result.
struct Parsed {
  bool failed = false; // the parser threw XMLException
  std::vector<std::unique_ptr<QXDiagnostic>> diagnostics;
  const QXDiagnostic& operator[](size_t i) const { return *diagnostics.at(i); }
};

Parsed parse(const char* text) {
  Parsed parsed;
  const ExtensionCppHelper::XMLDocument document(QXXMLFactory::createDocumentFromContents(text));
  std::vector<QXDiagnostic*> list;
  try {
    DiagnosticHandler::parseDiagnostics(document, list);
  } catch (const ExtensionCppHelper::XMLException&) {
    parsed.failed = true;
  }
  for (QXDiagnostic* diagnostic : list) parsed.diagnostics.emplace_back(diagnostic);
  return parsed;
}

} // namespace

// Severity words are exact; codes keep their low bits and read like
// formatted input; a bare diagnostic keeps every default.
TEST(DiagnosticParser, SeveritiesCodesAndDefaults) {
  const Parsed parsed = parse("<R><Diagnostic severity='fatal' code='4294967301' subCode=' 7x'/>"
                              "<Diagnostic severity='error' code='abc' subCode='-4294967295' source='s'/>"
                              "<Diagnostic severity='information'/><Diagnostic severity='Warning'/>"
                              "<Diagnostic/></R>");
  ASSERT_EQ(parsed.diagnostics.size(), 5u);
  EXPECT_EQ(parsed[0].getSeverity(), QXDiagnostic::SEVERITY_FATAL);
  EXPECT_EQ(parsed[1].getSeverity(), QXDiagnostic::SEVERITY_ERROR);
  EXPECT_EQ(parsed[2].getSeverity(), QXDiagnostic::SEVERITY_INFORMATION);
  EXPECT_EQ(parsed[3].getSeverity(), QXDiagnostic::SEVERITY_UNKNOWN);
  EXPECT_EQ(parsed[4].getSeverity(), QXDiagnostic::SEVERITY_UNKNOWN);
  EXPECT_EQ(parsed[0].getCode(), 5);
  EXPECT_EQ(parsed[0].getSubCode(), 7);
  EXPECT_EQ(parsed[1].getCode(), 0);
  EXPECT_EQ(parsed[1].getSubCode(), 1);
  EXPECT_EQ(parsed[1].getSource(), "s");
  EXPECT_EQ(parsed[4].getCode(), 0);
  EXPECT_EQ(parsed[4].getSubCode(), 0);
  EXPECT_EQ(parsed[4].getSource(), "");
  EXPECT_EQ(parsed[4].getMessage(), "");
  EXPECT_EQ(parsed[4].getParameterCount(), 0u);
}

TEST(DiagnosticParser, OnlyTheFirstMessageCountsAndItsTextSectionsJoin) {
  const Parsed parsed = parse("<R><Diagnostic><Message>one<!-- split -->two</Message>"
                              "<Message>ignored</Message></Diagnostic></R>");
  ASSERT_EQ(parsed.diagnostics.size(), 1u);
  EXPECT_EQ(parsed[0].getMessage(), "onetwo");
}

TEST(DiagnosticParser, NestedElementsCountForEveryDiagnosticAbove) {
  const Parsed parsed = parse(
      "<Diagnostic code='0'><Diagnostic code='1'><Message>m<Parameter>deep</Parameter></Message>"
      "<Diagnostic code='2'><Parameter>inner</Parameter><Parameter/></Diagnostic>"
      "</Diagnostic></Diagnostic>");
  ASSERT_EQ(parsed.diagnostics.size(), 2u); // the root itself is no diagnostic
  EXPECT_EQ(parsed[0].getCode(), 1);
  EXPECT_EQ(parsed[0].getMessage(), "m");
  ASSERT_EQ(parsed[0].getParameterCount(), 3u);
  EXPECT_EQ(parsed[0].getParameter(0), "deep");
  EXPECT_EQ(parsed[0].getParameter(1), "inner");
  EXPECT_EQ(parsed[0].getParameter(2), "");
  EXPECT_EQ(parsed[1].getCode(), 2);
  EXPECT_EQ(parsed[1].getParameterCount(), 2u);
}

TEST(DiagnosticParser, AppendsWithoutClearing) {
  const ExtensionCppHelper::XMLDocument document(
      QXXMLFactory::createDocumentFromContents("<R><Diagnostic code='9'/></R>"));
  std::vector<QXDiagnostic*> list{new QXDiagnostic()};
  DiagnosticHandler::parseDiagnostics(document, list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1]->getCode(), 9);
  for (QXDiagnostic* diagnostic : list) delete diagnostic;
  // The parser's copy let go of the document; this one still holds it.
  EXPECT_EQ(ExtensionCppHelper::XMLDocument(document).getAttribute("absent"), "");
}

class ProgressReports : public ServicesTest {
protected:
  void SetUp() override {
    ServicesTest::SetUp();
    table = QXProgressFactory::create(&progress);
  }
  QXStatus report(const std::string& text, int* errorCode) {
    return table->report(table->owner, text.c_str(), text.size(), errorCode);
  }

  ExtensionWrapper extension;
  QXProgressWrapper progress{&extension};
  KeepingListener listener;
  QXProgress* table = nullptr;
};

// No listener, a null one, a report without diagnostics and a malformed one
// are no failure of the caller; a listener that throws is a callback failure.
// The caller's error code is left as it was given.
TEST_F(ProgressReports, NoListenerMalformedReportsAndAThrowingListener) {
  int errorCode = 17;
  EXPECT_EQ(report("<P><Diagnostic/></P>", &errorCode), QX_OK);
  progress.setProgressListener(nullptr);
  EXPECT_EQ(report("<P><Diagnostic/></P>", &errorCode), QX_OK);
  progress.setProgressListener(&listener);
  EXPECT_EQ(report("<Progress percent='50'/>", &errorCode), QX_OK);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(report("<P><Diagnostic code='1'/>", &errorCode), QX_ERR_XML);
  EXPECT_EQ(report("", &errorCode), QX_ERR_XML);
  EXPECT_EQ(table->report(table->owner, nullptr, 0, &errorCode), QX_ERR_XML);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(errorCode, 17);
  EXPECT_THAT(listener.seen.items(), IsEmpty());
  struct Throwing : QXProgressListener {
    void reportDiagnostic(QXDiagnostic*) override { throw std::runtime_error("host"); }
  } throwing;
  progress.setProgressListener(&throwing); // nothing crosses the table either
  EXPECT_EQ(report("<P><Diagnostic/></P>", &errorCode), QX_ERR_CALLBACK);
}

TEST_F(ProgressReports, LevelTwoShowsEveryReportText) {
  ExtensionWrapper::setTraceLevel(2);
  int errorCode = 3;
  report("<P/>", &errorCode);
  EXPECT_THAT(*lines,
              ElementsAre("[EXIT qx_progress_report]: Status=QX_OK ( ErrorCode=3 )\n<P/>\n"));
  lines->clear();
  ExtensionWrapper::setTraceLevel(1);
  report("<P/>", &errorCode);
  EXPECT_THAT(*lines, IsEmpty());
}

TEST_F(ProgressReports, CopiesShareTheListenerButNotTheHelperOrTables) {
  progress.setProgressListener(&listener);
  QXProgressWrapper copy(progress);
  EXPECT_EQ(copy.getHandleCount(), 0u);
  EXPECT_EQ(copy.getProgressListener(), &listener);
  int errorCode = 0;
  EXPECT_EQ(copy.report("<P><Diagnostic code='5'/></P>", 0, &errorCode), QX_OK);
  QXProgressWrapper assigned(nullptr);
  QXProgressFactory::create(&assigned);
  assigned = copy;
  EXPECT_EQ(assigned.getHandleCount(), 1u);
  EXPECT_EQ(assigned.report("<P><Diagnostic code='6'/></P>", 0, &errorCode), QX_OK);
  ASSERT_EQ(listener.seen.items().size(), 2u);
  EXPECT_EQ(listener.seen.items()[1].getCode(), 6);
}

namespace {

// Everything a listener can see of a diagnostic, as one line.
std::string described(const QXDiagnostic& d) {
  std::string line = std::to_string(d.getCode()) + "|" + std::to_string(d.getSubCode()) + "|" +
                     std::to_string(d.getSeverity()) + "|" + d.getSource() + "|" + d.getMessage();
  for (size_t i = 0; i < d.getParameterCount(); ++i) line += "|" + d.getParameter(i);
  return line;
}

// A long report: texts that cross the parser's buffers, with characters of
// two, three and four UTF-8 bytes (the last a UTF-16 pair) at every offset.
std::string longReport() {
  std::string text = "<Progress>";
  const char* const units[] = {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "&amp;", "&#x1F600;"};
  for (int i = 0; i < 3000; ++i) {
    std::string message;
    for (int j = 0; j <= i % 40; ++j) message += units[(i * 7 + j) % 6];
    text += "<Diagnostic code='" + std::to_string(i) + "' source='" + units[i % 4] +
            "'><Message>" + message + "{0}</Message><Parameter>" + std::to_string(i) +
            "<![CDATA[not text]]>" + message + "</Parameter></Diagnostic>";
  }
  return text + "</Progress>";
}

} // namespace

// A report is read as it streams past, not as a tree; whatever the tree
// reading finds in a document, the report's listener must see the same.
TEST_F(ProgressReports, ListenerSeesWhatTheDocumentReadingFinds) {
  const std::vector<std::string> reports = {
      "<P><Diagnostic code='1'><Message>a<![CDATA[x]]>b<!--c-->c<?pi?>d</Message></Diagnostic></P>",
      "<P><Diagnostic><Message><![CDATA[x]]> <x/> y</Message><Parameter> </Parameter></Diagnostic></P>",
      "<!DOCTYPE P [<!ENTITY t 'text'><!ENTITY d \"<Diagnostic code='4'><Message>in &t;</Message>"
      "</Diagnostic>\"><!ATTLIST Diagnostic severity CDATA 'error' subCode CDATA #FIXED '3'>]>"
      "<P><Diagnostic source='&t;'><Message>&t; and &t;</Message><Parameter>&t;</Parameter>"
      "</Diagnostic>&d;</P>",
      "<!DOCTYPE P [<!ELEMENT Message (x)*><!ELEMENT x EMPTY>]>"
      "<P><Diagnostic><Message> <x/> <![CDATA[c]]> </Message></Diagnostic></P>",
      "<Diagnostic code='0'><Diagnostic code='1'><Parameter>p<Parameter>q</Parameter>r</Parameter>"
      "<Message>m<Message>inner</Message></Message><Diagnostic code='2'><Message>second</Message>"
      "<Parameter>z</Parameter></Diagnostic><Parameter>last</Parameter></Diagnostic></Diagnostic>",
      "<P><Message>outside</Message><Parameter>outside</Parameter><Diagnostics/><DiagnosticX/>"
      "<x:Diagnostic xmlns:x='u'/><Diagnostic code=' +12x' subCode='&#9;-1'>"
      "<Parameter>&lt;&#233;&#x1F600;&gt;</Parameter><Parameter/></Diagnostic></P>",
      "<?xml version='1.0' encoding='ISO-8859-1'?><P><Diagnostic source='\xE9'>"
      "<Message>caf\xE9 {0}</Message><Parameter>\xE0</Parameter></Diagnostic></P>",
      "<P a='1'>\n  <Diagnostic severity='fatal' code='4294967301'>\n    <Message>\n  x\n</Message>"
      "\n  </Diagnostic>\n</P>",
      longReport(),
  };
  progress.setProgressListener(&listener);
  for (const std::string& text : reports) {
    SCOPED_TRACE(text.substr(0, 120));
    const Parsed tree = parse(text.c_str());
    ASSERT_FALSE(tree.failed);
    std::vector<std::string> expected;
    for (const auto& diagnostic : tree.diagnostics) expected.push_back(described(*diagnostic));
    listener.seen.clear();
    int errorCode = 0;
    ASSERT_EQ(report(text, &errorCode), QX_OK);
    std::vector<std::string> seen;
    for (const QXDiagnostic& diagnostic : listener.seen.items()) seen.push_back(described(diagnostic));
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(seen.empty());
  }
}

// A report read as it streams past keeps no tree, yet what its entities expand
// to is bounded as the tree's memory would be: wherever the expansion goes
// (text nobody keeps, copied attribute defaults, elements), the report is
// refused and no listener hears of it. So is nesting beyond the tree's limit.
TEST_F(ProgressReports, ReportsBeyondTheLimitsAreRefusedWhereverTheyReach) {
  const std::string big = "<!ENTITY e '" + std::string(100000, 'x') + "'>";
  std::string elements = "<!ENTITY v '";
  for (int i = 0; i < 25000; ++i) elements += "<v/>";
  elements += "'>";
  std::string references, elementReferences, empties;
  for (int i = 0; i < 1990; ++i) {
    references += "&e;";
    elementReferences += "&v;";
    empties += "<Other/>";
  }
  const std::string diagnostic = "<Diagnostic code='1'/>";
  const std::vector<std::string> reports = {
      "<!DOCTYPE P [" + big + "]><P>" + diagnostic + "<Other>" + references + "</Other></P>",
      "<!DOCTYPE P [" + big + "<!ATTLIST Other a CDATA '&e;'>]><P>" + diagnostic + empties + "</P>",
      "<!DOCTYPE P [" + elements + "]><P>" + diagnostic + "<Other>" + elementReferences +
          "</Other></P>",
      [&] {
        std::string nested = "<P>" + diagnostic;
        for (int i = 1; i < 10001; ++i) nested += "<a>";
        for (int i = 1; i < 10001; ++i) nested += "</a>";
        return nested + "</P>";
      }(),
  };
  progress.setProgressListener(&listener);
  int errorCode = 0;
  for (const std::string& text : reports) {
    SCOPED_TRACE(text.substr(0, 60));
    EXPECT_EQ(report(text, &errorCode), QX_ERR_XML);
  }
  EXPECT_THAT(listener.seen.items(), IsEmpty());
}
