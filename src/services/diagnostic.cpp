// QXDiagnostic's placeholder filler.
#include <quex/services/QXDiagnostic.h>

#include <cstdint>
#include <limits>

namespace {

bool isScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads "{<number>" the way the scan pattern "{%d}" does: white space, an
// optional sign, decimal digits; whatever follows up to the "}" is not looked
// at. False when no digit follows, or the number does not fit an int.
bool readPlaceholderNumber(const std::string& text, size_t open, long long& number) {
  size_t i = open + 1;
  while (i < text.size() && isScanSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::numeric_limits<int>::max() + 1LL) return false;
  }
  number = negative ? -value : value;
  return number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
}

} // namespace

std::string QXDiagnostic::getOutputText() const {
  std::string text = message_;
  format(text, 0);
  return text;
}

// Each "{" pairs with the first "}" after it, and an inserted parameter is
// never scanned again. So the text is rebuilt in one pass: a placeholder
// whose number names a parameter is replaced, anything else is kept. (One pass
// instead of one recursion per placeholder, so a message of many braces can
// neither exhaust the stack nor take quadratic time.)
void QXDiagnostic::format(std::string& text, size_t start) const {
  if (text.empty()) {
    text = std::to_string(code_);
    return;
  }
  std::string result(text, 0, start);
  size_t kept = start;
  for (;;) {
    const size_t open = text.find('{', kept);
    if (open == std::string::npos) break;
    const size_t close = text.find('}', open);
    if (close == std::string::npos) break;
    long long number = 0;
    // Negative numbers become huge unsigned ones and so are out of range.
    const bool known = readPlaceholderNumber(text, open, number) &&
                       static_cast<uint64_t>(number) < parameters_.size();
    result.append(text, kept, open - kept);
    if (known)
      result += parameters_[static_cast<size_t>(number)];
    else
      result.append(text, open, close - open + 1);
    kept = close + 1;
  }
  result.append(text, kept, std::string::npos);
  text.swap(result);
}
