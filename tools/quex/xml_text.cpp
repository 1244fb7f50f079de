#include "xml_text.h"

#include <algorithm>
#include <vector>

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

bool tokenize(std::string_view doc, std::vector<Token>& tokens) {
  size_t at = 0;
  while (at < doc.size()) {
    if (doc[at] != '<') {
      size_t next = doc.find('<', at);
      if (next == std::string_view::npos) next = doc.size();
      std::string_view text = trim(doc.substr(at, next - at));
      if (!text.empty()) tokens.push_back({Token::Text, text});
      at = next;
      continue;
    }
    size_t end = markupEnd(doc, at);
    if (end == std::string_view::npos) return false;
    std::string_view tag = doc.substr(at, end - at);
    Token::Kind kind = Token::Open;
    if (tag.size() > 1 && (tag[1] == '?' || tag[1] == '!'))
      kind = tag.substr(0, 9) == "<![CDATA[" ? Token::Text : Token::Other;
    else if (tag.size() > 1 && tag[1] == '/')
      kind = Token::Close;
    else if (tag.size() > 2 && tag[tag.size() - 2] == '/')
      kind = Token::Empty;
    tokens.push_back({kind, tag});
    at = end;
  }
  return true;
}

} // namespace

std::string indentXml(std::string_view document) {
  std::vector<Token> tokens;
  if (!tokenize(document, tokens)) return std::string(document);
  std::string out;
  out.reserve(document.size() + document.size() / 2);
  size_t depth = 0;
  // Indentation stops growing past kMaxIndentLevels: two blanks per level of
  // a deep nesting would make the printout grow with the square of its depth.
  auto line = [&](std::string_view text) {
    out.append(2 * std::min(depth, kMaxIndentLevels), ' ');
    out.append(text);
    out += '\n';
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    switch (token.kind) {
    case Token::Open:
      if (i + 2 < tokens.size() && tokens[i + 1].kind == Token::Text &&
          tokens[i + 2].kind == Token::Close) {
        out.append(2 * std::min(depth, kMaxIndentLevels), ' ');
        out.append(token.text).append(tokens[i + 1].text).append(tokens[i + 2].text);
        out += '\n';
        i += 2;
        break;
      }
      line(token.text);
      ++depth;
      break;
    case Token::Close:
      if (depth > 0) --depth;
      line(token.text);
      break;
    default:
      line(token.text);
    }
  }
  return out;
}

} // namespace quex::tool
