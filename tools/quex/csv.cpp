#include "csv.h"

namespace quex::csv {

int Reader::get() {
  int c = in_.sbumpc();
  if (c == '\n') ++line_;
  return c;
}

void Reader::skipRestOfLine() {
  for (int c = get(); c != std::char_traits<char>::eof() && c != '\n'; c = get()) {
  }
}

Reader::Result Reader::malformed(const char* why) {
  error_ = why;
  skipRestOfLine();
  return Result::Malformed;
}

Reader::Result Reader::next(std::vector<Field>& fields) {
  constexpr int kEnd = std::char_traits<char>::eof();
  if (peek() == kEnd) return Result::End;
  recordLine_ = line_;
  error_.clear();
  size_t count = 0;
  for (;;) {
    if (count == fields.size()) fields.emplace_back();
    Field& field = fields[count++];
    field.text.clear();
    field.null = false;
    int c = get();
    if (c == '"') {
      for (;;) {
        c = get();
        if (c == kEnd) {
          error_ = "a quoted field is not closed";
          return Result::Malformed;
        }
        if (c == '"') {
          if (peek() != '"') break;
          get();
        }
        field.text.push_back(static_cast<char>(c));
      }
      c = get();
      if (c == '\r' && peek() == '\n') c = get();
      if (c != ',' && c != '\n' && c != kEnd)
        return malformed("text follows the closing quote of a field");
    } else {
      while (c != ',' && c != '\n' && c != kEnd) {
        if (c == '"') return malformed("a quote inside an unquoted field");
        if (c == '\r' && peek() == '\n') {
          c = get();
          break;
        }
        field.text.push_back(static_cast<char>(c));
        c = get();
      }
      field.null = field.text.empty();
    }
    if (c != ',') break;
  }
  fields.resize(count);
  return Result::Record;
}

void Writer::separate() {
  if (!first_) out_.put(',');
  first_ = false;
}

void Writer::field(std::string_view text) {
  separate();
  bool quote = text.empty() || text.front() == ' ' || text.back() == ' ' ||
               text.find_first_of(",\"\r\n") != std::string_view::npos;
  if (!quote) {
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return;
  }
  out_.put('"');
  for (char c : text) {
    if (c == '"') out_.put('"');
    out_.put(c);
  }
  out_.put('"');
}

void Writer::nullField() { separate(); }

void Writer::endRecord() {
  out_.put('\n');
  first_ = true;
}

} // namespace quex::csv
