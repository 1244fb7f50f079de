// QXDiagnostic's output text: placeholders filled from the last to the first,
// numbers read as the "{%d}" scan reads them, out-of-range ones left alone.
#include <quex/services/QXDiagnostic.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

std::string filled(const std::string& message, std::initializer_list<const char*> parameters,
                   int code = 0) {
  QXDiagnostic diagnostic;
  diagnostic.setCode(code);
  diagnostic.setMessage(message);
  for (const char* parameter : parameters) diagnostic.addParameter(parameter);
  return diagnostic.getOutputText();
}

} // namespace

TEST(DiagnosticOutputText, PlaceholdersTakeTheirParameters) {
  EXPECT_EQ(filled("File {0} not found in {1}", {"a", "b"}), "File a not found in b");
  EXPECT_EQ(filled("File {0} not found in {1}", {"a"}), "File a not found in {1}");
}

TEST(DiagnosticOutputText, InsertedTextsAreNotExpandedAgain) {
  EXPECT_EQ(filled("{1}{0}", {"x", "y"}), "yx");
  EXPECT_EQ(filled("<{0}|{1}>", {"{1}", "z"}), "<{1}|z>");
}

TEST(DiagnosticOutputText, BadNumbersStayAsWritten) {
  EXPECT_EQ(filled("{-1}", {"p", "q"}), "{-1}");
  EXPECT_EQ(filled("{abc}", {"p", "q"}), "{abc}");
  EXPECT_EQ(filled("{2}", {"p", "q"}), "{2}");
  EXPECT_EQ(filled("{}", {"p"}), "{}");
  EXPECT_EQ(filled("{99999999999}", {"p"}), "{99999999999}");
}

TEST(DiagnosticOutputText, ScanSkipsBlanksAndIgnoresTrailingCharacters) {
  EXPECT_EQ(filled("[{ 1}]", {"p", "q"}), "[q]");
  EXPECT_EQ(filled("[{1x}]", {"p", "q"}), "[q]");
  EXPECT_EQ(filled("[{+0}]", {"p"}), "[p]");
}

TEST(DiagnosticOutputText, EachOpeningBracePairsWithTheNextClosingOne) {
  EXPECT_EQ(filled("a { b {0}", {"p"}), "a { b {0}");
  EXPECT_EQ(filled("{0} {", {"p"}), "p {");
  EXPECT_EQ(filled("} {0}", {"p"}), "} p");
}

TEST(DiagnosticOutputText, EmptyMessageShowsTheCode) {
  EXPECT_EQ(filled("", {}, -5), "-5");
  EXPECT_EQ(filled("", {}, 0), "0");
  EXPECT_EQ(filled("", {"p"}, 12), "12");
}

TEST(DiagnosticOutputText, ManyPlaceholdersDoNotExhaustTheStack) {
  std::string message;
  for (int i = 0; i < 200000; ++i) message += "{0}";
  EXPECT_EQ(filled(message, {"."}), std::string(200000, '.'));
}

TEST(Diagnostic, DefaultsAndCopies) {
  QXDiagnostic diagnostic;
  EXPECT_EQ(diagnostic.getCode(), 0);
  EXPECT_EQ(diagnostic.getSubCode(), 0);
  EXPECT_EQ(diagnostic.getSeverity(), QXDiagnostic::SEVERITY_UNKNOWN);
  EXPECT_EQ(diagnostic.getParameterCount(), 0u);
  diagnostic.setSource("src");
  diagnostic.addParameter("p");
  QXDiagnostic copy(diagnostic);
  diagnostic.clearParameters();
  EXPECT_EQ(copy.getSource(), "src");
  ASSERT_EQ(copy.getParameterCount(), 1u);
  EXPECT_EQ(copy.getParameter(0), "p");
  EXPECT_EQ(diagnostic.getParameterCount(), 0u);
}
