// Comma-separated values as RFC 4180 defines them: fields separated by commas,
// records by CRLF or LF, fields optionally enclosed in double quotes, inside
// which commas, line breaks and doubled quotes ("") stand for themselves.
//
// One convention of our own: an unquoted empty field is a null value, a quoted
// empty field ("") is an empty text. The writer keeps that distinction.
#ifndef QUEX_TOOLS_QUEX_CSV_H
#define QUEX_TOOLS_QUEX_CSV_H

#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quex::csv {

// One field of a record as read; `null` is set for an unquoted empty field.
struct Field {
  std::string text;
  bool null = false;
};

// Reads records one at a time. The field objects are reused from record to
// record, so reading does not allocate once the longest record has been seen.
class Reader {
public:
  enum class Result { Record, End, Malformed };

  explicit Reader(std::istream& in) : in_(*in.rdbuf()) {}

  // Reads the next record into `fields` (resized to its field count). After
  // Malformed, error() says why, the rest of the bad line has been skipped
  // and the next call goes on with the following line.
  Result next(std::vector<Field>& fields);

  // The line on which the record last read (or the malformed one) started, from 1.
  size_t recordLine() const { return recordLine_; }
  const std::string& error() const { return error_; }

private:
  int get();
  int peek() { return in_.sgetc(); }
  void skipRestOfLine();
  Result malformed(const char* why);

  std::streambuf& in_; // read directly: a field costs no stream sentry
  size_t line_ = 1;
  size_t recordLine_ = 0;
  std::string error_;
};

// Writes records; a field is quoted when it holds a comma, a quote or a line
// break, starts or ends with a blank, or is an empty non-null text.
class Writer {
public:
  explicit Writer(std::ostream& out) : out_(out) {}

  void field(std::string_view text); // a non-null field
  void nullField();
  void endRecord();

private:
  void separate();

  std::ostream& out_;
  bool first_ = true;
};

} // namespace quex::csv

#endif // QUEX_TOOLS_QUEX_CSV_H
