// Reads arbitrary bytes as the CSV input of quex and checks two round trips
// on everything it accepts: every record written back and read again gives
// the same fields (texts and nulls), and every field that parses as a number
// prints in a form that parses back to the same value.
#include "csv.h"
#include "record_values.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

using quex::csv::Field;
using quex::csv::Reader;

void checkRecordRoundTrip(const std::vector<Field>& fields) {
  std::ostringstream written;
  quex::csv::Writer writer(written);
  for (const Field& field : fields) {
    if (field.null)
      writer.nullField();
    else
      writer.field(field.text);
  }
  writer.endRecord();
  std::istringstream in(written.str());
  Reader again(in);
  std::vector<Field> back;
  if (again.next(back) != Reader::Result::Record || back.size() != fields.size())
    __builtin_trap();
  for (size_t i = 0; i < fields.size(); ++i)
    if (back[i].null != fields[i].null || back[i].text != fields[i].text) __builtin_trap();
  if (again.next(back) != Reader::Result::End) __builtin_trap();
}

void checkNumberRoundTrip(const std::string& text) {
  namespace values = quex::values;
  unsigned char bytes[values::kNumberSize];
  if (const auto integer = values::parseInteger(text)) {
    values::encodeInteger(*integer, bytes);
    std::string shown;
    if (!values::appendText(values::Storage::Integer, bytes, sizeof bytes, shown) ||
        values::parseInteger(shown) != integer)
      __builtin_trap();
  }
  if (const auto real = values::parseReal(text)) {
    values::encodeReal(*real, bytes);
    std::string shown;
    if (!values::appendText(values::Storage::Real, bytes, sizeof bytes, shown)) __builtin_trap();
    const auto back = values::parseReal(shown);
    if (!back || values::decodeReal(bytes) != *back) __builtin_trap();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  Reader reader(in);
  std::vector<Field> fields;
  for (size_t records = 0; records < 10000; ++records) {
    const Reader::Result result = reader.next(fields);
    if (result == Reader::Result::End) break;
    if (result != Reader::Result::Record) continue; // the bad line is skipped
    checkRecordRoundTrip(fields);
    for (const Field& field : fields)
      if (!field.null) checkNumberRoundTrip(field.text);
  }
  return 0;
}
