// QXDiagnostic's output text: placeholders filled from the last to the first,
// numbers read as the "{%d}" scan reads them, out-of-range ones left alone.
#include <quex/services/QXDiagnostic.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string filled(const std::string& message, const std::vector<const char*>& parameters,
                   int code = 0) {
  QXDiagnostic diagnostic;
  diagnostic.setCode(code);
  diagnostic.setMessage(message);
  for (const char* parameter : parameters) diagnostic.addParameter(parameter);
  return diagnostic.getOutputText();
}

struct FillRow {
  const char* message;
  std::vector<const char*> parameters;
  const char* expected;
  int code = 0;
};

TEST(DiagnosticOutputText, PlaceholdersAreFilledAsTheScanReadsThem) {
  const FillRow rows[] = {
      {"File {0} not found in {1}", {"a", "b"}, "File a not found in b"},
      {"File {0} not found in {1}", {"a"}, "File a not found in {1}"},
      // Inserted texts are not expanded again.
      {"{1}{0}", {"x", "y"}, "yx"},
      {"<{0}|{1}>", {"{1}", "z"}, "<{1}|z>"},
      // Bad or out-of-range numbers stay as written.
      {"{-1}", {"p", "q"}, "{-1}"},
      {"{abc}", {"p", "q"}, "{abc}"},
      {"{2}", {"p", "q"}, "{2}"},
      {"{}", {"p"}, "{}"},
      {"{99999999999}", {"p"}, "{99999999999}"},
      // The scan skips blanks and ignores trailing characters.
      {"[{ 1}]", {"p", "q"}, "[q]"},
      {"[{1x}]", {"p", "q"}, "[q]"},
      {"[{+0}]", {"p"}, "[p]"},
      // Each opening brace pairs with the next closing one.
      {"a { b {0}", {"p"}, "a { b {0}"},
      {"{0} {", {"p"}, "p {"},
      {"} {0}", {"p"}, "} p"},
      // An empty message shows the code.
      {"", {}, "-5", -5},
      {"", {}, "0", 0},
      {"", {"p"}, "12", 12},
  };
  for (const FillRow& row : rows) {
    SCOPED_TRACE(row.message);
    EXPECT_EQ(filled(row.message, row.parameters, row.code), row.expected);
  }
}

TEST(DiagnosticOutputText, ManyPlaceholdersDoNotExhaustTheStack) {
  std::string message;
  for (int i = 0; i < 200000; ++i) message += "{0}";
  EXPECT_EQ(filled(message, {"."}), std::string(200000, '.'));
}

TEST(Diagnostic, CopiesKeepTheirOwnParameters) {
  QXDiagnostic diagnostic;
  EXPECT_EQ(diagnostic.getSeverity(), QXDiagnostic::SEVERITY_UNKNOWN);
  diagnostic.setSource("src");
  diagnostic.addParameter("p");
  QXDiagnostic copy(diagnostic);
  diagnostic.clearParameters();
  EXPECT_EQ(copy.getSource(), "src");
  ASSERT_EQ(copy.getParameterCount(), 1u);
  EXPECT_EQ(copy.getParameter(0), "p");
  EXPECT_EQ(diagnostic.getParameterCount(), 0u);
}

} // namespace
