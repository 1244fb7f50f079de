#include "xml_text.h"

#include <algorithm>

namespace quex::tool {

std::string escapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&apos;"; break;
    default: out += c;
    }
  }
  return out;
}

namespace {

struct Token {
  enum Kind { Open, Close, Empty, Other, Text } kind;
  std::string_view text;
};

// Where the markup that starts at `start` ends (one past its '>'), honouring
// quoted attribute values, comments and CDATA sections; npos when unclosed.
size_t markupEnd(std::string_view doc, size_t start) {
  auto closing = [&](std::string_view terminator) {
    size_t at = doc.find(terminator, start);
    return at == std::string_view::npos ? at : at + terminator.size();
  };
  if (doc.substr(start, 4) == "<!--") return closing("-->");
  if (doc.substr(start, 9) == "<![CDATA[") return closing("]]>");
  char quote = 0;
  for (size_t i = start + 1; i < doc.size(); ++i) {
    char c = doc[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

std::string_view trim(std::string_view text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// The document's tokens, one at a time and without a copy: a printout holds
// nothing but its own text, however long the document.
class Tokens {
public:
  explicit Tokens(std::string_view doc) : doc_(doc) {}
  // The next tag or trimmed text; false at the end, or at markup left open.
  bool next(Token& token) {
    while (at_ < doc_.size()) {
      if (doc_[at_] != '<') {
        size_t next = doc_.find('<', at_);
        if (next == std::string_view::npos) next = doc_.size();
        std::string_view text = trim(doc_.substr(at_, next - at_));
        at_ = next;
        if (text.empty()) continue;
        token = {Token::Text, text};
        return true;
      }
      size_t end = markupEnd(doc_, at_);
      if (end == std::string_view::npos) {
        unclosed_ = true;
        at_ = doc_.size();
        return false;
      }
      std::string_view tag = doc_.substr(at_, end - at_);
      Token::Kind kind = Token::Open;
      if (tag.size() > 1 && (tag[1] == '?' || tag[1] == '!'))
        kind = tag.substr(0, 9) == "<![CDATA[" ? Token::Text : Token::Other;
      else if (tag.size() > 1 && tag[1] == '/')
        kind = Token::Close;
      else if (tag.size() > 2 && tag[tag.size() - 2] == '/')
        kind = Token::Empty;
      token = {kind, tag};
      at_ = end;
      return true;
    }
    return false;
  }
  bool unclosed() const { return unclosed_; }

private:
  std::string_view doc_;
  size_t at_ = 0;
  bool unclosed_ = false;
};

// Where a printout goes: counted first, so the text is made in one allocation.
struct Measure {
  size_t bytes = 0;
  void blanks(size_t count) { bytes += count; }
  void append(std::string_view text) { bytes += text.size(); }
  void newline() { ++bytes; }
};
struct Writer {
  std::string& out;
  void blanks(size_t count) { out.append(count, ' '); }
  void append(std::string_view text) { out.append(text); }
  void newline() { out += '\n'; }
};

// Prints `document` indented into `sink`; false when its markup is left open.
template <typename Sink>
bool indentInto(std::string_view document, Sink& sink) {
  Tokens tokens(document);
  Token ahead[3]; // an element holding only text is seen three tokens at once
  size_t held = 0;
  auto fill = [&] {
    while (held < 3 && tokens.next(ahead[held])) ++held;
  };
  auto drop = [&](size_t count) {
    for (size_t k = count; k < held; ++k) ahead[k - count] = ahead[k];
    held -= count;
  };
  size_t depth = 0;
  // Indentation stops growing past kMaxIndentLevels: two blanks per level of
  // a deep nesting would make the printout grow with the square of its depth.
  auto indent = [&] { sink.blanks(2 * std::min(depth, kMaxIndentLevels)); };
  while (true) {
    fill();
    if (held == 0) break;
    const Token token = ahead[0];
    if (token.kind == Token::Open && held == 3 && ahead[1].kind == Token::Text &&
        ahead[2].kind == Token::Close) {
      indent();
      sink.append(token.text);
      sink.append(ahead[1].text);
      sink.append(ahead[2].text);
      sink.newline();
      drop(3);
      continue;
    }
    drop(1);
    if (token.kind == Token::Close && depth > 0) --depth;
    indent();
    sink.append(token.text);
    sink.newline();
    if (token.kind == Token::Open) ++depth;
  }
  return !tokens.unclosed();
}

} // namespace

std::string indentXml(std::string_view document) {
  Measure measure;
  if (!indentInto(document, measure)) return std::string(document);
  std::string out;
  out.reserve(measure.bytes);
  Writer writer{out};
  indentInto(document, writer);
  return out;
}

} // namespace quex::tool
